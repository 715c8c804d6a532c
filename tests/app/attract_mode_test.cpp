// The idle main menu's demo: when it starts and when it must not, what brings the menu back and
// how the menu is then, that it writes nothing, and which replay it plays.
#include "app/attract_mode.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "app/art_pictures.h"
#include "app/game_replays.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "backends/qt/steady_clock.h"
#include "backends/qt/watching_services.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "replay/replay_file.h"
#include "support/temp_dir.h"
#include "support/test_support.h"

namespace qbx {
namespace {

namespace fs = std::filesystem;

struct FakeClock : Clock {
    int64_t ms = 0;
    int64_t NowNs() const override { return ms * 1000000; }
};

std::string Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream b;
    b << in.rdbuf();
    return b.str();
}

// A short game kept in file, its header then made to say when it began, whose it is and what
// it scored.
void KeepGame(const std::string& file, int64_t startedMs, const std::string& player,
              int32_t score) {
    {
        test::Headless h(3);
        auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", file, "");
        h.svc.SetInputLog(recorder.get());
        h.app.Start();
        h.Ok("click frmMenu.cmdPlay\nwait 1200\n");
        recorder->Finish();
        h.svc.SetInputLog(nullptr);
    }
    std::string bytes = Bytes(file);
    replay::Header header;
    std::string error;
    ASSERT_TRUE(replay::ReadHeader(bytes, header, error)) << error;
    header.startedMs = startedMs;
    header.player = player;
    header.score = score;
    const std::string encoded = replay::EncodeHeader(header);
    bytes.replace(0, encoded.size(), encoded);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Every file and directory under dir with its contents and time of change.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Tree(const std::string& dir) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> t;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        t[e.path().string()] = {e.is_regular_file() ? Bytes(e.path()) : "", e.last_write_time()};
    return t;
}

template <class Done>
bool RunUntil(Done done) {
    const int64_t limitNs = SteadyNowNs() + 60'000'000'000;
    while (!done() && SteadyNowNs() < limitNs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

class Attract : public ::testing::Test {
protected:
    Attract() {
        fs::create_directories(replays);
        svc.SetProgramDir(dir.Path());
        svc.Attach(app.program);
        app.program.SetArtist(&artist);
        // As the program does: every game on the menu's program is kept.
        svc.SetInputLog(recorder.get());
        svc.Dispatch([this] { app.Start(); });
    }
    ~Attract() override {
        svc.SetInputLog(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::unique_ptr<AttractMode> Make(bool on = true) {
        return std::make_unique<AttractMode>(AttractMode::Setup{.scale = 1,
                                                                .artist = &artist,
                                                                .svc = &svc,
                                                                .app = &app,
                                                                .recordsDir = dir.Path(),
                                                                .replayDir = replays,
                                                                .on = on});
    }
    QWidget* MenuWindow() const {
        ScreenView* v = svc.ViewOf(app.menu);
        return v ? v->Client() : nullptr;
    }
    static QWidget* DemoWindow(const AttractMode& a) {
        if (!a.Playing()) return nullptr;
        ScreenView* v = a.Watch().Backend()->ViewOf(a.Watch().Game()->game);
        return v ? v->Client() : nullptr;
    }
    // The screens loaded and shown, and the button with the focus: what the player sees.
    std::string MenuAsSeen() const {
        std::string seen;
        for (const Screen* s : app.program.Screens()) {
            if (!s->IsLoaded()) continue;
            const ScreenView* v = svc.ViewOf(*s);
            seen += s->Name() + (s->IsVisible() ? "+" : "-") + (v && v->isVisible() ? "v " : " ");
        }
        const Button* focus = app.menu.IsLoaded() ? app.menu.FocusedButton() : nullptr;
        return seen + "focus=" + (focus ? focus->DisplayName() : "none");
    }
    // Waits for the demo to start after the idle time, as the clock runs on.
    bool IdleUntilDemo(AttractMode& a) {
        if (a.Look()) return false;  // too soon
        clock.ms += AttractMode::kIdleMs - 1;
        if (a.Look()) return false;
        clock.ms += 1;
        return a.Look();
    }

    test::TempDir dir;
    const std::string replays = dir.Path() + "/" + replay::kReplayDirName;
    FakeClock clock;
    QtServices svc{1, &clock};
    Quibblix app{svc};
    ArtPictures artist;
    std::unique_ptr<replay::GameRecorder> recorder = MakeRecorder(app, svc, "1.0.0", "", replays);
};

TEST_F(Attract, StartsAfterHalfAMinuteAtRestWithItsBannerAndAnyTouchCountsAgain) {
    KeepGame(replays + "/a.qbr", 1000, "ALICE", 100);
    auto attract = Make();
    clock.ms += 20'000;
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QCoreApplication::sendEvent(MenuWindow(), &shift);  // a touch: the half minute starts again
    clock.ms += 20'000;
    EXPECT_FALSE(attract->Look());
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(MenuWindow(), &move);
    clock.ms += 29'000;
    EXPECT_FALSE(attract->Look());
    // A pad's stick pushed hard is a touch too; a drifting one is not.
    attract->PadHost().Input({.kind = InputEvent::Kind::PadMove, .value = 30000}, [] {});
    clock.ms += 29'000;
    attract->PadHost().Input({.kind = InputEvent::Kind::PadMove, .value = 2000}, [] {});
    EXPECT_FALSE(attract->Look());
    clock.ms += 1'000;
    ASSERT_TRUE(attract->Look());
    EXPECT_EQ(attract->Played(), replays + "/a.qbr");
    ASSERT_NE(DemoWindow(*attract), nullptr);
    const auto labels = DemoWindow(*attract)->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text().toStdString(), "Demo \u2014 press any key");
    EXPECT_TRUE(labels[0]->isVisible());
    EXPECT_FALSE(svc.ViewOf(app.menu)->isVisible());
    attract->Stop();
    ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));

    // Switched off, the menu stays as it is however long it is left.
    attract = Make(false);
    clock.ms += 10 * AttractMode::kIdleMs;
    EXPECT_FALSE(attract->Look());
}

TEST_F(Attract, AKeyAClickOrAPadButtonBringsTheMenuBackAsItWasAndTheIdleTimeCountsAgain) {
    KeepGame(replays + "/a.qbr", 1000, "ALICE", 100);
    auto attract = Make();
    svc.Dispatch([this] { app.menu.SetFocus(app.menu.C().cmdScores); });
    const std::string before = MenuAsSeen();
    ASSERT_NE(before.find("focus=cmdScores"), std::string::npos) << before;

    // Enter would press the focused button, Ctrl+N begin a game: neither reaches a screen.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_N)}) {
        ASSERT_TRUE(IdleUntilDemo(*attract));
        const auto mods = key == Qt::Key_N ? Qt::ControlModifier : Qt::NoModifier;
        QKeyEvent down(QEvent::KeyPress, key, mods);
        QCoreApplication::sendEvent(DemoWindow(*attract), &down);
        ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));
        // Held on into the menu, it repeats into nothing, and its release is the demo's too.
        QKeyEvent again(QEvent::KeyPress, key, mods, QString(), true);
        QCoreApplication::sendEvent(MenuWindow(), &again);
        QKeyEvent up(QEvent::KeyRelease, key, mods);
        EXPECT_TRUE(attract->eventFilter(MenuWindow(), &up));
        EXPECT_FALSE(attract->eventFilter(MenuWindow(), &up));
        EXPECT_EQ(MenuAsSeen(), before);
        EXPECT_TRUE(svc.ViewOf(app.menu)->isVisible());
        EXPECT_FALSE(svc.InputWithheld());
    }
    // A click anywhere in the demo's window, its release kept from the menu.
    ASSERT_TRUE(IdleUntilDemo(*attract));
    QWidget* demo = DemoWindow(*attract);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(300, 200), QPointF(300, 200),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(demo, &press);
    ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(300, 200), QPointF(300, 200),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_TRUE(attract->eventFilter(MenuWindow(), &release));
    EXPECT_FALSE(attract->eventFilter(MenuWindow(), &release));  // only the one
    EXPECT_EQ(MenuAsSeen(), before);

    // A pad's A, which on the menu presses the focused button, and its release.
    ASSERT_TRUE(IdleUntilDemo(*attract));
    clock.ms += 2 * AttractMode::kIdleMs;  // a long look at it
    int reached = 0;
    attract->PadHost().Input(
        {.kind = InputEvent::Kind::PadPress, .value = static_cast<int>(PadButton::A)},
        [&reached] { ++reached; });
    ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));
    attract->PadHost().Input(
        {.kind = InputEvent::Kind::PadRelease, .value = static_cast<int>(PadButton::A)},
        [&reached] { ++reached; });
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(MenuAsSeen(), before);
    // And after each, the half minute counts from the demo's end.
    EXPECT_TRUE(IdleUntilDemo(*attract));
    attract->Stop();
    ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));
    // Another button's release is the menu's.
    attract->PadHost().Input(
        {.kind = InputEvent::Kind::PadRelease, .value = static_cast<int>(PadButton::B)},
        [&reached] { ++reached; });
    EXPECT_EQ(reached, 1);
}

// It plays the best: the game still in a table before a more recent one.
TEST_F(Attract, ADemoPlayedToItsEndReturnsAndNothingIsWrittenOrRecorded) {
    KeepGame(replays + "/a.qbr", 1000, "ALICE", 100);
    KeepGame(replays + "/b.qbr", 2000, "BOB", 200);
    std::ofstream(dir.Path() + "/" + records::kScoreFileName) << "\"ALICE\",100\r\n";
    std::ofstream(dir.Path() + "/" + records::kLevelFileName) << "\"ALICE\",1\r\n";
    // Older than the file system's clock can tell apart from the demo's writes, if any.
    for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
        fs::last_write_time(e.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const auto before = Tree(dir.Path());
    auto attract = Make();
    ASSERT_TRUE(IdleUntilDemo(*attract));
    EXPECT_EQ(attract->Played(), replays + "/a.qbr");
    ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));
    EXPECT_FALSE(recorder->Recording());
    EXPECT_TRUE(recorder->Written().empty());
    EXPECT_EQ(Tree(dir.Path()), before);
    EXPECT_TRUE(svc.ViewOf(app.menu)->isVisible());
}

TEST_F(Attract, NothingHappensWithoutAReplayOrOverAnyOtherScreenOrBox) {
    auto attract = Make();
    EXPECT_FALSE(IdleUntilDemo(*attract));  // no replay kept
    fs::remove_all(replays);
    EXPECT_FALSE(IdleUntilDemo(*attract));  // nor a directory for them
    // A file that is not a replay, or one whose inputs cannot be read, plays nothing.
    fs::create_directories(replays);
    std::ofstream(replays + "/junk.qbr") << "not a replay";
    KeepGame(replays + "/bad.qbr", 1000, "ALICE", 100);
    {
        replay::Header h;
        std::string error;
        ASSERT_TRUE(replay::ReadHeaderFile(replays + "/bad.qbr", h, error)) << error;
        std::ofstream(replays + "/bad.qbr", std::ios::binary | std::ios::trunc)
            << replay::EncodeHeader(h) << std::string(40, '\xff');
    }
    EXPECT_FALSE(IdleUntilDemo(*attract));
    KeepGame(replays + "/a.qbr", 500, "ALICE", 100);

    svc.Dispatch([this] { app.menu.cmdInstructions_Click(); });
    ASSERT_TRUE(app.instructions.IsVisible());
    EXPECT_FALSE(IdleUntilDemo(*attract));
    svc.Dispatch([this] { app.instructions.cmdClose_Click(); });
    ASSERT_FALSE(app.instructions.IsVisible());

    // The about box: the look comes from inside it, while it is open.
    bool looked = false, started = true;
    QTimer::singleShot(0, [&] {
        looked = QApplication::activeModalWidget() != nullptr;
        started = IdleUntilDemo(*attract);
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    svc.Dispatch([this] { app.menu.ShowAbout(); });
    EXPECT_TRUE(looked);
    EXPECT_FALSE(started);
    // A message box of the program's own, outside any handler, as when a replay cannot be
    // watched.
    started = true;
    QTimer::singleShot(0, [&] {
        started = IdleUntilDemo(*attract);
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    QMessageBox(QMessageBox::Warning, "Quibblix", "This replay cannot be watched", QMessageBox::Ok,
                svc.ViewOf(app.menu))
        .exec();
    EXPECT_FALSE(started);

    // A minimised menu does not pop a demo up.
    svc.ViewOf(app.menu)->showMinimized();
    EXPECT_FALSE(IdleUntilDemo(*attract));
    svc.ViewOf(app.menu)->showNormal();
    // Back, with the instructions visited and a replay that cannot be played before the good one.
    EXPECT_TRUE(IdleUntilDemo(*attract));
    EXPECT_EQ(attract->Played(), replays + "/a.qbr");
    attract->Stop();
    ASSERT_TRUE(RunUntil([&] { return !attract->Playing(); }));

    // A game, and the menu shown over it while it is loaded.
    svc.Dispatch([this] { app.menu.cmdPlay_Click(); });
    ASSERT_TRUE(app.game.IsLoaded());
    EXPECT_FALSE(IdleUntilDemo(*attract));
    svc.Dispatch([this] { app.menu.Show(); });
    ASSERT_TRUE(app.menu.IsVisible());
    EXPECT_FALSE(IdleUntilDemo(*attract));
    // Its window out of sight, the game is still there to go back to.
    svc.Dispatch([this] { app.game.Hide(); });
    ASSERT_TRUE(app.game.IsLoaded());
    EXPECT_FALSE(IdleUntilDemo(*attract));
}

// The best kept replay: the highest score still in a table (the more recent of equals), else
// the most recently begun; one without inputs is never played.
TEST(DemoChoice, TheHighestScoreStandingInATableElseTheMostRecent) {
    auto kept = [](const std::string& path, int32_t score, uint32_t events = 50,
                   uint8_t players = 1, int32_t score2 = 0) {
        replay::Header h;
        h.score = score;
        h.events = events;
        h.players = players;
        h.score2 = score2;
        h.player = path;
        return replay::KeptReplay{path, h};
    };
    // In ListReplays' order: the most recently begun first.
    const std::vector<replay::KeptReplay> list = {
        kept("new", 900), kept("empty", 5000, 0), kept("mid", 300), kept("two", 100, 50, 2, 400),
        kept("tie", 300), kept("old", 200),
    };
    const auto standing = [](std::set<std::string> names) {
        return [names](const replay::Header& h) { return names.count(h.player) > 0; };
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(DemoChoices(list, standing({"mid", "tie", "old", "empty"})),
              (V{"mid", "tie", "old", "new", "two"}));
    EXPECT_EQ(DemoChoices(list, standing({"old", "two"})), (V{"two", "old", "new", "mid", "tie"}));
    EXPECT_EQ(DemoChoices(list, standing({})), (V{"new", "mid", "two", "tie", "old"}));
    EXPECT_EQ(DemoChoices(list, nullptr).front(), "new");
    EXPECT_TRUE(DemoChoices({}, nullptr).empty());
}

}  // namespace
}  // namespace qbx
