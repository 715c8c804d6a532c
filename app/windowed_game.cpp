// The windowed game as the program composes it.
#include "app/windowed_game.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/art_pictures.h"
#include "app/attract_mode.h"
#include "app/end_signals.h"
#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "app/replay_watch.h"
#include "app/rules_check.h"
#include "app/sound_choice.h"
#include "app/state_report.h"
#include "app/version.h"
#include "app/video_export.h"
#include "art/art.h"
#include "backends/qt/auto_repeat.h"
#include "backends/qt/pad_input.h"
#include "backends/qt/qt_services.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "sound/effects.h"

#ifndef QUIBBLIX_APP_ID
#define QUIBBLIX_APP_ID "io.github.quibblix.quibblix"
#endif

namespace qbx {

namespace {

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

}  // namespace

int RunWindowed(const WindowOptions& o, int argc, char** argv, const WhenStarted& started) {
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
    AskForDetectableAutoRepeat();
    // Keys let go while another program has the keyboard are never seen here.
    QObject::connect(&qapp, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive) ForgetHeldKeys();
    });

    // The screens decide when the program ends, not the last window to close.
    qapp.setQuitOnLastWindowClosed(false);

    // Every window takes the application's icon.
    QGuiApplication::setWindowIcon(art::AppIcon());
    QtServices svc(o.scale);
    // The player's sound choice is remembered; --mute holds for this run only.
    SoundChoice choice;
    svc.SetSoundOn(choice.On() && !o.mute);
    svc.OnSoundChanged([&choice](bool on) { choice.Remember(on); });
    // So is the music's, apart from it; --no-music holds for this run only.
    MusicChoice music;
    svc.SetMusicOn(music.On() && !o.noMusic);
    svc.OnMusicChanged([&music](bool on) { music.Remember(on); });
    TextChoices choices;
    svc.KeepChoicesWith([&choices](const std::string& key) { return choices.Read(key); },
                        [&choices](const std::string& key, const std::string& value) {
                            choices.Remember(key, value);
                        });
    static const sound::Effects effects;  // read by the audio thread until the end
    svc.UseSound(effects);
    // So is the full screen; --window holds for this run only.
    FullScreenChoice fullScreen;
    if (o.fullScreen) fullScreen.Remember(true);
    svc.SetFullScreen(o.fullScreen || (fullScreen.On() && !o.window));
    svc.OnFullScreenChanged([&fullScreen](bool on) { fullScreen.Remember(on); });
    if (!o.recordsDir.empty()) svc.SetProgramDir(o.recordsDir);
    Quibblix app(svc);
    const ArtPictures artist;
    app.program.SetArtist(&artist);
    svc.Attach(app.program);
    const records::Environment env = [&svc](const std::string& n) { return svc.Environ(n); };
    // Every game is kept as a replay, written as it goes: at least once a second, and whole
    // however the program ends. Watching one records nothing.
    const bool watchOnly = !o.replayFile.empty();
    const auto recorder =
        MakeRecorder(app, svc, QUIBBLIX_VERSION, "", ReplayDir(svc.ProgramDir(), env));
    QTimer flush;
    if (!watchOnly) {
        svc.SetInputLog(recorder.get());
        svc.BeforeEnd([&recorder] { recorder->Finish(); });
        QObject::connect(&flush, &QTimer::timeout, &flush,
                         [&recorder, &svc] { recorder->FlushIfDue(svc.TheClock().NowMs()); });
        flush.start(static_cast<int>(replay::kFlushEveryMs / 4));
    }
    // The kept replays, watched in a game screen of their own; the Replays screen comes back
    // when the watching ends.
    ReplayWatch watch({o.scale, &artist, &svc, records::RecordDir(svc.ProgramDir(), env)});
    KeptReplays shelf(ReplayDir(svc.ProgramDir(), env), [&watch](const std::string& file) {
        QTimer::singleShot(0, QCoreApplication::instance(), [&watch, file] {
            std::string error;
            if (watch.Watching() || watch.Start(file, error, {})) return;
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Quibblix"),
                            QStringLiteral("This replay cannot be watched: %1")
                                .arg(QString::fromStdString(error)),
                            QMessageBox::Ok, QApplication::activeWindow());
            box.exec();
        });
    });
    // A kept replay made into a video, with the ffmpeg program where it is installed.
    const std::string encoder = FindEncoder();
    shelf.SetExporter(
        [&artist, encoder](const std::string& file) {
            QTimer::singleShot(0, QCoreApplication::instance(),
                               [&artist, encoder, file] { ExportInWindow(file, encoder, artist); });
        },
        encoder.empty() ? kEncoderScreenHint : "");
    svc.SetReplayShelf(&shelf);
    // Kept replays played under other rules are played again while the list is on screen, one
    // at each turn of the event loop, and those that no longer play as recorded are told of on
    // it.
    RulesCheck rulesCheck(ReplayDir(svc.ProgramDir(), env));
    QObject rulesTurns;  // the turns still to come go with it
    const RulesCheck::Loop rulesLoop{
        .post =
            [&rulesTurns](std::function<void()> turn) {
                QTimer::singleShot(0, &rulesTurns, std::move(turn));
            },
        .mayPlay = [&app, &watch] { return app.replays.IsVisible() && !watch.Watching(); },
        .tell =
            [&app, &svc](const std::string& text) {
                svc.Dispatch([&app, &text] { app.replays.ShowRulesReport(text); });
            }};
    shelf.WhenListed([&rulesCheck, &rulesLoop](const std::vector<replay::KeptReplay>& kept) {
        rulesCheck.Listed(kept, rulesLoop);
    });
    // The main menu left alone plays the best kept replay as a demo; the pads' buttons end it
    // as the keys do.
    AttractMode attract({.scale = o.scale,
                         .artist = &artist,
                         .svc = &svc,
                         .app = &app,
                         .recordsDir = records::RecordDir(svc.ProgramDir(), env),
                         .replayDir = ReplayDir(svc.ProgramDir(), env),
                         .on = !o.noDemo && !watchOnly});
    PadInput pads(app.program, attract.PadHost());
    // The instructions' pictures are placed, and the pads looked for, once the menu is on
    // screen, so it shows sooner.
    svc.AfterFirstPaint([&app, &pads] {
        LayoutInstructions(app.instructions);
        pads.Start();
    });
    bool ended = false;
    svc.OnNothingLoaded([&ended] {
        ended = true;
        QCoreApplication::exit(0);
    });
    // A signal asking the program to end is taken by the event loop, as the Exit command.
    QSocketNotifier endSignal(EndSignalFd(), QSocketNotifier::Read);
    endSignal.setEnabled(EndSignalFd() >= 0);
    QObject::connect(&endSignal, &QSocketNotifier::activated,
                     [&svc, &app] { svc.Dispatch([&app] { app.Exit(); }); });
    // The state line for tests, refreshed often enough for a test that polls it.
    QTimer stateTimer;
    std::unique_ptr<StateReport> report;
    if (const QByteArray file = qgetenv("QUIBBLIX_STATE_FILE"); !file.isEmpty()) {
        report = std::make_unique<StateReport>(file.toStdString());
        QObject::connect(&stateTimer, &QTimer::timeout, [&] {
            report->Write(StateLine(app, svc) + " demo=" + (attract.Playing() ? "1" : "0") +
                          WatchLine(attract.Playing() ? attract.Watch() : watch));
        });
        stateTimer.start(20);
    }
    if (watchOnly) {
        std::string error;
        if (!watch.Start(o.replayFile, error, [] { QCoreApplication::exit(0); })) {
            std::cerr << "quibblix: cannot read the replay '" << o.replayFile << "': " << error
                      << "\n";
            return 2;
        }
    } else {
        svc.Dispatch([&app] { app.Start(); });
    }
    if (ended) return 0;
    if (started) started(app, svc);
    const int rc = qapp.exec();
    recorder->Finish();
    svc.SetInputLog(nullptr);
    return rc;
}

}  // namespace qbx
