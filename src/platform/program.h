// The running program: its screens, the backend's services, the random number generator, and
// which screen is active.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/services.h"

namespace qbx {

class Screen;

class Program {
public:
    explicit Program(Services& services) : services_(&services) {}

    Services& Svc() const { return *services_; }
    void SetServices(Services& s) { services_ = &s; }
    Random& Rng() { return rng_; }

    void AddScreen(Screen& s) { screens_.push_back(&s); }
    const std::vector<Screen*>& Screens() const { return screens_; }
    Screen* Find(std::string_view name) const;

    // The most recently shown screen that is still visible.
    Screen* Active() const;
    void Activated(Screen& s);

    // Controls of an unloaded screen are kept here until the outermost handler has returned,
    // so a handler that unloaded its own screen never runs on freed memory.
    void Bury(std::vector<std::unique_ptr<Control>>&& controls);
    void CollectGarbage() { graveyard_.clear(); }

private:
    Services* services_;
    Random rng_;
    std::vector<Screen*> screens_;
    std::vector<Screen*> activation_;
    std::vector<std::unique_ptr<Control>> graveyard_;
};

}  // namespace qbx
