// What enters the screens from outside, in the form a backend delivers it and a replay keeps it:
// timer ticks, keys, clicks, menu commands, closed windows, lost focus, pad actions, and the
// values the rules ask the backend for (seeds, the end of an event pump, the sound's and the
// music's states).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qbx {

class Gamepad;
class Program;
class Screen;

struct InputEvent {
    enum class Kind : uint8_t {
        Tick,        // form.control: a timer's tick as it was really delivered
        KeyDown,     // form, code, shift, repeat
        KeyUp,       // form, code, shift
        Click,       // form.control: a button, or a label that takes the mouse
        Menu,        // form.control: a menu command
        Close,       // form: the window's close box
        Deactivate,  // form: the window lost the keyboard
        PadPress,    // value: the button
        PadRelease,  // value: the button
        PadMove,     // axis, value
        PadGone,     // the pad was unplugged
        Seed,        // seed: a time-of-day seed the rules read
        PumpEnd,     // an event pump (or a message box) the rules ran has returned
        Sound,       // value: the sound was on (1) or off (0) as the game began
        DblClick,    // form.control: a label that takes the mouse
        Music,       // value: the music was on (1) or off (0) as the game began
        Check,       // seed: a hash of the game's state; values: its scalar variables
    };
    static constexpr int kKinds = 17;

    Kind kind = Kind::Tick;
    int64_t atMs = 0;       // on the backend's clock
    std::string form{};     // the screen's name
    std::string control{};  // "tmrBubbles", "cmdPlay", "BubblePic(3)"
    int16_t code = 0, shift = 0;
    bool repeat = false;
    int axis = 0;
    int value = 0;
    uint64_t seed = 0;
    int pad = 0;  // which pad a pad action came from: 0 the first plugged in, 1 the second
    // A check: the game screen's scalar variables in the order a dump lists them.
    std::vector<int32_t> values{};

    bool operator==(const InputEvent&) const = default;
};

// Told of every input a backend delivers, before it is delivered, and of the answers the
// backend gives the rules.
class InputLog {
public:
    virtual ~InputLog() = default;
    virtual void Noted(const InputEvent& e) = 0;
    // A screen was loaded or unloaded (a game begins and ends with the game screen).
    virtual void ScreenLoaded(const Screen& s, bool loaded) = 0;
};

// Hands an input to the screens as the backends do. Ticks are not delivered here: each backend's
// schedule delivers them. Returns false when the input has nowhere to go (no such screen,
// control or window, or a hidden one), which a replay counts as having gone astray.
bool DeliverInput(Program& program, Gamepad& pad, const InputEvent& e);

// The screen's control of that name, if the screen is loaded; never loads it.
class Control;
Control* FindLoadedControl(Program& program, const std::string& form, const std::string& control);

}  // namespace qbx
