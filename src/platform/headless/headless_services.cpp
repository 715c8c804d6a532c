// The headless backend's virtual clock, event pump and services.
#include "platform/headless/headless_services.h"

#include <cstdlib>

#include "platform/screen.h"

namespace qbx {

Timer* HeadlessServices::NextDue(int64_t limit) const {
    Timer* best = nullptr;
    if (!program_) return nullptr;
    for (Screen* s : program_->Screens()) {
        if (!s->IsLoaded()) continue;
        for (Timer* t : s->Timers()) {
            if (!t->Enabled() || t->Running() || t->Interval <= 0 || t->dueMs > limit) continue;
            if (!best || t->dueMs < best->dueMs ||
                (t->dueMs == best->dueMs && (s != best->screen ? false : t->order < best->order)))
                best = t;
        }
    }
    return best;
}

void HeadlessServices::FireAndReschedule(Timer& t) {
    const int64_t due = t.dueMs;
    // Handlers may unload the screen; its controls stay alive until the driver collects them.
    t.Fire();
    if (!t.Enabled() || t.dueMs != due) return;  // stopped, or restarted by its own handler
    int64_t next = due + t.Interval;
    if (next <= clock_) {
        // The clock jumped past several ticks (a sleep): the timer fires once, then keeps its
        // phase.
        next = clock_ + t.Interval - (clock_ - due) % t.Interval;
    }
    t.dueMs = next;
}

void HeadlessServices::DoEvents() {
    DeliverPosted();
    // Timer ticks that are due now; a timer whose handler is running is skipped.
    for (int guard = 0; guard < 10000; ++guard) {
        Timer* t = NextDue(clock_);
        if (!t) break;
        FireAndReschedule(*t);
    }
}

void HeadlessServices::DeliverPosted() {
    while (!posted_.empty()) {
        auto input = std::move(posted_.front());
        posted_.pop_front();
        input();
    }
}

void HeadlessServices::Advance(int64_t ms) {
    const int64_t target = clock_ + (ms > 0 ? ms : 0);
    for (;;) {
        Timer* t = NextDue(target);
        if (!t) break;
        if (t->dueMs > clock_) clock_ = t->dueMs;
        FireAndReschedule(*t);
        if (program_) program_->CollectGarbage();
    }
    if (clock_ < target) clock_ = target;
}

void HeadlessServices::Sleep(int ms) {
    if (ms > 0) clock_ += ms;
}

void HeadlessServices::MsgBox(const std::string& text, const std::string& title) {
    messages_.push_back({title, text});
}

uint64_t HeadlessServices::TimeOfDaySeed() {
    // Deterministic for a given --seed: the virtual time of day and the number of reseeds.
    return seed_ * 0x100000001b3ULL + static_cast<uint64_t>(clock_) * 1000003ULL + ++reseeds_;
}

std::string HeadlessServices::Environ(const std::string& name) {
    auto it = env_.find(name);
    if (it != env_.end()) return it->second;
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
}

void HeadlessServices::End() {
    ended_ = true;
    posted_.clear();
    throw ProgramEnded();
}

void HeadlessServices::TimerChanged(Timer& t) {
    if (t.Enabled()) t.dueMs = clock_ + t.Interval;
}

void HeadlessServices::TimerDestroyed(Timer&) {}

}  // namespace qbx
