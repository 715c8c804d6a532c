// Screens, control arrays and controls.
#include "engine/screen.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/program.h"

namespace qbx {

// ---- controls ----

std::string Control::DisplayName() const {
    return index < 0 ? name : name + "(" + std::to_string(index) + ")";
}

void Timer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (screen) screen->Svc().TimerChanged(*this);
}

bool Timer::Fire() {
    if (running_ || !enabled_ || !onTimer) return false;
    running_ = true;
    // The screen may be unloaded while the handler lets events run; its controls are then kept
    // in the program's graveyard until the outermost handler returns, so this object survives.
    onTimer();
    running_ = false;
    return true;
}

// ---- control arrays ----

int ControlArray::LBound() const {
    for (size_t k = 0; k < items_.size(); ++k)
        if (items_[k]) return base_ + static_cast<int>(k);
    return base_;
}

int ControlArray::Count() const {
    return static_cast<int>(
        std::count_if(items_.begin(), items_.end(), [](Control* c) { return c != nullptr; }));
}

void ControlArray::Adopt(Control* c) {
    if (items_.empty()) base_ = c->index;
    if (c->index < base_) {
        items_.insert(items_.begin(), static_cast<size_t>(base_ - c->index), nullptr);
        base_ = c->index;
    }
    size_t k = static_cast<size_t>(c->index - base_);
    if (k >= items_.size()) items_.resize(k + 1, nullptr);
    items_[k] = c;
}

template <class T>
static std::unique_ptr<Control> CopyAs(const Control& c) {
    return std::make_unique<T>(static_cast<const T&>(c));
}

Control* ControlArray::Load(int i) {
    if (i < 0 || Get(i) != nullptr) return nullptr;
    Control* first = Get(LBound());
    if (!first) return nullptr;
    std::unique_ptr<Control> copy;
    switch (first->kind) {
        case Kind::Image:
            copy = CopyAs<Image>(*first);
            break;
        case Kind::Label:
            copy = CopyAs<Label>(*first);
            break;
        case Kind::Button:
            copy = CopyAs<Button>(*first);
            break;
        case Kind::Shape:
            copy = CopyAs<Shape>(*first);
            break;
        case Kind::Timer:
            copy = CopyAs<Timer>(*first);
            break;
        case Kind::Menu:
            copy = CopyAs<MenuItem>(*first);
            break;
    }
    copy->index = i;
    copy->Visible = false;
    Control* c = owner_.Own(std::move(copy));
    Adopt(c);
    if (c->IsVisual()) owner_.AddToZOrder(c, first);
    return c;
}

void ControlArray::Unload(int i) {
    Control* c = Get(i);
    if (!c) return;
    items_[static_cast<size_t>(i - base_)] = nullptr;
    while (!items_.empty() && items_.back() == nullptr) items_.pop_back();
    owner_.RemoveControl(c);
}

// ---- screens ----

Screen::Screen(Program& program, std::string name, const ScreenDesign& design,
               std::vector<ControlDesign> controls)
    : program_(program), name_(std::move(name)), design_(design), table_(std::move(controls)) {
    caption = design_.caption;
    program_.AddScreen(*this);
}

Screen::~Screen() = default;

Services& Screen::Svc() const {
    return program_.Svc();
}

static std::unique_ptr<Control> MakeControl(const ControlDesign& d) {
    std::unique_ptr<Control> c;
    switch (d.kind) {
        case Kind::Image:
            c = std::make_unique<Image>();
            break;
        case Kind::Label: {
            auto l = std::make_unique<Label>();
            l->Caption = d.caption;
            l->font = d.font;
            l->fore = d.fore;
            l->back = d.back;
            l->backOpaque = d.backOpaque;
            l->align = d.align;
            l->border = d.border;
            c = std::move(l);
            break;
        }
        case Kind::Button: {
            auto b = std::make_unique<Button>();
            b->Caption = d.caption;
            b->font = d.font;
            b->back = d.back;
            b->tabIndex = d.tabIndex;
            b->returnButton = d.returnButton;
            b->takesFocus = d.takesFocus;
            c = std::move(b);
            break;
        }
        case Kind::Shape: {
            auto s = std::make_unique<Shape>();
            s->shape = d.shape;
            s->borderColor = d.borderColor;
            s->borderWidthPx = d.borderWidthPx;
            s->fillSolid = d.fillSolid;
            s->fillColor = d.fillColor;
            s->backOpaque = d.backOpaque;
            s->backColor = d.back;
            c = std::move(s);
            break;
        }
        case Kind::Timer: {
            auto t = std::make_unique<Timer>();
            t->Interval = d.interval;
            c = std::move(t);
            break;
        }
        case Kind::Menu: {
            auto m = std::make_unique<MenuItem>();
            m->Caption = d.caption;
            m->parent = d.menuParent;
            m->separator = std::string_view(d.caption) == "-";
            m->shortcutKey = d.shortcutKey;
            m->checkable = d.checkable;
            c = std::move(m);
            break;
        }
    }
    c->name = d.name;
    c->index = d.index;
    c->Left = d.left;
    c->Top = d.top;
    c->Width = d.width;
    c->Height = d.height;
    c->Visible = d.visible;
    return c;
}

void Screen::Build() {
    for (const ControlDesign& d : table_) {
        Control* c = Own(MakeControl(d));
        if (d.kind == Kind::Image && d.picture) {
            auto* img = static_cast<Image*>(c);
            img->Picture = program_.FindPicture(d.picture);
        }
        if (c->IsVisual()) zorder_.push_back(c);
        if (auto* t = dynamic_cast<Timer*>(c)) timers_.push_back(t);
        if (auto* m = dynamic_cast<MenuItem*>(c)) menu_.push_back(m);
        if (d.index >= 0) {
            auto it = arrays_.find(d.name);
            if (it == arrays_.end())
                it = arrays_.emplace(d.name, std::make_unique<ControlArray>(*this, d.name)).first;
            it->second->Adopt(c);
        } else {
            byName_[d.name] = c;
        }
    }
}

Control* Screen::Own(std::unique_ptr<Control> c) {
    c->screen = this;
    owned_.push_back(std::move(c));
    return owned_.back().get();
}

void Screen::AddToZOrder(Control* c, Control* inFrontOf) {
    auto it = std::find(zorder_.begin(), zorder_.end(), inFrontOf);
    zorder_.insert(it, c);
}

void Screen::RemoveControl(Control* c) {
    zorder_.erase(std::remove(zorder_.begin(), zorder_.end(), c), zorder_.end());
    if (focus_ == c) focus_ = nullptr;
    if (spacePressed_ == c) spacePressed_ = nullptr;
    if (auto* t = dynamic_cast<Timer*>(c)) {
        timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
        Svc().TimerDestroyed(*t);
    }
    auto it = std::find_if(owned_.begin(), owned_.end(),
                           [c](const std::unique_ptr<Control>& p) { return p.get() == c; });
    if (it != owned_.end()) {
        std::vector<std::unique_ptr<Control>> dead;
        dead.push_back(std::move(*it));
        owned_.erase(it);
        program_.Bury(std::move(dead));
    }
}

void Screen::SetDesignTable(std::vector<ControlDesign> controls) {
    if (loaded_) return;
    table_ = std::move(controls);
}

void Screen::EnsureLoaded() {
    if (loaded_) return;
    loaded_ = true;
    visible_ = false;
    ++generation_;
    mousePointer_ = design_.mousePointer;
    focus_ = nullptr;
    spacePressed_ = nullptr;
    caption = design_.caption;
    Build();
    BindControls();
    Svc().ScreenChanged(*this, ScreenEvent::Loaded);
    Form_Load();
}

void Screen::Show() {
    EnsureLoaded();
    if (!loaded_) return;  // Form_Load may have unloaded it again
    visible_ = true;
    program_.Activated(*this);
    if (!FocusedButton()) FocusFirst();
    Svc().ScreenChanged(*this, ScreenEvent::Shown);
}

void Screen::Hide() {
    if (!loaded_) {
        // Hiding touches the screen, which loads it.
        EnsureLoaded();
    }
    if (!visible_) return;
    visible_ = false;
    spacePressed_ = nullptr;
    Svc().ScreenChanged(*this, ScreenEvent::Hidden);
}

void Screen::Unload() {
    if (!loaded_) return;
    int16_t cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0 || !loaded_) return;
    for (Timer* t : timers_) {
        t->SetEnabled(false);
        Svc().TimerDestroyed(*t);
    }
    UnbindControls();
    timers_.clear();
    menu_.clear();
    zorder_.clear();
    byName_.clear();
    arrays_.clear();
    focus_ = nullptr;
    spacePressed_ = nullptr;
    loaded_ = false;
    visible_ = false;
    mousePointer_ = Pointer::Default;
    program_.Bury(std::move(owned_));
    owned_.clear();
    Svc().ScreenChanged(*this, ScreenEvent::Unloaded);
}

void Screen::SetMousePointer(Pointer kind) {
    if (kind == mousePointer_) return;
    mousePointer_ = kind;
    Svc().ScreenChanged(*this, ScreenEvent::PointerChanged);
}

void Screen::BringToFront(Control& c) {
    auto it = std::find(zorder_.begin(), zorder_.end(), &c);
    if (it == zorder_.end() || it == zorder_.begin()) return;
    std::rotate(zorder_.begin(), it, it + 1);
}

Control* Screen::Find(std::string_view name) const {
    auto paren = name.find('(');
    if (paren == std::string_view::npos) {
        auto it = byName_.find(name);
        return it == byName_.end() ? nullptr : it->second;
    }
    if (name.back() != ')') return nullptr;
    ControlArray* a = FindArray(name.substr(0, paren));
    if (!a) return nullptr;
    std::string_view num = name.substr(paren + 1, name.size() - paren - 2);
    if (num.empty() || num.size() > 6) return nullptr;
    int i = 0;
    for (char ch : num) {
        if (ch < '0' || ch > '9') return nullptr;
        i = i * 10 + (ch - '0');
    }
    return a->Get(i);
}

ControlArray* Screen::FindArray(std::string_view name) const {
    auto it = arrays_.find(name);
    return it == arrays_.end() ? nullptr : it->second.get();
}

std::vector<Button*> Screen::Buttons() const {
    std::vector<Button*> out;
    for (const auto& c : owned_)
        if (c->kind == Kind::Button) out.push_back(static_cast<Button*>(c.get()));
    std::stable_sort(out.begin(), out.end(),
                     [](Button* a, Button* b) { return a->tabIndex < b->tabIndex; });
    return out;
}

Button* Screen::FocusedButton() const {
    if (focus_ && focus_->Visible && focus_->Enabled) return focus_;
    return nullptr;
}

void Screen::FocusFirst() {
    for (Button* b : Buttons())
        if (b->Visible && b->Enabled && b->takesFocus) {
            focus_ = b;
            return;
        }
    focus_ = nullptr;
}

void Screen::KeyDown(int16_t keyCode, int16_t shift, bool repeat) {
    if (!IsVisible()) return;
    if (shift == vk::CtrlMask) {
        for (MenuItem* m : menu_)
            if (m->shortcutKey == keyCode && m->Enabled && !m->separator) {
                ClickMenu(*m);
                return;
            }
    }
    uint64_t gen = generation_;
    if (design_.keyPreview) {
        Form_KeyDown(keyCode, shift);
        if (!IsVisible() || gen != generation_) return;
    }
    if (Button* b = FocusedButton()) {
        if (keyCode == vk::Tab && (shift & ~vk::ShiftMask) == 0) {
            std::vector<Button*> order;
            for (Button* x : Buttons())
                if (x->Visible && x->Enabled && x->takesFocus) order.push_back(x);
            auto it = std::find(order.begin(), order.end(), b);
            if (it != order.end() && order.size() > 1) {
                long n = static_cast<long>(order.size());
                long k = it - order.begin();
                k = (shift & vk::ShiftMask) ? (k + n - 1) % n : (k + 1) % n;
                focus_ = order[static_cast<size_t>(k)];
            }
            return;
        }
        if (b->onKeyDown) b->onKeyDown(keyCode, shift);
        if (!IsVisible() || gen != generation_) return;
        if (repeat || shift != 0 || FocusedButton() != b) return;
        if (keyCode == vk::Enter) ClickButton(*b);
        if (keyCode == vk::Space) spacePressed_ = b;
        return;
    }
    // Tab gives the focus to the first button that takes it, when none has it yet.
    if (keyCode == vk::Tab && (shift & ~vk::ShiftMask) == 0) {
        FocusFirst();
        if (FocusedButton()) return;
    }
    if (!design_.keyPreview) Form_KeyDown(keyCode, shift);
}

void Screen::KeyUp(int16_t keyCode, int16_t shift) {
    if (!IsVisible()) return;
    Button* pressed = keyCode == vk::Space ? std::exchange(spacePressed_, nullptr) : nullptr;
    const uint64_t gen = generation_;
    if (design_.keyPreview) {
        Form_KeyUp(keyCode, shift);
        if (!IsVisible() || gen != generation_) return;
    }
    if (Button* b = FocusedButton()) {
        // Space clicks the button it went down on, if that still has the focus.
        if (pressed == b) ClickButton(*b);
        return;
    }
    if (!design_.keyPreview) Form_KeyUp(keyCode, shift);
}

void Screen::ClickButton(Button& b) {
    if (!b.Visible || !b.Enabled) return;
    if (b.takesFocus) focus_ = &b;
    if (b.onClick) b.onClick();
}

void Screen::ClickLabel(Label& l, bool doubleClick) {
    if (!IsVisible() || !l.Visible) return;
    const std::function<void()>& handler = doubleClick ? l.onDblClick : l.onClick;
    if (handler) handler();
}

void Screen::ClickMenu(MenuItem& m) {
    if (m.separator || !m.Enabled) return;
    if (m.onClick) m.onClick();
}

void Screen::CloseBox() {
    if (!loaded_) return;
    Unload();
}

}  // namespace qbx
