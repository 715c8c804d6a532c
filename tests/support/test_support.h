// A headless program for tests: the four screens on the virtual clock, records in a fresh
// temporary directory.
#pragma once

#include <memory>
#include <string>

#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "forms/quibblix.h"
#include "support/temp_dir.h"

namespace qbx::test {

struct Headless {
    explicit Headless(uint64_t seed = 7);
    ~Headless();

    // Runs driver lines; returns the driver's status (-1 or 0 when all went well).
    int Run(const std::string& script);
    // Runs driver lines that must all go well; a test failure names the driver's error.
    void Ok(const std::string& script);
    std::string DumpJson(const std::string& form = "") { return driver.Dump(form); }

    TempDir dir;
    HeadlessServices svc;
    Quibblix app;
    Driver driver;
    std::string out, err;
};

// Ten games of one machine's players end one after another, entering results into the tables
// in dir: names A0..A9 (machine 0) or B0..B9 (machine 1), each score and level unique.
void EnterTenResults(const std::string& dir, int machine);

}  // namespace qbx::test
