// Feeds arbitrary bytes to the record-file reader as the text of a record file, and checks
// that what it reads is safe to write back and reads back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "records/record_table.h"

namespace {

using namespace qbx::records;

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> fields = ReadFields(text, 40);
    Check(fields.size() <= 40);
    for (const std::string& f : fields) {
        Check(f.size() <= kMaxFieldBytes);
        Check(CleanField(f) == f);
        Check(f.find('"') == std::string::npos && f.find('\r') == std::string::npos &&
              f.find('\n') == std::string::npos);
        NumericValue(f);
    }

    // A table as the game reads it, written back and read again, is the same table.
    RecordRows rows(20);
    ReadTable(text, rows);
    const std::string written = WriteTable(rows);
    RecordRows again(20);
    ReadTable(written, again);
    Check(again == rows);
    Check(ReadFields(written, 1000).size() == 40);

    // Entering a result keeps the table's size; when it enters, the user's row holds it.
    const long long result = size == 0 ? 0 : static_cast<long long>(data[0]) * 97 - 1000;
    const std::string user = fields.empty() ? std::string("PLAYER") : fields.front();
    if (EnterResult(rows, user, result)) {
        bool found = false;
        for (const RecordRow& r : rows)
            if (r.name == user && r.value == std::to_string(result)) found = true;
        Check(found);
    }
    Check(rows.size() == 20);
    return 0;
}
