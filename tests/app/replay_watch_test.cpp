// Watching a replay in the window: the recorded game is played again exactly, the watcher's
// keys steer the watching and never reach the game, and nothing is written anywhere.
#include "app/replay_watch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "app/art_pictures.h"
#include "app/game_replays.h"
#include "app/replay_moments.h"
#include "backends/headless/driver.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "backends/qt/steady_clock.h"
#include "backends/qt/watching_services.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "replay/replay_file.h"
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
    WatchingServices& svc = *watch.Backend();
    const Screen& game = watch.Game()->game;
    for (int i = 0; i < 4; ++i) Key(svc, game, Qt::Key_Right);
    ASSERT_TRUE(RunUntil([&] { return watch.Departed() || watch.PlayedOut(); }));
    EXPECT_TRUE(watch.Departed());
    EXPECT_TRUE(BannerSays(svc, game, ReplayWatch::kDepartedLine));
    Key(svc, game, Qt::Key_Space);  // a change of the banner keeps the line
    EXPECT_TRUE(BannerSays(svc, game, ReplayWatch::kDepartedLine));
    EXPECT_TRUE(BannerSays(svc, game, ReplayWatch::Banner(16, true, false)));

    // Back before the check: the game there has not departed yet; played on, it does again.
    Key(svc, game, Qt::Key_Home);
    ASSERT_TRUE(RunUntil([&] { return !svc.Seeking(); }));
    EXPECT_FALSE(watch.Departed());
    const Screen& again = watch.Game()->game;
    EXPECT_FALSE(BannerSays(svc, again, ReplayWatch::kDepartedLine));
    EXPECT_TRUE(BannerSays(svc, again, ReplayWatch::Banner(16, true, false)));
    Key(svc, again, Qt::Key_Space);
    ASSERT_TRUE(RunUntil([&] { return watch.Departed() || watch.PlayedOut(); }));
    EXPECT_TRUE(watch.Departed());
    EXPECT_TRUE(BannerSays(svc, watch.Game()->game, ReplayWatch::kDepartedLine));
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
    EXPECT_EQ(ReplayWatch::Banner(1, true, true), "Replay \u2014 \u00d71 \u2014 end");
}

// Level 1 cleared, the level-complete pump waited in, level 2 begun and played on until the
// bubbles have taken lives.
constexpr const char* kLevels =
    "click frmMenu.cmdPlay\nwait 2430\nkey Space\nwait 1190\nkey Space\nwait 2030\n"
    "key Left down\nkey Space\nwait 70\nkey Left up\nwait 1140\nwait 1500\nkey Enter\n"
    "wait 4000\nkey Right down\nwait 400\nkey Right up\nkey Space\nwait 20000\n";

// Records script headless into file.
void Record(const std::string& script, const std::string& file) {
    test::Headless h(7);
    auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", file, "");
    h.svc.SetInputLog(recorder.get());
    h.app.Start();
    h.Ok(script);
    recorder->Finish();
    h.svc.SetInputLog(nullptr);
}

// Headless play that knows how deep in the handlers' pumps and message boxes it is.
class PumpDepth : public HeadlessServices {
public:
    void DoEvents() override {
        ++depth;
        HeadlessServices::DoEvents();
        --depth;
    }
    void MsgBox(const std::string& text, const std::string& title) override {
        ++depth;
        HeadlessServices::MsgBox(text, title);
        --depth;
    }
    int depth = 0;
};

// The game screen as a headless play of the replay shows it just before each input, and
// whether the input comes inside a pump.
struct Reference {
    std::map<size_t, std::string> screens;
    std::map<size_t, bool> inPump;
    std::vector<std::pair<int64_t, int16_t>> lives;  // before each input
    // Before each input: the countdown shows its first number.
    std::vector<std::pair<int64_t, bool>> countdown;
};
Reference PlayHeadless(const replay::Replay& r) {
    Reference ref;
    test::TempDir scratch;
    PumpDepth svc;
    Quibblix app(svc);
    svc.Attach(app.program);
    PlayAgainAs(svc, r.header.player, scratch.Path());
    Gamepad pad(app.program);
    svc.OnPlaying([&](const InputEvent& e) {
        const auto k = static_cast<size_t>(&e - r.events.data());
        ref.screens[k] = ScreensOf(app.program, "frmGame");
        ref.inPump[k] = svc.depth > 0;
        ref.lives.emplace_back(e.atMs, app.game.Lives);
        const auto* count = static_cast<const Label*>(app.game.Find("lblCount"));
        ref.countdown.emplace_back(e.atMs, count && count->Visible && count->Caption == "3");
    });
    try {
        app.Start();
        svc.PlayRecorded(r.events, r.events.size(), pad);
    } catch (const ProgramEnded&) {
    }
    return ref;
}

// Runs steps one after another, each once the watching has settled, from the event loop (the
// watching may be waiting inside a pump of the watched game); then stops the watching.
class Steps {
public:
    Steps(WatchingServices& svc, std::vector<std::function<void()>> steps)
        : svc_(svc), steps_(std::move(steps)) {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (svc_.Seeking()) return;
            if (next_ < steps_.size()) {
                steps_[next_++]();
                return;
            }
            timer_.stop();
            svc_.Stop();
        });
        timer_.start();
    }

private:
    WatchingServices& svc_;
    std::vector<std::function<void()>> steps_;
    size_t next_ = 0;
    QTimer timer_;
};

TEST(ReplayWatch, ASeekShowsWhatWatchingUpToThereShowsForwardsBackwardsAndInsidePumps) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/levels.qbr";
    Record(kLevels, file);
    replay::Replay r;
    std::string error;
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    // A window's pump lets time pass: the inputs after the end of the first two pumps come inside
    // them instead, as they would where the pump waited.
    for (int moved = 0, i = 0; moved < 2 && i + 20 < static_cast<int>(r.events.size()); ++i) {
        if (r.events[i].kind != InputEvent::Kind::PumpEnd) continue;
        InputEvent end = r.events[i];
        r.events.erase(r.events.begin() + i);
        end.atMs = r.events[i + 14].atMs;
        r.events.insert(r.events.begin() + i + 15, end);
        i += 15;
        ++moved;
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << replay::EncodeReplay(r.header, r.events);
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    const Reference ref = PlayHeadless(r);
    const std::vector<InputEvent>& ev = r.events;

    // Points where the play stands just before input k: some inside pumps, some not.
    std::vector<size_t> inPump, outside;
    for (size_t k = 1; k < ev.size(); ++k)
        if (ev[k].atMs > ev[k - 1].atMs && ref.screens.count(k))
            (ref.inPump.at(k) ? inPump : outside).push_back(k);
    ASSERT_GE(inPump.size(), 4u);
    ASSERT_GE(outside.size(), 4u);
    std::vector<size_t> points;
    for (size_t i = 0; i < 5; ++i) {
        points.push_back(outside[(i * 7 + 3) * outside.size() / 37 % outside.size()]);
        points.push_back(inPump[(i * 11 + 5) * inPump.size() / 59 % inPump.size()]);
    }
    // Forwards and backwards in turn, and the same point twice.
    std::sort(points.begin(), points.end());
    const std::vector<size_t> order = {points[2], points[5], points[1], points[8],
                                       points[8], points[0], points[9], points[4],
                                       points[3], points[7], points[6]};

    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    bool ended = false;
    ASSERT_TRUE(watch.Start(file, error, [&ended] { ended = true; })) << error;
    WatchingServices& svc = *watch.Backend();
    svc.SetPaused(true);
    ScreenView* window = svc.ViewOf(watch.Game()->game);
    ASSERT_NE(window, nullptr);

    std::vector<std::function<void()>> steps;
    for (size_t k : order) {
        steps.push_back([&, k] { watch.SeekTo(ev[k - 1].atMs); });
        steps.push_back([&, k] {
            EXPECT_EQ(ScreensOf(watch.Game()->program, "frmGame"), ref.screens.at(k))
                << "before input " << k << (ref.inPump.at(k) ? " inside a pump" : "");
            EXPECT_EQ(svc.PositionMs(), ev[k - 1].atMs);
            EXPECT_TRUE(svc.Paused());
            // The same window throughout, showing the game.
            EXPECT_EQ(svc.ViewOf(watch.Game()->game), window);
            EXPECT_TRUE(window->isVisible());
            ASSERT_NE(svc.TimelineOf(watch.Game()->game), nullptr);
            EXPECT_EQ(svc.TimelineOf(watch.Game()->game)->Position(), ev[k - 1].atMs);
        });
    }
    // A tick forward and a tick back from a point: exactly the inputs up to the next tick.
    const size_t at = points[4];
    auto firstAfter = [&ev](int64_t ms) {
        size_t i = 0;
        while (i < ev.size() && ev[i].atMs <= ms) ++i;
        return i;
    };
    auto nextTick = [&ev](int64_t ms) {
        for (const InputEvent& e : ev)
            if (e.kind == InputEvent::Kind::Tick && e.atMs > ms) return e.atMs;
        return int64_t{-1};
    };
    steps.push_back([&] { watch.SeekTo(ev[at - 1].atMs); });
    steps.push_back([&] { watch.Step(1); });
    steps.push_back([&] {
        const int64_t t = nextTick(ev[at - 1].atMs);
        EXPECT_EQ(svc.PositionMs(), t);
        EXPECT_EQ(ScreensOf(watch.Game()->program, "frmGame"), ref.screens.at(firstAfter(t)));
        watch.Step(1);
    });
    steps.push_back([&] {
        const int64_t t = nextTick(nextTick(ev[at - 1].atMs));
        EXPECT_EQ(svc.PositionMs(), t);
        EXPECT_EQ(ScreensOf(watch.Game()->program, "frmGame"), ref.screens.at(firstAfter(t)));
        watch.Step(-1);
    });
    steps.push_back([&] {
        const int64_t t = nextTick(ev[at - 1].atMs);
        EXPECT_EQ(svc.PositionMs(), t);
        EXPECT_EQ(ScreensOf(watch.Game()->program, "frmGame"), ref.screens.at(firstAfter(t)));
    });
    // Before the start and past the end: the watching stays within the recording and says so.
    steps.push_back([&] { watch.SeekTo(svc.StartMs()); });
    steps.push_back([&] {
        watch.Step(-1);
        EXPECT_EQ(svc.PositionMs(), svc.StartMs());
        EXPECT_NE(watch.BannerNow().find("the start of the replay"), std::string::npos);
        watch.SeekTo(svc.EndMs() + 3'600'000);
    });
    steps.push_back([&] {
        EXPECT_EQ(svc.PositionMs(), svc.EndMs());
        EXPECT_TRUE(svc.Paused());
        EXPECT_NE(watch.BannerNow().find("the end of the replay"), std::string::npos);
        watch.Step(1);
        EXPECT_EQ(svc.PositionMs(), svc.EndMs());
    });
    // The keys overlay (K) shows the key held there, and nothing once it is let go.
    size_t down = 0;
    while (down < ev.size() &&
           !(ev[down].kind == InputEvent::Kind::KeyDown && ev[down].code == vk::Right))
        ++down;
    ASSERT_LT(down, ev.size());
    steps.push_back([&] {
        EXPECT_TRUE(svc.TimelineOf(watch.Game()->game)->Keys().isEmpty());
        Key(svc, watch.Game()->game, Qt::Key_K);
        watch.SeekTo(ev[down].atMs + 100);
    });
    steps.push_back([&] {
        EXPECT_EQ(svc.TimelineOf(watch.Game()->game)->Keys(), QStringLiteral("Keys: Right"));
        watch.SeekTo(ev[down].atMs + 2000);
    });
    steps.push_back([&] {
        EXPECT_EQ(svc.TimelineOf(watch.Game()->game)->Keys(), QStringLiteral("Keys: none"));
        Key(svc, watch.Game()->game, Qt::Key_K);
        EXPECT_TRUE(svc.TimelineOf(watch.Game()->game)->Keys().isEmpty());
    });
    Steps run(svc, std::move(steps));
    ASSERT_TRUE(RunUntil([&] { return ended; }));
    EXPECT_FALSE(watch.Watching());
}

// Runs each step from the event loop, again and again until it says it is done; then stops the
// watching. Nothing more once the watching has ended (its backend is gone).
class Until {
public:
    Until(WatchingServices& svc, const bool& ended, std::vector<std::function<bool()>> steps)
        : svc_(svc), ended_(ended), steps_(std::move(steps)) {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (ended_) {
                timer_.stop();
                return;
            }
            if (svc_.Seeking()) return;
            if (next_ < steps_.size()) {
                if (steps_[next_]()) ++next_;
                return;
            }
            timer_.stop();
            svc_.Stop();
        });
        timer_.start();
    }

private:
    WatchingServices& svc_;
    const bool& ended_;
    std::vector<std::function<bool()>> steps_;
    size_t next_ = 0;
    QTimer timer_;
};

// The keys that move the watching: to the level starts one after another and back, to the ends,
// and the handle moving on while the play goes on.
TEST(ReplayWatch, TheKeysGoFromLevelStartToLevelStartAndToTheEnds) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/levels.qbr";
    Record(kLevels, file);
    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    bool ended = false;
    std::string error;
    ASSERT_TRUE(watch.Start(file, error, [&ended] { ended = true; })) << error;
    WatchingServices& svc = *watch.Backend();
    std::vector<int64_t> levels;
    for (const Moment& m : watch.Moments()->moments)
        if (m.kind == Moment::Kind::LevelStart) levels.push_back(m.atMs);
    ASSERT_EQ(levels.size(), 2u);
    ASSERT_EQ(levels[0], svc.StartMs());
    // A shot with no other just after it.
    const std::vector<int64_t>& shots = watch.Moments()->shots;
    int64_t shot = -1;
    for (size_t i = 0; i < shots.size() && shot < 0; ++i)
        if (i + 1 == shots.size() || shots[i + 1] > shots[i] + 400) shot = shots[i];
    ASSERT_GE(shot, 0);
    auto key = [&](int k) { Key(svc, watch.Game()->game, k); };
    auto at = [&](int64_t ms, const std::string& note) {
        EXPECT_EQ(svc.PositionMs(), ms);
        EXPECT_EQ(svc.TimelineOf(watch.Game()->game)->Position(), ms);
        std::string banner = ReplayWatch::Banner(1, true, false);
        if (!note.empty()) banner += " \u2014 " + note;
        EXPECT_EQ(watch.BannerNow(), banner);
    };
    int64_t playedFrom = 0;
    std::vector<std::function<bool()>> steps = {
        [&] {
            svc.SetPaused(true);
            key(Qt::Key_Home);
            return true;
        },
        [&] {
            // The first level starts with the game.
            at(levels[0], "");
            key(Qt::Key_PageDown);
            return true;
        },
        [&] {
            at(levels[1], "");
            key(Qt::Key_PageDown);
            return true;
        },
        [&] {
            at(levels[1], "no later level");
            key(Qt::Key_PageUp);
            return true;
        },
        [&] {
            at(levels[0], "");
            key(Qt::Key_PageUp);
            return true;
        },
        [&] {
            at(levels[0], "no earlier level");
            key(Qt::Key_Space);  // on from the first level start
            playedFrom = svc.PositionMs();
            return true;
        },
        // The handle moves on with the play.
        [&] { return svc.TimelineOf(watch.Game()->game)->Position() > playedFrom + 200; },
        [&] {
            EXPECT_FALSE(svc.Paused());
            // A tick at a time only while paused.
            watch.Step(1);
            EXPECT_FALSE(svc.Seeking());
            // The end, from a play going on: the game's last moment, paused, and nothing more
            // to say.
            key(Qt::Key_End);
            return true;
        },
        [&] {
            // The recorded game never ended: every input is played there.
            EXPECT_TRUE(svc.PlayedOut());
            EXPECT_TRUE(svc.Paused());
            EXPECT_EQ(svc.PositionMs(), svc.EndMs());
            EXPECT_EQ(watch.BannerNow(), ReplayWatch::Banner(1, true, true));
            key(Qt::Key_Space);  // nothing to go on to
            EXPECT_TRUE(svc.Paused());
            key(Qt::Key_Home);
            return true;
        },
        [&] {
            at(svc.StartMs(), "");
            key(Qt::Key_K);
            watch.SeekTo(shot + 100);
            return true;
        },
        // A shot is told for a moment after it, long enough to be read.
        [&] {
            EXPECT_TRUE(svc.KeysLine().ends_with("shot!")) << svc.KeysLine();
            watch.SeekTo(shot + 400);
            return true;
        },
        [&] {
            EXPECT_FALSE(svc.KeysLine().ends_with("shot!")) << svc.KeysLine();
            return true;
        },
    };
    Until run(svc, ended, std::move(steps));
    ASSERT_TRUE(RunUntil([&] { return ended; }));
    EXPECT_FALSE(watch.Watching());
}

// A game played to its end, the player never moving: its replay ends with the input that ended
// it (the game-over box closing). The end of the replay shows the game still there, paused, after
// one long seek; going on from it ends the watching.
TEST(ReplayWatch, TheEndShowsTheGameStillThereAndGoingOnEndsTheWatching) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/over.qbr";
    Record("click frmMenu.cmdPlay\nwait 600000\n", file);
    std::string error;
    replay::Replay r;
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    bool ended = false;
    ASSERT_TRUE(watch.Start(file, error, [&ended] { ended = true; })) << error;
    WatchingServices& svc = *watch.Backend();
    const size_t left = r.events.size() - 1;
    const ReplayMoments& found = *watch.Moments();
    EXPECT_EQ(found.endIndex, left);
    ASSERT_FALSE(found.moments.empty());
    EXPECT_EQ(found.moments.back(), (Moment{Moment::Kind::GameEnd, r.events[left].atMs}));
    const Screen& game = watch.Game()->game;
    bool wentOn = false;
    std::vector<std::function<bool()>> steps = {
        [&] {
            Key(svc, game, Qt::Key_End);
            return true;
        },
        [&] {
            EXPECT_TRUE(svc.Paused());
            EXPECT_EQ(svc.PositionMs(), svc.EndMs());
            EXPECT_TRUE(game.IsVisible());
            EXPECT_FALSE(ended);
            // Not over yet: the play goes on with Space (Esc only where that would wait for it).
            EXPECT_EQ(watch.BannerNow(), ReplayWatch::Banner(1, true, false));
            EXPECT_FALSE(svc.PlayedOut());
            Key(svc, game, svc.PlayedOut() ? Qt::Key_Escape : Qt::Key_Space);
            wentOn = true;
            return true;
        },
        [] { return false; },  // until the game is over
    };
    Until run(svc, ended, std::move(steps));
    ASSERT_TRUE(RunUntil([&] { return ended; }));
    EXPECT_TRUE(wentOn);
}

// The windows after a seek are those of the screens shown there, whichever were shown before.
TEST(ReplayWatch, ASeekShowsTheWindowsOfTheScreensShownThere) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/instructions.qbr";
    Record(
        "click frmMenu.cmdPlay\nwait 3000\nmenu frmGame.mnuInstructions\nwait 2000\n"
        "click frmInstructions.cmdClose\nwait 2000\n",
        file);
    replay::Replay r;
    std::string error;
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    int64_t opened = -1, closed = -1;
    for (const InputEvent& e : r.events) {
        if (e.kind == InputEvent::Kind::Menu && e.control == "mnuInstructions") opened = e.atMs;
        if (e.kind == InputEvent::Kind::Click && e.control == "cmdClose") closed = e.atMs;
    }
    ASSERT_GT(opened, 0);
    ASSERT_GT(closed, opened + 1000);

    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir.Path()});
    bool ended = false;
    ASSERT_TRUE(watch.Start(file, error, [&ended] { ended = true; })) << error;
    WatchingServices& svc = *watch.Backend();
    auto shown = [&](const Screen& s) {
        const ScreenView* v = svc.ViewOf(s);
        return v && v->isVisible();
    };
    auto only = [&](bool instructions) {
        const Quibblix& app = *watch.Game();
        EXPECT_EQ(shown(app.instructions), instructions);
        EXPECT_EQ(shown(app.game), !instructions);
        EXPECT_EQ(app.instructions.IsVisible(), instructions);
    };
    std::vector<std::function<bool()>> steps = {
        [&] {
            svc.SetPaused(true);
            watch.SeekTo(opened + 500);  // forwards, into the instructions
            return true;
        },
        [&] {
            only(true);
            watch.SeekTo(opened - 500);  // back, to the game before them
            return true;
        },
        [&] {
            only(false);
            watch.SeekTo(closed - 500);
            return true;
        },
        [&] {
            only(true);
            watch.SeekTo(closed + 500);  // forwards, out of them
            return true;
        },
        [&] {
            only(false);
            watch.SeekTo(opened + 500);  // back, into them
            return true;
        },
        [&] {
            only(true);
            return true;
        },
    };
    Until run(svc, ended, std::move(steps));
    ASSERT_TRUE(RunUntil([&] { return ended; }));
}

// A game left for a new one ends with the command that left it, no life lost by the leaving.
TEST(ReplayWatch, AGameLeftForANewOneEndsThereWithNoLifeLost) {
    test::TempDir dir;
    {
        test::Headless h(7);
        auto recorder = MakeRecorder(h.app, h.svc, "1.0.0", "", dir.Path() + "/replays");
        h.svc.SetInputLog(recorder.get());
        h.app.Start();
        h.Ok(
            "click frmMenu.cmdPlay\nwait 3000\nkey Space\nwait 1000\nmenu frmGame.mnuNew\n"
            "wait 500\n");
        recorder->Finish();
        h.svc.SetInputLog(nullptr);
    }
    replay::Replay r;
    std::string error;
    bool found = false;
    for (const auto& e : fs::directory_iterator(dir.Path() + "/replays")) {
        if (!replay::ReadReplayFile(e.path().string(), r, error) || r.events.empty() ||
            r.events.back().control != "mnuNew")
            continue;
        found = true;
        const ReplayMoments m = FindMoments(r, dir.Path());
        EXPECT_EQ(m.endIndex, r.events.size() - 1);
        ASSERT_EQ(m.moments.size(), 2u);
        EXPECT_EQ(m.moments[0].kind, Moment::Kind::LevelStart);
        EXPECT_EQ(m.moments[1], (Moment{Moment::Kind::GameEnd, r.events.back().atMs}));
    }
    EXPECT_TRUE(found);
}

TEST(ReplayWatch, TheMomentsSitWhereTheGameChanged) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/levels.qbr";
    Record(kLevels, file);
    replay::Replay r;
    std::string error;
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    const ReplayMoments found = FindMoments(r, dir.Path());
    const Reference ref = PlayHeadless(r);
    // Lives as the headless play had them just before the first input after ms.
    auto livesAfter = [&ref](int64_t ms) {
        for (const auto& [at, lives] : ref.lives)
            if (at > ms) return lives;
        return ref.lives.back().second;
    };
    int levels = 0, livesLost = 0;
    for (const Moment& m : found.moments) {
        if (m.kind == Moment::Kind::LevelStart) {
            ++levels;
            // Its countdown has just begun.
            const auto after = std::find_if(ref.countdown.begin(), ref.countdown.end(),
                                            [&m](const auto& c) { return c.first > m.atMs; });
            ASSERT_NE(after, ref.countdown.end());
            EXPECT_TRUE(after->second) << "at " << m.atMs;
        }
        if (m.kind == Moment::Kind::LifeLost) {
            ++livesLost;
            EXPECT_EQ(livesAfter(m.atMs), livesAfter(m.atMs - 1) - 1) << "at " << m.atMs;
        }
    }
    EXPECT_EQ(levels, 2);
    EXPECT_GE(livesLost, 1);
    // Every life the game lost has its moment.
    int dropped = 0;
    for (size_t i = 1; i < ref.lives.size(); ++i)
        if (ref.lives[i].second < ref.lives[i - 1].second) ++dropped;
    EXPECT_EQ(livesLost, dropped);
    EXPECT_FALSE(found.shots.empty());
    EXPECT_TRUE(std::is_sorted(found.shots.begin(), found.shots.end()));
}

}  // namespace
}  // namespace qbx
