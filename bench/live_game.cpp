// The windowed game as the program starts it, for measuring a real window: it can go straight
// to a level and play it with a stand-in player, and end after a given time.
//
//   quibblix_live [--scale N] [--level N] [--autoplay] [--seconds S]
//
// --level starts a new game from the menu and sets that level up as the level-complete panel's
// Continue does. --autoplay keeps the character out of the bubbles' reach and launches its
// arrows from under one bubble after another, so the level goes on with every timer running
// and never a death. --seconds ends the program as its Exit command does (QUIBBLIX_TICK_LOG
// is written then).
#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/art_pictures.h"
#include "app/instructions_layout.h"
#include "art/art.h"
#include "backends/qt/qt_services.h"
#include "forms/quibblix.h"
#include "sound/effects.h"
#include "app/stand_in.h"

int main(int argc, char** argv) {
    int scale = 1, level = 0;
    double seconds = 0;
    bool autoplay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto number = [&](double& out) {
            if (i + 1 >= argc) return false;
            char* end = nullptr;
            out = std::strtod(argv[++i], &end);
            return end && *end == '\0' && out >= 0;
        };
        double v = 0;
        if (a == "--scale" && number(v) && v >= 1 && v <= 4) {
            scale = static_cast<int>(v);
        } else if (a == "--level" && number(v) && v >= 1 && v <= 100) {
            level = static_cast<int>(v);
        } else if (a == "--seconds" && number(v)) {
            seconds = v;
        } else if (a == "--autoplay") {
            autoplay = true;
        } else {
            std::cerr << "usage: quibblix_live [--scale N] [--level N] [--autoplay] "
                         "[--seconds S]\n";
            return 2;
        }
    }

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication qapp(qtArgc, qtArgv);
    qapp.setQuitOnLastWindowClosed(false);
    QGuiApplication::setWindowIcon(qbx::art::AppIcon());
    qbx::QtServices svc(scale);
    qbx::Quibblix app(svc);
    const qbx::ArtPictures artist;
    app.program.SetArtist(&artist);
    static const qbx::sound::Effects effects;  // read by the audio thread until the end
    svc.UseSound(effects);
    svc.Attach(app.program);
    qbx::LayoutInstructions(app.instructions);
    svc.OnNothingLoaded([] { QCoreApplication::exit(0); });
    svc.Dispatch([&app] { app.Start(); });

    qbx::FrmGame& g = app.game;
    if (level > 0) {
        svc.Dispatch([&app, &g, level] {
            app.menu.cmdPlay_Click();
            g.Level = static_cast<int16_t>(level);
            g.Form_Load();
            if (g.IsLoaded()) g.C().imgCharacter->Left = qbx::kAside;
        });
    }

    QTimer player;
    int nextTarget = 0;
    if (autoplay) {
        player.setTimerType(Qt::PreciseTimer);
        QObject::connect(&player, &QTimer::timeout, [&] {
            if (!g.IsVisible()) return;
            svc.Dispatch([&] {
                auto& c = g.C();
                c.imgCharacter->Left = qbx::kAside;
                const std::optional<int> left = qbx::AimUnderABubble(g, nextTarget, 40);
                if (!left) return;
                c.imgCharacter->Left = static_cast<float>(*left);
                g.KeyDown('W', 0);
                g.KeyUp('W', 0);
                c.imgCharacter->Left = qbx::kAside;
            });
        });
        player.start(10);
    }
    if (seconds > 0) QTimer::singleShot(static_cast<int>(seconds * 1000), [&svc] { svc.End(); });
    return qapp.exec();
}
