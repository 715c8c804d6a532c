// A game controller's input as key presses, focus moves and clicks on the active screen.
#include "engine/gamepad.h"

#include <cmath>
#include <cstdlib>

#include "engine/program.h"
#include "engine/screen.h"

namespace qbx {

namespace {

constexpr std::string_view kButtonNames[kPadButtonCount] = {
    "a",    "b",      "x",      "y",       "back", "start", "leftshoulder", "rightshoulder",
    "dpup", "dpdown", "dpleft", "dpright",
};

size_t Slot(PadButton b) {
    return static_cast<size_t>(b);
}

bool Clickable(const Button& b) {
    return b.Visible && b.Enabled;
}

}  // namespace

std::optional<PadButton> PadButtonNamed(std::string_view name) {
    for (int i = 0; i < kPadButtonCount; ++i)
        if (kButtonNames[i] == name) return static_cast<PadButton>(i);
    return std::nullopt;
}

std::optional<PadAxis> PadAxisNamed(std::string_view name) {
    if (name == "leftx") return PadAxis::LeftX;
    if (name == "lefty") return PadAxis::LeftY;
    return std::nullopt;
}

Gamepad::~Gamepad() = default;

Gamepad& Gamepad::ForPad(int index) {
    if (index != 1 || index_ != 0 || program_.PadPlayers() < 2) return *this;
    if (!second_) second_ = std::make_unique<Gamepad>(program_, 1);
    return *second_;
}

void Gamepad::Press(PadButton b) {
    const size_t i = Slot(b);
    // A pad button does not repeat: a second press without a release is the same press.
    if (down_[i]) return;
    down_[i] = true;
    Screen* nav = Navigable();
    switch (b) {
        case PadButton::DpLeft:
            return DirectionOn(Left, sentKey_[i]);
        case PadButton::DpRight:
            return DirectionOn(Right, sentKey_[i]);
        case PadButton::DpUp:
            return DirectionOn(Up, sentKey_[i]);
        case PadButton::DpDown:
            return DirectionOn(Down, sentKey_[i]);
        case PadButton::A:
            if (nav) {
                if (!nav->FocusedButton()) nav->FocusFirst();
                if (Button* f = nav->FocusedButton()) nav->ClickButton(*f);
                return;
            }
            sentKey_[i] = program_.PadKeysOf(index_).fire;
            return KeyOn(sentKey_[i]);
        case PadButton::B:
            if (nav) {
                for (Button* r : nav->Buttons())
                    if (r->returnButton && Clickable(*r)) return nav->ClickButton(*r);
                return;
            }
            sentKey_[i] = program_.PadKeysOf(index_).fire;
            return KeyOn(sentKey_[i]);
        case PadButton::X:
        case PadButton::Y:
            if (nav) return;
            sentKey_[i] = program_.PadKeysOf(index_).cancel;
            return KeyOn(sentKey_[i]);
        case PadButton::Start:
            sentKey_[i] = vk::Escape;
            return KeyOn(vk::Escape);
        case PadButton::Back:
        case PadButton::LeftShoulder:
        case PadButton::RightShoulder:
            return;
    }
}

void Gamepad::Release(PadButton b) {
    const size_t i = Slot(b);
    if (!down_[i]) return;
    down_[i] = false;
    ReleaseSent(sentKey_[i]);
}

void Gamepad::Move(PadAxis axis, int value) {
    if (axis == PadAxis::LeftX)
        StickAxis(value, stickX_, Left, Right, stickXKey_);
    else
        StickAxis(value, stickY_, Up, Down, stickYKey_);
}

void Gamepad::Disconnected() {
    for (int i = 0; i < kPadButtonCount; ++i) Release(static_cast<PadButton>(i));
    Move(PadAxis::LeftX, 0);
    Move(PadAxis::LeftY, 0);
}

void Gamepad::StickAxis(int value, int& state, Dir negative, Dir positive, int16_t& sentKey) {
    int next = state;
    if (value >= kStickPushed)
        next = 1;
    else if (value <= -kStickPushed)
        next = -1;
    else if (std::abs(value) < kStickReleased)
        next = 0;
    else if ((state > 0) != (value > 0))
        next = 0;  // swung across the middle faster than a poll
    if (next == state) return;
    ReleaseSent(sentKey);
    state = next;
    if (next != 0) DirectionOn(next < 0 ? negative : positive, sentKey);
}

void Gamepad::DirectionOn(Dir d, int16_t& sentKey) {
    if (Screen* s = Navigable()) return MoveFocus(*s, d);
    // Up and down have no meaning in play: firing and the power-up have buttons of their own.
    if (d == Left || d == Right) {
        const PadKeys& keys = program_.PadKeysOf(index_);
        sentKey = d == Left ? keys.left : keys.right;
        KeyOn(sentKey);
    }
}

void Gamepad::KeyOn(int16_t code) {
    if (holds_[static_cast<uint8_t>(code)]++ != 0) return;
    if (Screen* s = program_.Active()) s->KeyDown(code, 0);
}

void Gamepad::KeyOff(int16_t code) {
    uint8_t& n = holds_[static_cast<uint8_t>(code)];
    if (n == 0 || --n != 0) return;
    if (Screen* s = program_.Active()) s->KeyUp(code, 0);
}

void Gamepad::ReleaseSent(int16_t& sentKey) {
    if (sentKey == 0) return;
    const int16_t code = sentKey;
    sentKey = 0;
    KeyOff(code);
}

Screen* Gamepad::Navigable() const {
    Screen* s = program_.Active();
    if (!s || !s->IsLoaded()) return nullptr;
    for (Button* b : s->Buttons())
        if (Clickable(*b)) return s;
    return nullptr;
}

// The nearest button in that direction, measured between centres. A button level with the
// focused one (sharing some of its rows for left and right, of its columns for up and down)
// wins over one off to the side, however near: moving right from a row stays in the row.
void Gamepad::MoveFocus(Screen& s, Dir d) {
    Button* from = s.FocusedButton();
    if (!from) return s.FocusFirst();
    const bool across = d == Left || d == Right;
    const double fx = from->Left + from->Width / 2.0, fy = from->Top + from->Height / 2.0;
    Button* best = nullptr;
    bool bestLevel = false;
    double bestScore = 0;
    for (Button* b : s.Buttons()) {
        if (b == from || !Clickable(*b) || !b->takesFocus) continue;
        const double dx = b->Left + b->Width / 2.0 - fx, dy = b->Top + b->Height / 2.0 - fy;
        const double ahead = d == Left ? -dx : d == Right ? dx : d == Up ? -dy : dy;
        if (ahead <= 0) continue;
        const double aside = std::abs(across ? dy : dx);
        const bool level =
            across ? b->Top < from->Top + from->Height && from->Top < b->Top + b->Height
                   : b->Left < from->Left + from->Width && from->Left < b->Left + b->Width;
        const double score = ahead + 2 * aside;
        if (!best || (level && !bestLevel) || (level == bestLevel && score < bestScore)) {
            best = b;
            bestLevel = level;
            bestScore = score;
        }
    }
    if (best) s.SetFocus(best);
}

}  // namespace qbx
