// The checks of the game's state a replay keeps once a second: the time to take one, and to
// compare one, on a busy field of level 14, and the share of a replay's bytes they take.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/game_replays.h"
#include "backends/headless/state_check.h"
#include "play_field.h"
#include "replay/replay_file.h"

namespace qbx {
namespace {

bench::BusyField& Field() {
    static bench::BusyField field(12, 7);
    return field;
}

void BM_TakeCheck(benchmark::State& state) {
    bench::BusyField& f = Field();
    InputEvent check{.kind = InputEvent::Kind::Check};
    for (auto _ : state) {
        driver::TakeCheck(f.g, check);
        benchmark::DoNotOptimize(check.seed);
    }
    state.counters["bubbles"] = f.VisibleBubbles();
    state.counters["values"] = static_cast<double>(check.values.size());
}
BENCHMARK(BM_TakeCheck)->Unit(benchmark::kMicrosecond);

void BM_CompareCheck(benchmark::State& state) {
    bench::BusyField& f = Field();
    InputEvent check{.kind = InputEvent::Kind::Check};
    driver::TakeCheck(f.g, check);
    for (auto _ : state) benchmark::DoNotOptimize(driver::CompareCheck(f.g, check));
}
BENCHMARK(BM_CompareCheck)->Unit(benchmark::kMicrosecond);

// A game recorded as the program records one (level 1 cleared, level 2 stood through until the
// last life is lost), written again without its checks.
void BM_ChecksShareOfAReplay(benchmark::State& state) {
    bench::HeadlessGame h(7);
    const std::string file = h.recordsDir + "/game.qbr";
    {
        auto recorder = MakeRecorder(h.app, h.svc, "bench", file, "");
        h.svc.SetInputLog(recorder.get());
        h.Run(
            "click frmMenu.cmdPlay\nwait 2430\nkey Space\nwait 1190\nkey Space\nwait 2030\n"
            "key Left down\nkey Space\nwait 70\nkey Left up\nwait 1140\n"
            "click frmGame.cmdContinue\nwait 600000\n");
        recorder->Finish();
        h.svc.SetInputLog(nullptr);
    }
    replay::Replay r;
    std::string error;
    if (!replay::ReadReplayFile(file, r, error)) state.SkipWithError(error.c_str());
    std::vector<InputEvent> without;
    std::copy_if(r.events.begin(), r.events.end(), std::back_inserter(without),
                 [](const InputEvent& e) { return e.kind != InputEvent::Kind::Check; });
    size_t with = 0, none = 0;
    for (auto _ : state) {
        with = replay::EncodeReplay(r.header, r.events).size();
        none = replay::EncodeReplay(r.header, without).size();
    }
    state.counters["play_min"] = static_cast<double>(r.header.lengthMs) / 60000.0;
    state.counters["checks"] = static_cast<double>(r.events.size() - without.size());
    state.counters["bytes"] = static_cast<double>(with);
    state.counters["bytes_without_checks"] = static_cast<double>(none);
    state.counters["growth_pct"] =
        100.0 * (static_cast<double>(with) / static_cast<double>(none) - 1);
}
BENCHMARK(BM_ChecksShareOfAReplay)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qbx
