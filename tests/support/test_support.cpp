// Test support: temporary directories and a headless program.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace qbx::test {

Headless::Headless(uint64_t seed) : svc(seed), app(svc), driver(app.program, svc) {
    svc.Attach(app.program);
    svc.SetProgramDir(dir.Path());
}

Headless::~Headless() = default;

int Headless::Run(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream o, e;
    int rc = driver.Run(in, o, e);
    out += o.str();
    err += e.str();
    return rc;
}

void Headless::Ok(const std::string& script) {
    EXPECT_EQ(Run(script), 0) << err;
}

void EnterTenResults(const std::string& dir, int machine) {
    Headless h;
    h.svc.SetProgramDir(dir);
    h.app.scores.EnsureLoaded();
    for (int k = 0; k < 10; ++k) {
        h.app.scores.UserName = std::string(machine == 0 ? "A" : "B") + std::to_string(k);
        h.app.game.Score = 1000 + 2 * k + machine;
        h.app.game.Level = static_cast<int16_t>(100 + 2 * k + machine);
        h.app.scores.CalculateHighScores();
        h.app.scores.CalculateHighLevels();
    }
}

}  // namespace qbx::test
