// The desktop around the game: signals that end it, and the full screen kept between runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;

// The program's last words ended with the dump the driver prints as the program ends.
bool Ended(const std::string& out) {
    return out.find("\"ended\": true") != std::string::npos;
}

class EndSignal : public ::testing::TestWithParam<int> {};

// In a window: a signal during play ends the program as Exit does, and the game, which has a
// score, enters the tables. The score comes from holding fire until a bubble passes overhead
// (level 1 has one above the start); the signal comes while the game goes on.
TEST_P(EndSignal, ASignalInPlayEndsTheWindowedGameAndRecordsIt) {
    XServer x;
    TempDir home;
    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu"})) << g.StateText();
    g.Key("ctrl+n");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "playing=1"})) << g.StateText();
    g.KeyDown("space");
    const bool scored = g.WaitFor([](const auto& s) {
        return s.count("score") && s.at("score") != "0" && s.at("game") == "1";
    });
    g.KeyUp("space");
    ASSERT_TRUE(scored) << g.StateText();
    g.Proc().Signal(GetParam());
    const std::optional<int> status = g.Proc().WaitExit(30s);
    ASSERT_TRUE(status) << "still running after the signal: " << g.StateText();
    EXPECT_EQ(*status, 0);
    ExpectScoredLevelOneGameRecorded(g.RecordsDir());
}

// Headless, reading its script from a pipe: the signal ends the wait for the next line, and
// the game in progress enters both tables before the last dump.
TEST_P(EndSignal, ASignalEndsTheHeadlessGameAndRecordsIt) {
    TempDir dir;
    int in[2];
    ASSERT_EQ(::pipe2(in, O_CLOEXEC), 0);
    const std::string out = dir.Path() + "/out";
    Process p({Program(), "--headless", "--records-dir", dir.Path()}, {"LOGIN=e2e"}, out, -1,
              in[0]);
    ::close(in[0]);
    const std::string script =
        "click frmMenu.cmdPlay\nwait 3000\nset frmGame.Score 4321\nset frmGame.Level 3\n"
        "dump frmGame\n";
    ASSERT_EQ(::write(in[1], script.data(), script.size()), static_cast<ssize_t>(script.size()));
    // Once the dump is out, the driver waits for the next line.
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (ReadFile(out).find("\"Score\"") == std::string::npos &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(20ms);
    ASSERT_NE(ReadFile(out).find("\"Score\""), std::string::npos) << ReadFile(out);
    p.Signal(GetParam());
    const std::optional<int> status = p.WaitExit(30s);
    ::close(in[1]);
    ASSERT_TRUE(status) << "still running after the signal";
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(Ended(ReadFile(out))) << ReadFile(out);
    const std::string scores = ReadFile(dir.Path() + "/Quibblix-Scores.txt");
    const std::string levels = ReadFile(dir.Path() + "/Quibblix-Levels.txt");
    EXPECT_EQ(scores.rfind("\"E2E\"\r\n\"4321\"\r\n", 0), 0u) << scores;
    EXPECT_EQ(levels.rfind("\"E2E\"\r\n\"3\"\r\n", 0), 0u) << levels;
}

INSTANTIATE_TEST_SUITE_P(Signals, EndSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return i.param == SIGTERM  ? std::string("Term")
                                    : i.param == SIGINT ? std::string("Int")
                                                        : std::string("Hup");
                         });

// F11 fills the screen and the choice holds for the next run; --window starts one run in a
// window without forgetting it.
TEST(Settings, TheFullScreenIsRememberedAndWindowHoldsForOneRun) {
    XServer x;
    TempDir home;
    auto run = [&](const std::vector<std::string>& args, const std::string& fullAtStart,
                   bool toggle) {
        Game g(x, home.Path(), args);
        EXPECT_TRUE(g.WaitForState({"active=frmMenu", "fullscreen=" + fullAtStart}))
            << g.StateText();
        if (toggle) {
            g.Key("F11");
            const std::string now = fullAtStart == "1" ? "0" : "1";
            EXPECT_TRUE(g.WaitForState({"fullscreen=" + now})) << g.StateText();
        }
        g.Key("ctrl+x");
        const std::optional<int> status = g.Proc().WaitExit(30s);
        EXPECT_TRUE(status && *status == 0) << g.StateText();
    };
    run({}, "0", true);
    run({}, "1", false);
    run({"--window"}, "0", false);
    run({}, "1", true);
    run({}, "0", false);
    run({"--fullscreen"}, "1", false);
    run({}, "1", false);
}

}  // namespace
}  // namespace qbx::e2e
