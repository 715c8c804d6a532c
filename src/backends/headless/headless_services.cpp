// The headless backend's virtual clock, event pump and services.
#include "backends/headless/headless_services.h"

#include <algorithm>
#include <cstdlib>

#include "engine/gamepad.h"
#include "engine/screen.h"

namespace qbx {

void HeadlessServices::Noted(const InputEvent& e) {
    if (!log_) return;
    InputEvent timed = e;
    timed.atMs = clock_.ms;
    log_->Noted(timed);
}

void HeadlessServices::ScreenChanged(Screen& s, ScreenEvent e) {
    if (log_ && (e == ScreenEvent::Loaded || e == ScreenEvent::Unloaded))
        log_->ScreenLoaded(s, e == ScreenEvent::Loaded);
}

bool HeadlessServices::Deliver(const InputEvent& e, Gamepad& pad) {
    Noted(e);
    return DeliverInput(*program_, pad, e);
}

void HeadlessServices::DoEvents() {
    if (replay_) {
        PlayNested();
        return;
    }
    struct PumpEnd {
        HeadlessServices& s;
        ~PumpEnd() { s.Noted({.kind = InputEvent::Kind::PumpEnd}); }
    } end{*this};
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
    if (replay_) {
        PlayNested();
        return;
    }
    Noted({.kind = InputEvent::Kind::PumpEnd});
}

uint64_t HeadlessServices::TimeOfDaySeed() {
    // Past the part of a recording being played, the game goes on with seeds of its own.
    if (replay_ && replayAt_ < replayEnd_) {
        if ((*replay_)[replayAt_].kind == InputEvent::Kind::Seed)
            return (*replay_)[replayAt_++].seed;
        ++astray_;
    }
    // Deterministic for a given --seed: the virtual time of day and the number of reseeds.
    const uint64_t seed =
        seed_ * 0x100000001b3ULL + static_cast<uint64_t>(clock_.ms) * 1000003ULL + ++reseeds_;
    Noted({.kind = InputEvent::Kind::Seed, .seed = seed});
    return seed;
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

namespace qbx {

// ---- playing a recording ----

size_t HeadlessServices::PlayRecorded(const std::vector<InputEvent>& events, size_t end,
                                      Gamepad& pad) {
    struct Playing {
        HeadlessServices& s;
        ~Playing() { s.replay_ = nullptr; }
    } playing{*this};
    replay_ = &events;
    replayAt_ = 0;
    replayEnd_ = std::min(end, events.size());
    astray_ = 0;
    replayBaseMs_ = clock_.ms - (events.empty() ? 0 : events.front().atMs);
    replayPad_ = &pad;
    while (replayAt_ < replayEnd_) {
        const InputEvent& e = (*replay_)[replayAt_++];
        // A pump's end or a seed at the outermost level: nothing asked for it.
        if (e.kind == InputEvent::Kind::PumpEnd || e.kind == InputEvent::Kind::Seed)
            ++astray_;
        else
            PlayOne(e);
        if (program_) program_->CollectGarbage();
    }
    return astray_;
}

void HeadlessServices::PlayNested() {
    while (replayAt_ < replayEnd_) {
        const InputEvent& e = (*replay_)[replayAt_++];
        if (e.kind == InputEvent::Kind::PumpEnd) return;
        if (e.kind == InputEvent::Kind::Seed)
            ++astray_;
        else
            PlayOne(e);
    }
}

void HeadlessServices::PlayOne(const InputEvent& e) {
    // The clock follows the recording, never backwards, so the schedule's phases stay sound for
    // whatever comes after.
    clock_.ms = std::max(clock_.ms, replayBaseMs_ + e.atMs);
    if (e.kind != InputEvent::Kind::Tick) {
        if (!DeliverInput(*program_, *replayPad_, e)) ++astray_;
        return;
    }
    Control* c = FindLoadedControl(*program_, e.form, e.control);
    auto* t = c && c->kind == Kind::Timer ? static_cast<Timer*>(c) : nullptr;
    if (!t || !t->Enabled() || t->Running() || !queue_.Fire(*t)) ++astray_;
}

}  // namespace qbx
