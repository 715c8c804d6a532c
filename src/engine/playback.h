// Recorded inputs played to the screens again, in order: ticks are fired as they were recorded,
// never by a clock; an event pump or a message box the rules run takes the inputs that came
// inside it, up to its end; the seeds the rules read come from the recording. An input that comes
// where the rules did not ask for it, or has nowhere to go, has gone astray: the play has left
// the recorded game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/input.h"

namespace qbx {

class Gamepad;
class Program;
class Screen;
class Timer;
class TimerQueue;

class Playback {
public:
    // Called before each input is delivered, and at the end of each pump: a backend keeps its
    // clock with the recording, or waits for the input's time. It may throw to abandon the play.
    using Pace = std::function<void(const InputEvent&)>;
    // Runs one delivery, inside whatever a backend puts around a call into the screens.
    using Around = std::function<void(const std::function<void()>&)>;

    // Told of each check of the state met in the recording, at the point it was taken: before
    // the input that follows it is delivered. Checks are never delivered nor astray.
    using CheckHook = std::function<void(const InputEvent&)>;

    // Plays events up to (not including) end.
    Playback(Program& program, TimerQueue& queue, Gamepad& pad,
             const std::vector<InputEvent>& events, size_t end, Pace pace = {}, Around around = {});

    void OnCheck(CheckHook hook) { check_ = std::move(hook); }

    bool Done() const { return at_ >= end_; }
    // The input to be played next; only while not Done.
    const InputEvent& Next() const { return events_[at_]; }
    size_t Played() const { return at_; }
    size_t Astray() const { return astray_; }

    // Plays the next input where no handler is running: the end of a pump, or a seed, goes
    // astray there.
    void PlayNext();
    // Inside a handler's event pump or message box: plays the inputs that came inside it, up to
    // and including its end.
    void PlayPump();
    // The seed the rules read now, if the recording has one here; otherwise the play has left
    // the recording (nullopt, counted astray once the recording is not over).
    std::optional<uint64_t> TakeSeed();

private:
    void PlayOne(const InputEvent& e);
    // Hands the checks at the play's place to the hook and passes them.
    void PassChecks();
    // The timer a recorded tick names, or null. A recording names a handful of timers, tick
    // after tick: each is looked up once per loading of its screen.
    Timer* TickTarget(const InputEvent& e);

    struct Target {
        std::string form, control;
        Screen* screen = nullptr;
        uint64_t generation = 0;  // the screen's loading the timer belongs to
        Timer* timer = nullptr;
    };
    std::vector<Target> targets_;

    Program& program_;
    TimerQueue& queue_;
    Gamepad& pad_;
    const std::vector<InputEvent>& events_;
    size_t at_ = 0, end_ = 0, astray_ = 0;
    Pace pace_;
    Around around_;
    CheckHook check_;
};

}  // namespace qbx
