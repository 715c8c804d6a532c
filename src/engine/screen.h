// Screens: top-level windows that own their controls (built from a design table on first
// touch) and their variables (kept across unloads), with drawing order, focus and key routing.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/controls.h"
#include "engine/services.h"

namespace qbx {

class Program;

// One row of a screen's design table. Rows are listed front to back.
struct ControlDesign {
    Kind kind = Kind::Image;
    const char* name = "";
    int index = -1;
    float left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    const char* caption = "";
    FontSetting font{};
    Rgb fore{};
    Rgb back{};
    bool backOpaque = false;
    Align align = Align::Left;
    bool border = false;
    const char* picture = nullptr;  // name of the picture shown at design time
    int interval = 0;
    int tabIndex = 0;
    ShapeKind shape = ShapeKind::Rectangle;
    Rgb borderColor{};
    int borderWidthPx = 1;
    bool fillSolid = false;
    Rgb fillColor{};
    const char* menuParent = "";
    int shortcutKey = 0;
    bool checkable = false;     // a menu command that shows a check mark
    bool returnButton = false;  // the button that leaves the screen
    bool takesFocus = true;     // a button in the focus order
};

// A screen's mouse pointer: the system's default, or the screen's own cursor.
enum class Pointer : int { Default = 0, Custom = 99 };

struct ScreenDesign {
    const char* caption = "";
    float clientWidth = 0, clientHeight = 0;  // twips
    Rgb back{};
    bool keyPreview = false;
    bool hasMenuBar = false;
    Pointer mousePointer = Pointer::Default;
};

// A control array: elements by index with holes allowed.
class ControlArray {
public:
    ControlArray(Screen& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

    Control* Get(int i) const {
        int k = i - base_;
        return (k >= 0 && k < static_cast<int>(items_.size())) ? items_[k] : nullptr;
    }
    int UBound() const { return base_ + static_cast<int>(items_.size()) - 1; }
    int LBound() const;
    int Count() const;
    const std::string& Name() const { return name_; }

    // Loads element i as a hidden copy of the lowest-index element. Returns nullptr when i is
    // already loaded or negative.
    Control* Load(int i);
    // Unloads element i (a no-op for a hole).
    void Unload(int i);

    // Used while the design table is built.
    void Adopt(Control* c);

private:
    Screen& owner_;
    std::string name_;
    int base_ = 0;
    std::vector<Control*> items_;
};

// Typed view of a control array, for the screens' code.
template <class T>
class Array {
public:
    Array() = default;
    explicit Array(ControlArray* a) : a_(a) {}
    T& operator()(int i) const { return *static_cast<T*>(a_->Get(i)); }
    T* Get(int i) const { return static_cast<T*>(a_->Get(i)); }
    int UBound() const { return a_->UBound(); }
    int LBound() const { return a_->LBound(); }
    int Count() const { return a_->Count(); }
    T* Load(int i) const { return static_cast<T*>(a_->Load(i)); }
    void Unload(int i) const { a_->Unload(i); }

private:
    ControlArray* a_ = nullptr;
};

// A variable of a screen, for the driver's dump and set commands.
struct VarRef {
    enum Type { I16, I32, Bool16, Str, F32 } type;
    std::string name;
    void* ptr;
};

// A record array of a screen (frmGame's Bubbles), for the driver.
struct RecordSet {
    std::string name;
    int count;
    std::function<std::vector<VarRef>(int)> fields;
};

class Screen {
public:
    Screen(Program& program, std::string name, const ScreenDesign& design,
           std::vector<ControlDesign> controls);
    virtual ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    const std::string& Name() const { return name_; }
    Program& Prog() const { return program_; }
    Services& Svc() const;

    bool IsLoaded() const { return loaded_; }
    bool IsVisible() const { return loaded_ && visible_; }
    // Bumped on every load: a handler that lets events run compares it afterwards to learn
    // whether its controls were destroyed meanwhile.
    uint64_t Generation() const { return generation_; }

    // Builds the controls from the design table and runs Form_Load, once per load.
    void EnsureLoaded();
    // Make visible, bring to the front and give the focus.
    void Show();
    void Hide();
    // Runs Form_Unload; unless cancelled, destroys the controls (variables stay).
    void Unload();

    const ScreenDesign& Design() const { return design_; }
    const std::vector<ControlDesign>& DesignTable() const { return table_; }
    // Another design for the next load (a screen with more than one layout); ignored while the
    // screen is loaded, whose controls were built from the table it had.
    void SetDesignTable(std::vector<ControlDesign> controls);
    std::string caption;
    // The outer width: client width plus the frame (45 twips each side).
    float OuterWidth() const { return design_.clientWidth + 90.0f; }

    Pointer MousePointer() const { return mousePointer_; }
    void SetMousePointer(Pointer kind);

    // Drawing order, front to back; buttons are always drawn above everything else.
    const std::vector<Control*>& ZOrder() const { return zorder_; }
    void BringToFront(Control& c);

    Control* Find(std::string_view name) const;  // "lblScore" or "BubblePic(3)"
    ControlArray* FindArray(std::string_view name) const;
    const std::vector<Timer*>& Timers() const { return timers_; }
    const std::vector<MenuItem*>& MenuItems() const { return menu_; }
    std::vector<Button*> Buttons() const;

    // Focus: the focused button while it is visible and enabled, else none.
    Button* FocusedButton() const;
    void SetFocus(Button* b) { focus_ = b; }
    void FocusFirst();

    // Input, routed as the window system does: menu shortcuts, key preview, focused button
    // (other keys go to its KeyDown and never fall through), else the screen's own handlers.
    // A focused button clicks once per press: Enter when pressed, Space when released; a key
    // held down repeats its key-down (repeat) but never clicks again.
    void KeyDown(int16_t keyCode, int16_t shift, bool repeat = false);
    void KeyUp(int16_t keyCode, int16_t shift);
    void ClickButton(Button& b);
    // A click or a double click on a label that takes the mouse; a hidden one ignores it.
    void ClickLabel(Label& l, bool doubleClick);
    void ClickMenu(MenuItem& m);
    // The window's close box.
    void CloseBox();

    // Handlers and routines.
    virtual void Form_Load() {}
    virtual void Form_Unload(int16_t& /*cancel*/) {}
    virtual void Form_KeyDown(int16_t /*keyCode*/, int16_t /*shift*/) {}
    virtual void Form_KeyUp(int16_t /*keyCode*/, int16_t /*shift*/) {}
    // The screen's window lost the keyboard: to another window, or to one of its own menus
    // opening.
    virtual void WindowDeactivated() {}

    // For the driver: variables, records and callable routines.
    virtual std::vector<VarRef> Vars() { return {}; }
    virtual std::vector<RecordSet> Records() { return {}; }
    virtual std::map<std::string, std::function<void()>> Routines() { return {}; }

    // Internal: called by ControlArray.
    void AddToZOrder(Control* c, Control* inFrontOf);
    void RemoveControl(Control* c);
    Control* Own(std::unique_ptr<Control> c);

protected:
    // Binds the screen's typed control members after the controls were built, and clears them
    // before they are destroyed.
    virtual void BindControls() = 0;
    virtual void UnbindControls() = 0;

    template <class T>
    T* Ctl(std::string_view name) const {
        return static_cast<T*>(Find(name));
    }
    template <class T>
    Array<T> Arr(std::string_view name) const {
        return Array<T>(FindArray(name));
    }

private:
    void Build();

    Program& program_;
    std::string name_;
    ScreenDesign design_;
    std::vector<ControlDesign> table_;

    bool loaded_ = false;
    bool visible_ = false;
    uint64_t generation_ = 0;
    Pointer mousePointer_ = Pointer::Default;
    Button* focus_ = nullptr;
    Button* spacePressed_ = nullptr;  // the button Space went down on, clicked when it comes up

    std::vector<std::unique_ptr<Control>> owned_;
    std::map<std::string, std::unique_ptr<ControlArray>, std::less<>> arrays_;
    std::map<std::string, Control*, std::less<>> byName_;
    std::vector<Control*> zorder_;
    std::vector<Timer*> timers_;
    std::vector<MenuItem*> menu_;
};

}  // namespace qbx
