// The program's entry point: the windowed game, or the headless driver running a script.
#include <QApplication>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/art_pictures.h"
#include "app/end_signals.h"
#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "app/sound_choice.h"
#include "app/state_report.h"
#include "app/windowed_game.h"
#include "art/art.h"
#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "backends/qt/shot.h"
#include "forms/quibblix.h"
#include "sound/effects.h"

#ifndef QUIBBLIX_VERSION
#define QUIBBLIX_VERSION "1.0.0"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: quibblix [--scale N] [--fullscreen | --window] [--mute] [--records-dir DIR]\n"
    "                [--no-music]\n"
    "       quibblix --headless [--seed N] [--records-dir DIR] [--mute] [--record FILE]\n"
    "                [--no-music] [SCRIPT]\n"
    "       quibblix [--scale N] [--fullscreen | --window] [--mute] [--no-music]\n"
    "                --replay FILE\n"
    "       quibblix --verify-replay FILE\n"
    "\n"
    "Without options, opens the game in a window.\n"
    "\n"
    "  --scale N            draw the windows N times larger (1 to 4)\n"
    "  --mute               play without sound this time (the Sound command, Ctrl+M,\n"
    "                       or M on the main menu turn it on again)\n"
    "  --no-music           play without music this time, the effects still heard (the\n"
    "                       Music command, Ctrl+U, or U on the main menu turn it on again)\n"
    "  --fullscreen         fill the screen (F11 switches between the screen and a window);\n"
    "                       the choice is kept for the next run\n"
    "  --window             start in a window this time, whatever was chosen last\n"
    "  --headless           run without windows on a virtual clock; read driver commands\n"
    "                       from SCRIPT, or from standard input without one\n"
    "  --seed N             seed for the headless clock's time of day (default 1)\n"
    "  --records-dir DIR    where the game keeps its record files (default: next to the\n"
    "                       program if the player may write there and it is not under\n"
    "                       /usr, else $XDG_DATA_HOME/quibblix, ~/.local/share/quibblix\n"
    "                       when that is unset)\n"
    "  --record FILE        keep the headless game as a replay in FILE\n"
    "  --replay FILE        watch a replay in the window, then end: Space pauses, Right\n"
    "                       and Left double and halve the speed, Esc ends\n"
    "  --verify-replay FILE play a replay without a window and print its result as JSON;\n"
    "                       exit 0 when it is the result the replay claims, 1 when not,\n"
    "                       2 when the file cannot be read\n"
    "\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "Every game played in a window is kept as a replay in 'replays' beside the record\n"
    "files (the 20 most recent, and those whose result stands in a record table).\n"
    "\n"
    "A game controller plays too: the d-pad or the left stick walks, A or B fires, X or Y\n"
    "gives up the power-up, Start pauses; on the menus the d-pad picks a button, A presses\n"
    "it and B goes back.\n";

// Four times the game's window (905 pixels wide) is about as wide as a 4K screen.
constexpr uint64_t kMaxScale = 4;

struct Options {
    bool headless = false;
    bool seedGiven = false;
    uint64_t seed = 1;
    std::string recordsDir;
    std::string script;
    int scale = 1;
    bool scaleGiven = false;
    bool mute = false;
    bool noMusic = false;
    bool fullScreen = false;
    bool window = false;
    std::string record;
    std::string verify;
    std::string watch;
};

bool ParseUnsigned(const std::string& text, uint64_t& out) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

// Returns -1 to go on, or the exit status.
int ParseArgs(int argc, char** argv, Options& o) {
    auto fail = [](const std::string& message) {
        std::cerr << "quibblix: " << message << " (see quibblix --help)\n";
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (a == "--version") {
            std::cout << "Quibblix " << QUIBBLIX_VERSION << "\n";
            return 0;
        }
        if (a == "--headless") {
            o.headless = true;
        } else if (a == "--mute") {
            o.mute = true;
        } else if (a == "--no-music") {
            o.noMusic = true;
        } else if (a == "--seed") {
            std::string v;
            if (!value(v) || !ParseUnsigned(v, o.seed)) return fail("--seed needs a whole number");
            o.seedGiven = true;
        } else if (a == "--records-dir") {
            if (!value(o.recordsDir) || o.recordsDir.empty())
                return fail("--records-dir needs a directory");
        } else if (a == "--scale") {
            std::string v;
            uint64_t n = 0;
            if (!value(v) || !ParseUnsigned(v, n) || n < 1 || n > kMaxScale)
                return fail("--scale needs a whole number from 1 to 4");
            o.scale = static_cast<int>(n);
            o.scaleGiven = true;
        } else if (a == "--record") {
            if (!value(o.record) || o.record.empty()) return fail("--record needs a file");
        } else if (a == "--replay") {
            if (!value(o.watch) || o.watch.empty()) return fail("--replay needs a file");
        } else if (a == "--verify-replay") {
            if (!value(o.verify) || o.verify.empty()) return fail("--verify-replay needs a file");
        } else if (a == "--fullscreen") {
            o.fullScreen = true;
        } else if (a == "--window") {
            o.window = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option '" + a + "'");
        } else if (o.script.empty()) {
            o.script = a;
        } else {
            return fail("unexpected argument '" + a + "'");
        }
    }
    if (!o.verify.empty()) {
        if (o.headless || !o.script.empty() || !o.record.empty() || !o.watch.empty() ||
            o.scaleGiven || o.fullScreen || o.window)
            return fail("--verify-replay takes no other option");
        return -1;
    }
    if (!o.watch.empty() && (o.headless || !o.record.empty()))
        return fail("--replay is watched in a window");
    if (!o.headless) {
        if (!o.record.empty()) return fail("--record works only with --headless");
        if (o.seedGiven) return fail("--seed works only with --headless");
        if (!o.script.empty()) return fail("a script runs only with --headless");
        if (o.fullScreen && o.window) return fail("--fullscreen and --window exclude each other");
    } else if (o.scaleGiven) {
        return fail("--scale works only in a window");
    } else if (o.fullScreen) {
        return fail("--fullscreen works only in a window");
    } else if (o.window) {
        return fail("--window works only in a window");
    }
    return -1;
}

std::string ExecutableDir(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) exe = std::filesystem::absolute(argv0, ec);
    std::filesystem::path dir = exe.parent_path();
    return dir.empty() ? std::string(".") : dir.string();
}

int RunHeadless(const Options& o, char* argv0) {
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

    try {
        app.Start();
    } catch (const qbx::ProgramEnded&) {
        app.program.CollectGarbage();
        std::cout << driver.Dump() << "\n";
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
    Options o;
    int rc = ParseArgs(argc, argv, o);
    if (rc >= 0) return rc;
    if (!o.verify.empty()) return qbx::VerifyReplayCommand(o.verify, std::cout, std::cerr);
    if (o.headless) return RunHeadless(o, argv[0]);
    qbx::WindowOptions w;
    w.scale = o.scale;
    w.mute = o.mute;
    w.noMusic = o.noMusic;
    w.fullScreen = o.fullScreen;
    w.window = o.window;
    w.recordsDir = o.recordsDir;
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
