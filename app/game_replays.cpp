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
        score_ = app_.game.Score;
        level_ = app_.game.Level;
    }
    int32_t Score() const { return ended_ ? score_ : app_.game.Score; }
    int16_t Level() const { return ended_ ? level_ : app_.game.Level; }

private:
    const Quibblix& app_;
    bool ended_ = false;
    int32_t score_ = 0;
    int16_t level_ = 0;
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
    s.player = records::UserNameFrom(env);
    s.wallClockMs = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    s.result = [&app] { return std::pair<int32_t, int16_t>(app.game.Score, app.game.Level); };
    s.soundOn = [&svc] { return svc.SoundOn(); };
    s.musicOn = [&svc] { return svc.MusicOn(); };
    s.file = file;
    s.dir = dir;
    const std::string recordDir = records::RecordDir(svc.ProgramDir(), env);
    s.inTables = [recordDir](const replay::Header& h) {
        return StandsIn(recordDir + "/" + records::kScoreFileName, h.player, h.score) ||
               StandsIn(recordDir + "/" + records::kLevelFileName, h.player, h.level);
    };
    return std::make_unique<replay::GameRecorder>(std::move(s));
}

std::vector<ReplayListing> KeptReplays::List() {
    std::vector<ReplayListing> list;
    for (const replay::KeptReplay& k : replay::ListReplays(dir_)) {
        const replay::Header& h = k.header;
        const std::time_t t = static_cast<std::time_t>(h.startedMs / 1000);
        std::tm local{};
        localtime_r(&t, &local);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
        list.push_back({k.path, when, h.player, h.score, h.level,
                        static_cast<int64_t>(std::min<uint64_t>(h.lengthMs, INT64_MAX))});
    }
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
    Gamepad pad(app.program);
    GameEnd end(app);
    svc.SetInputLog(&end);
    try {
        app.Start();
        v.astray = svc.PlayRecorded(r.events, r.events.size(), pad);
    } catch (const ProgramEnded&) {
        app.program.CollectGarbage();
    }
    v.player = r.header.player;
    v.events = r.events.size();
    svc.SetInputLog(nullptr);
    v.score = end.Score();
    v.level = end.Level();
    v.claimedScore = r.header.score;
    v.claimedLevel = r.header.level;
    // A file cut off before the inputs its header claims cannot show the claimed result.
    v.matches = v.astray == 0 && v.events == r.header.events && v.score == v.claimedScore &&
                v.level == v.claimedLevel;
    return true;
}

int VerifyReplayCommand(const std::string& file, std::ostream& out, std::ostream& err) {
    Verdict v;
    std::string error;
    if (!VerifyReplay(file, v, error)) {
        err << "quibblix: cannot read the replay '" << file << "': " << error << "\n";
        return 2;
    }
    out << "{\"player\": " << JsonString(v.player) << ", \"score\": " << v.score
        << ", \"level\": " << v.level << ", \"events\": " << v.events
        << ", \"claimed\": {\"score\": " << v.claimedScore << ", \"level\": " << v.claimedLevel
        << "}, \"matches\": " << (v.matches ? "true" : "false") << "}\n";
    return v.matches ? 0 : 1;
}

}  // namespace qbx
