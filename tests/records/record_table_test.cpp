// The record tables as text: reading a file's fields, the entry rule, the written format.
#include "records/record_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/utf8.h"

namespace qbx::records {

void PrintTo(const RecordRow& r, std::ostream* os) {
    *os << '{' << r.name << ", " << r.value << '}';
}

namespace {

using namespace std::string_literals;
using Fields = std::vector<std::string>;
const std::string kFffd = "\xEF\xBF\xBD";

RecordRows Table(std::initializer_list<RecordRow> top) {
    RecordRows rows(20);
    std::copy(top.begin(), top.end(), rows.begin());
    return rows;
}

TEST(ReadFields, QuotedUnquotedAndEveryLineEnd) {
    const Fields two{"SMITH, JOHN", "1480"};
    EXPECT_EQ(ReadFields("\"SMITH, JOHN\"\r\n\"1480\"\r\n", 40), two);
    EXPECT_EQ(ReadFields("\"SMITH, JOHN\"\n\"1480\"", 40), two);
    EXPECT_EQ(ReadFields("\"SMITH, JOHN\"\r\"1480\"\r", 40), two);
    EXPECT_EQ(ReadFields("  ANN , 12 \r\n\"\"\r\n", 40), (Fields{"ANN", "12", ""}));
    // Blank lines at the end are no fields; an unterminated quote spoils only its own line.
    EXPECT_EQ(ReadFields("\"A\"\r\n\r\n  \n", 40), Fields{"A"});
    EXPECT_EQ(ReadFields("\"ANN\r\n\"12\"\r\n", 40), (Fields{"ANN", "12"}));
    EXPECT_TRUE(ReadFields("", 40).empty());
}

TEST(ReadFields, BoundedOnHugeOrBinaryInput) {
    const Fields one = ReadFields("\"" + std::string(kMaxReadBytes, 'A'), 40);  // no line end
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].size(), kMaxFieldBytes);

    std::string many;
    for (int i = 0; i < 1000; ++i) many += "\"U" + std::to_string(i) + "\"\r\n";
    EXPECT_EQ(ReadFields(many, 40).size(), 40u);

    // A NUL, a lone continuation byte, an overlong '/', a sequence cut short.
    EXPECT_EQ(ReadFields("\"A\0B\"\r\n\"\x80"s + "C\xC0\xAF\"\r\n\"D\xE2\x82\""s, 40),
              (Fields{"A" + kFffd + "B", kFffd + "C" + kFffd + kFffd, "D" + kFffd + kFffd}));
    EXPECT_EQ(ReadFields("\"J\xC3\x9CRGEN\"", 40), Fields{"J\xC3\x9CRGEN"});
}

TEST(ReadFields, AByteOrderMarkIsNoPartOfTheFirstName) {
    EXPECT_EQ(ReadFields("\xEF\xBB\xBF\"ANN\"\r\n\"12\"\r\n", 40), (Fields{"ANN", "12"}));
    EXPECT_EQ(ReadFields("\xEF\xBB\xBF  BOB , 7\r\n", 40), (Fields{"BOB", "7"}));
    // Only at the very start: elsewhere it is a character of the name.
    EXPECT_EQ(ReadFields("\"A\xEF\xBB\xBF\"", 40), Fields{"A\xEF\xBB\xBF"});
}

// Names that are not UTF-8 read with each bad byte as U+FFFD, and what is written reads back
// the same and is UTF-8.
TEST(ReadFields, InvalidUtf8NamesReadAndWriteBackWhole) {
    const std::pair<std::string, std::string> names[] = {
        {"A\xED\xA0\x80Z", "A" + kFffd + kFffd + kFffd + "Z"},     // a surrogate
        {"\xE0\x80\xAFX", kFffd + kFffd + kFffd + "X"},            // an overlong '/'
        {"\xF0\x80\x80\xAF", kFffd + kFffd + kFffd + kFffd},       // a longer one
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},       // past U+10FFFF
        {"END\xF0\x9F\x98", "END" + kFffd + kFffd + kFffd},        // cut at the end
        {"\xE2\x82 CUT", kFffd + kFffd + " CUT"},                  // cut in the middle
        {"\xC3\x9C\xF0\x9F\x98\x80", "\xC3\x9C\xF0\x9F\x98\x80"},  // whole ones stay
        {"\x7F\x1B", kFffd + kFffd},                               // control characters
    };
    for (const auto& [raw, read] : names) {
        SCOPED_TRACE(read);
        const Fields f = ReadFields("\"" + raw + "\"\r\n\"5\"\r\n", 40);
        ASSERT_EQ(f, (Fields{read, "5"}));
        RecordRows rows = Table({{raw, "5"}});
        const std::string text = WriteTable(rows);
        EXPECT_TRUE(ValidUtf8(text));
        RecordRows back(20);
        ReadTable(text, back);
        EXPECT_EQ(back[0], (RecordRow{read, "5"}));
        EXPECT_EQ(WriteTable(back), text);
    }
}

TEST(ReadTable, FileRowsReplaceTheirsAndTheRestStay) {
    RecordRows rows(20, RecordRow{"OLD", "1"});
    ReadTable("\"A\"\n\"30\"\n\"B\"\n\"20\"\n\"C\"\n\"10\"\n", rows);
    EXPECT_EQ(rows[2], (RecordRow{"C", "10"}));
    EXPECT_EQ(rows[3], (RecordRow{"OLD", "1"}));
    EXPECT_EQ(rows[19], (RecordRow{"OLD", "1"}));
    ReadTable("\"Z\"\r\n", rows);  // a name without its value
    EXPECT_EQ(rows[0], (RecordRow{"Z", "30"}));

    std::string text;
    for (int i = 1; i <= 500; ++i)
        text += "\"U" + std::to_string(i) + "\"\r\n\"" + std::to_string(i) + "\"\r\n";
    ReadTable(text, rows);
    EXPECT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[19], (RecordRow{"U20", "20"}));
}

TEST(WriteTable, FortyLinesThatReadBackWhole) {
    const RecordRows rows =
        Table({{"SMITH, JOHN", "1480"}, {"O\"BRIEN", "5"}, {"TWO\r\nLINES", "7"}});
    const std::string text = WriteTable(rows);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 40);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 40);
    EXPECT_EQ(text.substr(0, 23), "\"SMITH, JOHN\"\r\n\"1480\"\r\n");
    RecordRows back(20, RecordRow{"X", "1"});
    ReadTable(text, back);
    EXPECT_EQ(back[0], rows[0]);
    EXPECT_EQ(back[1].name, "O'BRIEN");  // a quote would end the field early
    EXPECT_EQ(back[2].name, "TWO" + kFffd + kFffd + "LINES");
    EXPECT_EQ(back[19], RecordRow{});
}

TEST(NumericValue, DecimalNumberAtTheStartElseZero) {
    EXPECT_EQ(NumericValue("1480"), 1480);
    EXPECT_EQ(NumericValue(" 12abc"), 12);
    EXPECT_EQ(NumericValue("-5"), -5);
    EXPECT_EQ(NumericValue("2.5"), 2.5);
    EXPECT_EQ(NumericValue(""), 0);
    EXPECT_EQ(NumericValue("lots"), 0);
    EXPECT_EQ(NumericValue("-"), 0);
    EXPECT_GT(NumericValue(std::string(400, '9')), 1e300);
    EXPECT_LT(NumericValue("-" + std::string(400, '9')), -1e300);
    EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0);
}

TEST(EnterResult, FirstGameAndOwnRow) {
    RecordRows rows(20);
    EXPECT_TRUE(EnterResult(rows, "ME", 500));
    EXPECT_EQ(rows, Table({{"ME", "500"}}));

    const RecordRows start = Table({{"A", "1100"}, {"B", "1000"}, {"ME", "800"}, {"C", "700"}});
    rows = start;
    EXPECT_FALSE(EnterResult(rows, "ME", 800));
    EXPECT_EQ(rows, start);
    EXPECT_TRUE(EnterResult(rows, "ME", 900));
    EXPECT_EQ(rows, Table({{"A", "1100"}, {"B", "1000"}, {"ME", "900"}, {"C", "700"}}));
    rows = start;
    EXPECT_TRUE(EnterResult(rows, "ME", 1200));
    EXPECT_EQ(rows, Table({{"ME", "1200"}, {"A", "1100"}, {"B", "1000"}, {"C", "700"}}));
}

TEST(EnterResult, FullTableAndItsLastRow) {
    RecordRows full(20);
    for (int i = 0; i < 20; ++i)
        full[static_cast<size_t>(i)] = {"U" + std::to_string(i + 1),
                                        std::to_string(2200 - 100 * i)};
    RecordRows rows = full;
    EXPECT_FALSE(EnterResult(rows, "NEW", 300));  // row 20 holds 300
    EXPECT_EQ(rows, full);
    EXPECT_TRUE(EnterResult(rows, "NEW", 1550));
    EXPECT_EQ(rows[7], (RecordRow{"NEW", "1550"}));
    EXPECT_EQ(rows[8].name, "U8");
    EXPECT_EQ(rows[19].name, "U19");
}

TEST(EnterResult, TiesKeepTheOlderRowAndTextCountsAsZero) {
    RecordRows rows(20);
    EnterResult(rows, "FIRST", 700);
    EnterResult(rows, "SECOND", 700);
    EXPECT_EQ(rows, Table({{"FIRST", "700"}, {"SECOND", "700"}}));

    rows = Table({{"A", "12"}, {"B", "lots"}});
    EXPECT_TRUE(EnterResult(rows, "C", 5));
    EXPECT_TRUE(EnterResult(rows, "B", 1));
    EXPECT_EQ(rows, Table({{"A", "12"}, {"C", "5"}, {"B", "1"}}));
}

}  // namespace
}  // namespace qbx::records
