// Watching a replay in the window: the recorded game is played again exactly, the watcher's
// keys steer the watching and never reach the game, and nothing is written anywhere.
#include "app/replay_watch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "app/art_pictures.h"
#include "app/game_replays.h"
#include "backends/headless/driver.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "backends/qt/steady_clock.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "support/temp_dir.h"
#include "support/test_support.h"

namespace qbx {
namespace {

namespace fs = std::filesystem;

// A game with a shot that scores, a power-up's fall, a life lost and the restart after it.
constexpr const char* kGame =
    "click frmMenu.cmdPlay\nwait 4000\nkey Left down\nwait 600\nkey Left up\nkey Space\n"
    "wait 1500\nkey Right down\nwait 900\nkey Right up\nkey Space\nwait 3000\nkey Space\n"
    "wait 3000\nkey Left down\nwait 300\nkey Left up\nkey Space\nwait 6000\n";

std::string ScreensOf(Program& program, const std::string& form) {
    HeadlessServices none;
    const std::string d = Driver(program, none).Dump(form);
    return d.substr(d.find("\"screens\""));
}

// Every file under dir with its contents.
std::map<std::string, std::string> FilesIn(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[e.path().string()] = bytes.str();
    }
    return files;
}

void Key(QtServices& svc, const Screen& s, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    ScreenView* v = svc.ViewOf(s);
    ASSERT_NE(v, nullptr);
    QKeyEvent down(QEvent::KeyPress, key, mods), up(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(v->Client(), &down);
    QCoreApplication::sendEvent(v->Client(), &up);
}

// Lets the event loop run until done() or, as a safety net only, a generous limit.
template <class Done>
bool RunUntil(Done done) {
    const int64_t limitNs = SteadyNowNs() + 120'000'000'000;
    while (!done() && SteadyNowNs() < limitNs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

TEST(ReplayWatch, TheGameIsPlayedAgainExactlyWhateverTheKeysAndNothingIsWritten) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/replays/game.qbr";
    fs::create_directories(dir.Path() + "/replays");
    std::string recorded;
    {
        test::Headless h(3);
        auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", file, "");
        h.svc.SetInputLog(recorder.get());
        h.app.Start();
        h.Ok(kGame);
        ASSERT_GT(h.app.game.Score, 0);
        ASSERT_LT(h.app.game.Lives, 5);
        recorded = ScreensOf(h.app.program, "frmGame");
        recorder->Finish();
        h.svc.SetInputLog(nullptr);
    }
    std::ofstream(dir.Path() + "/" + records::kScoreFileName) << "\"SOMEONE\",500\r\n";
    const auto before = FilesIn(dir.Path());

    QtServices from;
    Quibblix fromApp(from);
    from.Attach(fromApp.program);
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    bool ended = false;
    std::string error;
    ASSERT_TRUE(watch.Start(file, error, [&ended] { ended = true; })) << error;
    Quibblix& game = *watch.Game();
    QtServices& svc = *watch.Backend();
    ASSERT_TRUE(game.game.IsVisible());
    EXPECT_FALSE(game.menu.IsVisible());

    // Slower and faster, within a quarter and sixteen times the recorded pace.
    for (int i = 0; i < 4; ++i) Key(svc, game.game, Qt::Key_Left);
    EXPECT_EQ(watch.Speed(), 0.25);
    for (int i = 0; i < 8; ++i) Key(svc, game.game, Qt::Key_Right);
    EXPECT_EQ(watch.Speed(), 16);
    // Keys that would fire, walk, pause or begin a new game reach only the watching.
    Key(svc, game.game, Qt::Key_Up);
    Key(svc, game.game, Qt::Key_N, Qt::ControlModifier);
    Key(svc, game.game, Qt::Key_P, Qt::ControlModifier);
    Key(svc, game.game, Qt::Key_Space);  // paused
    Key(svc, game.game, Qt::Key_Space);  // and on again
    ASSERT_TRUE(RunUntil([&] { return watch.PlayedOut(); }));
    EXPECT_EQ(ScreensOf(game.program, "frmGame"), recorded);
    EXPECT_FALSE(ended);
    EXPECT_FALSE(watch.Departed());

    Key(svc, game.game, Qt::Key_Escape);
    ASSERT_TRUE(RunUntil([&] { return ended; }));
    EXPECT_FALSE(watch.Watching());
    EXPECT_EQ(FilesIn(dir.Path()), before);
}

// Whether a line of the banner over the watched game screen says text.
bool BannerSays(QtServices& svc, const Screen& s, const std::string& text) {
    ScreenView* v = svc.ViewOf(s);
    if (!v) return false;
    for (const QLabel* l : v->findChildren<QLabel*>())
        if (l->isVisible() && l->text().split('\n').contains(QString::fromStdString(text)))
            return true;
    return false;
}

// A replay whose checks the play departs from (as one played under other rules would): the
// banner says so from that check on, and the game is still played to its end.
TEST(ReplayWatch, ThePlayDepartingFromTheChecksIsToldInTheBanner) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/game.qbr";
    {
        test::Headless h(3);
        auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", file, "");
        h.svc.SetInputLog(recorder.get());
        h.app.Start();
        h.Ok(kGame);
        recorder->Finish();
        h.svc.SetInputLog(nullptr);
    }
    replay::Replay r;
    std::string error;
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    // The score of the check at 10 s, as if the rules had scored otherwise.
    size_t changed = r.events.size();
    for (size_t i = 0; i < r.events.size() && changed == r.events.size(); ++i)
        if (r.events[i].kind == InputEvent::Kind::Check && r.events[i].atMs >= 10000) changed = i;
    ASSERT_LT(changed, r.events.size());
    r.events[changed].values.at(3) += 100;
    const std::string other = dir.Path() + "/other.qbr";
    std::ofstream(other, std::ios::binary) << replay::EncodeReplay(r.header, r.events);

    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    ASSERT_TRUE(watch.Start(other, error, {})) << error;
    QtServices& svc = *watch.Backend();
    const Screen& game = watch.Game()->game;
    for (int i = 0; i < 4; ++i) Key(svc, game, Qt::Key_Right);
    ASSERT_TRUE(RunUntil([&] { return watch.Departed() || watch.PlayedOut(); }));
    EXPECT_TRUE(watch.Departed());
    EXPECT_TRUE(BannerSays(svc, game, ReplayWatch::kDepartedLine));
    Key(svc, game, Qt::Key_Space);  // a change of the banner keeps the line
    EXPECT_TRUE(BannerSays(svc, game, ReplayWatch::kDepartedLine));
    EXPECT_TRUE(BannerSays(svc, game, ReplayWatch::Banner(16, true, false)));
}

TEST(ReplayWatch, AFileThatCannotBePlayedIsRefusedWithItsReason) {
    test::TempDir dir;
    std::ofstream(dir.Path() + "/bad.qbr") << "not a replay";
    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    std::string error;
    EXPECT_FALSE(watch.Start(dir.Path() + "/bad.qbr", error, {}));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(watch.Watching());
    EXPECT_FALSE(from.InputWithheld());
    EXPECT_EQ(ReplayWatch::Banner(0.25, false, false), "Replay \u2014 \u00d7\u00bc");
    EXPECT_EQ(ReplayWatch::Banner(16, true, false), "Replay \u2014 \u00d716 \u2014 paused");
}

}  // namespace
}  // namespace qbx
