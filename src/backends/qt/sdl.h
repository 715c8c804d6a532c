// SDL serves more than one device here (sound, game controllers): its subsystems are started
// and stopped under this one lock.
#pragma once

#include <mutex>

namespace qbx {

inline std::mutex& SdlMutex() {
    static std::mutex m;
    return m;
}

}  // namespace qbx
