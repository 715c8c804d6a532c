// The windowed game exactly as the program runs it, with a stand-in player that starts a game
// from the menu and clears the first level's field. Once the level-complete panel shows, the
// stand-in stops for good: from then on only the X server's keys play.
//
//   e2e_panel_game [--records-dir DIR] [--mute]
#include <QCoreApplication>
#include <QTimer>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/end_signals.h"
#include "app/stand_in.h"
#include "app/windowed_game.h"
#include "backends/qt/qt_services.h"
#include "forms/quibblix.h"

namespace {

struct StandIn {
    bool started = false;
    int nextTarget = 0;
};

}  // namespace

int main(int argc, char** argv) {
    qbx::CatchEndSignals();
    qbx::WindowOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--records-dir" && i + 1 < argc) {
            o.recordsDir = argv[++i];
        } else if (a == "--mute") {
            o.mute = true;
        } else {
            std::cerr << "usage: e2e_panel_game [--records-dir DIR] [--mute]\n";
            return 2;
        }
    }
    return qbx::RunWindowed(o, argc, argv, [](qbx::Quibblix& app, qbx::QtServices& svc) {
        auto* player = new QTimer(QCoreApplication::instance());
        auto standIn = std::make_shared<StandIn>();
        QObject::connect(player, &QTimer::timeout, [&app, &svc, player, standIn] {
            // Play is chosen as a player would, once the menu has the keyboard.
            if (!standIn->started) {
                if (app.program.Active() != &app.menu) return;
                standIn->started = true;
                svc.Dispatch([&app] { app.menu.cmdPlay_Click(); });
                return;
            }
            qbx::FrmGame& g = app.game;
            if (!g.IsLoaded() || !g.IsVisible()) return;
            if (g.C().cmdContinue->Visible) {
                player->stop();
                return;
            }
            svc.Dispatch([&g, standIn] {
                auto& c = g.C();
                c.imgCharacter->Left = qbx::kAside;
                const std::optional<int> left =
                    qbx::AimUnderABubble(g, standIn->nextTarget, 40, true);
                if (!left) return;
                c.imgCharacter->Left = static_cast<float>(*left);
                g.KeyDown('W', 0);
                g.KeyUp('W', 0);
                c.imgCharacter->Left = qbx::kAside;
            });
        });
        player->start(10);
    });
}
