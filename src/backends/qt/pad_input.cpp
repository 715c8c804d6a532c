// Game controllers through SDL's game-controller events.
#include "backends/qt/pad_input.h"

#include <SDL.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <mutex>

#include "backends/qt/screen_view.h"
#include "backends/qt/sdl.h"
#include "engine/program.h"

namespace qbx {

PadInput::PadInput(Program& program, ViewHost& host) : host_(host), pad_(program) {
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
}

PadInput::~PadInput() {
    if (!started_) return;
    for (auto& [id, controller] : open_)
        SDL_GameControllerClose(static_cast<SDL_GameController*>(controller));
    std::lock_guard<std::mutex> lock(SdlMutex());
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool PadInput::Start() {
    if (started_) return true;
    // No SDL window ever has the focus here: the pads are read whichever window has it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SdlInitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
    started_ = true;
    Poll();
    return true;
}

void PadInput::Poll() {
    if (!started_) return;
    SDL_GameControllerUpdate();
    SDL_Event events[32];
    int n = 0;
    // Only the controllers' events are taken; the joysticks' own copies of them are dropped,
    // and anything else in SDL's queue is left to whoever asked for it.
    while ((n = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION,
                               SDL_CONTROLLERSENSORUPDATE)) > 0) {
        for (int i = 0; i < n; ++i) {
            const SDL_Event& e = events[i];
            switch (e.type) {
                case SDL_CONTROLLERDEVICEADDED:
                    if (SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which)) {
                        const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
                        if (open_.count(id)) {
                            SDL_GameControllerClose(c);  // already open: reported twice
                        } else {
                            open_[id] = c;
                            int free = 0;
                            for (const auto& [other, place] : slot_)
                                if (place == free) free = 1;
                            slot_[id] = free;
                        }
                    }
                    break;
                case SDL_CONTROLLERDEVICEREMOVED: {
                    auto it = open_.find(e.cdevice.which);
                    if (it == open_.end()) break;
                    SDL_GameControllerClose(static_cast<SDL_GameController*>(it->second));
                    const int slot = SlotOf(e.cdevice.which);
                    open_.erase(it);
                    slot_.erase(e.cdevice.which);
                    host_.Input({.kind = InputEvent::Kind::PadGone, .pad = slot},
                                [this, slot] { pad_.ForPad(slot).Disconnected(); });
                    break;
                }
                case SDL_CONTROLLERBUTTONDOWN:
                case SDL_CONTROLLERBUTTONUP:
                    Button(e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN,
                           SlotOf(e.cbutton.which));
                    break;
                case SDL_CONTROLLERAXISMOTION: {
                    if (e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX &&
                        e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)
                        break;
                    const PadAxis axis =
                        e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ? PadAxis::LeftX : PadAxis::LeftY;
                    // Input waits while a message box is open, as the keyboard's does.
                    if (QApplication::activeModalWidget()) break;
                    const int value = e.caxis.value;
                    const int slot = SlotOf(e.caxis.which);
                    host_.Input({.kind = InputEvent::Kind::PadMove,
                                 .axis = static_cast<int>(axis),
                                 .value = value,
                                 .pad = slot},
                                [this, axis, value, slot] { pad_.ForPad(slot).Move(axis, value); });
                    break;
                }
                default:
                    break;
            }
        }
    }
    SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);
    timer_.start(open_.empty() ? kIdlePollMs : kActivePollMs);
}

int PadInput::SlotOf(int instance) const {
    auto it = slot_.find(instance);
    return it == slot_.end() ? 0 : it->second;
}

void PadInput::Button(int sdlButton, bool down, int slot) {
    PadButton b;
    switch (sdlButton) {
        case SDL_CONTROLLER_BUTTON_A:
            b = PadButton::A;
            break;
        case SDL_CONTROLLER_BUTTON_B:
            b = PadButton::B;
            break;
        case SDL_CONTROLLER_BUTTON_X:
            b = PadButton::X;
            break;
        case SDL_CONTROLLER_BUTTON_Y:
            b = PadButton::Y;
            break;
        case SDL_CONTROLLER_BUTTON_BACK:
            b = PadButton::Back;
            break;
        case SDL_CONTROLLER_BUTTON_START:
            b = PadButton::Start;
            break;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            b = PadButton::LeftShoulder;
            break;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            b = PadButton::RightShoulder;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            b = PadButton::DpUp;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            b = PadButton::DpDown;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            b = PadButton::DpLeft;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            b = PadButton::DpRight;
            break;
        default:
            return;  // the guide button, the sticks' clicks, paddles: not used
    }
    if (down) {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            // South answers a message box; nothing else reaches the screens while one is open.
            if (auto* box = qobject_cast<QMessageBox*>(modal); box && b == PadButton::A)
                if (QPushButton* ok = box->defaultButton()) ok->click();
            return;
        }
        host_.Input({.kind = InputEvent::Kind::PadPress, .value = static_cast<int>(b), .pad = slot},
                    [this, b, slot] { pad_.ForPad(slot).Press(b); });
    } else {
        host_.Input(
            {.kind = InputEvent::Kind::PadRelease, .value = static_cast<int>(b), .pad = slot},
            [this, b, slot] { pad_.ForPad(slot).Release(b); });
    }
}

}  // namespace qbx
