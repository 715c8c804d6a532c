// Controls of the window-system layer: plain objects with the properties the screens read and
// write. Positions are single-precision twips; the view scales them to pixels.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qbx {

constexpr float kTwipsPerPixel = 15.0f;

// Twips to whole logical pixels (at scale 1), rounding half away from zero.
inline int TwipsToPx(float twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

// An immutable picture: its name (the control that owns it) and natural size in pixels.
// Pictures are compared by identity: two controls show the same picture when they hold the
// same pointer.
struct Picture {
    std::string name;
    int widthPx;
    int heightPx;
};
using PictureRef = const Picture*;

// Every picture a program's screens may show, by name. The screens' content provides it; the
// runtime and the backends only look pictures up.
class PictureCatalogue {
public:
    virtual ~PictureCatalogue() = default;
    virtual PictureRef Find(std::string_view name) const = 0;
    virtual const std::vector<PictureRef>& All() const = 0;
};

// A picture's pixels at a device-pixel ratio: premultiplied 32-bit ARGB, row after row.
struct PicturePixels {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};

// Draws pictures for the backends that show them; the program's art provides it.
class PictureArtist {
public:
    virtual ~PictureArtist() = default;
    // Empty pixels for a picture it cannot draw.
    virtual PicturePixels Draw(const Picture& picture, double pixelRatio) const = 0;
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The font a label or button is designed with: family, size in points and weight.
struct FontSetting {
    const char* family = "Verdana";
    float points = 8.25f;
    bool bold = false;
};

enum class Align : uint8_t { Left, Right, Center };
enum class Kind : uint8_t { Image, Label, Button, Shape, Timer, Menu };
enum class ShapeKind : uint8_t { Rectangle, Circle };

class Screen;

class Control {
public:
    virtual ~Control() = default;

    Kind kind;
    std::string name;
    int index = -1;  // element index inside a control array, -1 for a plain control
    Screen* screen = nullptr;

    float Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;

    // "BubblePic(3)" or "lblScore".
    std::string DisplayName() const;
    bool IsVisual() const { return kind != Kind::Timer && kind != Kind::Menu; }

protected:
    explicit Control(Kind k) : kind(k) {}
    Control(const Control&) = default;
};

class Image : public Control {
public:
    Image() : Control(Kind::Image) {}
    PictureRef Picture = nullptr;

    // Assigning a picture resizes the image to the picture's natural size; Left and Top stay.
    void SetPicture(PictureRef p) {
        Picture = p;
        if (p) {
            Width = static_cast<float>(p->widthPx) * kTwipsPerPixel;
            Height = static_cast<float>(p->heightPx) * kTwipsPerPixel;
        }
    }
};

class Label : public Control {
public:
    Label() : Control(Kind::Label) {}
    std::string Caption;
    FontSetting font;
    Rgb fore;
    Rgb back;
    bool backOpaque = false;
    Align align = Align::Left;
    bool border = false;
    // A label that takes the mouse (a row of a list): a click, and a double click after it.
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    bool TakesMouse() const { return onClick || onDblClick; }
};

class Button : public Control {
public:
    Button() : Control(Kind::Button) {}
    std::string Caption;
    FontSetting font;
    Rgb back{192, 192, 192};
    int tabIndex = 0;
    bool Enabled = true;
    // The button that leaves the screen, for devices with a button of their own for that.
    bool returnButton = false;
    // A button outside the focus order: Tab, the pad and its own click leave the focus where
    // it was, so a screen's keys work the same whether it is there or not.
    bool takesFocus = true;
    std::function<void()> onClick;
    std::function<void(int16_t keyCode, int16_t shift)> onKeyDown;
};

class Shape : public Control {
public:
    Shape() : Control(Kind::Shape) {}
    ShapeKind shape = ShapeKind::Rectangle;
    Rgb borderColor;
    int borderWidthPx = 1;
    bool fillSolid = false;
    Rgb fillColor;
    bool backOpaque = false;
    Rgb backColor;
};

class Timer : public Control {
public:
    Timer() : Control(Kind::Timer) { Visible = false; }
    int Interval = 0;  // milliseconds
    std::function<void()> onTimer;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);

    // Runs the handler unless it is already running: a handler is never re-entered by its own
    // timer. Returns false when the tick was not delivered.
    bool Fire();
    bool Running() const { return running_; }

private:
    bool enabled_ = false;
    bool running_ = false;
};

class MenuItem : public Control {
public:
    MenuItem() : Control(Kind::Menu) { Visible = true; }
    std::string Caption;
    std::string parent;  // name of the top-level menu this item belongs to; empty for a top one
    bool separator = false;
    int shortcutKey = 0;  // virtual-key code used with Ctrl; 0 for none
    bool checkable = false;
    bool Checked = false;
    bool Enabled = true;
    std::function<void()> onClick;
};

// Virtual-key codes and modifier bits used by the screens.
namespace vk {
constexpr int16_t Back = 8, Tab = 9, Enter = 13, Escape = 27, Space = 32, PageUp = 33,
                  PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40;
constexpr int16_t ShiftMask = 1, CtrlMask = 2, AltMask = 4;
}  // namespace vk

}  // namespace qbx
