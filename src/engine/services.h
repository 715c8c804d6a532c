// The services every backend provides to the screens: event pump, sleep, message box, clock
// seed, program directory, environment, ending the program, sound, and notifications for the
// view.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/sound.h"

namespace qbx {

class Screen;
class Timer;

// The end of a program that goes on being hosted (headless, or a recording being watched): it
// unwinds every handler and event pump still running, up to the delivery that began them
// (Program::Run), so no handler runs after it. A program in a window of its own ends at once
// instead. See the README's design notes ("The end of the program").
struct ProgramEnded : std::exception {
    const char* what() const noexcept override { return "program ended"; }
};
[[noreturn]] inline void EndProgram() {
    throw ProgramEnded();
}

// A kept replay, as a list of them shows it.
struct ReplayListing {
    std::string file;
    std::string when;  // the date and time the game began, as the player reads it
    std::string player;
    int32_t score = 0;
    int16_t level = 0;
    int64_t lengthMs = 0;
};

// The replays kept beside the record files, and watching one; the program provides them.
class ReplayShelf {
public:
    virtual ~ReplayShelf() = default;
    // The most recently begun first.
    virtual std::vector<ReplayListing> List() = 0;
    // Watches the replay in a game screen of its own, once the handler asking for it has
    // returned; the screens hear nothing of it.
    virtual void Watch(const std::string& file) = 0;
    // Makes a video of the replay, once the handler asking for it has returned; the screens
    // hear nothing of it.
    virtual void Export(const std::string& /*file*/) {}
    // Why no video can be made here, and what to install for it; "" where one can.
    virtual std::string ExportHint() { return ""; }
};

enum class ScreenEvent { Loaded, Unloaded, Shown, Hidden, Activated, PointerChanged };

class Services {
public:
    virtual ~Services() = default;

    // Lets pending window events (input, due timer ticks) run from inside a handler.
    virtual void DoEvents() = 0;
    // Suspends the whole program: no input, no timers, no painting.
    virtual void Sleep(int ms) = 0;
    // Modal box with a single OK button; returns when it is closed.
    virtual void MsgBox(const std::string& text, const std::string& title) = 0;
    // A seed taken from the time of day (virtual on the headless clock).
    virtual uint64_t TimeOfDaySeed() = 0;
    virtual std::string ProgramDir() = 0;
    virtual std::string Environ(const std::string& name) = 0;
    // Ends the program at once; no screen's unload handler runs.
    [[noreturn]] virtual void End() = 0;

    // Plays a sound effect, unless the sound is off; never waits for it. variant picks a
    // version of the effect (a popped bubble's size).
    virtual void PlaySound(Sound effect, int variant = 0) = 0;
    virtual bool SoundOn() const = 0;
    // The player's choice; it changes nothing of the game but what is heard.
    virtual void SetSoundOn(bool on) = 0;

    // The music the moment calls for: a piece from its beginning (None stops it), paused and
    // resumed where it is. It is heard while both the music and the sound are on; playing a
    // piece resumes it.
    virtual void PlayMusic(Music piece) = 0;
    virtual void PauseMusic(bool paused) = 0;
    virtual bool MusicOn() const = 0;
    // The player's choice of music, apart from the sound's; it changes nothing of the game.
    virtual void SetMusicOn(bool on) = 0;
    // A small modal box asking for a name, with `text` filled in. `refusal` says in one line
    // why a name cannot be taken ("" takes it); the box then stays open with that line. Returns
    // false, with `text` as it was, when the box is cancelled.
    virtual bool AskName(const std::string& prompt, const std::string& title, std::string& text,
                         const std::function<std::string(const std::string&)>& refusal) {
        (void)prompt, (void)title;
        return refusal(text).empty();
    }
    // A choice kept between runs of the program (in its settings file); "" when none was.
    virtual std::string Remembered(const std::string& key) {
        (void)key;
        return {};
    }
    virtual void Remember(const std::string& key, const std::string& value) {
        (void)key, (void)value;
    }

    // The kept replays, or null where there are none to show (a replay being verified).
    ReplayShelf* Replays() const { return shelf_; }
    void SetReplayShelf(ReplayShelf* shelf) { shelf_ = shelf; }

    virtual void TimerChanged(Timer& t) = 0;
    virtual void TimerDestroyed(Timer& t) = 0;
    virtual void ScreenChanged(Screen& s, ScreenEvent e) = 0;

private:
    ReplayShelf* shelf_ = nullptr;
};

// Uniform random numbers in [0, 1), as single precision, reseedable. Values pushed with Force
// are returned first (tests drive exact rolls with them).
class Random {
public:
    void Seed(uint64_t seed);
    float Rnd();
    void Force(float value) { forced_.push_back(value); }

private:
    uint64_t state_ = 0x853c49e6748fea9bULL;
    std::deque<float> forced_;
};

}  // namespace qbx
