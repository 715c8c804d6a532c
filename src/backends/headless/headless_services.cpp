// The headless backend's virtual clock, event pump and services.
#include "backends/headless/headless_services.h"

#include <cstdlib>

#include "engine/screen.h"

namespace qbx {

void HeadlessServices::DoEvents() {
    DeliverPosted();
    DeliverOutside();
    // Timer ticks that are due now; a timer whose handler is running is skipped.
    queue_.DeliverDue([this](const TimerQueue::Due& due) { queue_.Fire(*due.timer); });
}

void HeadlessServices::DeliverPosted() {
    while (!posted_.empty()) {
        auto input = std::move(posted_.front());
        posted_.pop_front();
        input();
    }
}

void HeadlessServices::Advance(int64_t ms) {
    const int64_t target = clock_.ms + (ms > 0 ? ms : 0);
    queue_.DeliverDue(
        [this](const TimerQueue::Due& due) {
            if (due.dueMs > clock_.ms) clock_.ms = due.dueMs;
            queue_.Fire(*due.timer);
            if (program_) program_->CollectGarbage();
            DeliverOutside();
        },
        target);
    if (clock_.ms < target) clock_.ms = target;
}

void HeadlessServices::Sleep(int ms) {
    if (ms > 0) clock_.ms += ms;
}

void HeadlessServices::MsgBox(const std::string& text, const std::string& title) {
    messages_.push_back({title, text});
}

uint64_t HeadlessServices::TimeOfDaySeed() {
    // Deterministic for a given --seed: the virtual time of day and the number of reseeds.
    return seed_ * 0x100000001b3ULL + static_cast<uint64_t>(clock_.ms) * 1000003ULL + ++reseeds_;
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
    queue_.Changed(t);
}

void HeadlessServices::TimerDestroyed(Timer& t) {
    queue_.Destroyed(t);
}

}  // namespace qbx
