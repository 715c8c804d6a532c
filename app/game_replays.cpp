// Replays in the program: the recorder's view of the game, and verification.
#include "app/game_replays.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "backends/headless/state_check.h"
#include "engine/gamepad.h"
#include "records/record_file.h"
#include "records/record_table.h"

namespace qbx {

namespace {

bool StandsIn(const std::string& path, const std::string& player, long long value) {
    const auto text = records::ReadRecordFile(path);
    if (!text) return false;
    records::RecordRows rows(20);
    records::ReadTable(*text, rows);
    for (const records::RecordRow& r : rows)
        if (!r.name.empty() && r.name == player &&
            static_cast<long long>(records::NumericValue(r.value)) == value)
            return true;
    return false;
}

// The result as the recorder took it: when the game screen was first unloaded (the input that
// ended the game may go on, as a new game does), else at the end of the replay.
class GameEnd : public InputLog {
public:
    explicit GameEnd(const Quibblix& app) : app_(app) {}
    void Noted(const InputEvent&) override {}
    void ScreenLoaded(const Screen& s, bool loaded) override {
        if (loaded || ended_ || &s != &app_.game) return;
        ended_ = true;
        for (int i = 0; i < kMaxPlayers; ++i) {
            score_[i] = app_.game.players[i].Score;
            level_[i] = app_.game.LevelReached(i);
        }
    }
    int32_t Score(int player = 0) const {
        return ended_ ? score_[player] : app_.game.players[player].Score;
    }
    int16_t Level(int player = 0) const {
        return ended_ ? level_[player] : app_.game.LevelReached(player);
    }

private:
    const Quibblix& app_;
    bool ended_ = false;
    int32_t score_[kMaxPlayers]{};
    int16_t level_[kMaxPlayers]{};
};

}  // namespace

ScratchDir::ScratchDir() {
    std::error_code ec;
    std::string tmpl = (std::filesystem::temp_directory_path(ec) / "quibblix-replay-XXXXXX");
    if (ec) tmpl = "/tmp/quibblix-replay-XXXXXX";
    if (::mkdtemp(tmpl.data())) path_ = tmpl;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string ReplayDir(const std::string& programDir, const records::Environment& env) {
    return records::RecordDir(programDir, env) + "/" + replay::kReplayDirName;
}

std::unique_ptr<replay::GameRecorder> MakeRecorder(Quibblix& app, Services& svc,
                                                   const std::string& version,
                                                   const std::string& file,
                                                   const std::string& dir) {
    const records::Environment env = [&svc](const std::string& n) { return svc.Environ(n); };
    replay::RecorderSetup s;
    s.gameScreen = app.game.Name();
    s.opening = {{.kind = InputEvent::Kind::Click, .form = app.menu.Name(), .control = "cmdPlay"}};
    s.programVersion = version;
    s.rulesVersion = kRulesVersion;
    s.check = [&app](InputEvent& e) { driver::TakeCheck(app.game, e); };
    s.player = records::UserNameFrom(env);
    s.wallClockMs = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    s.result = [&app] {
        return std::pair<int32_t, int16_t>(app.game.Score, app.game.LevelReached(0));
    };
    s.soundOn = [&svc] { return svc.SoundOn(); };
    s.musicOn = [&svc] { return svc.MusicOn(); };
    s.twoPlayers = [&app] { return app.game.Players == 2; };
    s.openingTwo = {
        {.kind = InputEvent::Kind::Click, .form = app.menu.Name(), .control = "cmdTwoPlayers"}};
    s.player2 = [&app] { return app.game.Player2Name; };
    s.result2 = [&app] {
        return std::pair<int32_t, int16_t>(app.game.players[1].Score, app.game.LevelReached(1));
    };
    s.file = file;
    s.dir = dir;
    const std::string recordDir = records::RecordDir(svc.ProgramDir(), env);
    s.inTables = [recordDir](const replay::Header& h) { return StandsInTables(recordDir, h); };
    return std::make_unique<replay::GameRecorder>(std::move(s));
}

bool StandsInTables(const std::string& recordDir, const replay::Header& h) {
    return StandsIn(recordDir + "/" + records::kScoreFileName, h.player, h.score) ||
           StandsIn(recordDir + "/" + records::kLevelFileName, h.player, h.level) ||
           (h.players == 2 &&
            (StandsIn(recordDir + "/" + records::kScoreFileName, h.player2, h.score2) ||
             StandsIn(recordDir + "/" + records::kLevelFileName, h.player2, h.level2)));
}

std::string ListedWhen(int64_t startedMs) {
    const std::time_t t = static_cast<std::time_t>(startedMs / 1000);
    std::tm local{};
    localtime_r(&t, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return when;
}

std::string ListedPlayers(const replay::Header& h) {
    return h.players == 2 ? h.player + " & " + h.player2 : h.player;
}

std::vector<ReplayListing> KeptReplays::List() {
    std::vector<ReplayListing> list;
    const std::vector<replay::KeptReplay> kept = replay::ListReplays(dir_);
    for (const replay::KeptReplay& k : kept) {
        const replay::Header& h = k.header;
        // A game of two is listed under both names, with player 1's result.
        list.push_back({k.path, ListedWhen(h.startedMs), ListedPlayers(h), h.score, h.level,
                        static_cast<int64_t>(std::min<uint64_t>(h.lengthMs, INT64_MAX))});
    }
    if (listed_) listed_(kept);
    return list;
}

std::string ReadReplayInputs(const std::string& file, std::vector<InputEvent>& events) {
    replay::Replay r;
    std::string error;
    if (!replay::ReadReplayFile(file, r, error))
        return "cannot read the replay '" + file + "': " + error;
    events = std::move(r.events);
    return "";
}

bool VerifyReplay(const std::string& file, Verdict& v, std::string& error) {
    replay::Replay r;
    if (!replay::ReadReplayFile(file, r, error)) return false;
    ScratchDir scratch;
    if (scratch.Path().empty()) {
        error = "no scratch directory for the record files";
        return false;
    }
    HeadlessServices svc;
    Quibblix app(svc);
    svc.Attach(app.program);
    PlayAgainAs(svc, r.header.player, scratch.Path());
    // Player 2's name box takes the name the game was played under.
    if (r.header.players == 2) svc.Answer(r.header.player2);
    Gamepad pad(app.program);
    GameEnd end(app);
    svc.SetInputLog(&end);
    // The play goes on past a check it departs from, to the result it reaches; the first one
    // is the one that tells.
    svc.SetCheckHook([&v, &app](const InputEvent& e) {
        if (v.desync.found) return;
        if (auto d = driver::CompareCheck(app.game, e))
            v.desync = {true, e.atMs, std::move(d->field), std::move(d->replay), std::move(d->now)};
    });
    app.program.Run([&] {
        app.Start();
        v.astray = svc.PlayRecorded(r.events, r.events.size(), pad);
    });
    v.player = r.header.player;
    // The inputs played; the checks among them are not inputs.
    v.events = static_cast<size_t>(
        std::count_if(r.events.begin(), r.events.end(),
                      [](const InputEvent& e) { return e.kind != InputEvent::Kind::Check; }));
    svc.SetInputLog(nullptr);
    svc.SetCheckHook({});
    v.score = end.Score();
    v.level = end.Level();
    v.claimedScore = r.header.score;
    v.claimedLevel = r.header.level;
    // A file cut off before the inputs its header claims cannot show the claimed result.
    v.cutOff = r.cutOff || r.events.size() != r.header.events;
    v.matches = v.astray == 0 && !v.cutOff && v.score == v.claimedScore &&
                v.level == v.claimedLevel && !v.desync.found;
    if (r.header.players == 2) {
        v.two = true;
        v.player2 = r.header.player2;
        v.score2 = end.Score(1);
        v.level2 = end.Level(1);
        v.claimedScore2 = r.header.score2;
        v.claimedLevel2 = r.header.level2;
        v.matches = v.matches && v.score2 == v.claimedScore2 && v.level2 == v.claimedLevel2;
    }
    return true;
}

int VerifyReplayCommand(const std::string& file, std::ostream& out, std::ostream& err) {
    Verdict v;
    std::string error;
    if (!VerifyReplay(file, v, error)) {
        err << "quibblix: cannot read the replay '" << file << "': " << error << "\n";
        return 2;
    }
    std::string desync;
    if (v.desync.found)
        desync = ", \"desync\": {\"at_ms\": " + std::to_string(v.desync.atMs) +
                 ", \"field\": " + JsonString(v.desync.field) + ", \"replay\": " + v.desync.replay +
                 ", \"now\": " + v.desync.now + "}";
    if (v.two) {
        const auto result = [&out](const std::string& player, int32_t score, int16_t level,
                                   int32_t claimedScore, int16_t claimedLevel) {
            out << "{\"player\": " << JsonString(player) << ", \"score\": " << score
                << ", \"level\": " << level << ", \"claimed\": {\"score\": " << claimedScore
                << ", \"level\": " << claimedLevel << "}}";
        };
        out << "{\"players\": [";
        result(v.player, v.score, v.level, v.claimedScore, v.claimedLevel);
        out << ", ";
        result(v.player2, v.score2, v.level2, v.claimedScore2, v.claimedLevel2);
        out << "], \"events\": " << v.events << desync
            << ", \"matches\": " << (v.matches ? "true" : "false") << "}\n";
        return v.matches ? 0 : 1;
    }
    out << "{\"player\": " << JsonString(v.player) << ", \"score\": " << v.score
        << ", \"level\": " << v.level << ", \"events\": " << v.events
        << ", \"claimed\": {\"score\": " << v.claimedScore << ", \"level\": " << v.claimedLevel
        << "}" << desync << ", \"matches\": " << (v.matches ? "true" : "false") << "}\n";
    return v.matches ? 0 : 1;
}

}  // namespace qbx
