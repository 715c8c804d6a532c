// Recording games through the headless backend and playing them back: the same state again,
// the same bytes for the same game, one file per game, and the right files kept.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/gamepad.h"
#include "replay/game_recorder.h"
#include "support/test_support.h"

namespace qbx::replay {
namespace {

namespace fs = std::filesystem;

// A game with walking, firing, a pause, the sound turned off and on, and a lost life (the
// bubbles reach a character that never moves out of their way).
constexpr const char* kGame = R"(click frmMenu.cmdPlay
wait 2500
key Left down
wait 700
key Left up
key Space
wait 900
key Escape
wait 400
menu frmGame.mnuSound
key Escape
key Right down
wait 1500
key Right up
key Up
wait 600
menu frmGame.mnuSound
wait 40000
)";

RecorderSetup SetupFor(test::Headless& h, const std::string& file, const std::string& dir) {
    RecorderSetup s;
    s.gameScreen = "frmGame";
    s.opening = {{.kind = InputEvent::Kind::Click, .form = "frmMenu", .control = "cmdPlay"}};
    s.programVersion = "1.0.0";
    s.player = "TESTER";
    s.wallClockMs = [] { return int64_t{1'700'000'000'000}; };
    s.result = [&h] { return std::pair<int32_t, int16_t>(h.app.game.Score, h.app.game.Level); };
    s.soundOn = [&h] { return h.svc.SoundOn(); };
    s.musicOn = [&h] { return h.svc.MusicOn(); };
    s.file = file;
    s.dir = dir;
    return s;
}

// The state as a dump shows it, without the clock (a replay's clock stops at its last input).
std::string StateOf(test::Headless& h) {
    // Nor whether the music is lowered under an effect: that is a matter of the clock too.
    return std::regex_replace(
        std::regex_replace(h.DumpJson(), std::regex("\"clock\": [0-9]+"), ""),
        std::regex("\"state\": \"(ducked|playing)\""), "");
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Records kGame (and what follows) into file; returns the final state.
std::string Record(const std::string& file, const std::string& more = "") {
    test::Headless h;
    GameRecorder rec(SetupFor(h, file, ""));
    h.svc.SetInputLog(&rec);
    h.app.Start();
    h.Ok(std::string(kGame) + more);
    rec.Finish();
    h.svc.SetInputLog(nullptr);
    return StateOf(h);
}

// Both choices as the game began, and the music command where the player used it: the watched
// game hears what the player heard.
TEST(Recorder, TheMusicChoiceIsRecordedApartFromTheSoundsAndPlayedBack) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/music.qbr";
    {
        test::Headless h;
        GameRecorder rec(SetupFor(h, file, ""));
        h.svc.SetInputLog(&rec);
        h.svc.SetMusicOn(false);
        h.app.Start();
        h.Ok(
            "click frmMenu.cmdPlay\nwait 3000\nmenu frmGame.mnuMusic\nwait 500\n"
            "menu frmGame.mnuMusic\nwait 500\nmenu frmGame.mnuMusic\nwait 500");
        rec.Finish();
        h.svc.SetInputLog(nullptr);
        EXPECT_TRUE(h.svc.MusicOn());
    }
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(file, r, error)) << error;
    ASSERT_GE(r.events.size(), 2u);
    EXPECT_EQ(r.events[0], (InputEvent{.kind = InputEvent::Kind::Sound, .value = 1}));
    EXPECT_EQ(r.events[1], (InputEvent{.kind = InputEvent::Kind::Music, .value = 0}));

    // Played up to the first music command: off, as the player had it, the sound still on.
    size_t first = 0;
    while (first < r.events.size() && r.events[first].control != "mnuMusic") ++first;
    ASSERT_LT(first, r.events.size());
    for (size_t end : {first, r.events.size()}) {
        test::Headless h;
        h.app.Start();
        Gamepad pad(h.app.program);
        EXPECT_EQ(h.svc.PlayRecorded(r.events, end, pad), 0u);
        EXPECT_EQ(h.svc.MusicOn(), end != first);
        EXPECT_TRUE(h.svc.SoundOn());
        EXPECT_EQ(h.svc.MusicPiece(), Music::Level1);
    }
}

TEST(Recorder, AGamePlayedBackReachesTheSameStateAndTheSameGameGivesTheSameBytes) {
    test::TempDir dir;
    const std::string first = dir.Path() + "/first.qbr", second = dir.Path() + "/second.qbr";
    const std::string recorded = Record(first);
    Record(second);
    EXPECT_EQ(Bytes(first), Bytes(second));

    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(first, r, error)) << error;
    EXPECT_TRUE(r.header.complete);
    EXPECT_EQ(r.header.player, "TESTER");
    EXPECT_GT(r.header.lengthMs, 40000u);
    // Seeds, pumps and both sound changes are in it; the sound was on when the game began.
    auto count = [&r](InputEvent::Kind k) {
        return std::count_if(r.events.begin(), r.events.end(),
                             [k](const InputEvent& e) { return e.kind == k; });
    };
    EXPECT_GE(count(InputEvent::Kind::Seed), 2);  // the first set-up and the one after a death
    EXPECT_GE(count(InputEvent::Kind::PumpEnd), 2);
    EXPECT_EQ(count(InputEvent::Kind::Menu), 2);
    EXPECT_EQ(r.events.front(), (InputEvent{.kind = InputEvent::Kind::Sound, .value = 1}));
    EXPECT_EQ(r.events[1], (InputEvent{.kind = InputEvent::Kind::Music, .value = 1}));

    test::Headless h(99);  // another seed: every seed the game reads comes from the replay
    h.app.Start();
    Gamepad pad(h.app.program);
    EXPECT_EQ(h.svc.PlayRecorded(r.events, r.events.size(), pad), 0u);
    EXPECT_EQ(StateOf(h), recorded);
    EXPECT_LT(h.app.game.Lives, 5);
    EXPECT_EQ(h.app.game.Score, r.header.score);
}

TEST(Recorder, TheDriverStartsFromAReplayAndGoesOnWithItsScript) {
    test::TempDir dir;
    const std::string file = dir.Path() + "/game.qbr";
    const std::string recorded = Record(file, "key Left down\nwait 300\n");

    test::Headless h;
    DriverHooks hooks;
    std::vector<InputEvent> events;
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(file, r, error)) << error;
    Driver driver(h.app.program, h.svc,
                  {.shot = {}, .replay = [&r](const std::string&, std::vector<InputEvent>& out) {
                       out = r.events;
                       return std::string();
                   }});
    h.app.Start();
    std::istringstream script("replay " + file +
                              " 3\nexpect frmGame.Level 1\nwait 3000\n"
                              "expect frmGame.lblCount.Visible false\n");
    std::ostringstream out, err;
    EXPECT_EQ(driver.Run(script, out, err), 0) << err.str();

    // The whole replay, then one more key: the recording's own end.
    test::Headless whole;
    Driver d2(whole.app.program, whole.svc,
              {.shot = {}, .replay = [&r](const std::string&, std::vector<InputEvent>& out) {
                   out = r.events;
                   return std::string();
               }});
    whole.app.Start();
    std::istringstream all("replay " + file + "\n");
    EXPECT_EQ(d2.Run(all, out, err), 0) << err.str();
    EXPECT_EQ(StateOf(whole), recorded);

    // Without a reader (the fuzz target) the command is refused.
    test::Headless bare;
    EXPECT_EQ(bare.Run("replay " + file + "\n"), 2);
}

TEST(Recorder, EachGameInADirectoryGetsAFileNamedByItsResult) {
    test::TempDir dir;
    test::Headless h;
    GameRecorder rec(SetupFor(h, "", dir.Path() + "/replays"));
    h.svc.SetInputLog(&rec);
    h.app.Start();
    // Two games: the second begun from the first one's menu.
    h.Ok(
        "click frmMenu.cmdPlay\nwait 5000\nset frmGame.Score 4321\nmenu frmGame.mnuNew\n"
        "wait 5000\n");
    rec.Finish();
    ASSERT_EQ(rec.Written().size(), 2u);
    EXPECT_TRUE(std::regex_search(rec.Written()[0], std::regex("_TESTER_4321_1\\.qbr$")))
        << rec.Written()[0];
    EXPECT_TRUE(std::regex_search(rec.Written()[1], std::regex("_TESTER_0_1\\.qbr$")))
        << rec.Written()[1];
    EXPECT_TRUE(
        std::regex_search(rec.Written()[1], std::regex("replays/[0-9]{4}-[0-9]{2}-[0-9]{2}_")));
    // Each begins as a game begun from the menu of a program just started.
    for (const std::string& f : rec.Written()) {
        Replay r;
        std::string error;
        ASSERT_TRUE(ReadReplayFile(f, r, error)) << error;
        ASSERT_GE(r.events.size(), 3u);
        EXPECT_EQ(r.events[2].control, "cmdPlay");  // after the sound's and the music's states
        EXPECT_TRUE(r.header.complete);
    }
}

// Machines sharing the replay directory: games begun in the same second by players of the same
// name, ended with the same result, each keep a whole file of their own.
TEST(Recorder, GamesOnMachinesSharingTheDirectoryEachKeepTheirOwnFile) {
    test::TempDir dir;
    const std::string replays = dir.Path() + "/replays";
    constexpr int kMachines = 6;
    constexpr size_t kGames = 30;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> machines;
    for (int m = 0; m < kMachines; ++m) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(go[1]);
            test::Headless h;
            RecorderSetup setup = SetupFor(h, "", replays);
            setup.inTables = [](const Header&) { return true; };  // every game is kept
            GameRecorder rec(setup);
            h.svc.SetInputLog(&rec);
            h.app.Start();
            char byte;
            if (read(go[0], &byte, 1) < 0) _exit(3);
            std::string games = "click frmMenu.cmdPlay\nwait 20\n";
            for (size_t g = 1; g < kGames; ++g) games += "menu frmGame.mnuNew\nwait 20\n";
            h.Run(games);
            rec.Finish();
            _exit(rec.Written().size() == kGames ? 0 : 4);
        }
        machines.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : machines) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(replays)) files.push_back(e.path().string());
    ASSERT_EQ(files.size(), kMachines * kGames);
    for (const std::string& f : files) {
        Replay r;
        std::string error;
        ASSERT_TRUE(ReadReplayFile(f, r, error)) << f << ": " << error;
        EXPECT_TRUE(r.header.complete) << f;
        EXPECT_FALSE(r.cutOff) << f;
        EXPECT_TRUE(std::regex_search(f, std::regex("_TESTER_0_1(-[0-9]+)?\\.qbr$"))) << f;
    }
}

// A replay opens with the sound as the game began, on or off, so it plays back as heard; the
// player's name goes into the file's name only as letters, digits, '-' and '_', at most 32.
TEST(Recorder, AReplayOpensWithTheSoundAsItWasAndASafeName) {
    for (const bool on : {true, false}) {
        test::TempDir dir;
        test::Headless h;
        RecorderSetup setup = SetupFor(h, "", dir.Path());
        setup.player = on ? "../..\\me/.x y" : std::string(40, 'L');
        GameRecorder rec(setup);
        h.svc.SetSoundOn(on);
        h.svc.SetInputLog(&rec);
        h.app.Start();
        h.Ok("click frmMenu.cmdPlay\nwait 100\n");
        rec.Finish();
        ASSERT_EQ(rec.Written().size(), 1u);
        Replay r;
        std::string error;
        ASSERT_TRUE(ReadReplayFile(rec.Written()[0], r, error)) << error;
        ASSERT_FALSE(r.events.empty());
        EXPECT_EQ(r.events[0].kind, InputEvent::Kind::Sound);
        EXPECT_EQ(r.events[0].value, on ? 1 : 0);
        const std::string name = fs::path(rec.Written()[0]).filename();
        EXPECT_EQ(fs::path(rec.Written()[0]).parent_path(), fs::path(dir.Path()));
        EXPECT_TRUE(std::regex_match(
            name, std::regex(on ? "[0-9_-]+____me__x_y_0_1\\.qbr" : "[0-9_-]+_L{32}_0_1\\.qbr")))
            << name;
    }
}

TEST(Recorder, PruningKeepsTheMostRecentAndThoseInTheTables) {
    test::TempDir dir;
    auto write = [&dir](const std::string& name, int64_t started, int32_t score) {
        Header h;
        h.startedMs = started;
        h.score = score;
        h.player = "P";
        std::ofstream(dir.Path() + "/" + name, std::ios::binary) << EncodeReplay(h, {});
    };
    for (int i = 1; i <= 25; ++i) write("g" + std::to_string(100 + i) + ".qbr", i * 1000, i);
    std::ofstream(dir.Path() + "/notes.qbr") << "not a replay";
    std::ofstream(dir.Path() + "/g000.txt") << "not ours";
    // Game 2's score still stands in a table.
    const auto removed =
        PruneReplays(dir.Path(), kKeptRecent, [](const Header& h) { return h.score == 2; });
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.Path())) left.insert(e.path().filename());
    std::set<std::string> expected = {"notes.qbr", "g000.txt", "g102.qbr"};
    for (int i = 6; i <= 25; ++i) expected.insert("g" + std::to_string(100 + i) + ".qbr");
    EXPECT_EQ(left, expected);
    EXPECT_EQ(removed.size(), 4u);
}

// Ticks a millisecond early or late are kept on the 10 ms steps they belong to, in order and
// none lost, so a window's jitter does not swell the file; the length stays exact.
TEST(Recorder, TimesAreKeptToTenMillisecondsAndTheLengthExactly) {
    test::TempDir dir;
    test::Headless h;
    GameRecorder rec(SetupFor(h, dir.Path() + "/game.qbr", ""));
    InputEvent game{.kind = InputEvent::Kind::Click, .atMs = 1000};
    rec.Noted(game);
    rec.ScreenLoaded(h.app.game, true);
    for (int64_t at : {1009, 1021, 1029, 1041, 1044, 1047})
        rec.Noted({.kind = InputEvent::Kind::Tick,
                   .atMs = at,
                   .form = "frmGame",
                   .control = "tmrBubbles"});
    rec.Finish();
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(dir.Path() + "/game.qbr", r, error)) << error;
    std::vector<int64_t> ticks;
    for (const InputEvent& e : r.events)
        if (e.kind == InputEvent::Kind::Tick) ticks.push_back(e.atMs);
    EXPECT_EQ(ticks, (std::vector<int64_t>{10, 20, 30, 40, 40, 50}));
    EXPECT_EQ(r.header.lengthMs, 47u);
}

}  // namespace
}  // namespace qbx::replay
