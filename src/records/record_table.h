// The record tables as text: the fields of a record file, the rule by which a result enters a
// table, and the text a table is written as. Nothing here touches a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qbx::records {

// Longest field kept, in bytes of UTF-8; a longer one is cut at a character boundary.
inline constexpr size_t kMaxFieldBytes = 4096;
// Most of a record file a read looks at. A written file (40 fields of at most kMaxFieldBytes,
// quoted, CR LF) always fits; whatever a larger file holds beyond this is never read.
inline constexpr size_t kMaxReadBytes = 256 * 1024;

struct RecordRow {
    std::string name;
    std::string value;
    friend bool operator==(const RecordRow&, const RecordRow&) = default;
};
using RecordRows = std::vector<RecordRow>;

// The fields of a record file's text, in order, at most maxFields of them. A field that starts
// with a double quote runs to the next double quote (or the line end: an unterminated quote
// spoils only its own line); any other field runs to the next comma or line end, without the
// spaces around it. Line ends may be CR LF, LF or CR. Blank lines at the end are no fields.
// Every field comes back cleaned (CleanField).
std::vector<std::string> ReadFields(std::string_view text, size_t maxFields);

// Reads a record file's text into rows as the game does: name and value of row 1, then of row
// 2, and so on. Rows the text does not reach keep what they held; fields beyond the last row
// are dropped.
void ReadTable(std::string_view text, RecordRows& rows);

// The text of a record file holding rows: each field in double quotes on a line of its own,
// ended by CR LF, so always 2 x rows.size() lines. Fields are cleaned first.
std::string WriteTable(const RecordRows& rows);

// Valid UTF-8 with no control characters and no double quote, so that a field written in
// quotes reads back as itself: an invalid byte or a control character becomes U+FFFD, a double
// quote becomes an apostrophe. Cut to kMaxFieldBytes.
std::string CleanField(std::string_view raw);

// The numeric value of a value text: the decimal number at its start (after spaces), else 0.
double NumericValue(std::string_view text);

// Enters a result for user: each user holds at most one row, with the best result; a result
// enters only when it is strictly higher than the user's own row (or, for a user without a
// row, than the last row); among equal values the older row stays higher. Returns whether the
// table changed.
bool EnterResult(RecordRows& rows, const std::string& user, long long result);

}  // namespace qbx::records
