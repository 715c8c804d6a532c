// The program object and the random number generator.
#include "engine/program.h"

#include <algorithm>

#include "engine/screen.h"

namespace qbx {

// ---- random numbers ----

void Random::Seed(uint64_t seed) {
    // splitmix64 to spread the seed over the state.
    uint64_t z = seed + 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    state_ = z ^ (z >> 31);
    if (state_ == 0) state_ = 1;
}

float Random::Rnd() {
    if (!forced_.empty()) {
        float v = forced_.front();
        forced_.pop_front();
        return v;
    }
    // xorshift64*: 24 high bits give a float uniform in [0, 1) that can never round up to 1.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    uint64_t x = state_ * 0x2545F4914F6CDD1DULL;
    return static_cast<float>(x >> 40) * (1.0f / 16777216.0f);
}

// ---- program ----

Screen* Program::Find(std::string_view name) const {
    for (Screen* s : screens_)
        if (s->Name() == name) return s;
    return nullptr;
}

Screen* Program::Active() const {
    for (auto it = activation_.rbegin(); it != activation_.rend(); ++it)
        if ((*it)->IsVisible()) return *it;
    return nullptr;
}

void Program::Activated(Screen& s) {
    activation_.erase(std::remove(activation_.begin(), activation_.end(), &s), activation_.end());
    activation_.push_back(&s);
}

void Program::Bury(std::vector<std::unique_ptr<Control>>&& controls) {
    for (auto& c : controls) graveyard_.push_back(std::move(c));
    controls.clear();
}

PictureRef Program::FindPicture(std::string_view name) const {
    return pictures_ ? pictures_->Find(name) : nullptr;
}

}  // namespace qbx
