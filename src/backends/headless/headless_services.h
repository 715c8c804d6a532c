// The headless backend: a virtual clock on which timers fire in due-time order, scripted input
// delivered by the event pump, and message boxes that are recorded and answered at once.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/input.h"
#include "engine/playback.h"
#include "engine/program.h"
#include "engine/services.h"
#include "engine/timer_queue.h"

namespace qbx {

struct MessageRecord {
    std::string title;
    std::string text;
};

class HeadlessServices : public Services {
public:
    explicit HeadlessServices(uint64_t seed = 1) : seed_(seed), queue_(clock_) {}

    void Attach(Program& p) {
        program_ = &p;
        queue_.Attach(p);
    }

    void DoEvents() override;
    void Sleep(int ms) override;
    void MsgBox(const std::string& text, const std::string& title) override;
    uint64_t TimeOfDaySeed() override;
    std::string ProgramDir() override { return programDir_; }
    std::string Environ(const std::string& name) override;
    [[noreturn]] void End() override;
    void TimerChanged(Timer& t) override;
    void TimerDestroyed(Timer& t) override;
    void ScreenChanged(Screen& s, ScreenEvent e) override;
    // Sound is recorded, not played: the effects asked for while it is on.
    void PlaySound(Sound effect, int /*variant*/) override {
        if (!soundOn_) return;
        sounds_.push_back(effect);
        lastEffectMs_ = clock_.ms;
    }
    // The name box takes the answers given to it in turn (the driver's answer command), each
    // refused one noted as a message, and is cancelled when none is taken; with no answer given
    // it takes the name filled in.
    bool AskName(const std::string& prompt, const std::string& title, std::string& text,
                 const std::function<std::string(const std::string&)>& refusal) override;
    void Answer(std::string text) { answers_.push_back(std::move(text)); }
    std::string Remembered(const std::string& key) override;
    void Remember(const std::string& key, const std::string& value) override {
        remembered_[key] = value;
    }
    bool SoundOn() const override { return soundOn_; }
    void SetSoundOn(bool on) override { soundOn_ = on; }
    // The effects asked for since the last call.
    std::vector<Sound> TakeSounds() { return std::exchange(sounds_, {}); }
    // Music is followed, not rendered: the piece asked for last and whether it is paused.
    void PlayMusic(Music piece) override {
        piece_ = piece;
        musicPaused_ = false;
    }
    void PauseMusic(bool paused) override { musicPaused_ = paused; }
    bool MusicOn() const override { return musicOn_; }
    void SetMusicOn(bool on) override { musicOn_ = on; }
    Music MusicPiece() const { return piece_; }
    // "off" while the music or the sound is off, "stopped" with no piece, "paused", "ducked"
    // for half a second after an effect was asked for, else "playing".
    std::string_view MusicState() const;

    // Advances the clock by ms, firing every timer that falls due on the way.
    void Advance(int64_t ms);
    // Runs the input queued with Post (the pump of a handler or the driver between lines).
    void DeliverPosted();
    void Post(std::function<void()> input) { posted_.push_back(std::move(input)); }
    bool HasPosted() const { return !posted_.empty(); }
    // Input from outside the script (a signal asking the program to end): looked for at every
    // event pump, between timer ticks and between the driver's commands.
    void OnOutsideInput(std::function<void()> f) { outside_ = std::move(f); }
    void DeliverOutside() {
        if (outside_) outside_();
    }

    int64_t Clock() const { return clock_.ms; }
    const qbx::Clock& TheClock() const { return clock_; }

    // Told of every input delivered and every answer given to the rules, for a replay.
    void SetInputLog(InputLog* log) {
        log_ = log;
        queue_.SetInputLog(log);
    }
    // Notes an input and hands it to the screens.
    bool Deliver(const InputEvent& e, Gamepad& pad);

    // Plays recorded inputs from the first up to (not including) end: each tick is delivered as
    // it was recorded, never by the clock; the event pumps and message boxes of the handlers
    // take the inputs that came inside them, and the seeds the rules read come from the
    // recording. Returns how many inputs went astray: had nowhere to go, or came where the
    // rules did not ask for them, which means the play has left the recorded game.
    size_t PlayRecorded(const std::vector<InputEvent>& events, size_t end, Gamepad& pad);
    // Told of the checks of the state the recording holds, where they were taken.
    void SetCheckHook(Playback::CheckHook hook) { checkHook_ = std::move(hook); }
    bool Replaying() const { return playback_ != nullptr; }
    // Told of each recorded input just before PlayRecorded plays it, and of each pump's end as
    // the pump returns: what the game looks like at every moment of a recording.
    void OnPlaying(std::function<void(const InputEvent&)> f) { onPlaying_ = std::move(f); }
    // Told the clock's time as each recorded input is about to be played, once the clock has
    // come to it: a video of the replay keeps its frames and its sound in step with the play.
    void OnPlayTime(std::function<void(int64_t ms)> f) { playTime_ = std::move(f); }
    const TimerQueue& Timers() const { return queue_; }
    bool Ended() const { return ended_; }
    const std::vector<MessageRecord>& Messages() const { return messages_; }
    void SetProgramDir(std::string dir) { programDir_ = std::move(dir); }
    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }

private:
    struct VirtualClock : qbx::Clock {
        int64_t ms = 0;
        int64_t NowNs() const override { return ms * 1000000; }
    };

    void Noted(const InputEvent& e);

    Program* program_ = nullptr;
    InputLog* log_ = nullptr;
    Playback* playback_ = nullptr;
    std::function<void(const InputEvent&)> onPlaying_;
    Playback::CheckHook checkHook_;
    std::function<void(int64_t)> playTime_;
    uint64_t seed_;
    uint64_t reseeds_ = 0;
    VirtualClock clock_;
    TimerQueue queue_;
    bool ended_ = false;
    std::string programDir_ = ".";
    std::map<std::string, std::string> env_;
    std::deque<std::function<void()>> posted_;
    std::function<void()> outside_;
    std::vector<MessageRecord> messages_;
    bool soundOn_ = true;
    std::vector<Sound> sounds_;
    int64_t lastEffectMs_ = INT64_MIN / 2;
    Music piece_ = Music::None;
    bool musicPaused_ = false;
    bool musicOn_ = true;
    std::deque<std::string> answers_;
    std::map<std::string, std::string> remembered_;
};

}  // namespace qbx
