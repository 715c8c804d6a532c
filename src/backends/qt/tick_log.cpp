// The live check's record of ticks and paints.
#include "backends/qt/tick_log.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>

#include "engine/screen.h"

namespace qbx {

void TickLog::RunStarted(const Timer& t) {
    if (!t.screen) return;
    std::string key = t.screen->Name() + "." + t.name;
    Stats& st = stats_[key];
    if (t.Interval > 0) st.intervalMs = t.Interval;
    runs_[&t] = Run{std::move(key), &st, clock_.NowNs(), 0};
}

void TickLog::RunEnded(const Timer& t) {
    auto it = runs_.find(&t);
    if (it == runs_.end()) return;
    Close(it->second, *it->second.stats);
    runs_.erase(it);
}

void TickLog::Close(const Run& r, Stats& into) const {
    if (r.lastTickNs <= 0) return;
    into.seconds += static_cast<double>(r.lastTickNs - r.startNs) / 1e9;
    into.sleptSeconds += SleptWithin(r.startNs, r.lastTickNs);
}

void TickLog::Ticking(const Timer& t, int64_t dueMs) {
    auto it = runs_.find(&t);
    if (it == runs_.end()) return;
    Run& r = it->second;
    Stats& st = *r.stats;
    const int64_t nowNs = clock_.NowNs();
    const double lateMs = static_cast<double>(nowNs) / 1e6 - static_cast<double>(dueMs);
    st.lateMsSum += std::max(0.0, lateMs);
    st.lateMsMax = std::max(st.lateMsMax, lateMs);
    if (r.lastTickNs > 0) {
        const double gap = static_cast<double>(nowNs - r.lastTickNs) / 1e6;
        st.gapMsMin = st.gapMsMin > 0 ? std::min(st.gapMsMin, gap) : gap;
        st.gapMsMax = std::max(st.gapMsMax, gap);
    }
    ++st.ticks;
    // Noted before the handler runs: a handler that stops its own timer ends the run here.
    r.lastTickNs = nowNs;
}

void TickLog::Dropped(const Timer& t, int64_t ticks) {
    auto it = runs_.find(&t);
    if (it != runs_.end()) it->second.stats->skipped += ticks;
}

double TickLog::SleptWithin(int64_t fromNs, int64_t toNs) const {
    int64_t slept = 0;
    for (const auto& [start, end] : sleeps_)
        slept += std::max<int64_t>(0, std::min(end, toNs) - std::max(start, fromNs));
    return static_cast<double>(slept) / 1e9;
}

void TickLog::Painted(const std::string& screen) {
    Paints& p = paints_[screen];
    if (p.count++ == 0) p.firstUnixMs = QDateTime::currentMSecsSinceEpoch();
}

std::map<std::string, TickLog::Stats> TickLog::Now() const {
    std::map<std::string, Stats> out = stats_;
    for (const auto& [t, r] : runs_) Close(r, out.at(r.key));
    return out;
}

bool TickLog::Write(const std::string& file) const {
    std::FILE* f = std::fopen(file.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "# Quibblix: how often each timer ticked, and the windows' paints\n");
    for (const auto& [name, st] : Now())
        std::fprintf(f,
                     "timer %s interval_ms=%d ticks=%lld seconds=%.3f slept_seconds=%.3f "
                     "per_second=%.3f per_second_awake=%.3f late_ms_mean=%.3f late_ms_max=%.3f "
                     "gap_ms_min=%.3f gap_ms_max=%.3f skipped=%lld\n",
                     name.c_str(), st.intervalMs, static_cast<long long>(st.ticks), st.seconds,
                     st.sleptSeconds, st.PerSecond(), st.PerSecondAwake(),
                     st.ticks > 0 ? st.lateMsSum / static_cast<double>(st.ticks) : 0.0,
                     st.lateMsMax, st.gapMsMin, st.gapMsMax, static_cast<long long>(st.skipped));
    for (const auto& [name, p] : paints_)
        std::fprintf(f, "screen %s paints=%lld first_paint_unix_ms=%lld\n", name.c_str(),
                     static_cast<long long>(p.count), static_cast<long long>(p.firstUnixMs));
    std::fclose(f);
    return true;
}

}  // namespace qbx
