// Finding a replay's moments.
#include "app/replay_moments.h"

#include <filesystem>
#include <system_error>

#include "app/game_replays.h"
#include "backends/headless/headless_services.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "records/record_file.h"

namespace qbx {

void CopyRecords(const std::string& recordsDir, const std::string& dir) {
    std::error_code ec;
    for (const char* name : {records::kScoreFileName, records::kLevelFileName})
        std::filesystem::copy_file(recordsDir + "/" + name, dir + "/" + name,
                                   std::filesystem::copy_options::overwrite_existing, ec);
}

namespace {

// Headless play that notes what the game does, input by input.
class MomentFinder : public HeadlessServices, public InputLog {
public:
    MomentFinder(const std::vector<InputEvent>& events, ReplayMoments& out)
        : events_(events), out_(out) {}

    void Follow(const Quibblix& app) {
        app_ = &app;
        OnPlaying([this](const InputEvent& e) {
            Look();
            at_ = &e;
        });
        SetInputLog(this);
    }

    // Compares the game with how it was before the input played last.
    void Look() {
        if (!app_ || !at_) return;
        const FrmGame& g = app_->game;
        // A level starts with its countdown; the level's number changes as the one before is
        // cleared.
        if (g.Level != level_ && g.Level > 0) levelDue_ = true;
        level_ = g.Level;
        for (int i = 0; i < kMaxPlayers; ++i) {
            if (g.players[i].Lives < lives_[i] && g.IsLoaded()) Note(Moment::Kind::LifeLost);
            lives_[i] = g.players[i].Lives;
        }
    }

    void PlaySound(Sound effect, int variant) override {
        if (at_) {
            if (effect == Sound::Powerup || effect == Sound::ExtraLife)
                Note(Moment::Kind::Powerup);
            else if ((effect == Sound::Countdown || effect == Sound::Go) && levelDue_) {
                Look();
                levelDue_ = false;
                Note(Moment::Kind::LevelStart);
            } else if (effect == Sound::Shot)
                out_.shots.push_back(at_->atMs);
        }
        HeadlessServices::PlaySound(effect, variant);
    }

    void Noted(const InputEvent&) override {}
    void ScreenLoaded(const Screen& s, bool loaded) override {
        if (loaded || !app_ || &s != &app_->game || !at_ || out_.endIndex != SIZE_MAX) return;
        Look();
        Note(Moment::Kind::GameEnd);
        out_.endIndex = static_cast<size_t>(at_ - events_.data());
    }

private:
    void Note(Moment::Kind kind) { out_.moments.push_back({kind, at_->atMs}); }

    const std::vector<InputEvent>& events_;
    ReplayMoments& out_;
    const Quibblix* app_ = nullptr;
    const InputEvent* at_ = nullptr;
    int16_t level_ = 0;
    bool levelDue_ = false;
    int16_t lives_[kMaxPlayers]{};
};

}  // namespace

ReplayMoments FindMoments(const replay::Replay& r, const std::string& recordsDir) {
    ReplayMoments out;
    ScratchDir scratch;
    if (scratch.Path().empty()) return out;
    CopyRecords(recordsDir, scratch.Path());
    MomentFinder svc(r.events, out);
    Quibblix app(svc);
    svc.Attach(app.program);
    PlayAgainAs(svc, r.header.player, scratch.Path());
    if (r.header.players == 2) svc.Answer(r.header.player2);
    Gamepad pad(app.program);
    svc.Follow(app);
    app.program.Run([&] {
        app.Start();
        svc.PlayRecorded(r.events, r.events.size(), pad);
        svc.Look();
    });
    svc.SetInputLog(nullptr);
    return out;
}

}  // namespace qbx
