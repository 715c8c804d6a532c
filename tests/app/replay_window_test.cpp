// A game played in the real window on the offscreen platform, with ticks dropped and delayed on
// purpose, is kept as a replay that verifies headless to the same state.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <string>

#include "app/art_pictures.h"
#include "app/game_replays.h"
#include "backends/headless/driver.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "support/test_support.h"

namespace qbx {
namespace {

struct FakeClock : Clock {
    int64_t ms = 0;
    int64_t NowNs() const override { return ms * 1000000; }
};

// The screens of a dump, which is all a Qt program and a headless one can share.
std::string ScreensOf(Program& program, const std::string& form) {
    HeadlessServices none;
    const std::string d = Driver(program, none).Dump(form);
    return d.substr(d.find("\"screens\""));
}

class ReplayWindow : public ::testing::Test {
protected:
    ReplayWindow() {
        svc.Attach(app.program);
        app.program.SetArtist(&artist);
        svc.SetInputLog(recorder.get());
        svc.Dispatch([this] { app.Start(); });
    }
    ~ReplayWindow() override {
        svc.SetInputLog(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Key(const Screen& s, int key, Qt::KeyboardModifiers mods, bool down) {
        ScreenView* v = svc.ViewOf(s);
        ASSERT_NE(v, nullptr);
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, mods);
        QCoreApplication::sendEvent(v->Client(), &e);
    }
    void Press(const Screen& s, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Key(s, key, mods, true);
        Key(s, key, mods, false);
    }
    // Runs the clock for ms the way a busy machine delivers ticks: now on time, now a few
    // milliseconds late, now so late that ticks are dropped.
    void Play(int64_t ms) {
        const int64_t end = clock.ms + ms;
        while (clock.ms < end) {
            ++step;
            clock.ms += step % 7 == 0 ? 37 : step % 3 == 0 ? 13 : 10;
            svc.RunDueTimers();
        }
    }
    void Menu(const char* item) {
        QAction* a = svc.ViewOf(app.game)->ActionFor(item);
        ASSERT_NE(a, nullptr);
        a->trigger();
    }

    test::TempDir dir;
    FakeClock clock;
    QtServices svc{1, &clock};
    Quibblix app{svc};
    ArtPictures artist;
    std::unique_ptr<replay::GameRecorder> recorder =
        MakeRecorder(app, svc, "1.0.0", dir.Path() + "/game.qbr", "");
    QWidget other;
    int step = 0;
};

TEST_F(ReplayWindow, AGameWithDroppedTicksPausesAndALostLifeVerifiesToTheSameState) {
    Press(app.menu, Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(app.game.IsVisible());
    Play(2600);
    Key(app.game, Qt::Key_Left, Qt::NoModifier, true);
    Play(600);
    Key(app.game, Qt::Key_Left, Qt::NoModifier, false);
    Press(app.game, Qt::Key_Space);
    Play(800);
    Press(app.game, Qt::Key_Escape);  // paused and resumed by key
    Play(300);
    Press(app.game, Qt::Key_Escape);
    Menu("mnuSound");
    Play(500);
    Menu("mnuPause");  // and by the menu
    Play(300);
    Menu("mnuPause");
    // The window loses the keyboard and gets it back: paused until Esc.
    QApplication::setActiveWindow(svc.ViewOf(app.game));
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_EQ(app.game.Paused, -1);
    Play(400);
    QApplication::setActiveWindow(svc.ViewOf(app.game));
    Press(app.game, Qt::Key_Escape);
    Menu("mnuSound");
    Key(app.game, Qt::Key_Right, Qt::NoModifier, true);
    Play(1200);
    Key(app.game, Qt::Key_Right, Qt::NoModifier, false);
    // Standing still until a bubble takes a life (the death sequence sleeps for real).
    for (int i = 0; i < 120 && app.game.Lives == 5; ++i) Play(500);
    ASSERT_EQ(app.game.Lives, 4);
    Play(3000);
    const std::string played = ScreensOf(app.program, "frmGame");
    recorder->Finish();

    Verdict v;
    std::string error;
    ASSERT_TRUE(VerifyReplay(dir.Path() + "/game.qbr", v, error)) << error;
    EXPECT_TRUE(v.matches);
    EXPECT_EQ(v.astray, 0u);
    EXPECT_EQ(v.score, app.game.Score);

    std::vector<InputEvent> events;
    ASSERT_EQ(ReadReplayInputs(dir.Path() + "/game.qbr", events), "");
    test::Headless h(12345);
    h.app.Start();
    Gamepad pad(h.app.program);
    EXPECT_EQ(h.svc.PlayRecorded(events, events.size(), pad), 0u);
    EXPECT_EQ(ScreensOf(h.app.program, "frmGame"), played);
}

// A game ended by beginning the next one is judged by its result as it ended, not by the new
// game its last input began.
TEST(ReplayVerdict, AGameEndedByANewGameVerifiesByItsOwnResult) {
    test::TempDir dir;
    test::Headless h(7);
    auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", "", dir.Path());
    h.svc.SetInputLog(recorder.get());
    h.app.Start();
    h.Ok(
        "click frmMenu.cmdPlay\nwait 2430\nkey Space\nwait 1190\nkey Space\nwait 2030\n"
        "key Left down\nkey Space\nwait 70\nkey Left up\nwait 1140\n"
        "expect frmGame.Score 250\nmenu frmGame.mnuNew\nwait 3000\n");
    recorder->Finish();
    h.svc.SetInputLog(nullptr);
    ASSERT_EQ(recorder->Written().size(), 2u);
    Verdict v;
    std::string error;
    ASSERT_TRUE(VerifyReplay(recorder->Written()[0], v, error)) << error;
    EXPECT_EQ(v.claimedScore, 250);
    EXPECT_EQ(v.score, 250);
    EXPECT_EQ(v.level, 2);
    EXPECT_TRUE(v.matches);
}

// The Replays screen opened from a game, moved through, clicked and left: the game verifies
// where no replay is kept, as --verify-replay plays it.
TEST(ReplayVerdict, AGameThatVisitedTheReplaysScreenVerifiesWithoutAnyReplayKept) {
    struct Shelf : ReplayShelf {
        std::vector<ReplayListing> List() override {
            std::vector<ReplayListing> l;
            for (int n = 1; n <= 30; ++n) l.push_back({"r" + std::to_string(n), "", "P", n, 1, 0});
            return l;
        }
        void Watch(const std::string& file) override { watched.push_back(file); }
        std::vector<std::string> watched;
    } shelf;
    test::TempDir dir;
    test::Headless h(7);
    h.svc.SetReplayShelf(&shelf);
    auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", dir.Path() + "/game.qbr", "");
    h.svc.SetInputLog(recorder.get());
    h.app.Start();
    h.Ok(
        "click frmMenu.cmdPlay\nwait 2430\nkey Space\nwait 600\nmenu frmGame.mnuReplays\n"
        "key Down\nkey End\nkey PageUp\nclick frmReplays.lblPlayer(2)\n"
        "dblclick frmReplays.lblWhen(5)\nkey Enter\nwait 300\nkey Tab\nkey Tab\nkey Tab\n"
        "key Enter\nexpect active frmGame\nexpect frmGame.Paused true\nkey Escape\nwait 590\n"
        "key Space\nwait 2030\nmenu frmGame.mnuReplays\nkey Escape\nkey Escape\nwait 3000\n");
    recorder->Finish();
    h.svc.SetInputLog(nullptr);
    EXPECT_EQ(shelf.watched, (std::vector<std::string>{"r19", "r19"}));
    Verdict v;
    std::string error;
    ASSERT_TRUE(VerifyReplay(dir.Path() + "/game.qbr", v, error)) << error;
    EXPECT_EQ(v.astray, 0u);
    EXPECT_GT(v.score, 0);
    EXPECT_EQ(v.score, h.app.game.Score);
    EXPECT_TRUE(v.matches);
}

}  // namespace
}  // namespace qbx
