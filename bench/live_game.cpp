// The windowed game as the program starts it, for measuring a real window: it can go straight
// to a level and play it with a stand-in player, and end after a given time.
//
//   quibblix_live [--scale N] [--level N] [--players 2] [--autoplay] [--seconds S] [--no-music]
//                 [--tour]
//
// --players 2 makes it a game of two, with player 2 named PLAYER2 (and a stand-in for each
// player with --autoplay). --level starts a new game from the menu and sets that level up as the
// level-complete panel's Continue does. --autoplay keeps the character out of the bubbles' reach
// and launches its arrows from under one bubble after another, so the level goes on with every
// timer running and never a death. --seconds ends the program as its Exit command does
// (QUIBBLIX_TICK_LOG is written then). --no-music plays the effects alone. --tour goes through the
// moments of the music: the menu for six seconds, level 1 played until it is cleared, the
// level-complete panel for six seconds, then level 2 with one life left until it is lost, the "Game
// Over" box closed after six seconds, and the high-score screen for three before the program ends;
// every piece the game asks for is printed on standard output with the time since the start.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/art_pictures.h"
#include "app/instructions_layout.h"
#include "app/stand_in.h"
#include "art/art.h"
#include "backends/qt/qt_services.h"
#include "forms/quibblix.h"
#include "sound/effects.h"

int main(int argc, char** argv) {
    int scale = 1, level = 0, players = 1;
    double seconds = 0;
    bool autoplay = false, music = true, tour = false;
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
        } else if (a == "--players" && number(v) && (v == 1 || v == 2)) {
            players = static_cast<int>(v);
        } else if (a == "--seconds" && number(v)) {
            seconds = v;
        } else if (a == "--autoplay") {
            autoplay = true;
        } else if (a == "--no-music") {
            music = false;
        } else if (a == "--tour") {
            tour = autoplay = true;
        } else {
            std::cerr << "usage: quibblix_live [--scale N] [--level N] [--players 2] "
                         "[--autoplay] [--seconds S] [--no-music] [--tour]\n";
            return 2;
        }
    }

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication qapp(qtArgc, qtArgv);
    qapp.setQuitOnLastWindowClosed(false);
    QGuiApplication::setWindowIcon(qbx::art::AppIcon());
    // Says which piece the game asks for, and when.
    struct Services : qbx::QtServices {
        using QtServices::QtServices;
        QElapsedTimer since;
        bool say = false;
        void PlayMusic(qbx::Music piece) override {
            if (say) std::cout << since.elapsed() << " " << qbx::MusicName(piece) << std::endl;
            QtServices::PlayMusic(piece);
        }
    } svc(scale);
    svc.since.start();
    svc.say = tour;
    qbx::Quibblix app(svc);
    const qbx::ArtPictures artist;
    app.program.SetArtist(&artist);
    static const qbx::sound::Effects effects;  // read by the audio thread until the end
    svc.SetMusicOn(music);
    svc.UseSound(effects);
    svc.Attach(app.program);
    qbx::LayoutInstructions(app.instructions);
    svc.OnNothingLoaded([] { QCoreApplication::exit(0); });
    svc.Dispatch([&app] { app.Start(); });

    qbx::FrmGame& g = app.game;
    if (level > 0) {
        svc.Dispatch([&app, &g, &svc, level, players] {
            if (players == 2) {
                svc.Answer("PLAYER2");
                app.menu.cmdTwoPlayers_Click();
            } else {
                app.menu.cmdPlay_Click();
            }
            g.Level = static_cast<int16_t>(level);
            g.Form_Load();
            if (g.IsLoaded())
                for (int i = 0; i < players; ++i) g.players[i].imgCharacter->Left = qbx::kAside;
        });
    }

    QTimer player;
    int nextTarget = 0;
    if (autoplay) {
        player.setTimerType(Qt::PreciseTimer);
        QObject::connect(&player, &QTimer::timeout, [&] {
            if (!g.IsVisible()) return;
            svc.Dispatch([&] {
                g.C();
                // Each player in turn, with their own fire key.
                for (int i = 0; i < (g.Players == 2 ? 2 : 1); ++i) {
                    qbx::Player& p = g.players[i];
                    if (!g.InGame(p)) continue;
                    p.imgCharacter->Left = qbx::kAside;
                    const std::optional<int> left =
                        qbx::AimUnderABubble(g, nextTarget, 40, tour, i);
                    if (!left) continue;
                    p.imgCharacter->Left = static_cast<float>(*left);
                    g.KeyDown(p.keys.fire[0], 0);
                    g.KeyUp(p.keys.fire[0], 0);
                    p.imgCharacter->Left = qbx::kAside;
                }
            });
        });
        player.start(10);
    }
    if (seconds > 0) QTimer::singleShot(static_cast<int>(seconds * 1000), [&svc] { svc.End(); });

    // The tour's steps, looked for ten times a second.
    QTimer guide;
    int step = 0;
    qint64 stepAt = 0;
    if (tour) {
        QObject::connect(&guide, &QTimer::timeout, [&] {
            const qint64 now = svc.since.elapsed();
            auto next = [&] {
                ++step;
                stepAt = now;
            };
            if (step == 0 && now >= 6000) {
                svc.Dispatch([&app] { app.menu.cmdPlay_Click(); });
                next();
            } else if (step == 1 && g.IsLoaded() && g.C().cmdContinue->Visible) {
                next();
            } else if (step == 2 && now - stepAt >= 6000) {
                svc.Dispatch([&g] {
                    g.Lives = 1;
                    g.cmdContinue_Click();
                });
                next();
            } else if (step == 3 && g.IsLoaded() && g.C().tmrBubbles->Enabled()) {
                // Walks into the first bubble that comes down.
                player.stop();
                svc.Dispatch([&g] {
                    auto& c = g.C();
                    for (int i = 0; i <= c.BubblePic.UBound(); ++i)
                        if (c.BubblePic(i).Visible) {
                            c.imgCharacter->Left = c.BubblePic(i).Left;
                            break;
                        }
                });
            } else if (step == 3 && QApplication::activeModalWidget()) {
                next();
            } else if (step == 4 && now - stepAt >= 6000) {
                if (QWidget* box = QApplication::activeModalWidget()) box->close();
                next();
            } else if (step == 5 && now - stepAt >= 3000) {
                svc.Dispatch([&svc] { svc.End(); });
            }
        });
        guide.start(100);
    }
    return qapp.exec();
}
