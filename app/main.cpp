// The program's entry point: the windowed game, or the headless driver running a script.
#include <unistd.h>

#include <QApplication>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/art_pictures.h"
#include "app/command_line.h"
#include "app/end_signals.h"
#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "app/sound_choice.h"
#include "app/state_report.h"
#include "app/version.h"
#include "app/video_export.h"
#include "app/windowed_game.h"
#include "art/art.h"
#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "backends/qt/shot.h"
#include "forms/quibblix.h"
#include "sound/effects.h"

namespace {

std::string ExecutableDir(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) exe = std::filesystem::absolute(argv0, ec);
    std::filesystem::path dir = exe.parent_path();
    return dir.empty() ? std::string(".") : dir.string();
}

int RunHeadless(const qbx::Options& o, char* argv0) {
    qbx::HeadlessServices svc(o.seed);
    qbx::Quibblix app(svc);
    const qbx::ArtPictures artist;
    svc.Attach(app.program);
    svc.SetProgramDir(o.recordsDir.empty() ? ExecutableDir(argv0) : o.recordsDir);
    if (o.mute) svc.SetSoundOn(false);
    if (o.noMusic) svc.SetMusicOn(false);
    // The Replays screen lists the replays kept beside the records; nothing is watched here.
    qbx::KeptReplays shelf(
        qbx::ReplayDir(svc.ProgramDir(), [&svc](const std::string& n) { return svc.Environ(n); }),
        nullptr);
    svc.SetReplayShelf(&shelf);
    // A signal asking the program to end is taken between commands, ticks and pumped events.
    svc.OnOutsideInput([&app] {
        if (qbx::EndSignalled()) app.Exit();
    });

    // Shots need Qt's painting but no display: the offscreen platform, started on first use.
    int guiArgc = 1;
    char* guiArgv[] = {argv0, nullptr};
    std::unique_ptr<QApplication> gui;
    qbx::DriverHooks hooks;
    hooks.shot = [&](qbx::Screen& s, const std::string& file, double ratio) -> std::string {
        if (!gui) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            gui = std::make_unique<QApplication>(guiArgc, guiArgv);
            app.program.SetArtist(&artist);
            // The instructions' pictures sit in the gaps the text leaves with the real fonts.
            qbx::LayoutInstructions(app.instructions);
        }
        return qbx::ShotScreen(s, file, ratio);
    };
    hooks.replay = qbx::ReadReplayInputs;
    qbx::Driver driver(app.program, svc, hooks);
    std::unique_ptr<qbx::replay::GameRecorder> recorder;
    if (!o.record.empty()) {
        recorder = qbx::MakeRecorder(app, svc, QUIBBLIX_VERSION, o.record, "");
        svc.SetInputLog(recorder.get());
    }

    if (!app.program.Run([&app] { app.Start(); })) {
        std::cout << driver.Dump() << std::endl;
        return 0;
    }
    if (o.script.empty()) {
        // Standard input is read so that a signal ends the wait for the next line.
        qbx::EndAwareInput input(0);
        std::istream lines(&input);
        return driver.Run(lines, std::cout, std::cerr);
    }
    std::ifstream in(o.script);
    if (!in) {
        std::cerr << "quibblix: cannot read the script '" << o.script << "'\n";
        return 2;
    }
    return driver.Run(in, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    qbx::CatchEndSignals();
    qbx::Options o;
    int rc = qbx::ParseCommandLine(argc, argv, o, std::cout, std::cerr);
    if (rc >= 0) return rc;
    if (!o.verify.empty()) return qbx::VerifyReplayCommand(o.verify, std::cout, std::cerr);
    if (!o.exportVideo.empty())
        return qbx::ExportVideoCommand(o.exportVideo, o.exportFrom, {o.scale, o.speed}, argv[0],
                                       std::cerr, ::isatty(2) == 1);
    if (o.headless) return RunHeadless(o, argv[0]);
    qbx::WindowOptions w;
    w.scale = o.scale;
    w.mute = o.mute;
    w.noMusic = o.noMusic;
    w.fullScreen = o.fullScreen;
    w.window = o.window;
    w.recordsDir = o.recordsDir;
    w.noDemo = o.noDemo;
    if (!o.watch.empty()) {
        // A file that cannot be played is said before any window opens.
        qbx::replay::Header header;
        std::string error;
        if (!qbx::replay::ReadHeaderFile(o.watch, header, error)) {
            std::cerr << "quibblix: cannot read the replay '" << o.watch << "': " << error << "\n";
            return 2;
        }
        w.replayFile = o.watch;
    }
    return qbx::RunWindowed(w, argc, argv);
}
