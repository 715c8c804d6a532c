// A game controller's buttons and left stick turned into the calls the keyboard and the mouse
// make on the active screen, so the rules never know which device pressed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace qbx {

class Program;
class Screen;
class Button;

// The buttons by their position on the pad (South is A on most pads), in SDL's order.
enum class PadButton : uint8_t {
    A,
    B,
    X,
    Y,
    Back,
    Start,
    LeftShoulder,
    RightShoulder,
    DpUp,
    DpDown,
    DpLeft,
    DpRight,
};
constexpr int kPadButtonCount = 12;
enum class PadAxis : uint8_t { LeftX, LeftY };

// SDL's names for them ("a", "dpleft", "leftx"); nothing for a name it does not use.
std::optional<PadButton> PadButtonNamed(std::string_view name);
std::optional<PadAxis> PadAxisNamed(std::string_view name);

// The stick counts as pushed past a quarter of its travel, and as let go only once it is back
// under a fifth: a stick resting near the edge does not flicker between the two.
constexpr int kStickPushed = 8192;
constexpr int kStickReleased = 6554;

class Gamepad {
public:
    explicit Gamepad(Program& program, int index = 0) : program_(program), index_(index) {}
    ~Gamepad();
    Gamepad(const Gamepad&) = delete;
    Gamepad& operator=(const Gamepad&) = delete;

    // The mapping of pad `index` (0 the first plugged in): this one, or the second pad's, made
    // when first asked for. While the pads play for one player every pad is the first.
    Gamepad& ForPad(int index);

    // While the active screen shows a button that can be clicked, the d-pad and the stick move
    // the focus between the buttons, South clicks the focused one and East the screen's return
    // button. Otherwise the pad plays: the d-pad and the stick walk as Left and Right, South and
    // East fire as Up, West and North give up the power-up as Down. Start is Esc everywhere.
    void Press(PadButton b);
    void Release(PadButton b);
    // value from -32768 to 32767; negative is left or up.
    void Move(PadAxis axis, int value);
    // The pad is gone: whatever it held goes up.
    void Disconnected();

private:
    enum Dir : uint8_t { Left, Right, Up, Down };
    // A direction from the d-pad or the stick came on.
    void DirectionOn(Dir d, int16_t& sentKey);
    void KeyOn(int16_t code);
    void KeyOff(int16_t code);
    void ReleaseSent(int16_t& sentKey);
    Screen* Navigable() const;
    void MoveFocus(Screen& s, Dir d);
    void StickAxis(int value, int& state, Dir negative, Dir positive, int16_t& sentKey);

    Program& program_;
    int index_;
    std::unique_ptr<Gamepad> second_;
    // The key each held button pressed, so its release lifts that key even when the screen
    // changed meanwhile; 0 for none.
    std::array<int16_t, kPadButtonCount> sentKey_{};
    std::array<bool, kPadButtonCount> down_{};
    int stickX_ = 0, stickY_ = 0;  // -1, 0 or 1 once past the dead zone
    int16_t stickXKey_ = 0, stickYKey_ = 0;
    // How many of the pad's inputs hold each key down: it goes up when the last lets go.
    std::array<uint8_t, 256> holds_{};
};

}  // namespace qbx
