// Watching a kept replay in the window.
#include "app/replay_watch.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "app/replay_moments.h"
#include "backends/headless/state_check.h"
#include "backends/qt/watching_services.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "replay/replay_file.h"

namespace qbx {

namespace {
constexpr double kSlowest = 0.25, kFastest = 16;
constexpr int16_t kComma = 188, kFullStop = 190, kKeyK = 'K';
}  // namespace

// Ends the watching when the watched game is over: its game screen unloaded.
class GameOverWatch : public InputLog {
public:
    GameOverWatch(const Screen& game, WatchingServices& svc) : game_(game), svc_(svc) {}
    void Noted(const InputEvent&) override {}
    void ScreenLoaded(const Screen& s, bool loaded) override {
        if (!loaded && &s == &game_) svc_.Stop();
    }

private:
    const Screen& game_;
    WatchingServices& svc_;
};

struct ReplayWatch::Watched {
    std::unique_ptr<ScratchDir> scratch;
    replay::Replay replay;
    ReplayMoments moments;
    std::unique_ptr<WatchingServices> svc;
    std::unique_ptr<Quibblix> app;
    std::unique_ptr<Gamepad> pad;
    std::unique_ptr<GameOverWatch> gameOver;
    std::string note;  // a line after the banner, until the next key
    // The play has departed from a check the recording holds: the rules are not the same.
    bool departed = false;

    // The program goes; the backend and its windows stay.
    void DropProgram() {
        if (svc) svc->SetInputLog(nullptr);
        gameOver.reset();
        pad.reset();
        app.reset();
    }
    ~Watched() {
        // The screens go before the backend that shows them.
        DropProgram();
        svc.reset();
    }
};

ReplayWatch::ReplayWatch(Setup setup) : setup_(std::move(setup)) {}

ReplayWatch::~ReplayWatch() = default;

std::string ReplayWatch::Banner(double speed, bool paused, bool playedOut) {
    std::string times;
    if (speed == 0.25)
        times = "\u00bc";
    else if (speed == 0.5)
        times = "\u00bd";
    else
        times = std::to_string(static_cast<int>(speed));
    std::string text = "Replay \u2014 \u00d7" + times;
    if (playedOut)
        text += " \u2014 end";
    else if (paused)
        text += " \u2014 paused";
    return text;
}

std::string ReplayWatch::BannerNow() const {
    if (!watched_) return "";
    const WatchingServices& svc = *watched_->svc;
    std::string text = Banner(svc.Speed(), svc.Paused(), svc.PlayedOut());
    if (!watched_->note.empty()) text += " \u2014 " + watched_->note;
    if (watched_->departed) text += std::string("\n") + kDepartedLine;
    return text;
}

// A program of its own for the watched game, its records in a fresh scratch copy of the tables
// as they are now: every start of the game sees the same tables.
void ReplayWatch::MakeProgram() {
    Watched& w = *watched_;
    WatchingServices& svc = *w.svc;
    w.scratch = std::make_unique<ScratchDir>();
    CopyRecords(setup_.recordsDir, w.scratch->Path());
    PlayAgainAs(svc, w.replay.header.player, w.scratch->Path());
    svc.ForgetAnswers();
    // Played again from the start, the game has not departed from the checks yet.
    w.departed = false;
    if (w.replay.header.players == 2) svc.Answer(w.replay.header.player2);
    w.app = std::make_unique<Quibblix>(svc);
    Quibblix& app = *w.app;
    app.program.SetArtist(setup_.artist);
    svc.Attach(app.program);
    w.pad = std::make_unique<Gamepad>(app.program);
    w.gameOver = std::make_unique<GameOverWatch>(app.game, svc);
    svc.SetInputLog(w.gameOver.get());
    LayoutInstructions(app.instructions);
}

bool ReplayWatch::Start(const std::string& file, std::string& error, std::function<void()> ended) {
    if (watched_) {
        error = "a replay is being watched";
        return false;
    }
    auto w = std::make_unique<Watched>();
    if (!replay::ReadReplayFile(file, w->replay, error)) return false;
    if (ScratchDir probe; probe.Path().empty()) {
        error = "no scratch directory for the record files";
        return false;
    }
    w->moments = FindMoments(w->replay, setup_.recordsDir);
    w->svc = std::make_unique<WatchingServices>(setup_.scale);
    WatchingServices& svc = *w->svc;
    if (setup_.from) {
        if (!setup_.muted) svc.ShareSound(*setup_.from);
        svc.SetFullScreen(setup_.from->WantsFullScreen());
    }
    svc.OnNothingLoaded([&svc] { svc.Stop(); });
    svc.SetMoments(w->moments.moments);
    svc.SetShots(w->moments.shots);

    ended_ = std::move(ended);
    watched_ = std::move(w);
    MakeProgram();
    if (setup_.from) setup_.from->SetWindowsAside(true);
    ShowBanner();
    Quibblix& app = *watched_->app;
    svc.Dispatch([&app] { app.Start(); });
    WatchingServices::Hooks hooks;
    hooks.taken = [this](const InputEvent& e) { Steer(e); };
    hooks.playedOut = [this] {
        if (setup_.endsOnAnyInput && watched_) watched_->svc->Stop();
        ShowBanner();
    };
    hooks.check = [this](const InputEvent& e) {
        if (!watched_ || watched_->departed || !driver::CompareCheck(watched_->app->game, e))
            return;
        watched_->departed = true;
        ShowBanner();
    };
    hooks.ended = [this] {
        // Not from inside the watched program's own call.
        QTimer::singleShot(0, QCoreApplication::instance(), [this] { Finish(); });
    };
    hooks.restart = [this] { Restart(); };
    hooks.moved = [this] { ShowBanner(); };
    svc.Watch(watched_->replay.events, *watched_->pad, std::move(hooks),
              watched_->moments.endIndex);
    return true;
}

void ReplayWatch::Restart() {
    Watched& w = *watched_;
    w.DropProgram();
    MakeProgram();
    Quibblix& app = *w.app;
    w.svc->Dispatch([&app] { app.Start(); });
    w.svc->Replay(*w.pad);
}

Quibblix* ReplayWatch::Game() const {
    return watched_ ? watched_->app.get() : nullptr;
}
WatchingServices* ReplayWatch::Backend() const {
    return watched_ ? watched_->svc.get() : nullptr;
}
double ReplayWatch::Speed() const {
    return watched_ ? watched_->svc->Speed() : 1;
}
bool ReplayWatch::PlayedOut() const {
    return watched_ && watched_->svc->PlayedOut();
}
const ReplayMoments* ReplayWatch::Moments() const {
    return watched_ ? &watched_->moments : nullptr;
}

void ReplayWatch::Note(std::string note) {
    if (!watched_) return;
    watched_->note = std::move(note);
    ShowBanner();
}

void ReplayWatch::SeekTo(int64_t ms) {
    if (!watched_) return;
    WatchingServices& svc = *watched_->svc;
    Note(ms > svc.EndMs()     ? "the end of the replay"
         : ms < svc.StartMs() ? "the start of the replay"
                              : "");
    svc.SeekTo(ms);
}

void ReplayWatch::Step(int direction) {
    if (!watched_) return;
    WatchingServices& svc = *watched_->svc;
    if (!svc.Paused()) return;
    const auto to = direction < 0 ? svc.PreviousTickMs() : svc.NextTickMs();
    if (!to) {
        Note(direction < 0 ? "the start of the replay" : "the end of the replay");
        return;
    }
    Note("");
    svc.SeekTo(*to);
}

void ReplayWatch::NextLevel(int direction) {
    if (!watched_) return;
    WatchingServices& svc = *watched_->svc;
    const int64_t at = svc.PositionMs();
    std::optional<int64_t> to;
    for (const Moment& m : watched_->moments.moments) {
        if (m.kind != Moment::Kind::LevelStart) continue;
        if (direction < 0 && m.atMs < at) to = m.atMs;
        if (direction > 0 && m.atMs > at) {
            to = m.atMs;
            break;
        }
    }
    if (!to) {
        Note(direction < 0 ? "no earlier level" : "no later level");
        return;
    }
    Note("");
    svc.SeekTo(*to);
}

bool ReplayWatch::Departed() const {
    return watched_ && watched_->departed;
}

void ReplayWatch::Steer(const InputEvent& e) {
    if (!watched_) return;
    WatchingServices& svc = *watched_->svc;
    if (e.kind == InputEvent::Kind::Close) {
        svc.Stop();
        return;
    }
    if (setup_.endsOnAnyInput &&
        (e.kind == InputEvent::Kind::KeyDown || e.kind == InputEvent::Kind::Click ||
         e.kind == InputEvent::Kind::DblClick || e.kind == InputEvent::Kind::Menu ||
         e.kind == InputEvent::Kind::PadPress)) {
        svc.Stop();
        return;
    }
    if (e.kind != InputEvent::Kind::KeyDown || e.shift != 0) return;
    switch (e.code) {
        case vk::Escape:
            if (!e.repeat) svc.Stop();
            return;
        case vk::Space:
            if (e.repeat || svc.PlayedOut()) return;
            svc.SetPaused(!svc.Paused());
            break;
        case vk::Right:
            svc.SetSpeed(std::min(kFastest, svc.Speed() * 2));
            break;
        case vk::Left:
            svc.SetSpeed(std::max(kSlowest, svc.Speed() / 2));
            break;
        case vk::Home:
            SeekTo(svc.StartMs());
            return;
        case vk::End:
            SeekTo(svc.EndMs());
            return;
        case vk::PageUp:
            NextLevel(-1);
            return;
        case vk::PageDown:
            NextLevel(1);
            return;
        case kComma:
            Step(-1);
            return;
        case kFullStop:
            Step(1);
            return;
        case kKeyK:
            if (!e.repeat) svc.SetKeysShown(!svc.KeysShown());
            return;
        default:
            return;
    }
    watched_->note.clear();
    ShowBanner();
}

void ReplayWatch::ShowBanner() {
    if (!watched_) return;
    if (!setup_.banner.empty()) {
        watched_->svc->SetBanner(setup_.banner);
        return;
    }
    watched_->svc->SetBanner(BannerNow());
}

void ReplayWatch::Finish() {
    if (!watched_) return;
    watched_.reset();
    if (setup_.from) {
        setup_.from->SetWindowsAside(false);
        if (!setup_.muted) setup_.from->ResumeOwnMusic();
    }
    if (ended_) std::exchange(ended_, nullptr)();
}

}  // namespace qbx
