// Feeds arbitrary bytes as a script to the headless driver, running the whole program on the
// virtual clock with its records in a temporary directory. Waits are capped so that one input
// stays quick however long the waits it asks for.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "forms/quibblix.h"
#include "fuzz_temp_dir.h"
#include "records/record_file.h"

namespace {

constexpr int64_t kWaitBudgetMs = 10000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const qbx::fuzz::TempDir records;
    const std::string& dir = records.path;
    // Every input starts from no records.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        std::filesystem::remove_all(entry.path(), ec);

    qbx::HeadlessServices svc(7);
    qbx::Quibblix app(svc);
    svc.Attach(app.program);
    svc.SetProgramDir(dir);
    svc.SetEnv("NWUSERNAME", "FUZZ");
    qbx::Driver driver(app.program, svc);
    driver.LimitWaits(kWaitBudgetMs);

    std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out, err;
    try {
        app.Start();
        // Line by line as Driver::Run goes, but past a bad line or a failed expectation, so that
        // one wrong byte does not hide the rest of the input.
        std::string line;
        int lineNo = 0;
        while (std::getline(script, line)) {
            const int rc = driver.RunLine(line, ++lineNo, out, err);
            if (rc < -1 || rc > 2) std::abort();
        }
        svc.DeliverPosted();
    } catch (const qbx::ProgramEnded&) {
        // As when the driver ends: nothing runs after the end but the last dump.
        out << driver.Dump() << "\n";
    }
    return 0;
}
