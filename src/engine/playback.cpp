// Playing recorded inputs to the screens.
#include "engine/playback.h"

#include <algorithm>

#include "engine/program.h"
#include "engine/screen.h"
#include "engine/timer_queue.h"

namespace qbx {

Playback::Playback(Program& program, TimerQueue& queue, Gamepad& pad,
                   const std::vector<InputEvent>& events, size_t end, Pace pace, Around around)
    : program_(program),
      queue_(queue),
      pad_(pad),
      events_(events),
      end_(std::min(end, events.size())),
      pace_(std::move(pace)),
      around_(std::move(around)) {}

void Playback::PassChecks() {
    while (!Done() && events_[at_].kind == InputEvent::Kind::Check) {
        const InputEvent& e = events_[at_++];
        if (check_) check_(e);
    }
}

void Playback::PlayNext() {
    PassChecks();
    if (Done()) return;
    const InputEvent& e = events_[at_++];
    // A pump's end or a seed at the outermost level: nothing asked for it.
    if (e.kind == InputEvent::Kind::PumpEnd || e.kind == InputEvent::Kind::Seed)
        ++astray_;
    else
        PlayOne(e);
}

void Playback::PlayPump() {
    for (PassChecks(); !Done(); PassChecks()) {
        const InputEvent& e = events_[at_++];
        if (e.kind == InputEvent::Kind::PumpEnd) {
            // A pump that let time pass in the recording lets it pass again.
            if (pace_) pace_(e);
            return;
        }
        if (e.kind == InputEvent::Kind::Seed)
            ++astray_;
        else
            PlayOne(e);
    }
}

std::optional<uint64_t> Playback::TakeSeed() {
    PassChecks();
    if (Done()) return std::nullopt;
    if (events_[at_].kind == InputEvent::Kind::Seed) return events_[at_++].seed;
    ++astray_;
    return std::nullopt;
}

void Playback::PlayOne(const InputEvent& e) {
    if (pace_) pace_(e);
    auto deliver = [this, &e] {
        if (e.kind != InputEvent::Kind::Tick) {
            if (!DeliverInput(program_, pad_, e)) ++astray_;
            return;
        }
        Timer* t = TickTarget(e);
        if (!t || !t->Enabled() || t->Running() || !queue_.Fire(*t)) ++astray_;
    };
    if (around_)
        around_(deliver);
    else
        deliver();
}

Timer* Playback::TickTarget(const InputEvent& e) {
    Target* known = nullptr;
    for (Target& k : targets_)
        if (k.control == e.control && k.form == e.form) {
            known = &k;
            break;
        }
    // A named timer lives as long as its screen stays loaded; an element of a control array may
    // go sooner, so those are looked up every time.
    if (known && known->screen->IsLoaded() && known->screen->Generation() == known->generation)
        return known->timer;
    Control* c = FindLoadedControl(program_, e.form, e.control);
    auto* t = c && c->kind == Kind::Timer ? static_cast<Timer*>(c) : nullptr;
    if (!t || e.control.find('(') != std::string::npos) return t;
    Screen* s = program_.Find(e.form);
    if (!known) known = &targets_.emplace_back(Target{e.form, e.control});
    known->screen = s;
    known->generation = s->Generation();
    known->timer = t;
    return t;
}

}  // namespace qbx
