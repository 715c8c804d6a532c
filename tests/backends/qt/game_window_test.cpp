// The game's real windows on the offscreen platform: the pause when the game window loses the
// keyboard, the pointer over the field, and the title and icon of every window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QMenuBar>
#include <QWidget>

#include "app/art_pictures.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "forms/quibblix.h"

namespace qbx {
namespace {

class GameWindow : public ::testing::Test {
protected:
    GameWindow() {
        svc.Attach(app.program);
        app.program.SetArtist(&artist);
        svc.Dispatch([this] { app.Start(); });
        svc.Dispatch([this] { app.menu.cmdPlay_Click(); });
    }

    ScreenView& View() {
        ScreenView* v = svc.ViewOf(app.game);
        EXPECT_NE(v, nullptr);
        return *v;
    }

    // Another application window takes the keyboard from the game's, through Qt's own
    // activation, as a click elsewhere on the desktop does.
    void LoseTheKeyboard() {
        QApplication::setActiveWindow(&View());
        ASSERT_EQ(QApplication::activeWindow(), &View());
        other.show();
        QApplication::setActiveWindow(&other);
    }

    // The countdown ends and play begins, as three ticks of its timer would.
    void IntoPlay() {
        svc.Dispatch([this] {
            for (int i = 0; i < 3; ++i) app.game.tmrLevelStart_Timer();
        });
        ASSERT_TRUE(app.game.C().tmrBubbles->Enabled());
    }

    Qt::CursorShape FieldCursor() { return View().Client()->cursor().shape(); }

    QtServices svc;
    Quibblix app{svc};
    ArtPictures artist;
    QWidget other;
};

TEST_F(GameWindow, LosingTheKeyboardPausesTheCountdownAndPlay) {
    FrmGame& g = app.game;
    ASSERT_TRUE(g.C().lblCount->Visible);
    // The pointer is hidden over the field, never over the menu bar.
    EXPECT_EQ(FieldCursor(), Qt::BitmapCursor);
    EXPECT_EQ(View().MenuBar()->cursor().shape(), Qt::ArrowCursor);

    LoseTheKeyboard();
    EXPECT_EQ(g.Paused, -1);
    EXPECT_TRUE(g.C().lblGamePaused->Visible);
    EXPECT_EQ(View().ActionFor("mnuPause")->text(), QString("Un&pause Game"));
    EXPECT_EQ(FieldCursor(), Qt::ArrowCursor);
    // Getting the keyboard back does not resume; Esc does.
    QApplication::setActiveWindow(&View());
    EXPECT_EQ(g.Paused, -1);
    svc.Dispatch([&g] { g.KeyDown(vk::Escape, 0); });
    EXPECT_EQ(g.Paused, 0);
    EXPECT_EQ(FieldCursor(), Qt::BitmapCursor);

    IntoPlay();
    LoseTheKeyboard();
    EXPECT_EQ(g.Paused, -1);
    EXPECT_FALSE(g.C().tmrBubbles->Enabled());
}

TEST_F(GameWindow, LosingTheKeyboardOnTheLevelCompletePanelChangesNothing) {
    FrmGame& g = app.game;
    IntoPlay();
    svc.Dispatch([&g] {
        for (int i = 0; i <= g.C().BubblePic.UBound(); ++i) g.C().BubblePic(i).Visible = false;
        g.tmrBubbleSize_Timer();
    });
    ASSERT_TRUE(g.C().cmdContinue->Visible);
    EXPECT_EQ(FieldCursor(), Qt::ArrowCursor);
    LoseTheKeyboard();
    EXPECT_EQ(g.Paused, 0);
    EXPECT_FALSE(g.C().lblGamePaused->Visible);
    EXPECT_TRUE(g.C().tmrBubbles->Enabled());
}

TEST_F(GameWindow, EveryWindowHasItsTitleAndTheIcon) {
    const struct {
        Screen* screen;
        const char* title;
    } windows[] = {
        {&app.game, " Quibblix"},
        {&app.menu, " Quibblix"},
        {&app.instructions, " Quibblix -- Instructions"},
        {&app.scores, " Quibblix -- High Scores & Levels"},
    };
    for (const auto& w : windows) {
        svc.Dispatch([&w] { w.screen->Show(); });
        const ScreenView* view = svc.ViewOf(*w.screen);
        ASSERT_NE(view, nullptr) << w.title;
        EXPECT_EQ(view->windowTitle(), QString(w.title));
        const QList<QSize> sizes = view->windowIcon().availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256))) << w.title;
    }
}

}  // namespace
}  // namespace qbx
