// SDL serves more than one device here (sound, game controllers): its subsystems are started
// and stopped under this one lock.
#pragma once

#include <SDL.h>

#include <mutex>

namespace qbx {

inline std::mutex& SdlMutex() {
    static std::mutex m;
    return m;
}

// Starts SDL subsystems, under the lock. SDL's own handlers of SIGINT and SIGTERM would only
// queue a quit event that nothing reads: the program handles those signals itself.
inline int SdlInitSubSystem(Uint32 flags) {
    std::lock_guard<std::mutex> lock(SdlMutex());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(flags);
}

}  // namespace qbx
