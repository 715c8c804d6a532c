// The program's entry point: the windowed game, or the headless driver running a script.
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/art_pictures.h"
#include "app/end_signals.h"
#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "app/sound_choice.h"
#include "app/state_report.h"
#include "art/art.h"
#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "backends/qt/auto_repeat.h"
#include "backends/qt/pad_input.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/shot.h"
#include "forms/quibblix.h"
#include "sound/effects.h"

#ifndef QUIBBLIX_VERSION
#define QUIBBLIX_VERSION "1.0.0"
#endif
#ifndef QUIBBLIX_APP_ID
#define QUIBBLIX_APP_ID "io.github.quibblix.quibblix"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: quibblix [--scale N] [--fullscreen | --window] [--mute] [--records-dir DIR]\n"
    "       quibblix --headless [--seed N] [--records-dir DIR] [--mute] [--record FILE]\n"
    "                [SCRIPT]\n"
    "       quibblix --verify-replay FILE\n"
    "\n"
    "Without options, opens the game in a window.\n"
    "\n"
    "  --scale N            draw the windows N times larger (1 to 4)\n"
    "  --mute               play without sound this time (the Sound command, Ctrl+M,\n"
    "                       or M on the main menu turn it on again)\n"
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

// The command that starts this game under a virtual display: the program as the player ran it
// (a bare name was found on the PATH, a path works from where it was typed), with its options.
std::string UnderVirtualDisplay(int argc, char** argv) {
    std::ostringstream line;
    line << "xvfb-run -a";
    for (int i = 0; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool plain = !a.empty() && a.find_first_not_of(
                                             "abcdefghijklmnopqrstuvwxyz"
                                             "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                             "0123456789_-+=/.,:@%") == std::string_view::npos;
        line << ' ';
        if (plain) {
            line << a;
            continue;
        }
        line << '\'';
        for (char c : a) {
            if (c == '\'')
                line << "'\\''";
            else
                line << c;
        }
        line << '\'';
    }
    return line.str();
}

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
    bool fullScreen = false;
    bool window = false;
    std::string record;
    std::string verify;
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
        if (o.headless || !o.script.empty() || !o.record.empty() || o.scaleGiven || o.fullScreen ||
            o.window)
            return fail("--verify-replay takes no other option");
        return -1;
    }
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

// While the window system starts up, Qt's messages are held back: if the platform cannot start
// (a display that does not answer), Qt would print a page about plugins and abort; say what
// happened in one sentence instead.
std::vector<std::pair<QtMsgType, std::string>> startupMessages;
std::string virtualDisplayCommand;
QtMessageHandler previousHandler = nullptr;

void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY");
        std::cerr << "Quibblix could not open a window on the display";
        if (!display.isEmpty()) std::cerr << ' ' << display.constData();
        std::cerr << "; to run it without one, use: " << virtualDisplayCommand << "\n";
        std::cerr.flush();
        ::_exit(1);
    }
    std::string category = context.category ? context.category : "";
    startupMessages.emplace_back(
        type,
        (category.empty() || category == "default" ? "" : category + ": ") + message.toStdString());
}

int RunWindowed(const Options& o, int argc, char** argv) {
    char* argv0 = argv[0];
    virtualDisplayCommand = UnderVirtualDisplay(argc, argv);
    const std::string noDisplay =
        "Quibblix needs a graphical display; to run it without one, use: " + virtualDisplayCommand +
        "\n";
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::cerr << noDisplay;
        return 1;
    }
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
    previousHandler = qInstallMessageHandler(StartupMessageHandler);
    QApplication qapp(qtArgc, qtArgv);
    qInstallMessageHandler(previousHandler);
    // The desktop matches the windows to the installed launcher and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUIBBLIX_APP_ID));
    for (const auto& [type, text] : startupMessages)
        if (type != QtDebugMsg) std::cerr << text << "\n";
    startupMessages.clear();
    if (!QGuiApplication::primaryScreen()) {
        std::cerr << noDisplay;
        return 1;
    }
    // A held key comes as repeated presses only, however the X server's events are timed.
    qbx::AskForDetectableAutoRepeat();
    // Keys let go while another program has the keyboard are never seen here.
    QObject::connect(&qapp, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive) qbx::ForgetHeldKeys();
    });

    // The screens decide when the program ends, not the last window to close.
    qapp.setQuitOnLastWindowClosed(false);

    // Every window takes the application's icon.
    QGuiApplication::setWindowIcon(qbx::art::AppIcon());
    qbx::QtServices svc(o.scale);
    // The player's sound choice is remembered; --mute holds for this run only.
    qbx::SoundChoice choice;
    svc.SetSoundOn(choice.On() && !o.mute);
    svc.OnSoundChanged([&choice](bool on) { choice.Remember(on); });
    static const qbx::sound::Effects effects;  // read by the audio thread until the end
    svc.UseSound(effects);
    // So is the full screen; --window holds for this run only.
    qbx::FullScreenChoice fullScreen;
    if (o.fullScreen) fullScreen.Remember(true);
    svc.SetFullScreen(o.fullScreen || (fullScreen.On() && !o.window));
    svc.OnFullScreenChanged([&fullScreen](bool on) { fullScreen.Remember(on); });
    if (!o.recordsDir.empty()) svc.SetProgramDir(o.recordsDir);
    qbx::Quibblix app(svc);
    const qbx::ArtPictures artist;
    app.program.SetArtist(&artist);
    svc.Attach(app.program);
    qbx::PadInput pads(app.program, svc);
    // Every game is kept as a replay, written as it goes: at least once a second, and whole
    // however the program ends.
    const auto recorder = qbx::MakeRecorder(
        app, svc, QUIBBLIX_VERSION, "",
        qbx::ReplayDir(svc.ProgramDir(), [&svc](const std::string& n) { return svc.Environ(n); }));
    svc.SetInputLog(recorder.get());
    svc.BeforeEnd([&recorder] { recorder->Finish(); });
    QTimer flush;
    QObject::connect(&flush, &QTimer::timeout, &flush,
                     [&recorder, &svc] { recorder->FlushIfDue(svc.TheClock().NowMs()); });
    flush.start(static_cast<int>(qbx::replay::kFlushEveryMs / 4));
    // The instructions' pictures are placed, and the pads looked for, once the menu is on
    // screen, so it shows sooner.
    svc.AfterFirstPaint([&app, &pads] {
        qbx::LayoutInstructions(app.instructions);
        pads.Start();
    });
    bool ended = false;
    svc.OnNothingLoaded([&ended] {
        ended = true;
        QCoreApplication::exit(0);
    });
    // A signal asking the program to end is taken by the event loop, as the Exit command.
    QSocketNotifier endSignal(qbx::EndSignalFd(), QSocketNotifier::Read);
    endSignal.setEnabled(qbx::EndSignalFd() >= 0);
    QObject::connect(&endSignal, &QSocketNotifier::activated,
                     [&svc, &app] { svc.Dispatch([&app] { app.Exit(); }); });
    // The state line for tests, refreshed often enough for a test that polls it.
    QTimer stateTimer;
    std::unique_ptr<qbx::StateReport> report;
    if (const QByteArray file = qgetenv("QUIBBLIX_STATE_FILE"); !file.isEmpty()) {
        report = std::make_unique<qbx::StateReport>(file.toStdString());
        QObject::connect(&stateTimer, &QTimer::timeout,
                         [&] { report->Write(qbx::StateLine(app, svc)); });
        stateTimer.start(20);
    }
    svc.Dispatch([&app] { app.Start(); });
    if (ended) return 0;
    const int rc = qapp.exec();
    recorder->Finish();
    svc.SetInputLog(nullptr);
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    qbx::CatchEndSignals();
    Options o;
    int rc = ParseArgs(argc, argv, o);
    if (rc >= 0) return rc;
    if (!o.verify.empty()) return qbx::VerifyReplayCommand(o.verify, std::cout, std::cerr);
    return o.headless ? RunHeadless(o, argv[0]) : RunWindowed(o, argc, argv);
}
