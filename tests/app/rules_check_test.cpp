// Kept replays recorded under other rules on the Replays screen: played again one at a turn of
// the event loop, those that no longer play told of once, nothing removed, damaged files left
// alone.
#include "app/rules_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "forms/replays/frmReplays.h"
#include "records/record_file.h"
#include "replay/replay_file.h"
#include "support/recorded_game.h"
#include "support/test_support.h"

namespace qbx {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A short game with a pause, recorded; the replays made from it are kept in dir.
struct RecordedGame {
    RecordedGame() {
        test::Headless h;
        const std::string file = h.dir.Path() + "/game.qbr";
        auto rec = test::RecordGame(
            h, file, "",
            "click frmMenu.cmdPlay\nwait 2500\nkey Left down\nwait 600\nkey Left up\nkey Space\n"
            "wait 1500\nkey Escape\nwait 2300\nkey Escape\nwait 3000\n");
        std::string error;
        EXPECT_TRUE(replay::ReadReplayFile(file, game, error)) << error;
        game.header.startedMs = 1'700'000'000'000;
    }
    // The game as if played under the rules of version rules, begun minutes later; changed,
    // without the key that ends its pause, so it plays otherwise. The header counts the inputs
    // the format takes.
    std::string Encode(uint32_t rules, int minutes, bool changed = false,
                       uint16_t format = replay::kFormatVersion) const {
        replay::Header hd = game.header;
        hd.version = format;
        hd.rulesVersion = format >= 3 ? rules : 0;
        hd.startedMs += minutes * 60'000;
        std::vector<InputEvent> events = game.events;
        if (changed)
            for (size_t i = events.size(); i-- > 0;)
                if (events[i].kind == InputEvent::Kind::KeyDown && events[i].code == 27) {
                    events.erase(events.begin() + static_cast<long>(i));
                    break;
                }
        return replay::EncodeReplay(hd, events, 200);
    }
    replay::Replay game;
};

const RecordedGame& Game() {
    static const RecordedGame g;
    return g;
}

// The Replays screen of a program run, with its event loop held by the test: each posted turn
// waits until the test runs it.
struct ProgramRun {
    explicit ProgramRun(const std::string& replayDir, uint32_t rules = kRulesVersion)
        : shelf(replayDir, nullptr),
          check(replayDir, rules, [this](const std::string& f, Verdict& v, std::string& e) {
              played.push_back(fs::path(f).filename().string());
              return VerifyReplay(f, v, e);
          }) {
        loop.post = [this](std::function<void()> turn) { turns.push_back(std::move(turn)); };
        loop.mayPlay = [this] { return h.app.replays.IsVisible(); };
        loop.tell = [this](const std::string& text) {
            told.push_back(text);
            h.app.replays.ShowRulesReport(text);
        };
        shelf.WhenListed(
            [this](const std::vector<replay::KeptReplay>& kept) { check.Listed(kept, loop); });
        h.svc.SetReplayShelf(&shelf);
        h.app.Start();
    }
    // Runs the turns, each playing at most one replay.
    void Turns() {
        while (!turns.empty()) {
            const size_t before = played.size();
            auto turn = std::move(turns.front());
            turns.pop_front();
            turn();
            EXPECT_LE(played.size(), before + 1);
        }
    }
    Label& Report() { return *h.app.replays.C().lblRulesReport; }

    test::Headless h;
    KeptReplays shelf;
    RulesCheck check;
    RulesCheck::Loop loop;
    std::deque<std::function<void()>> turns;
    std::vector<std::string> played, told;
};

struct RulesCheckTest : ::testing::Test {
    void SetUp() override {
        dir = tmp.Path() + "/replays";
        fs::create_directories(dir);
    }
    void Keep(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
        kept[name] = bytes;
    }
    // Every replay is still there as it was.
    void AllKept() {
        for (const auto& [name, bytes] : kept) EXPECT_EQ(Bytes(dir + "/" + name), bytes) << name;
    }
    test::TempDir tmp;
    std::string dir;
    std::map<std::string, std::string> kept;
};

TEST_F(RulesCheckTest, AReplayThatNoLongerPlaysIsToldOnceAndKept) {
    const RecordedGame& g = Game();
    Keep("now.qbr", g.Encode(kRulesVersion, 0));
    Keep("first-format.qbr", g.Encode(0, 1, false, 1));
    Keep("old-plays.qbr", g.Encode(0, 2));
    Keep("old-changed.qbr", g.Encode(0, 3, true));
    // Damaged: cut off inside a chunk, and a chunk's bytes spoilt.
    std::string cut = g.Encode(0, 4, true);
    cut.resize(cut.size() - 40);
    Keep("cut.qbr", cut);
    // Whole chunks, but fewer inputs than the header claims.
    std::string shortened = g.Encode(0, 6, true);
    size_t firstChunk = 0;
    for (int i = 3; i >= 0; --i)
        firstChunk =
            firstChunk * 256 + static_cast<unsigned char>(shortened[replay::kHeaderSize2 + i]);
    shortened.resize(replay::kHeaderSize2 + 12 + firstChunk);
    Keep("short.qbr", shortened);
    std::string spoilt = g.Encode(0, 5, true);
    spoilt[spoilt.size() - 30] ^= 0x55;
    Keep("spoilt.qbr", spoilt);
    {
        ProgramRun run(dir);
        const std::string scores = run.h.dir.Path() + "/" + records::kScoreFileName;
        run.h.Ok("key ctrl+r\nexpect active frmReplays\nexpect frmReplays.ReplayCount 7\n");
        // Nothing is played while the list is read: the turns come from the event loop.
        EXPECT_TRUE(run.played.empty());
        EXPECT_EQ(run.turns.size(), 1u);
        EXPECT_FALSE(run.Report().Visible);
        run.Turns();
        // Most recently begun first; the current rules' replays are never played.
        EXPECT_EQ(run.played, (std::vector<std::string>{"short.qbr", "spoilt.qbr", "cut.qbr",
                                                        "old-changed.qbr", "old-plays.qbr"}));
        ASSERT_EQ(run.told.size(), 1u);
        EXPECT_EQ(run.Report().Caption,
                  "The replay of " + ListedWhen(g.game.header.startedMs + 3 * 60'000) + " (" +
                      g.game.header.player +
                      ") was played under older rules and no longer plays as it was recorded; "
                      "it is kept, and can still be watched.");
        EXPECT_TRUE(run.Report().Visible);
        run.h.Ok("expect frmReplays.ReplayCount 7\n");
        AllKept();
        EXPECT_FALSE(fs::exists(scores));

        // Shown again in the same run: nothing is played, nothing said.
        run.h.Ok("key Escape\nexpect active frmMenu\nkey ctrl+r\nexpect active frmReplays\n");
        EXPECT_TRUE(run.turns.empty());
        EXPECT_FALSE(run.Report().Visible);
        EXPECT_EQ(run.Report().Caption, "");
        EXPECT_EQ(run.played.size(), 5u);
    }
    {
        // The next run tries the damaged files again, and leaves them alone again.
        ProgramRun run(dir);
        run.h.Ok("key ctrl+r\n");
        run.Turns();
        EXPECT_EQ(run.played, (std::vector<std::string>{"short.qbr", "spoilt.qbr", "cut.qbr"}));
        EXPECT_TRUE(run.told.empty());
        EXPECT_FALSE(run.Report().Visible);
    }
    {
        // Rules raised again: whatever played under the old ones is played under the new; a
        // replay already told of is not told of again.
        ProgramRun run(dir, kRulesVersion + 1);
        run.h.Ok("key ctrl+r\n");
        run.Turns();
        EXPECT_EQ(run.played,
                  (std::vector<std::string>{"short.qbr", "spoilt.qbr", "cut.qbr", "old-plays.qbr",
                                            "first-format.qbr", "now.qbr"}));
        EXPECT_TRUE(run.told.empty());
    }
    AllKept();
}

// The check waits while the list is off the screen and goes on where it was when it is back;
// what it found is told then. A list read again while it is under way does not begin another.
TEST_F(RulesCheckTest, TheCheckWaitsWhileTheListIsAway) {
    const RecordedGame& g = Game();
    Keep("a.qbr", g.Encode(0, 1, true));
    Keep("b.qbr", g.Encode(0, 2));
    Keep("c.qbr", g.Encode(0, 3, true));
    ProgramRun run(dir);
    run.h.Ok("key ctrl+r\n");
    auto oneTurn = [&run] {
        ASSERT_EQ(run.turns.size(), 1u);
        run.turns.front()();
        run.turns.pop_front();
    };
    oneTurn();
    run.h.Ok("key Escape\nkey ctrl+r\n");
    oneTurn();
    EXPECT_EQ(run.played, (std::vector<std::string>{"c.qbr", "b.qbr"}));
    run.h.Ok("key Escape\nexpect active frmMenu\n");
    run.Turns();
    EXPECT_EQ(run.played.size(), 2u);
    EXPECT_TRUE(run.told.empty());

    run.h.Ok("key ctrl+r\n");
    run.Turns();
    EXPECT_EQ(run.played, (std::vector<std::string>{"c.qbr", "b.qbr", "a.qbr"}));
    ASSERT_EQ(run.told.size(), 1u);
    const std::string when = ListedWhen(g.game.header.startedMs + 3 * 60'000);
    EXPECT_EQ(run.told[0],
              "2 kept replays were played under older rules and no longer play as they were "
              "recorded: " +
                  when + " (" + g.game.header.player + ") and " +
                  ListedWhen(g.game.header.startedMs + 60'000) + " (" + g.game.header.player +
                  "). They are kept, and can still be watched.");
    AllKept();
}

// The state file is written whole or not at all; one damaged all the same (by hand, or a disk
// that lost its end) keeps what its whole lines say and loses only the rest.
TEST_F(RulesCheckTest, AStateFileWithBrokenLinesKeepsItsWholeOnes) {
    const RecordedGame& g = Game();
    Keep("told.qbr", g.Encode(0, 1, true));
    Keep("plays.qbr", g.Encode(0, 2));
    Keep("again.qbr", g.Encode(0, 3, true));
    std::ofstream(dir + "/" + kRulesCheckFileName)
        << "told 0 told.qbr\nnonsense\nplays 1 ../plays.qbr\nplays x again.qbr\n"
           "plays 1 plays.qbr\ntold 1 aga";
    ProgramRun run(dir);
    run.h.Ok("key ctrl+r\n");
    run.Turns();
    EXPECT_EQ(run.played, std::vector<std::string>{"again.qbr"});
    ASSERT_EQ(run.told.size(), 1u);
    // Rewritten whole, without the broken lines or replays no longer kept.
    fs::remove(dir + "/plays.qbr");
    kept.erase("plays.qbr");
    run.check.Told();
    const std::string state = Bytes(dir + "/" + kRulesCheckFileName);
    EXPECT_NE(state.find("\ntold 0 told.qbr\n"), std::string::npos) << state;
    EXPECT_NE(state.find("\ntold 1 again.qbr\n"), std::string::npos) << state;
    EXPECT_EQ(state.find("plays.qbr"), std::string::npos) << state;
    EXPECT_EQ(state.find("nonsense"), std::string::npos) << state;
    EXPECT_EQ(std::count(state.begin(), state.end(), '\n'), 3) << state;
    AllKept();
}

TEST(RulesReport, NamesAFewAndCountsMore) {
    auto kept = [](uint16_t format, uint32_t rules, const std::string& player) {
        replay::KeptReplay k;
        k.path = "/r/" + player + ".qbr";
        k.header.version = format;
        k.header.rulesVersion = rules;
        k.header.player = player;
        k.header.startedMs = 1'700'000'000'000;
        return k;
    };
    const std::string when = ListedWhen(1'700'000'000'000);
    EXPECT_EQ(RulesReportText({}, 2), "");
    // Formats before the rules' version was written down hold games of the first rules.
    EXPECT_EQ(RulesOf(kept(2, 7, "A").header), 1u);
    EXPECT_EQ(RulesOf(kept(3, 0, "A").header), 0u);
    EXPECT_EQ(RulesReportText({kept(3, 3, "A")}, 2),
              "The replay of " + when +
                  " (A) was played under newer rules and no longer plays as it was recorded; it "
                  "is kept, and can still be watched.");
    // Two are named, within the two lines the screen has for them; a long name, or more of
    // them, are counted.
    std::vector<replay::KeptReplay> some = {kept(1, 0, "A"), kept(3, 3, "B")};
    some[1].header.players = 2;
    some[1].header.player2 = "D";
    EXPECT_EQ(RulesReportText(some, 2),
              "2 kept replays were played under other rules and no longer play as they were "
              "recorded: " +
                  when + " (A) and " + when + " (B & D). They are kept, and can still be watched.");
    some[1].header.player2 = std::string(60, 'D');
    EXPECT_EQ(RulesReportText(some, 2),
              "2 kept replays were played under other rules and no longer play as they were "
              "recorded; they are kept, and can still be watched.");
    EXPECT_EQ(RulesReportText({some[1]}, 2),
              "A kept replay was played under newer rules and no longer plays as it was "
              "recorded; it is kept, and can still be watched.");
    some.push_back(kept(2, 0, "E"));
    some[1].header.rulesVersion = 0;
    EXPECT_EQ(RulesReportText(some, 2),
              "3 kept replays were played under older rules and no longer play as they were "
              "recorded; they are kept, and can still be watched.");
}

}  // namespace
}  // namespace qbx
