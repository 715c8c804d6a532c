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
    if (playback_) {
        playback_->PlayPump();
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
            {
                Program::Delivery delivery(program_);
                queue_.Fire(*due.timer);
            }
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
    if (playback_) {
        playback_->PlayPump();
        return;
    }
    Noted({.kind = InputEvent::Kind::PumpEnd});
}

bool HeadlessServices::AskName(const std::string& prompt, const std::string& title,
                               std::string& text,
                               const std::function<std::string(const std::string&)>& refusal) {
    messages_.push_back({title, prompt});
    // An answer posted by the script comes while the box is open.
    DeliverPosted();
    // With no answer given, OK is pressed on the name filled in.
    if (answers_.empty()) answers_.push_back(text);
    while (!answers_.empty()) {
        const std::string answer = std::move(answers_.front());
        answers_.pop_front();
        const std::string why = refusal(answer);
        if (why.empty()) {
            text = answer;
            return true;
        }
        messages_.push_back({title, why});
    }
    return false;
}

std::string HeadlessServices::Remembered(const std::string& key) {
    auto it = remembered_.find(key);
    return it == remembered_.end() ? std::string() : it->second;
}

uint64_t HeadlessServices::TimeOfDaySeed() {
    // Past the part of a recording being played, the game goes on with seeds of its own.
    if (playback_)
        if (const auto recorded = playback_->TakeSeed()) return *recorded;
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
    EndProgram();
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
    const int64_t baseMs = clock_.ms - (events.empty() ? 0 : events.front().atMs);
    // The clock follows the recording, never backwards, so the schedule's phases stay sound for
    // whatever comes after.
    Playback playback(*program_, queue_, pad, events, end, [this, baseMs](const InputEvent& e) {
        if (e.kind != InputEvent::Kind::PumpEnd) clock_.ms = std::max(clock_.ms, baseMs + e.atMs);
        if (onPlaying_) onPlaying_(e);
        if (playTime_) playTime_(clock_.ms);
    });
    playback.OnCheck(checkHook_);
    struct Playing {
        HeadlessServices& s;
        ~Playing() { s.playback_ = nullptr; }
    } playing{*this};
    playback_ = &playback;
    while (!playback.Done()) {
        Program::Delivery delivery(program_);
        playback.PlayNext();
    }
    return playback.Astray();
}

std::string_view HeadlessServices::MusicState() const {
    if (!musicOn_ || !soundOn_) return "off";
    if (piece_ == Music::None) return "stopped";
    if (musicPaused_) return "paused";
    // The music is lowered under an effect and back within half a second.
    if (clock_.ms - lastEffectMs_ < 500) return "ducked";
    return "playing";
}

}  // namespace qbx
