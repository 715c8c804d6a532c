// The state line of the windowed game.
#include "app/state_report.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <sstream>

#include "app/replay_watch.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/timeline.h"
#include "backends/qt/watching_services.h"
#include "forms/quibblix.h"

namespace qbx {

std::string StateLine(Quibblix& app, const QtServices& svc) {
    std::ostringstream o;
    Screen* active = app.program.Active();
    Button* focus = active && active->IsLoaded() ? active->FocusedButton() : nullptr;
    o << "active=" << (active ? active->Name() : "none")
      << " focus=" << (focus ? focus->DisplayName() : "none");
    FrmGame& g = app.game;
    o << " game=" << g.IsLoaded();
    if (g.IsLoaded()) {
        // Read only while loaded: touching a control would load the screen.
        FrmGame::Controls& c = g.C();
        o << " paused=" << (g.Paused != 0) << " banner=" << c.lblGamePaused->Visible
          << " pause=" << c.mnuPause->Caption << " countdown=" << c.lblCount->Visible
          << " playing=" << c.tmrBubbles->Enabled() << " panel=" << c.cmdContinue->Visible
          << " dying=" << (g.Dying != 0);
    }
    o << " lives=" << g.Lives << " level=" << g.Level << " score=" << g.Score;
    if (g.IsLoaded()) {
        // Each player's character (where it stands, none once out) and whether its arrow is up.
        o << " players=" << g.Players;
        for (int i = 0; i < (g.Players == 2 ? 2 : 1); ++i) {
            const Player& p = g.players[i];
            const std::string n = i == 0 ? "" : "2";
            if (i > 0) o << " lives2=" << p.Lives << " score2=" << p.Score;
            o << " x" << n << "=";
            if (g.InGame(p))
                o << static_cast<int>(p.imgCharacter->Left);
            else
                o << "none";
            o << " arrow" << n << "=" << (p.arrow && p.arrow->Visible);
        }
    }
    // A modal box open over the windows, by its object name.
    const QWidget* modal = QApplication::activeModalWidget();
    o << " modal="
      << (!modal                          ? std::string("none")
          : modal->objectName().isEmpty() ? std::string("box")
                                          : modal->objectName().toStdString());
    const ScreenView* view = active ? svc.ViewOf(*active) : nullptr;
    o << " fullscreen=" << (view && view->isFullScreen()) << " sound=" << svc.SoundOn();
    // Where the window's top-left corner (its menu bar, if any) is on the screen.
    if (view) {
        const QPoint at = view->mapToGlobal(QPoint(0, 0));
        o << " window=" << at.x() << "," << at.y();
        // The window's size, how many device pixels stand for one of its pixels, and whether it
        // has the keyboard.
        o << " size=" << view->width() << "x" << view->height()
          << " dpr=" << view->devicePixelRatioF() << " keyboard=" << view->isActiveWindow();
    }
    return o.str();
}

std::string WatchLine(const ReplayWatch& watch) {
    const WatchingServices* svc = watch.Backend();
    Quibblix* game = watch.Game();
    if (!svc || !game) return "";
    std::ostringstream o;
    o << " watch_ms=" << svc->PositionMs() << " watch_span=" << svc->StartMs() << ","
      << svc->EndMs() << " watch_played=" << svc->Played() << " watch_paused=" << svc->Paused();
    Screen* active = game->program.Active();
    const ScreenView* view = active ? svc->ViewOf(*active) : nullptr;
    o << " watch_keyboard=" << (view && view->isActiveWindow());
    // The strip of the window in front, as it is drawn.
    const Timeline* strip = active ? svc->TimelineOf(*active) : nullptr;
    if (strip && strip->isVisible()) {
        const QPoint at = strip->mapToGlobal(QPoint(0, 0));
        o << " timeline=" << at.x() << "," << at.y() << "," << strip->width() << "x"
          << strip->height();
    }
    o << " keys=\"" << (strip ? strip->Keys().toStdString() : svc->KeysLine()) << "\"";
    return o.str();
}

void StateReport::Write(const std::string& line) {
    if (line == last_) return;
    const std::string part = file_ + ".part";
    std::FILE* f = std::fopen(part.c_str(), "w");
    if (!f) return;
    const bool whole = std::fputs((line + "\n").c_str(), f) >= 0;
    if (std::fclose(f) == 0 && whole && std::rename(part.c_str(), file_.c_str()) == 0) last_ = line;
}

}  // namespace qbx
