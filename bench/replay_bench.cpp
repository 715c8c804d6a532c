// Verifying a replay: reading the file and playing every input headless, as
// quibblix --verify-replay does. The game is level 1 cleared by the scenario bot's keys, then
// level 2 stood through until the last life is lost; its counters give the time per minute of
// play, from which a 10-minute game's is reckoned.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/game_replays.h"
#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
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

}  // namespace
}  // namespace qbx
