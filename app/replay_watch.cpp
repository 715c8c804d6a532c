// Watching a kept replay in the window.
#include "app/replay_watch.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "backends/headless/state_check.h"
#include "backends/qt/qt_services.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "replay/replay_file.h"

namespace qbx {

namespace {
constexpr double kSlowest = 0.25, kFastest = 16;
}  // namespace

// Ends the watching when the watched game is over: its game screen unloaded.
class GameOverWatch : public InputLog {
public:
    GameOverWatch(const Screen& game, QtServices& svc) : game_(game), svc_(svc) {}
    void Noted(const InputEvent&) override {}
    void ScreenLoaded(const Screen& s, bool loaded) override {
        if (!loaded && &s == &game_) svc_.StopWatching();
    }

private:
    const Screen& game_;
    QtServices& svc_;
};

struct ReplayWatch::Watched {
    ScratchDir scratch;
    replay::Replay replay;
    std::unique_ptr<QtServices> svc;
    std::unique_ptr<Quibblix> app;
    std::unique_ptr<Gamepad> pad;
    std::unique_ptr<GameOverWatch> gameOver;
    // The play has departed from a check the recording holds: the rules are not the same.
    bool departed = false;

    ~Watched() {
        // The screens go before the backend that shows them.
        if (svc) svc->SetInputLog(nullptr);
        pad.reset();
        app.reset();
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

bool ReplayWatch::Start(const std::string& file, std::string& error, std::function<void()> ended) {
    if (watched_) {
        error = "a replay is being watched";
        return false;
    }
    auto w = std::make_unique<Watched>();
    if (!replay::ReadReplayFile(file, w->replay, error)) return false;
    if (w->scratch.Path().empty()) {
        error = "no scratch directory for the record files";
        return false;
    }
    // The watched game's screens show the tables as they are now; what it enters stays in the
    // scratch copy.
    std::error_code ec;
    for (const char* name : {records::kScoreFileName, records::kLevelFileName})
        std::filesystem::copy_file(setup_.recordsDir + "/" + name, w->scratch.Path() + "/" + name,
                                   ec);
    w->svc = std::make_unique<QtServices>(setup_.scale);
    QtServices& svc = *w->svc;
    PlayAgainAs(svc, w->replay.header.player, w->scratch.Path());
    if (w->replay.header.players == 2) svc.Answer(w->replay.header.player2);
    if (setup_.from) {
        svc.ShareSound(*setup_.from);
        svc.SetFullScreen(setup_.from->WantsFullScreen());
    }
    w->app = std::make_unique<Quibblix>(svc);
    Quibblix& app = *w->app;
    app.program.SetArtist(setup_.artist);
    svc.Attach(app.program);
    w->pad = std::make_unique<Gamepad>(app.program);
    w->gameOver = std::make_unique<GameOverWatch>(app.game, svc);
    svc.SetInputLog(w->gameOver.get());
    svc.OnNothingLoaded([&svc] { svc.StopWatching(); });
    LayoutInstructions(app.instructions);

    ended_ = std::move(ended);
    watched_ = std::move(w);
    if (setup_.from) setup_.from->SetWindowsAside(true);
    ShowBanner();
    svc.Dispatch([&app] { app.Start(); });
    QtServices::Watching hooks;
    hooks.taken = [this](const InputEvent& e) { Steer(e); };
    hooks.playedOut = [this] { ShowBanner(); };
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
    svc.Watch(watched_->replay.events, *watched_->pad, std::move(hooks));
    return true;
}

Quibblix* ReplayWatch::Game() const {
    return watched_ ? watched_->app.get() : nullptr;
}
QtServices* ReplayWatch::Backend() const {
    return watched_ ? watched_->svc.get() : nullptr;
}
double ReplayWatch::Speed() const {
    return watched_ ? watched_->svc->WatchSpeed() : 1;
}
bool ReplayWatch::PlayedOut() const {
    return watched_ && watched_->svc->WatchPlayedOut();
}

bool ReplayWatch::Departed() const {
    return watched_ && watched_->departed;
}

void ReplayWatch::Steer(const InputEvent& e) {
    if (!watched_) return;
    QtServices& svc = *watched_->svc;
    if (e.kind == InputEvent::Kind::Close) {
        svc.StopWatching();
        return;
    }
    if (e.kind != InputEvent::Kind::KeyDown || e.shift != 0) return;
    switch (e.code) {
        case vk::Escape:
            if (!e.repeat) svc.StopWatching();
            return;
        case vk::Space:
            if (e.repeat || svc.WatchPlayedOut()) return;
            svc.SetWatchPaused(!svc.WatchPaused());
            break;
        case vk::Right:
            svc.SetWatchSpeed(std::min(kFastest, svc.WatchSpeed() * 2));
            break;
        case vk::Left:
            svc.SetWatchSpeed(std::max(kSlowest, svc.WatchSpeed() / 2));
            break;
        default:
            return;
    }
    ShowBanner();
}

void ReplayWatch::ShowBanner() {
    if (!watched_) return;
    const QtServices& svc = *watched_->svc;
    std::string text = Banner(svc.WatchSpeed(), svc.WatchPaused(), svc.WatchPlayedOut());
    if (watched_->departed) text += std::string("\n") + kDepartedLine;
    watched_->svc->SetBanner(text);
}

void ReplayWatch::Finish() {
    if (!watched_) return;
    watched_.reset();
    if (setup_.from) {
        setup_.from->SetWindowsAside(false);
        setup_.from->ResumeOwnMusic();
    }
    if (ended_) std::exchange(ended_, nullptr)();
}

}  // namespace qbx
