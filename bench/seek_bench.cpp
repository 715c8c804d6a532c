// Seeking in a watched replay: the window (offscreen unless told otherwise) sent to 20 moments
// of a long replay picked at random with a fixed seed, each timed from asking until its picture
// has been painted; the median and the slowest are printed. The replay is the file named on the
// command line, else the benchmarks' 10-minute window game (bench/data/window-10min.qbr).
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/art_pictures.h"
#include "app/replay_watch.h"
#include "backends/qt/watching_services.h"

namespace {

// The CPU time this thread has used: what a seek costs whatever else the machine is doing.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qbx;
    using Clock = std::chrono::steady_clock;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication qapp(qtArgc, qtArgv);

    const std::string dir =
        (std::filesystem::temp_directory_path() / "quibblix-seek-bench").string();
    std::filesystem::create_directories(dir);
    const std::string file = argc > 1 ? argv[1] : QUIBBLIX_BENCH_DATA "/window-10min.qbr";

    QtServices from;
    ArtPictures artist;
    ReplayWatch watch({1, &artist, &from, dir});
    std::string error;
    const auto opening = Clock::now();
    if (!watch.Start(file, error, {})) {
        std::fprintf(stderr, "seek_bench: %s\n", error.c_str());
        return 2;
    }
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - opening).count();
    WatchingServices& svc = *watch.Backend();
    svc.SetPaused(true);
    QCoreApplication::processEvents();

    const double spanS = static_cast<double>(svc.EndMs() - svc.StartMs()) / 1000;
    std::mt19937 random(29);
    std::uniform_int_distribution<int64_t> pick(svc.StartMs(), svc.EndMs());
    // Driven from the event loop: a watching paused inside a pump of the game waits there, in
    // an event loop of its own.
    std::vector<double> times, cpu;
    Clock::time_point asked;
    double askedCpu = 0;
    bool waiting = false;
    QTimer driver;
    driver.setInterval(0);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (svc.Seeking()) return;
        if (waiting) {
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
            cpu.push_back(ThreadCpuMs() - askedCpu);
            waiting = false;
        }
        if (times.size() == 20) {
            driver.stop();
            svc.Stop();
            return;
        }
        asked = Clock::now();
        askedCpu = ThreadCpuMs();
        waiting = true;
        watch.SeekTo(pick(random));
    });
    driver.start();
    while (watch.Watching() && times.size() < 20)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("replay %s: %.1f s of play; opening (moments found) %.0f ms\n", file.c_str(), spanS,
                openMs);
    std::printf("seek over 20 jumps: median %.1f ms, slowest %.1f ms, fastest %.1f ms\n",
                (sorted[9] + sorted[10]) / 2, sorted.back(), sorted.front());
    std::sort(cpu.begin(), cpu.end());
    std::printf("CPU time of a seek: median %.1f ms, most %.1f ms\n", (cpu[9] + cpu[10]) / 2,
                cpu.back());
    return 0;
}
