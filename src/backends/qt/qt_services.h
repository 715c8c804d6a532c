// The Qt backend's services: a real event loop, the timers on the shared fixed-rate schedule, a
// window per loaded screen, modal message boxes, and every call into the screens funnelled through
// Dispatch.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "backends/qt/screen_view.h"
#include "backends/qt/sound_output.h"
#include "backends/qt/tick_log.h"
#include "engine/input.h"
#include "engine/playback.h"
#include "engine/program.h"
#include "engine/services.h"
#include "engine/timer_queue.h"

namespace qbx {

class QtServices : public Services, public ViewHost {
public:
    // scale multiplies every window's size in logical pixels (1 draws a twip as 1/15 pixel).
    // The timers run on the monotonic clock unless given another one.
    explicit QtServices(int scale = 1, const Clock* clock = nullptr);
    ~QtServices() override;
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;

    void Attach(Program& p) {
        program_ = &p;
        queue_.Attach(p);
    }

    void DoEvents() override;
    void Sleep(int ms) override;
    void MsgBox(const std::string& text, const std::string& title) override;
    uint64_t TimeOfDaySeed() override;
    std::string ProgramDir() override;
    // The record files go here rather than to the program's directory.
    void SetProgramDir(std::string dir) { programDir_ = std::move(dir); }
    std::string Environ(const std::string& name) override;
    // The screens read this value instead of the environment's.
    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
    [[noreturn]] void End() override;
    void TimerChanged(Timer& t) override;
    void TimerDestroyed(Timer& t) override;
    void ScreenChanged(Screen& s, ScreenEvent e) override;
    void PlaySound(Sound effect, int variant) override;
    bool SoundOn() const override { return soundOn_; }
    void SetSoundOn(bool on) override;
    void PlayMusic(Music piece) override;
    void PauseMusic(bool paused) override;
    bool MusicOn() const override { return musicOn_; }
    void SetMusicOn(bool on) override;
    // Told of every change of the player's music choice (the program remembers it).
    void OnMusicChanged(std::function<void(bool)> f) { onMusicChanged_ = std::move(f); }
    // Gives the shared audio device this program's music again (a watched replay had it).
    void ResumeOwnMusic();

    // Plays the effects from this bank on the audio device, opened in the background.
    void UseSound(const SoundBank& bank);
    // Told of every change of the player's sound choice (the program remembers it).
    void OnSoundChanged(std::function<void(bool)> f) { onSoundChanged_ = std::move(f); }
    // The name box, in the game's colours; an answer given beforehand (the name a watched
    // replay recorded) is taken without showing it.
    bool AskName(const std::string& prompt, const std::string& title, std::string& text,
                 const std::function<std::string(const std::string&)>& refusal) override;
    void Answer(std::string text) { answers_.push_back(std::move(text)); }
    // The choices kept between runs are read and written by the program, which owns the file.
    void KeepChoicesWith(std::function<std::string(const std::string&)> read,
                         std::function<void(const std::string&, const std::string&)> write) {
        readChoice_ = std::move(read);
        writeChoice_ = std::move(write);
    }
    std::string Remembered(const std::string& key) override {
        return readChoice_ ? readChoice_(key) : std::string();
    }
    void Remember(const std::string& key, const std::string& value) override {
        if (writeChoice_) writeChoice_(key, value);
    }

    // Every call into the screens goes through here: it counts nested handlers, collects the
    // controls of unloaded screens once the outermost one has returned, and schedules a
    // repaint of the windows.
    void Dispatch(const std::function<void()>& call) override;
    int DispatchDepth() const { return depth_; }

    // Called after the outermost handler returns with no screen loaded any more (the windowed
    // program then quits).
    void OnNothingLoaded(std::function<void()> f) { onNothingLoaded_ = std::move(f); }

    // Runs job once, soon after the first window has been painted, or before the next call
    // into the screens if that comes first: work the first screen does not need.
    void AfterFirstPaint(std::function<void()> job) { afterFirstPaint_ = std::move(job); }

    // The window of a loaded screen, or null.
    ScreenView* ViewOf(const Screen& s) const;
    int Scale() const { return scale_; }

    void ViewPainted(const Screen& s) override;
    void Noted(const InputEvent& e) override;

    // Told of every input delivered and every answer given to the rules, for a replay.
    void SetInputLog(InputLog* log) {
        log_ = log;
        queue_.SetInputLog(log);
    }
    // Runs just before the program ends at once, to close what must be closed whole.
    void BeforeEnd(std::function<void()> f) { beforeEnd_ = std::move(f); }
    const Clock& TheClock() const { return clock_; }

    // Every window fills the screen, or has its own size again.
    void SetFullScreen(bool on);
    bool WantsFullScreen() const override { return fullScreen_; }
    void FullScreenChosen(bool on, const ScreenView& from) override;
    // Told when the player takes the windows to the full screen or back (F11).
    void OnFullScreenChanged(std::function<void(bool)> f) { onFullScreenChanged_ = std::move(f); }

    // How each timer really ticked, kept when QUIBBLIX_TICK_LOG names a file (written there as
    // the program ends) or after KeepTickLog().
    void KeepTickLog();
    const TickLog* Ticks() const { return tickLog_.get(); }
    void WriteTickLog();

    // Delivers every tick that is due by the clock, the earliest first.
    void RunDueTimers();

    // ---- watching a recording ----
    // The windows play recorded inputs at their recorded pace, times the speed, instead of the
    // timers' own schedule: every tick comes from the recording. Input from the windows and the
    // pads goes to `taken`, never to the screens; `ended` is told once the play is over (the
    // recording played out, Stop, or the recorded game ended the program), outside any handler.
    // `playedOut` is told when the last input has been played; the windows stay until Stop.
    struct Watching {
        std::function<void(const InputEvent&)> taken;
        std::function<void()> playedOut;
        std::function<void()> ended;
        // Each check of the state the recording holds, where the play meets it.
        std::function<void(const InputEvent&)> check;
    };
    void Watch(const std::vector<InputEvent>& events, Gamepad& pad, Watching w);
    bool IsWatching() const { return watch_ != nullptr; }
    // From a quarter of the recorded pace upwards.
    void SetWatchSpeed(double speed);
    void SetWatchPaused(bool paused);
    double WatchSpeed() const { return watch_ ? watch_->speed : 1; }
    bool WatchPaused() const { return watch_ && watch_->paused; }
    // Every input of the recording has been played.
    bool WatchPlayedOut() const { return watch_ && watch_->playback->Done(); }
    // Ends the play at its next input, even from inside a handler's pump.
    void StopWatching();
    // A line shown across the top of every window (a banner), or none when empty.
    void SetBanner(const std::string& text);
    void CueMusic();
    // Plays the effects on another backend's audio device, whose player's choice also mutes
    // them.
    void ShareSound(const QtServices& other);
    void Input(const InputEvent& e, const std::function<void()>& call) override;
    // Hides every window shown, and keeps the input from the windows and pads away from the
    // screens, until the windows are brought back as they were.
    void SetWindowsAside(bool aside);
    bool InputWithheld() const override { return watch_ != nullptr || aside_; }
    const TimerQueue& Timers() const { return queue_; }

private:
    struct WatchState {
        std::unique_ptr<Playback> playback;
        Watching hooks;
        double speed = 1;
        bool paused = false, stopping = false, over = false;
        int depth = 0;  // deliveries under way
        // Where the play was in the recording's time when the pace last changed, and when.
        double anchorMs = 0;
        int64_t anchorNs = 0;
        int64_t shownNs = 0;  // when the windows last showed the play
        double NowMs() const;
        void Rebase();
    };
    // Dispatch without bringing the windows up to date (a recording being watched does that once
    // a frame, not once an input).
    void RunHandler(const std::function<void()>& call);
    void ArmWake();
    void SyncViews();
    void Wake();
    // Plays the inputs due by now; in slices that leave the windows time to paint, or whole.
    void PlayDue(bool slice = true);
    void PaceWatch(const InputEvent& e);
    // Lets the windows be seen until untilNs on the steady clock, the recording's time standing
    // still meanwhile.
    void HoldWatch(int64_t untilNs);
    void EndWatch();
    void RunAfterFirstPaint();

    Program* program_ = nullptr;
    InputLog* log_ = nullptr;
    std::function<void()> beforeEnd_;
    int scale_;
    int depth_ = 0;
    uint64_t seedCounter_ = 0;
    std::function<void()> onNothingLoaded_;
    std::function<void()> afterFirstPaint_;
    bool painted_ = false;
    std::unique_ptr<Clock> ownClock_;
    const Clock& clock_;
    TimerQueue queue_;
    QTimer wake_;  // single-shot, armed for the earliest due tick
    std::unique_ptr<TickLog> tickLog_;
    std::shared_ptr<SoundOutput> sound_;
    const QtServices* soundChoiceOf_ = nullptr;  // whose choice mutes the shared device
    std::unique_ptr<WatchState> watch_;
    std::vector<std::string> answers_;
    std::function<std::string(const std::string&)> readChoice_;
    std::function<void(const std::string&, const std::string&)> writeChoice_;
    bool aside_ = false;
    std::vector<QPointer<ScreenView>> setAside_;
    std::string banner_;
    bool soundOn_ = true;
    bool musicOn_ = true;
    MusicCue music_;
    bool fullScreen_ = false;
    std::function<void(bool)> onSoundChanged_;
    std::function<void(bool)> onMusicChanged_;
    std::function<void(bool)> onFullScreenChanged_;
    std::string programDir_;
    std::map<std::string, std::string> env_;
    bool tickLogWritten_ = false;
    std::string tickLogFile_;
    std::unordered_map<const Screen*, ScreenView*> views_;
    // Windows of unloaded screens, waiting for the event loop to delete them.
    std::vector<QPointer<ScreenView>> dying_;
};

}  // namespace qbx
