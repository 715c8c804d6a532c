// Game controllers through SDL: plugged in and pulled out at any time, their buttons and stick
// handed to the pad's mapping on the screens, every call through the host's dispatch.
#pragma once

#include <QTimer>
#include <map>

#include "engine/gamepad.h"

namespace qbx {

class Program;
class ViewHost;

class PadInput {
public:
    PadInput(Program& program, ViewHost& host);
    ~PadInput();
    PadInput(const PadInput&) = delete;
    PadInput& operator=(const PadInput&) = delete;

    // Starts SDL's game controllers and the polling; false (and no polling) when SDL cannot.
    bool Start();
    // Takes what the controllers did since the last call; the timer calls it.
    void Poll();
    int Connected() const { return static_cast<int>(open_.size()); }

    // A pad is looked for rarely while none is connected, and read often while one is.
    static constexpr int kIdlePollMs = 400;
    static constexpr int kActivePollMs = 4;

private:
    void Button(int sdlButton, bool down, int slot);
    // Which player's pad a controller is: the first plugged in 0, the second 1; a pad pulled out
    // frees its place for the next one plugged in.
    int SlotOf(int instance) const;

    ViewHost& host_;
    Gamepad pad_;
    QTimer timer_;
    bool started_ = false;
    std::map<int, void*> open_;  // controllers by SDL instance id
    std::map<int, int> slot_;    // their places, by SDL instance id
};

}  // namespace qbx
