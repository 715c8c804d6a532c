// The headless driver: its errors, its dump, and posted input.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qbx::test {
namespace {

TEST(DriverTest, BadLinesStopWithStatusTwoNamingTheLineAndChangeNothing) {
    const std::pair<const char*, const char*> bad[] = {
        {"jump 3", "unknown command"},
        {"wait soon", "wait needs"},
        {"key F13", "unknown key"},
        {"key A sideways", "key takes"},
        {"click frmNowhere.cmdPlay", "unknown screen"},
        {"click frmGame.cmdContinue", "no visible button"},  // the game screen is not loaded
        {"set frmGame.Lives many", "bad value"},
        {"set frmGame.Lives 40000", "bad value"},
        {"set frmGame.Bubbles(101).Size 2", "index out of range"},
        {"set frmGame.lblNothing.Caption x", "unknown control"},
        {"set frmGame.arrow.Picture nothing", "unknown picture"},
        {"set frmGame.arrow.Colour red", "unknown property"},
        {"call frmGame.Explode", "unknown routine"},
        {"post wait 10", "post takes"},
        {"rnd 1.5", "rnd takes"},
    };
    for (const auto& [line, message] : bad) {
        SCOPED_TRACE(line);
        Headless h;
        h.app.Start();
        EXPECT_EQ(h.Run(std::string("wait 5\n") + line + "\ndump\n"), 2);
        EXPECT_NE(h.err.find("line 2: "), std::string::npos) << h.err;
        EXPECT_NE(h.err.find(message), std::string::npos) << h.err;
        EXPECT_TRUE(h.out.empty());  // stopped before the dump
        EXPECT_FALSE(h.app.game.IsLoaded());
        EXPECT_EQ(h.app.game.Lives, 0);
    }
}

TEST(DriverTest, DumpNeverLoadsAScreenAndShowsItsVariables) {
    Headless h;
    h.app.Start();
    ASSERT_EQ(h.Run("set frmGame.Level 4\ndump frmGame\n"), 0);
    EXPECT_FALSE(h.app.game.IsLoaded());
    EXPECT_NE(h.out.find("\"frmGame\": {\"loaded\": false"), std::string::npos);
    EXPECT_NE(h.out.find("\"Level\": 4"), std::string::npos);
    EXPECT_EQ(h.out.find("\"controls\""), std::string::npos);
    EXPECT_EQ(h.out.find("\"frmMenu\": {"), std::string::npos);  // only the screen asked for
}

TEST(DriverTest, ExpectComparesWhatTheDumpShows) {
    Headless h;
    h.app.Start();
    EXPECT_EQ(h.Run("click frmMenu.cmdPlay\n"
                    "expect frmGame.lblScore.Caption \"Score:\\r\\n0\"\n"
                    "expect frmGame.Bubbles(0).HorizontalDirection RIGHT\n"
                    "expect frmGame.tmrLevelStart.Enabled true\n"
                    "expect active frmGame\n"),
              0)
        << h.err;
    EXPECT_EQ(h.Run("expect frmGame.Lives 4\n"), 1);
    EXPECT_NE(h.err.find("expected Lives to be \"4\", got \"5\""), std::string::npos) << h.err;
}

TEST(DriverTest, PostedInputWaitsForTheNextCommandsEventPump) {
    Headless h;
    h.app.Start();
    // No handler pumps during a dump: the posted click arrives once the dump is done.
    ASSERT_EQ(h.Run("post click frmMenu.cmdPlay\ndump\n"), 0);
    EXPECT_NE(h.out.find("\"active\": \"frmMenu\""), std::string::npos);
    EXPECT_TRUE(h.app.game.IsVisible());
}

TEST(DriverTest, EndingTheProgramPrintsALastDumpAndStops) {
    Headless h;
    h.app.Start();
    EXPECT_EQ(h.Run("key ctrl+x\nclick frmMenu.cmdPlay\n"), 0);
    EXPECT_TRUE(h.svc.Ended());
    EXPECT_NE(h.out.find("\"ended\": true"), std::string::npos);
    EXPECT_FALSE(h.app.game.IsLoaded());  // the line after the end was not run
}

}  // namespace
}  // namespace qbx::test
