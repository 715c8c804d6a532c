// Watching a recording in the windows: the recorded inputs at their recorded pace times the
// watcher's speed, the watcher's own input kept from the screens. The watching can be paused,
// sped up and slowed down, and sent to any moment of the recording: forwards the inputs up to it
// are played at once, without pacing, painting or sound; backwards the watched program is
// started again by its owner and played at once up to it, in the same windows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backends/qt/qt_services.h"
#include "backends/qt/timeline.h"
#include "engine/playback.h"

namespace qbx {

// Which keys and pad buttons the recorded inputs hold down at a point of the recording.
class HeldKeys {
public:
    // Brings the keys up to the first `played` inputs of events (from the start again when the
    // point lies before the one reached).
    void Follow(const std::vector<InputEvent>& events, size_t played);
    const std::set<int16_t>& Keys() const { return keys_; }
    const std::set<int>& PadButtons() const { return pad_; }
    // "Left Space · pad A": the keys by their names, then the pad's buttons.
    std::string Line() const;
    static std::string KeyName(int16_t code);

private:
    size_t at_ = 0;
    std::set<int16_t> keys_;
    std::set<int> pad_;
};

class WatchingServices : public QtServices {
public:
    struct Hooks {
        // Input from the windows and the pads: never the screens'.
        std::function<void(const InputEvent&)> taken;
        // The last input has been played; the windows stay until Stop.
        std::function<void()> playedOut;
        // The play is over (played out and stopped, Stop, or the recorded game ended the
        // program), told from the event loop.
        std::function<void()> ended;
        // The watched program is to be made again from the beginning: the owner lets the old
        // one go (its windows are kept), makes a new one, starts it and calls Replay.
        std::function<void()> restart;
        // The watching has moved or shown a frame: the banner and the timeline follow.
        std::function<void()> moved;
        // Each check of the state the recording holds, where the play meets it.
        std::function<void(const InputEvent&)> check;
    };

    explicit WatchingServices(int scale = 1) : QtServices(scale) {}
    ~WatchingServices() override;

    // Plays events to the program attached. A seek never plays the input at endIndex or any
    // after it (the one that ends the recorded game, which ends the watching).
    void Watch(const std::vector<InputEvent>& events, Gamepad& pad, Hooks hooks,
               size_t endIndex = SIZE_MAX);
    // The program made again after `restart`: its play begins, fast up to where it was asked.
    void Replay(Gamepad& pad);

    bool IsWatching() const { return playback_ != nullptr; }
    // From a quarter of the recorded pace upwards.
    void SetSpeed(double speed);
    void SetPaused(bool paused);
    double Speed() const { return speed_; }
    bool Paused() const { return paused_; }
    // Every input of the recording has been played, and the play has come back from them: the
    // last may end inside a handler still waiting there (a message box the game ends with, where
    // a seek to the end stops), and going on from it is still to come.
    bool PlayedOut() const { return playback_ && playback_->Done() && depth_ == 0; }
    // Ends the play at its next input, even from inside a handler's pump.
    void Stop();

    // ---- where the watching is ----
    // The recording's time the watching has reached, from StartMs to EndMs.
    int64_t PositionMs() const;
    int64_t StartMs() const { return startMs_; }
    int64_t EndMs() const { return endMs_; }
    // How many inputs have been played.
    size_t Played() const { return playback_ ? playback_->Played() : 0; }
    // Sends the watching to a moment of the recording, within its start and end; a pause
    // stays a pause. Done from the event loop; Seeking() until the picture there is shown.
    void SeekTo(int64_t ms);
    bool Seeking() const { return seeking_; }
    // The moment of the game's next (or previous) timer tick from where the watching is, if any.
    std::optional<int64_t> NextTickMs() const;
    std::optional<int64_t> PreviousTickMs() const;

    // ---- the timeline and the keys overlay ----
    void SetMoments(std::vector<Moment> moments);
    const std::vector<Moment>& Moments() const { return moments_; }
    void SetKeysShown(bool shown);
    bool KeysShown() const { return keysShown_; }
    // The moments of the shots fired, shown with the keys.
    void SetShots(std::vector<int64_t> shotsMs) { shots_ = std::move(shotsMs); }
    const HeldKeys& Held() const { return held_; }
    // The keys line as the overlay shows it now, "" while the overlay is off.
    std::string KeysLine() const;
    // The timeline of a screen's window, or null.
    Timeline* TimelineOf(const Screen& s) const;

    // ---- the services a watched program sees ----
    void DoEvents() override;
    void Sleep(int ms) override;
    void MsgBox(const std::string& text, const std::string& title) override;
    uint64_t TimeOfDaySeed() override;
    [[noreturn]] void End() override;
    void ScreenChanged(Screen& s, ScreenEvent e) override;
    void Input(const InputEvent& e, const std::function<void()>& call) override;
    bool InputWithheld() const override { return true; }

protected:
    void ArmWake() override;
    void Wake() override;
    bool MusicHeld() const override { return paused_; }
    bool Quiet() const override { return seeking_; }
    ScreenView* MakeView(Screen& s) override;

private:
    // Thrown through the watched program's handlers to leave it for a fresh one.
    struct Restarting {};

    double NowMs() const;
    void Rebase();
    // Plays the inputs due by now; in slices that leave the windows time to paint, or whole.
    void PlayDue(bool slice = true);
    void PaceWatch(const InputEvent& e);
    // Whether the play has come to the moment a seek asked for (the next input lies past it).
    bool SeekReached(const InputEvent& next) const;
    void FinishSeek();
    void Restart();
    void Show();
    // Lets the windows be seen until untilNs on the steady clock, the recording's time standing
    // still meanwhile.
    void HoldWatch(int64_t untilNs);
    void EndWatch();
    void Refresh();

    const std::vector<InputEvent>* events_ = nullptr;
    std::unique_ptr<Playback> playback_;
    Hooks hooks_;
    size_t endIndex_ = SIZE_MAX;
    int64_t startMs_ = 0, endMs_ = 0;
    double speed_ = 1;
    bool paused_ = false, stopping_ = false, over_ = false;
    int depth_ = 0;  // deliveries under way
    // Where the play was in the recording's time when the pace last changed, and when.
    double anchorMs_ = 0;
    int64_t anchorNs_ = 0;
    int64_t shownNs_ = 0;  // when the windows last showed the play
    // A seek under way: played at once up to targetMs_; from the beginning when restart_.
    bool seeking_ = false, restart_ = false;
    double targetMs_ = 0;
    std::vector<ScreenView*> kept_;  // the windows of the program before, for the next
    std::vector<Moment> moments_;
    std::vector<int64_t> shots_;
    bool keysShown_ = false;
    HeldKeys held_;
};

}  // namespace qbx
