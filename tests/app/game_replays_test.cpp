// The program's recorder: which kept replays survive a game's end, and what a killed game's
// file holds.
#include "app/game_replays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "forms/forms.h"
#include "forms/replays/frmReplays.h"
#include "records/record_file.h"
#include "records/record_table.h"
#include "replay/replay_file.h"
#include "support/recorded_game.h"
#include "support/test_support.h"

namespace qbx {
namespace {

namespace fs = std::filesystem;

void WriteTables(const std::string& dir, records::RecordRow score, records::RecordRow level) {
    records::RecordRows scores(20), levels(20);
    scores[0] = std::move(score);
    levels[0] = std::move(level);
    ASSERT_TRUE(
        records::WriteRecordFile(dir + "/" + records::kScoreFileName, records::WriteTable(scores)));
    ASSERT_TRUE(
        records::WriteRecordFile(dir + "/" + records::kLevelFileName, records::WriteTable(levels)));
}

// Besides the 20 most recently begun, a game's end keeps the replays whose result still stands
// in either table: a score in the score table, a level in the level table.
TEST(GameReplays, AGamesEndKeepsTheRecentAndThoseStandingInEitherTable) {
    test::Headless h;
    h.svc.SetEnv("NWUSERNAME", "pat");
    WriteTables(h.dir.Path(), {"PAT", "5000"}, {"PAT", "7"});
    const std::string dir = h.dir.Path() + "/replays";
    fs::create_directories(dir);
    auto keep = [&](const std::string& name, int64_t started, int32_t score, int16_t level) {
        replay::Header hd;
        hd.complete = true;
        hd.startedMs = started;
        hd.score = score;
        hd.level = level;
        hd.player = "PAT";
        std::ofstream(dir + "/" + name, std::ios::binary) << replay::EncodeReplay(hd, {});
    };
    keep("level.qbr", 1, 100, 7);   // its level stands, its score does not
    keep("score.qbr", 2, 5000, 1);  // its score stands
    keep("other.qbr", 3, 7, 5000);  // numbers that stand, but in the other table
    for (int i = 0; i < 25; ++i) keep("g" + std::to_string(100 + i) + ".qbr", 10 + i, 1, 1);

    auto rec = test::RecordGame(h, "", dir, "click frmMenu.cmdPlay\nwait 100\n");

    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(dir)) left.insert(e.path().filename());
    EXPECT_TRUE(left.count("level.qbr"));
    EXPECT_TRUE(left.count("score.qbr"));
    EXPECT_FALSE(left.count("other.qbr"));
    // The new game and the 19 begun before it.
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(left.count("g" + std::to_string(100 + i) + ".qbr"), i >= 6 ? 1u : 0u) << i;
    EXPECT_EQ(left.size(), 22u);
}

// A game killed while it plays keeps its inputs to within about a second of the kill: the file
// is flushed that often, and read as it is on disk.
TEST(GameReplays, AGameKilledWhilePlayingKeepsAllButItsLastSecond) {
    test::Headless h;
    const std::string dir = h.dir.Path() + "/replays";
    auto rec = MakeRecorder(h.app, h.svc, "1.0.0", "", dir);
    h.svc.SetInputLog(rec.get());
    h.app.Start();
    h.Ok("click frmMenu.cmdPlay\nwait 3950\n");
    ASSERT_TRUE(rec->Recording());
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 1u);
    replay::Replay r;
    std::string error;
    ASSERT_TRUE(replay::ReadReplayFile(files[0], r, error)) << error;
    EXPECT_FALSE(r.header.complete);
    ASSERT_FALSE(r.events.empty());
    EXPECT_GE(r.events.back().atMs - r.events.front().atMs, 3950 - 1000 - 20);
    EXPECT_GE(r.header.lengthMs, 3950u - 1000 - 20);
    h.svc.SetInputLog(nullptr);
}

// A game of two, recorded as it is played, is listed on the Replays screen under both names
// with player 1's result; a game of one beside it under its one name.
TEST(GameReplays, TheReplaysScreenListsAGameOfTwoUnderBothNames) {
    test::Headless h;
    h.svc.SetEnv("NWUSERNAME", "pat");
    const std::string dir = h.dir.Path() + "/replays";
    fs::create_directories(dir);
    replay::Header alone;
    alone.complete = true;
    alone.startedMs = 1;
    alone.score = 10;
    alone.level = 1;
    alone.player = "PAT";
    std::ofstream(dir + "/alone.qbr", std::ios::binary) << replay::EncodeReplay(alone, {});

    auto rec =
        test::RecordGame(h, "", dir,
                         "answer bob\nclick frmMenu.cmdTwoPlayers\nwait 100\nset frmGame.Score 70\n"
                         "set frmGame.Score2 40\n");

    test::Headless viewer;
    KeptReplays kept(dir, nullptr);
    viewer.svc.SetReplayShelf(&kept);
    viewer.app.Start();
    viewer.Ok("key ctrl+r\nexpect active frmReplays\nexpect frmReplays.ReplayCount 2\n");
    FrmReplays::Controls& c = viewer.app.replays.C();
    // The most recently begun first; a name's spaces are kept from breaking the line.
    EXPECT_EQ(c.lblPlayer(1).Caption, "PAT\u00a0&\u00a0BOB");
    EXPECT_EQ(c.lblScore(1).Caption, "70");
    EXPECT_EQ(c.lblLevel(1).Caption, "1");
    EXPECT_EQ(c.lblPlayer(2).Caption, "PAT");
}

// A game pauses and goes on again; the same game without the key that ends the pause stays
// paused, which the first check after that key tells.
TEST(GameReplays, AReplayMeetsItsChecksAndAChangedInputIsNamedWhereThePlayParted) {
    test::Headless h;
    const std::string file = h.dir.Path() + "/game.qbr";
    auto rec = test::RecordGame(
        h, file, "",
        "click frmMenu.cmdPlay\nwait 2500\nkey Left down\nwait 600\nkey Left up\nkey Space\n"
        "wait 1500\nkey Escape\nwait 2300\nkey Escape\nwait 4000\n");

    replay::Replay r;
    std::string error;
    ASSERT_TRUE(replay::ReadReplayFile(file, r, error)) << error;
    EXPECT_EQ(r.header.version, 3);
    EXPECT_EQ(r.header.rulesVersion, kRulesVersion);
    // One check in each second of play, before the second's first input.
    std::vector<size_t> checks;
    for (size_t i = 0; i < r.events.size(); ++i) {
        if (r.events[i].kind != InputEvent::Kind::Check) continue;
        ASSERT_LT(i + 1, r.events.size());
        EXPECT_EQ(r.events[i].atMs, r.events[i + 1].atMs);
        if (!checks.empty()) {
            EXPECT_GT(r.events[i].atMs / 1000, r.events[checks.back()].atMs / 1000);
        }
        checks.push_back(i);
    }
    EXPECT_GE(checks.size(), r.header.lengthMs / 1000 - 1);

    Verdict v;
    ASSERT_TRUE(VerifyReplay(file, v, error)) << error;
    EXPECT_TRUE(v.matches);
    EXPECT_FALSE(v.desync.found);
    EXPECT_EQ(v.astray, 0u);
    EXPECT_EQ(v.events, r.events.size() - checks.size());

    auto verify = [&](const std::vector<InputEvent>& events, std::string& line) {
        const std::string changed = h.dir.Path() + "/changed.qbr";
        std::ofstream(changed, std::ios::binary) << replay::EncodeReplay(r.header, events);
        std::ostringstream out, err;
        EXPECT_EQ(VerifyReplayCommand(changed, out, err), 1) << out.str() << err.str();
        line = out.str();
        Verdict changedVerdict;
        EXPECT_TRUE(VerifyReplay(changed, changedVerdict, error)) << error;
        return changedVerdict;
    };
    // The key that ends the pause, taken out.
    size_t resume = r.events.size();
    for (size_t i = 0; i < r.events.size(); ++i)
        if (r.events[i].kind == InputEvent::Kind::KeyDown && r.events[i].code == 27) resume = i;
    ASSERT_LT(resume, r.events.size());
    std::vector<InputEvent> events = r.events;
    events.erase(events.begin() + static_cast<long>(resume));
    int64_t firstAfter = -1;
    for (size_t i = resume; i < events.size() && firstAfter < 0; ++i)
        if (events[i].kind == InputEvent::Kind::Check) firstAfter = events[i].atMs;
    ASSERT_GE(firstAfter, r.events[resume].atMs);
    std::string line;
    Verdict d = verify(events, line);
    ASSERT_TRUE(d.desync.found);
    EXPECT_FALSE(d.matches);
    EXPECT_EQ(d.desync.atMs, firstAfter);
    EXPECT_NE(line.find(", \"desync\": {\"at_ms\": " + std::to_string(firstAfter) +
                        ", \"field\": \"frmGame.Paused\", \"replay\": false, \"now\": true}, "
                        "\"matches\": false}\n"),
              std::string::npos)
        << line;
    // Every key the line had is still there, as it was.
    EXPECT_EQ(line.rfind("{\"player\": ", 0), 0u) << line;
    EXPECT_NE(line.find("\"claimed\": {\"score\": "), std::string::npos);

    // A difference that no scalar variable shows (the player walked otherwise): the hashes.
    events = r.events;
    const size_t second = checks.at(1);
    events[second].seed ^= 0x80000001u;
    d = verify(events, line);
    ASSERT_TRUE(d.desync.found);
    EXPECT_EQ(d.desync.atMs, events[second].atMs);
    EXPECT_EQ(d.desync.field, "state");
    char hex[16];
    std::snprintf(hex, sizeof hex, "\"%08x\"", static_cast<unsigned>(events[second].seed));
    EXPECT_EQ(d.desync.replay, hex);
    std::snprintf(hex, sizeof hex, "\"%08x\"", static_cast<unsigned>(r.events[second].seed));
    EXPECT_EQ(d.desync.now, hex);
    EXPECT_NE(line.find("\"field\": \"state\""), std::string::npos) << line;

    // A recorded score that the play does not reach, named before what follows it.
    events = r.events;
    events[checks.back()].values.at(3) += 10;
    d = verify(events, line);
    EXPECT_EQ(d.desync.field, "frmGame.Score");
    EXPECT_EQ(d.desync.replay, std::to_string(r.events[checks.back()].values[3] + 10));
    EXPECT_EQ(d.desync.now, std::to_string(r.events[checks.back()].values[3]));
    // The last of the values, compared as the first is.
    events = r.events;
    events[checks.back()].values.back() ^= 1;
    d = verify(events, line);
    EXPECT_EQ(d.desync.field, "frmGame.LevelCleared");
}

// Each game of a program is checked from its own first second, the second game as the first.
TEST(GameReplays, EveryGameIsCheckedFromItsFirstSecond) {
    test::Headless h;
    const std::string dir = h.dir.Path() + "/replays";
    auto rec = test::RecordGame(
        h, "", dir, "click frmMenu.cmdPlay\nwait 5000\nmenu frmGame.mnuNew\nwait 3000\n");
    ASSERT_EQ(rec->Written().size(), 2u);
    for (const std::string& f : rec->Written()) {
        replay::Replay r;
        std::string error;
        ASSERT_TRUE(replay::ReadReplayFile(f, r, error)) << error;
        auto first = std::find_if(r.events.begin(), r.events.end(), [](const InputEvent& e) {
            return e.kind == InputEvent::Kind::Check;
        });
        ASSERT_NE(first, r.events.end());
        EXPECT_LT(first->atMs, 1100) << f;
        Verdict v;
        ASSERT_TRUE(VerifyReplay(f, v, error)) << error;
        EXPECT_TRUE(v.matches) << f;
    }
}

}  // namespace
}  // namespace qbx
