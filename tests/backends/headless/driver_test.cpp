// The headless driver: its errors, its dump, and posted input.
#include <gtest/gtest.h>

#include "backends/headless/control_properties.h"
#include "support/test_support.h"

namespace qbx::test {
namespace {

TEST(DriverTest, BadLinesStopWithStatusTwoNamingTheLineAndChangeNothing) {
    const std::pair<const char*, const char*> bad[] = {
        {"jump 3", "unknown command"},
        {"wait soon", "wait needs"},
        {"key F13", "unknown key"},
        {"click frmNowhere.cmdPlay", "unknown screen"},
        {"click frmGame.cmdContinue", "no visible button"},  // the game screen is not loaded
        {"set frmGame.Lives 40000", "bad value"},
        {"set frmGame.Bubbles(101).Size 2", "index out of range"},
        {"set frmGame.arrow.Picture nothing", "unknown picture"},
        {"set frmGame.arrow.Colour red", "unknown property"},
        {"call frmGame.Explode", "unknown routine"},
        {"post wait 10", "post takes"},
        {"wait -1", "wait needs"},
        {"wait 100000001", "wait needs"},
        {"key Left sideways", "key takes 'down' or 'up', not 'sideways'"},
        {"click frmMenu.cmdPlay frmMenu.cmdExit", "click takes one name"},
        {"menu frmGame", "expected FORM.NAME, got 'frmGame'"},
        {"set frmGame.Lives", "set needs a name and a value"},
        {"expect frmGame.Lives", "expect needs a name and a value"},
        {"dump frmNowhere", "unknown screen 'frmNowhere'"},
        {"shot frmMenu", "shot needs a screen and a file"},
        {"shot frmMenu out.png 8", "pixel ratio from 0.5 to 4"},
        {"shot frmMenu out.png 0.25", "pixel ratio from 0.5 to 4"},
        {"rnd 1", "rnd takes numbers in [0, 1)"},
        {"rnd -0.5", "rnd takes numbers in [0, 1)"},
        {"rnd", "rnd takes numbers in [0, 1)"},
        {"post rnd 0.5", "post takes"},
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

TEST(DriverTest, DumpNeverLoadsAScreenAndExpectComparesWhatItShows) {
    Headless h;
    h.app.Start();
    ASSERT_EQ(h.Run("set frmGame.Level 4\ndump frmGame\n"), 0);
    EXPECT_FALSE(h.app.game.IsLoaded());
    EXPECT_NE(h.out.find("\"frmGame\": {\"loaded\": false"), std::string::npos);
    EXPECT_NE(h.out.find("\"Level\": 4"), std::string::npos);
    EXPECT_EQ(h.out.find("\"frmMenu\": {"), std::string::npos);  // only the screen asked for
    h.Ok(
        "click frmMenu.cmdPlay\n"
        "expect frmGame.lblScore.Caption \"Score:\\r\\n0\"\n"
        "expect frmGame.Bubbles(0).HorizontalDirection RIGHT\n"
        "expect active frmGame\n");
    EXPECT_EQ(h.Run("expect frmGame.Lives 4\n"), 1);
    EXPECT_NE(h.err.find("expected Lives to be \"4\", got \"5\""), std::string::npos) << h.err;
}

// Whatever a script may set on a control, it reads back as it set it: each writer and reader
// pair touches the same field. A property a dump does not show is still taken.
TEST(DriverTest, EveryPropertyAScriptSetsReadsBackThroughExpect) {
    using driver::PropType;
    const std::pair<Kind, const char*> controls[] = {
        {Kind::Image, "frmGame.arrow"},        {Kind::Label, "frmGame.lblScore"},
        {Kind::Button, "frmGame.cmdContinue"}, {Kind::Shape, "frmGame.shpDeathCircle"},
        {Kind::Timer, "frmGame.tmrBonus"},     {Kind::Menu, "frmGame.mnuSound"},
    };
    for (const auto& [kind, control] : controls) {
        for (const driver::Property& p : driver::PropertiesOf(kind)) {
            if (!p.write) continue;
            const std::string path = std::string(control) + "." + p.name;
            SCOPED_TRACE(path);
            std::vector<std::string> values;
            switch (p.type) {
                case PropType::Bool:
                    values = {"false", "true", "false"};
                    break;
                case PropType::Number:
                    values = {"1234.5", "-15"};
                    break;
                case PropType::Integer:
                    values = {"250"};
                    break;
                case PropType::Text:
                    values = {"\"Two\\r\\nlines, \\\"quoted\\\"\"", "plain"};
                    break;
                case PropType::Picture:
                    values = {"ballreds2", "regarrow"};
                    break;
            }
            Headless h;
            h.app.Start();
            for (const std::string& v : values) {
                std::string script = "set " + path + " " + v + "\n";
                if (p.read) script += "expect " + path + " " + v + "\n";
                EXPECT_EQ(h.Run(script), 0) << h.err;
            }
        }
    }
    // Only a command with a check mark has one.
    Headless h;
    h.app.Start();
    EXPECT_EQ(h.Run("set frmGame.mnuNew.Checked true\n"), 2);
}

// An expectation compares a text as the dump shows it: bytes that are not UTF-8 as U+FFFD, and
// control characters whole, not cut off at the first one.
TEST(DriverTest, ExpectComparesTextsAsTheDumpShowsThem) {
    Headless h;
    h.app.Start();
    h.Ok(
        "set frmGame.lblScore.Caption \"a\x01"
        "b\\tc\"\n"
        "expect frmGame.lblScore.Caption \"a\x01"
        "b\\tc\"\n"
        "dump frmGame\n");
    EXPECT_NE(h.out.find("\"lblScore\": {\"Visible\": true, "), std::string::npos) << h.out;
    EXPECT_NE(h.out.find("\"Caption\": \"a\\u0001b\\tc\"}"), std::string::npos) << h.out;
    EXPECT_EQ(h.Run("expect frmGame.lblScore.Caption a\n"), 1);
    h.Ok(
        "set frmGame.mnuNew.Caption caf\xC3\xA9\xFF\n"
        "expect frmGame.mnuNew.Caption caf\xC3\xA9\xEF\xBF\xBD\n");
    EXPECT_EQ(h.Run("expect frmGame.mnuNew.Caption caf\xC3\xA9\xFF\n"), 1);
}

TEST(DriverTest, PostedInputWaitsForTheNextEventPump) {
    Headless h;
    h.app.Start();
    // No handler pumps during a dump: the posted click arrives once the dump is done.
    ASSERT_EQ(h.Run("post click frmMenu.cmdPlay\ndump\n"), 0);
    EXPECT_NE(h.out.find("\"active\": \"frmMenu\""), std::string::npos);
    EXPECT_TRUE(h.app.game.IsVisible());
    // Posted before the tick of a death, Esc reaches that tick's pump, which ignores it; run
    // before the tick, it would have paused the game.
    h.Ok(
        "wait 2500\nset frmGame.BubblePic(0).Left 6615\n"
        "set frmGame.BubblePic(0).Top 4900\npost key Escape\nwait 10\n"
        "expect frmGame.Paused false\nexpect frmGame.Lives 4\n");
}

TEST(DriverTest, EndingTheProgramPrintsALastDumpAndStops) {
    Headless h;
    h.app.Start();
    EXPECT_EQ(h.Run("key ctrl+x\nclick frmMenu.cmdPlay\n"), 0);
    EXPECT_TRUE(h.svc.Ended());
    EXPECT_NE(h.out.find("\"ended\": true"), std::string::npos);
    EXPECT_FALSE(h.app.game.IsLoaded());  // the line after the end was not run
}

// Posted input that a dying character's event pump lets in may start a new game, unloading the
// screen whose timer is still running, and then press a key: the old screen's controls must
// outlive the handler (the sanitizer build reports any use of them after they are freed).
TEST(DriverTest, PostedKeysInsideAHandlerKeepTheUnloadedScreensControlsAlive) {
    Headless h;
    h.app.Start();
    EXPECT_EQ(h.Run("click frmMenu.cmdPlay\nwait 3000\n"
                    "set frmGame.imgCharacter.Left 0\n"
                    "set frmGame.BubblePic(0).Left 0\n"
                    "set frmGame.BubblePic(0).Top 4875\n"
                    "set frmGame.BubblePic(0).Visible true\n"
                    "post menu frmGame.mnuNew\npost key X\nwait 50\n"),
              0)
        << h.err;
    EXPECT_EQ(h.app.game.Lives, 5);  // the new game's, untouched by the old one's death
    EXPECT_EQ(h.app.program.Active(), &h.app.game);
}

// A script of unknown origin gets a cap on its waits: the clock stops at the cap, whatever the
// waits ask for, and the timers due up to it still fire.
TEST(DriverTest, LimitedWaitsStopTheClockAtTheCap) {
    Headless h;
    h.app.Start();
    h.driver.LimitWaits(4000);
    EXPECT_EQ(h.Run("click frmMenu.cmdPlay\nwait 2500\nwait 100000000\nwait 10\n"), 0);
    EXPECT_EQ(h.svc.Clock(), 4000);
    EXPECT_FALSE(h.app.game.C().lblCount->Visible);  // the countdown ran out on the way
}

}  // namespace
}  // namespace qbx::test
