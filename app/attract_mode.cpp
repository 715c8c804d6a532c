// The attract mode of the main menu.
#include "app/attract_mode.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cstdlib>

#include "app/game_replays.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/watching_services.h"
#include "forms/quibblix.h"

namespace qbx {

namespace {
// A stick pushed this far (of 32767) is the player's hand, not a worn stick's drift.
constexpr int kStickTouch = 16000;

int32_t BestScore(const replay::Header& h) {
    return h.players == 2 ? std::max(h.score, h.score2) : h.score;
}
}  // namespace

bool MenuAtRest(const Quibblix& app, const QtServices& svc) {
    if (svc.DispatchDepth() > 0 || svc.InputWithheld()) return false;
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
    if (!app.menu.IsVisible()) return false;
    // The screens opened from the menu stay loaded, hidden, once closed; a game is there while
    // it is loaded, shown or not.
    if (app.game.IsLoaded()) return false;
    for (const Screen* s : app.program.Screens())
        if (s != &app.menu && s->IsVisible()) return false;
    const ScreenView* view = svc.ViewOf(app.menu);
    return view && view->isVisible() && !view->isMinimized();
}

std::vector<std::string> DemoChoices(const std::vector<replay::KeptReplay>& kept,
                                     const std::function<bool(const replay::Header&)>& inTables) {
    std::vector<const replay::KeptReplay*> standing, others;
    for (const replay::KeptReplay& k : kept) {
        if (k.header.events == 0) continue;
        (inTables && inTables(k.header) ? standing : others).push_back(&k);
    }
    std::stable_sort(standing.begin(), standing.end(),
                     [](const replay::KeptReplay* a, const replay::KeptReplay* b) {
                         return BestScore(a->header) > BestScore(b->header);
                     });
    std::vector<std::string> paths;
    for (const auto* list : {&standing, &others})
        for (const replay::KeptReplay* k : *list) paths.push_back(k->path);
    return paths;
}

AttractMode::AttractMode(Setup setup)
    : setup_(std::move(setup)),
      clock_(setup_.clock ? *setup_.clock : setup_.svc->TheClock()),
      watch_({.scale = setup_.scale,
              .artist = setup_.artist,
              .from = setup_.svc,
              .recordsDir = setup_.recordsDir,
              .muted = true,
              .banner = kBanner,
              .endsOnAnyInput = true}) {
    restSinceMs_ = clock_.NowMs();
    if (!setup_.on) return;
    QObject::connect(&look_, &QTimer::timeout, this, [this] { Look(); });
    look_.start(kLookEveryMs);
    qApp->installEventFilter(this);
}

AttractMode::~AttractMode() {
    if (setup_.on) qApp->removeEventFilter(this);
}

void AttractMode::Touched() {
    restSinceMs_ = clock_.NowMs();
}

bool AttractMode::Look() {
    if (!setup_.on || Playing()) return Playing();
    const int64_t now = clock_.NowMs();
    if (!MenuAtRest(*setup_.app, *setup_.svc)) {
        restSinceMs_ = now;
        return false;
    }
    if (now - restSinceMs_ < kIdleMs) return false;
    // Whether a demo starts or not, the next look is half a minute away.
    restSinceMs_ = now;
    const std::string recordsDir = setup_.recordsDir;
    const auto choices = DemoChoices(
        replay::ListReplays(setup_.replayDir),
        [&recordsDir](const replay::Header& h) { return StandsInTables(recordsDir, h); });
    // A replay that cannot be played gives way to the next best.
    for (const std::string& file : choices) {
        std::string error;
        if (!watch_.Start(file, error, [this] { Ended(); })) continue;
        played_ = file;
        heldKeys_.clear();
        heldPadButtons_.clear();
        mouseDown_ = false;
        return true;
    }
    return false;
}

void AttractMode::Stop() {
    if (WatchingServices* demo = watch_.Backend()) demo->Stop();
}

void AttractMode::Ended() {
    restSinceMs_ = clock_.NowMs();
}

bool AttractMode::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
        case QEvent::ShortcutOverride: {
            // No menu command of the demo's window, nor of the menu's by a key still held.
            const auto* k = static_cast<QKeyEvent*>(e);
            if (!Playing() && !heldKeys_.count(k->key())) break;
            e->accept();
            return true;
        }
        case QEvent::KeyPress: {
            const auto* k = static_cast<QKeyEvent*>(e);
            if (Playing()) {
                heldKeys_.insert(k->key());
                Stop();
                return true;
            }
            // A key that ended the demo, held on, repeats into nothing.
            if (heldKeys_.count(k->key())) return true;
            Touched();
            break;
        }
        case QEvent::KeyRelease: {
            const auto* k = static_cast<QKeyEvent*>(e);
            if (heldKeys_.count(k->key())) {
                if (!k->isAutoRepeat()) heldKeys_.erase(k->key());
                return true;
            }
            Touched();
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            if (Playing()) {
                mouseDown_ = e->type() != QEvent::Wheel;
                Stop();
                return true;
            }
            Touched();
            break;
        case QEvent::MouseButtonRelease:
            if (mouseDown_ || Playing()) {
                mouseDown_ = false;
                return true;
            }
            Touched();
            break;
        case QEvent::MouseMove:
            if (!Playing()) Touched();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, e);
}

void AttractMode::PadTap::Dispatch(const std::function<void()>& call) {
    mode_.setup_.svc->Dispatch(call);
}

void AttractMode::PadTap::Noted(const InputEvent& e) {
    mode_.setup_.svc->Noted(e);
}

bool AttractMode::PadTap::InputWithheld() const {
    return mode_.setup_.svc->InputWithheld();
}

void AttractMode::PadTap::Input(const InputEvent& e, const std::function<void()>& call) {
    switch (e.kind) {
        case InputEvent::Kind::PadPress:
            if (mode_.Playing()) {
                mode_.heldPadButtons_.insert({e.pad, e.value});
                mode_.Stop();
                return;
            }
            mode_.Touched();
            break;
        case InputEvent::Kind::PadRelease:
            if (mode_.heldPadButtons_.erase({e.pad, e.value})) return;
            mode_.Touched();
            break;
        case InputEvent::Kind::PadMove:
            if (std::abs(e.value) >= kStickTouch) mode_.Touched();
            break;
        default:
            break;
    }
    mode_.setup_.svc->Input(e, call);
}

}  // namespace qbx
