// Reading, writing and updating the record tables as text.
#include "records/record_table.h"

#include <charconv>
#include <cmath>

#include "engine/utf8.h"

namespace qbx::records {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool AtEnd(std::string_view text, size_t pos) {
    for (size_t i = pos; i < text.size(); ++i)
        if (!IsBlank(text[i]) && !IsLineEnd(text[i])) return false;
    return true;
}

}  // namespace

std::string CleanField(std::string_view raw) {
    const std::string text = ReplaceInvalidUtf8(raw);
    std::string out;
    out.reserve(text.size() < kMaxFieldBytes ? text.size() : kMaxFieldBytes);
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::string_view piece;
        size_t len = 1;
        if (c == '"') {
            piece = "'";
        } else if (c < 0x20 || c == 0x7F) {
            piece = kReplacementCharacter;
        } else {
            len = Utf8SequenceLength(text, i);
            piece = std::string_view(text).substr(i, len);
        }
        if (out.size() + piece.size() > kMaxFieldBytes) break;
        out += piece;
        i += len;
    }
    return out;
}

std::vector<std::string> ReadFields(std::string_view text, size_t maxFields) {
    std::vector<std::string> fields;
    size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;  // a byte-order mark left by an editor
    const size_t n = text.size();
    while (fields.size() < maxFields && !AtEnd(text, pos)) {
        while (pos < n && IsBlank(text[pos])) ++pos;
        std::string_view raw;
        if (pos < n && text[pos] == '"') {
            const size_t start = ++pos;
            while (pos < n && text[pos] != '"' && !IsLineEnd(text[pos])) ++pos;
            raw = text.substr(start, pos - start);
            if (pos < n && text[pos] == '"') ++pos;
            // Anything between the closing quote and the delimiter is not part of the field.
            while (pos < n && text[pos] != ',' && !IsLineEnd(text[pos])) ++pos;
        } else {
            const size_t start = pos;
            while (pos < n && text[pos] != ',' && !IsLineEnd(text[pos])) ++pos;
            size_t end = pos;
            while (end > start && IsBlank(text[end - 1])) --end;
            raw = text.substr(start, end - start);
        }
        if (pos < n && text[pos] == ',') {
            ++pos;
        } else if (pos < n && text[pos] == '\r') {
            ++pos;
            if (pos < n && text[pos] == '\n') ++pos;
        } else if (pos < n && text[pos] == '\n') {
            ++pos;
        }
        fields.push_back(CleanField(raw.substr(0, kMaxFieldBytes)));
    }
    return fields;
}

void ReadTable(std::string_view text, RecordRows& rows) {
    const std::vector<std::string> fields = ReadFields(text, 2 * rows.size());
    for (size_t k = 0; k < fields.size(); ++k) {
        RecordRow& row = rows[k / 2];
        (k % 2 == 0 ? row.name : row.value) = fields[k];
    }
}

std::string WriteTable(const RecordRows& rows) {
    std::string out;
    for (const RecordRow& row : rows) {
        for (const std::string* field : {&row.name, &row.value}) {
            out += '"';
            out += CleanField(*field);
            out += "\"\r\n";
        }
    }
    return out;
}

double NumericValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    size_t digits = i - digitsStart;
    if (i < text.size() && text[i] == '.') {
        const size_t fraction = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        digits += i - fraction;
    }
    if (digits == 0) return 0.0;
    // from_chars takes no leading '+'.
    const size_t from = text[start] == '+' ? start + 1 : start;
    double v = 0.0;
    const auto res = std::from_chars(text.data() + from, text.data() + i, v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large to hold, or a fraction too small to: the whole part tells which.
        bool large = false;
        for (size_t k = digitsStart; k < i && text[k] != '.'; ++k)
            if (text[k] != '0') large = true;
        if (!large) return 0.0;
        return text[start] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return v;
}

bool EnterResult(RecordRows& rows, const std::string& user, long long result) {
    if (rows.empty()) return false;
    const size_t last = rows.size() - 1;
    const double n = static_cast<double>(result);

    // The user's own row, or the last row for a user without one.
    size_t own = last;
    for (size_t i = 0; i <= last; ++i)
        if (rows[i].name == user) {
            own = i;
            break;
        }
    if (!(NumericValue(rows[own].value) < n)) return false;

    // The new row's rank: the first row below the result, so equal values stay above it.
    size_t p = 0;
    while (p < last && !(NumericValue(rows[p].value) < n)) ++p;

    // The row given up: the user's old row, or the last row.
    size_t j = last;
    for (size_t i = p; i <= last; ++i)
        if (rows[i].name == user) {
            j = i;
            break;
        }
    for (size_t i = j; i > p; --i) rows[i] = rows[i - 1];
    rows[p] = RecordRow{user, std::to_string(result)};
    return true;
}

}  // namespace qbx::records
