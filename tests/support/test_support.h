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

}  // namespace qbx::test
