// Verifying a replay: reading the file and playing every input headless, as
// quibblix --verify-replay does. The game is level 1 cleared by the scenario bot's keys, then
// level 2 stood through until the last life is lost; its counters give the time per minute of
// play, from which a 10-minute game's is reckoned.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/game_replays.h"
#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "engine/gamepad.h"
#include "engine/program.h"
#include "forms/quibblix.h"
#include "replay/replay_file.h"

namespace qbx {
namespace {

constexpr const char* kGame = R"(click frmMenu.cmdPlay
wait 2430
key Space
wait 1190
key Space
wait 2030
key Left down
key Space
wait 70
key Left up
wait 1140
click frmGame.cmdContinue
wait 600000
)";

// Records the game once into a file in the temporary directory.
const std::string& RecordedGame() {
    static const std::string path = [] {
        const std::string dir =
            (std::filesystem::temp_directory_path() / "quibblix-replay-bench").string();
        std::filesystem::create_directories(dir);
        HeadlessServices svc(7);
        Quibblix app(svc);
        svc.Attach(app.program);
        svc.SetProgramDir(dir);
        const std::string file = dir + "/game.qbr";
        {
            auto recorder = MakeRecorder(app, svc, "bench", file, "");
            svc.SetInputLog(recorder.get());
            Driver driver(app.program, svc);
            app.Start();
            std::istringstream script(kGame);
            std::ostringstream out, err;
            driver.Run(script, out, err);
            recorder->Finish();
            svc.SetInputLog(nullptr);
        }
        return file;
    }();
    return path;
}

void BM_VerifyReplay(benchmark::State& state) {
    const std::string& file = RecordedGame();
    replay::Header h;
    std::string error;
    replay::ReadHeaderFile(file, h, error);
    Verdict v;
    for (auto _ : state) {
        if (!VerifyReplay(file, v, error) || !v.matches) state.SkipWithError("does not verify");
        benchmark::DoNotOptimize(v.score);
    }
    const double minutes = static_cast<double>(h.lengthMs) / 60000.0;
    state.counters["play_min"] = minutes;
    state.counters["events"] = static_cast<double>(v.events);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
    state.counters["bytes_per_10min"] =
        static_cast<double>(std::filesystem::file_size(file)) * 10 / minutes;
    state.counters["s_per_10min"] = benchmark::Counter(
        minutes / 10, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_VerifyReplay)->Unit(benchmark::kMillisecond);

// A game of about 10 minutes played in a real window by the stand-in player
// (bench/record_window_game.sh), read and played as --verify-replay does.
const std::string kWindowGame = QUIBBLIX_BENCH_DATA "/window-10min.qbr";

void BM_VerifyWindowGame(benchmark::State& state) {
    replay::Header h;
    std::string error;
    if (!replay::ReadHeaderFile(kWindowGame, h, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Verdict v;
    for (auto _ : state) {
        if (!VerifyReplay(kWindowGame, v, error) || !v.matches) {
            state.SkipWithError("does not verify");
            break;
        }
        benchmark::DoNotOptimize(v.score);
    }
    const double minutes = static_cast<double>(h.lengthMs) / 60000.0;
    state.counters["play_min"] = minutes;
    state.counters["events"] = static_cast<double>(v.events);
    state.counters["s_per_10min"] = benchmark::Counter(
        minutes / 10, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_VerifyWindowGame)->Unit(benchmark::kMillisecond);

// What a seek costs when it plays the inputs headless from the start: the window game played to
// each of 20 points drawn with a fixed seed, from a program just started each time. One run is
// the 20 seeks; the counters give the median and the longest, in CPU time (the wall clock of a
// shared machine says more about the others' work than about this).
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_SeekFromStart(benchmark::State& state) {
    replay::Replay r;
    std::string error;
    if (!replay::ReadReplayFile(kWindowGame, r, error) || r.events.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::mt19937 random(29);
    std::uniform_int_distribution<size_t> pick(1, r.events.size());
    std::vector<size_t> points(20);
    for (size_t& p : points) p = pick(random);
    ScratchDir scratch;
    std::vector<double> ms;
    for (auto _ : state) {
        for (size_t end : points) {
            const double t0 = ThreadCpuMs();
            HeadlessServices svc;
            Quibblix app(svc);
            svc.Attach(app.program);
            PlayAgainAs(svc, r.header.player, scratch.Path());
            Gamepad pad(app.program);
            app.program.Run([&] {
                app.Start();
                benchmark::DoNotOptimize(svc.PlayRecorded(r.events, end, pad));
            });
            ms.push_back(ThreadCpuMs() - t0);
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_cpu_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
    state.counters["max_cpu_ms"] = ms.empty() ? 0 : ms.back();
}
BENCHMARK(BM_SeekFromStart)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qbx
