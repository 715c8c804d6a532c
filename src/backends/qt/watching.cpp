// Watching a recording in the windows: the recorded inputs at their recorded pace times the
// watcher's speed, the watcher's own input kept from the screens, and seeking.
#include <QCoreApplication>
#include <QEventLoop>
#include <QLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "backends/qt/steady_clock.h"
#include "backends/qt/watching_services.h"
#include "engine/controls.h"
#include "engine/screen.h"

namespace qbx {

namespace {
// Ticks played in one go before the windows get a turn to paint.
constexpr int64_t kPlaySliceNs = 8'000'000;
// The longest wait between looks at a pause, a speed change, a seek or Stop.
constexpr int kLongestWaitMs = 50;
// A frame at 60 Hz.
constexpr int64_t kFrameNs = 16'666'667;
// How long a message box of a recording being watched stays at least.
constexpr int64_t kBoxReadNs = 2'000'000'000;
// How long the keys line says a shot was fired.
constexpr int64_t kShotShownMs = 300;

// The first input later than ms, in a recording kept in the order of its times.
size_t FirstAfter(const std::vector<InputEvent>& events, double ms) {
    return static_cast<size_t>(std::upper_bound(events.begin(), events.end(), ms,
                                                [](double t, const InputEvent& e) {
                                                    return t < static_cast<double>(e.atMs);
                                                }) -
                               events.begin());
}
// The timeline in its row of a window, below the screen (a plain widget: found by its name).
const QString kTimelineName = QStringLiteral("timeline");
Timeline* TimelineIn(const ScreenView& v) {
    return static_cast<Timeline*>(v.findChild<QWidget*>(kTimelineName, Qt::FindDirectChildrenOnly));
}
}  // namespace

// ---- the keys held ----

void HeldKeys::Follow(const std::vector<InputEvent>& events, size_t played) {
    played = std::min(played, events.size());
    if (played < at_) {
        at_ = 0;
        keys_.clear();
        pad_.clear();
    }
    for (; at_ < played; ++at_) {
        const InputEvent& e = events[at_];
        switch (e.kind) {
            case InputEvent::Kind::KeyDown:
                keys_.insert(e.code);
                break;
            case InputEvent::Kind::KeyUp:
                keys_.erase(e.code);
                break;
            case InputEvent::Kind::Deactivate:
                // The window lost the keyboard: the releases went elsewhere.
                keys_.clear();
                break;
            case InputEvent::Kind::PadPress:
                pad_.insert(e.value);
                break;
            case InputEvent::Kind::PadRelease:
                pad_.erase(e.value);
                break;
            case InputEvent::Kind::PadGone:
                pad_.clear();
                break;
            default:
                break;
        }
    }
}

std::string HeldKeys::KeyName(int16_t code) {
    switch (code) {
        case vk::Left:
            return "Left";
        case vk::Right:
            return "Right";
        case vk::Up:
            return "Up";
        case vk::Down:
            return "Down";
        case vk::Space:
            return "Space";
        case vk::Enter:
            return "Enter";
        case vk::Escape:
            return "Esc";
        case vk::Tab:
            return "Tab";
        case 16:
            return "Shift";
        case 17:
            return "Ctrl";
        case 18:
            return "Alt";
        default:
            break;
    }
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return std::string(1, static_cast<char>(code));
    std::string name = "#";
    name += std::to_string(code);
    return name;
}

std::string HeldKeys::Line() const {
    static const char* const kPadNames[] = {"A",  "B",  "X",  "Y",    "Back", "Start",
                                            "LB", "RB", "Up", "Down", "Left", "Right"};
    std::string line;
    for (int16_t k : keys_) {
        if (!line.empty()) line += ' ';
        line += KeyName(k);
    }
    if (!pad_.empty()) {
        line += line.empty() ? "pad" : " \u00b7 pad";
        for (int b : pad_) {
            line += ' ';
            line += b >= 0 && b < 12 ? kPadNames[b] : "?";
        }
    }
    return line;
}

// ---- pace ----

WatchingServices::~WatchingServices() {
    playback_.reset();
    for (ScreenView* v : kept_) delete v;
}

double WatchingServices::NowMs() const {
    if (paused_) return anchorMs_;
    return anchorMs_ + static_cast<double>(SteadyNowNs() - anchorNs_) / 1e6 * speed_;
}

void WatchingServices::Rebase() {
    anchorMs_ = NowMs();
    anchorNs_ = SteadyNowNs();
}

void WatchingServices::Watch(const std::vector<InputEvent>& events, Gamepad& pad, Hooks hooks,
                             size_t endIndex) {
    WakeTimer().stop();
    events_ = &events;
    hooks_ = std::move(hooks);
    endIndex_ = std::min(endIndex, events.size());
    startMs_ = events.empty() ? 0 : events.front().atMs;
    endMs_ = events.empty() ? 0 : events.back().atMs;
    for (const auto& [screen, view] : Views())
        if (Timeline* t = TimelineOf(*screen)) t->SetSpan(startMs_, endMs_);
    Replay(pad);
}

void WatchingServices::Replay(Gamepad& pad) {
    playback_ = std::make_unique<Playback>(
        *TheProgram(), Queue(), pad, *events_, events_->size(),
        [this](const InputEvent& e) { PaceWatch(e); },
        [this](const std::function<void()>& call) { RunHandler(call); });
    playback_->OnCheck(hooks_.check);
    if (!seeking_) {
        anchorMs_ = static_cast<double>(startMs_);
        anchorNs_ = SteadyNowNs();
    }
    // The inputs that begin the game are played at once, however busy the machine, before a
    // window of the program just started has been painted.
    PlayDue(false);
}

void WatchingServices::SetSpeed(double speed) {
    if (!playback_) return;
    Rebase();
    speed_ = std::max(0.25, speed);
    if (depth_ == 0) ArmWake();
}

void WatchingServices::SetPaused(bool paused) {
    if (!playback_) return;
    Rebase();
    paused_ = paused;
    if (depth_ == 0) ArmWake();
    CueMusic();  // the watched game's music stands still with it
    Refresh();
}

void WatchingServices::Stop() {
    if (!playback_) return;
    stopping_ = true;
    if (depth_ == 0) EndWatch();
}

int64_t WatchingServices::PositionMs() const {
    const double at = seeking_ ? targetMs_ : NowMs();
    return std::clamp(static_cast<int64_t>(std::floor(at)), startMs_, endMs_);
}

void WatchingServices::Wake() {
    if (playback_) PlayDue();
}

void WatchingServices::ArmWake() {
    if (!playback_) {
        // The watched program's timers tick only as the recording says.
        WakeTimer().stop();
        return;
    }
    if (over_ || depth_ > 0) {
        if (over_) WakeTimer().stop();
        return;
    }
    if (restart_ || seeking_) {
        WakeTimer().start(0);
        return;
    }
    if (paused_ || playback_->Done()) {
        WakeTimer().stop();
        return;
    }
    const double waitMs = (static_cast<double>(playback_->Next().atMs) - NowMs()) / speed_;
    WakeTimer().start(waitMs <= 0 ? 0 : static_cast<int>(std::ceil(waitMs)));
}

bool WatchingServices::SeekReached(const InputEvent& next) const {
    const auto index = static_cast<size_t>(&next - events_->data());
    return index >= endIndex_ || static_cast<double>(next.atMs) > targetMs_;
}

void WatchingServices::PlayDue(bool slice) {
    if (!playback_ || depth_ > 0 || over_) return;
    if (restart_) {
        Restart();
        return;
    }
    const int64_t startNs = SteadyNowNs();
    const bool wasDone = playback_->Done();
    ++depth_;
    try {
        Program::Delivery delivery(TheProgram());
        while (!stopping_ && !playback_->Done()) {
            const InputEvent& next = playback_->Next();
            if (seeking_) {
                if (SeekReached(next)) break;
            } else if (paused_ || static_cast<double>(next.atMs) > NowMs()) {
                break;
            }
            playback_->PlayNext();
            if (!seeking_ && slice && SteadyNowNs() - startNs > kPlaySliceNs) break;
        }
    } catch (const ProgramEnded&) {
        stopping_ = true;
    } catch (const Restarting&) {
        // The program is left where it was; a fresh one takes over at the next wake.
    }
    --depth_;
    if (stopping_) {
        SyncViews();
        EndWatch();
        return;
    }
    if (restart_) {
        ArmWake();
        return;
    }
    if (seeking_) FinishSeek();
    SyncViews();
    if (!wasDone && playback_->Done() && hooks_.playedOut) hooks_.playedOut();
    ArmWake();
}

void WatchingServices::Show() {
    shownNs_ = SteadyNowNs();
    SyncViews();
    for (const auto& [screen, view] : Views()) view->FlushFrame();
    Refresh();
}

void WatchingServices::PaceWatch(const InputEvent& e) {
    if (stopping_) EndProgram();
    if (restart_) throw Restarting{};
    if (seeking_) {
        if (!SeekReached(e)) return;
        FinishSeek();
    }
    const auto due = static_cast<double>(e.atMs);
    // What the handlers did shows at the display's pace, even where the play runs behind (a busy
    // machine, a high speed) inside a handler's pump, and the watcher's keys are heard.
    if (SteadyNowNs() - shownNs_ >= kFrameNs) {
        Show();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    for (bool shown = false;;) {
        if (stopping_) EndProgram();
        if (restart_) throw Restarting{};
        if (seeking_) {
            // Asked while waiting here: on at once to the moment asked for.
            if (!SeekReached(e)) return;
            FinishSeek();
            shown = true;
        }
        if (!paused_ && NowMs() >= due) return;
        if (!shown) {
            shown = true;
            Show();
        }
        int waitMs = kLongestWaitMs;
        if (!paused_)
            waitMs = std::clamp(static_cast<int>(std::ceil((due - NowMs()) / speed_)), 1,
                                kLongestWaitMs);
        QEventLoop loop;
        QTimer::singleShot(waitMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void WatchingServices::HoldWatch(int64_t untilNs) {
    Rebase();
    while (!stopping_ && !restart_ && !seeking_ && SteadyNowNs() < untilNs) {
        QEventLoop loop;
        QTimer::singleShot(kLongestWaitMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (stopping_) EndProgram();
    if (restart_) throw Restarting{};
    // The recording's time stood still meanwhile, unless a seek has set it since.
    if (!seeking_) anchorNs_ = SteadyNowNs();
}

void WatchingServices::EndWatch() {
    if (over_) return;
    over_ = true;
    WakeTimer().stop();
    // Told from the event loop: the caller may be deep inside the play.
    QTimer::singleShot(0, &WakeTimer(), [this] {
        if (hooks_.ended) hooks_.ended();
    });
}

// ---- seeking ----

void WatchingServices::SeekTo(int64_t ms) {
    if (!playback_ || over_ || stopping_) return;
    const int64_t target = std::clamp(ms, startMs_, endMs_);
    // Backwards past an input already played: only a fresh program can be there.
    const size_t played = playback_->Played();
    if (played > 0 && (*events_)[played - 1].atMs > target) restart_ = true;
    seeking_ = true;
    targetMs_ = static_cast<double>(target);
    anchorMs_ = targetMs_;
    anchorNs_ = SteadyNowNs();
    // At the end the watching waits there, the game's last moment on the screen.
    if (target >= endMs_) paused_ = true;
    if (depth_ == 0) ArmWake();
    Refresh();
}

std::optional<int64_t> WatchingServices::NextTickMs() const {
    if (!events_) return std::nullopt;
    const size_t from = FirstAfter(*events_, static_cast<double>(PositionMs()));
    for (size_t i = from; i < events_->size(); ++i)
        if ((*events_)[i].kind == InputEvent::Kind::Tick) return (*events_)[i].atMs;
    return std::nullopt;
}

std::optional<int64_t> WatchingServices::PreviousTickMs() const {
    if (!events_) return std::nullopt;
    const int64_t at = PositionMs();
    for (size_t i = FirstAfter(*events_, static_cast<double>(at)); i-- > 0;)
        if ((*events_)[i].kind == InputEvent::Kind::Tick && (*events_)[i].atMs < at)
            return (*events_)[i].atMs;
    return std::nullopt;
}

void WatchingServices::Restart() {
    restart_ = false;
    playback_.reset();
    // The windows stay where they are, for the program made next.
    for (ScreenView* v : ReleaseViews()) {
        v->Detach();
        kept_.push_back(v);
    }
    if (hooks_.restart) hooks_.restart();
}

void WatchingServices::FinishSeek() {
    seeking_ = false;
    anchorMs_ = targetMs_;
    anchorNs_ = SteadyNowNs();
    // The windows as the screens are now, the active one on top.
    if (Program* p = TheProgram()) {
        for (Screen* s : p->Screens()) {
            ScreenView* v = ViewOf(*s);
            if (s->IsVisible() && (!v || !v->isVisible()))
                QtServices::ScreenChanged(*s, ScreenEvent::Shown);
            else if (!s->IsVisible() && v && v->isVisible())
                QtServices::ScreenChanged(*s, ScreenEvent::Hidden);
        }
        if (Screen* active = p->Active(); active && active->IsVisible())
            QtServices::ScreenChanged(*active, ScreenEvent::Shown);
    }
    for (ScreenView* v : kept_) {
        v->hide();
        v->deleteLater();
    }
    kept_.clear();
    CueMusic();
    Show();
    if (hooks_.moved) hooks_.moved();
}

// ---- the timeline ----

ScreenView* WatchingServices::MakeView(Screen& s) {
    ScreenView* view = nullptr;
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if ((*it)->objectName().toStdString() != s.Name()) continue;
        view = *it;
        kept_.erase(it);
        view->Reattach(s);
        view->SetBanner(QString::fromStdString(Banner()));
        break;
    }
    if (!view) {
        view = QtServices::MakeView(s);
        view->setObjectName(QString::fromStdString(s.Name()));
        auto* t = new Timeline(view, Scale());
        t->setObjectName(kTimelineName);
        view->layout()->addWidget(t);
        t->OnJump([this](int64_t ms) { SeekTo(ms); });
        t->show();
    }
    if (Timeline* t = TimelineIn(*view)) {
        t->SetSpan(startMs_, endMs_);
        t->SetMoments(moments_);
        t->SetPosition(PositionMs());
        t->SetKeys(QString::fromStdString(KeysLine()));
    }
    return view;
}

Timeline* WatchingServices::TimelineOf(const Screen& s) const {
    ScreenView* v = ViewOf(s);
    return v ? TimelineIn(*v) : nullptr;
}

void WatchingServices::SetMoments(std::vector<Moment> moments) {
    moments_ = std::move(moments);
    for (const auto& [screen, view] : Views())
        if (Timeline* t = TimelineOf(*screen)) t->SetMoments(moments_);
}

void WatchingServices::SetKeysShown(bool shown) {
    keysShown_ = shown;
    Refresh();
}

std::string WatchingServices::KeysLine() const {
    if (!keysShown_ || !events_) return "";
    std::string line = "Keys: " + (held_.Line().empty() ? std::string("none") : held_.Line());
    const int64_t at = PositionMs();
    const auto shot = std::upper_bound(shots_.begin(), shots_.end(), at);
    if (shot != shots_.begin() && at - *std::prev(shot) < kShotShownMs) line += " \u2014 shot!";
    return line;
}

void WatchingServices::Refresh() {
    if (!events_) return;
    if (keysShown_) held_.Follow(*events_, FirstAfter(*events_, static_cast<double>(PositionMs())));
    const QString keys = QString::fromStdString(KeysLine());
    for (const auto& [screen, view] : Views())
        if (Timeline* t = TimelineOf(*screen)) {
            t->SetPosition(PositionMs());
            t->SetKeys(keys);
        }
}

// ---- the services a watched program sees ----

void WatchingServices::DoEvents() {
    if (!playback_) {
        QtServices::DoEvents();
        return;
    }
    if (!seeking_) {
        SyncViews();
        for (const auto& [screen, view] : Views()) view->FlushFrame();
    }
    // The inputs that came inside this pump, each at its time.
    playback_->PlayPump();
    if (!seeking_) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WatchingServices::Sleep(int /*ms*/) {
    // The pace is kept by the time of the next input.
    if (!seeking_) SyncViews();
}

void WatchingServices::MsgBox(const std::string& text, const std::string& title) {
    if (!playback_) {
        QtServices::MsgBox(text, title);
        return;
    }
    // The box stays open as long as it did, as a line over the window.
    const std::string banner = Banner();
    std::string line = text;
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::replace(line.begin(), line.end(), '\n', ' ');
    SetBanner(banner + "\n" + line);
    if (!seeking_) SyncViews();
    struct Restore {
        WatchingServices& s;
        std::string banner;
        ~Restore() { s.SetBanner(banner); }
    } restore{*this, banner};
    const int64_t openedNs = SteadyNowNs();
    playback_->PlayPump();
    // However fast the watching, a box stays long enough to be read; not on the way to a seek.
    if (!seeking_) HoldWatch(openedNs + kBoxReadNs);
}

uint64_t WatchingServices::TimeOfDaySeed() {
    if (playback_)
        if (const auto recorded = playback_->TakeSeed()) return *recorded;
    return QtServices::TimeOfDaySeed();
}

void WatchingServices::End() {
    // The recorded game ended its program: the watching ends, this program goes on.
    EndProgram();
}

void WatchingServices::ScreenChanged(Screen& s, ScreenEvent e) {
    // On the way to a seek the windows are left as they are, and brought up to date at its end.
    if (seeking_ && e != ScreenEvent::Loaded && e != ScreenEvent::Unloaded) return;
    QtServices::ScreenChanged(s, e);
}

void WatchingServices::Input(const InputEvent& e, const std::function<void()>& /*call*/) {
    if (hooks_.taken) hooks_.taken(e);
}

}  // namespace qbx
