// The idle main menu in a real X server: half a minute untouched plays the kept game as a demo,
// and a key brings the menu back with the keyboard and the focus it had.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Demo, TheIdleMenuPlaysTheKeptGameUntilAKey) {
    XServer x;
    TempDir home;
    // A game kept beforehand, long enough to be watched for a while.
    const std::string replays = home.Path() + "/records/replays";
    fs::create_directories(replays);
    std::ofstream(home.Path() + "/game.qbx") << "click frmMenu.cmdPlay\nwait 60000\n";
    std::string out;
    ASSERT_EQ(e2e::Run({Program(), "--headless", "--records-dir", home.Path(), "--record",
                        replays + "/kept.qbr", home.Path() + "/game.qbx"},
                       {}, &out),
              0)
        << out;

    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu", "keyboard=1", "demo=0"})) << g.StateText();
    ASSERT_TRUE(g.FocusOn("cmdScores")) << g.StateText();
    // Not before the half minute, counted from the last key.
    EXPECT_TRUE(g.Holds({"demo=0"}, 25s)) << g.StateText();
    ASSERT_TRUE(g.WaitForState({"demo=1"}, 30s)) << g.StateText();
    const auto before = fs::last_write_time(replays + "/kept.qbr");
    // Return would press the focused button: it only ends the demo.
    g.Key("Return");
    ASSERT_TRUE(g.WaitForState({"demo=0", "active=frmMenu", "keyboard=1"})) << g.StateText();
    EXPECT_TRUE(g.Holds({"demo=0", "active=frmMenu", "focus=cmdScores", "game=0"}, 2s))
        << g.StateText();
    EXPECT_EQ(fs::last_write_time(replays + "/kept.qbr"), before);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(replays)) ++files;
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace qbx::e2e
