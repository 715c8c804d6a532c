// Delivering an input to the screens.
#include "engine/input.h"

#include "engine/gamepad.h"
#include "engine/program.h"
#include "engine/screen.h"

namespace qbx {

Control* FindLoadedControl(Program& program, const std::string& form, const std::string& control) {
    Screen* s = program.Find(form);
    if (!s || !s->IsLoaded()) return nullptr;
    return s->Find(control);
}

bool DeliverInput(Program& program, Gamepad& pad, const InputEvent& e) {
    using K = InputEvent::Kind;
    switch (e.kind) {
        case K::KeyDown:
        case K::KeyUp: {
            // Only a loaded screen has a window to take keys; a hidden one ignores them.
            Screen* s = program.Find(e.form);
            if (!s || !s->IsLoaded()) return false;
            if (e.kind == K::KeyDown)
                s->KeyDown(e.code, e.shift, e.repeat);
            else
                s->KeyUp(e.code, e.shift);
            return true;
        }
        case K::Click:
        case K::DblClick: {
            // A hidden or disabled button, or a hidden label, ignores the click itself.
            Control* c = FindLoadedControl(program, e.form, e.control);
            Screen* s = program.Find(e.form);
            if (c && c->kind == Kind::Label && static_cast<Label*>(c)->TakesMouse()) {
                s->ClickLabel(*static_cast<Label*>(c), e.kind == K::DblClick);
                return true;
            }
            if (!c || c->kind != Kind::Button || e.kind != K::Click) return false;
            s->ClickButton(*static_cast<Button*>(c));
            return true;
        }
        case K::Menu: {
            Control* c = FindLoadedControl(program, e.form, e.control);
            Screen* s = program.Find(e.form);
            if (!c || c->kind != Kind::Menu) return false;
            s->ClickMenu(*static_cast<MenuItem*>(c));
            return true;
        }
        case K::Close:
        case K::Deactivate: {
            // A window may lose the keyboard as it is hidden; its screen is still told.
            Screen* s = program.Find(e.form);
            if (!s || !s->IsLoaded()) return false;
            if (e.kind == K::Close)
                s->CloseBox();
            else
                s->WindowDeactivated();
            return true;
        }
        case K::PadPress:
        case K::PadRelease:
            if (e.value < 0 || e.value >= kPadButtonCount) return false;
            if (e.kind == K::PadPress)
                pad.ForPad(e.pad).Press(static_cast<PadButton>(e.value));
            else
                pad.ForPad(e.pad).Release(static_cast<PadButton>(e.value));
            return true;
        case K::PadMove:
            if (e.axis < 0 || e.axis > 1) return false;
            pad.ForPad(e.pad).Move(static_cast<PadAxis>(e.axis), e.value);
            return true;
        case K::PadGone:
            pad.ForPad(e.pad).Disconnected();
            return true;
        case K::Sound:
            program.Svc().SetSoundOn(e.value != 0);
            return true;
        case K::Music:
            program.Svc().SetMusicOn(e.value != 0);
            return true;
        case K::Tick:
        case K::Seed:
        case K::PumpEnd:
        case K::Check:
            return false;
    }
    return false;
}

}  // namespace qbx
