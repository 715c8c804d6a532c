// Game controllers through SDL's own event path, with a virtual pad and no real device, and the
// windows on the full screen: the field fitted and centred, clicks where the buttons show.
#include "backends/qt/pad_input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

#include "app/art_pictures.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "forms/quibblix.h"

namespace qbx {
namespace {

class VirtualPad : public ::testing::Test {
protected:
    VirtualPad() {
        // Only the virtual pad: no device nodes, no USB look-ups.
        qputenv("SDL_JOYSTICK_DISABLE_UDEV", "1");
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        svc.Attach(app.program);
        app.program.SetArtist(&artist);
        svc.Dispatch([this] { app.Start(); });
    }
    ~VirtualPad() override {
        if (joystick) SDL_JoystickClose(joystick);
        if (index >= 0) SDL_JoystickDetachVirtual(index);
    }

    // Plugs in a pad with every button and both sticks, and lets the game find it.
    void PlugIn() {
        ASSERT_TRUE(pads.Start()) << SDL_GetError();
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Test pad";
        index = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(index, 0) << SDL_GetError();
        joystick = SDL_JoystickOpen(index);
        ASSERT_NE(joystick, nullptr) << SDL_GetError();
        pads.Poll();
        ASSERT_EQ(pads.Connected(), 1);
    }

    void Press(SDL_GameControllerButton b, bool down = true) {
        SDL_JoystickSetVirtualButton(joystick, b, down ? 1 : 0);
        pads.Poll();
    }

    QtServices svc;
    Quibblix app{svc};
    ArtPictures artist;
    PadInput pads{app.program, svc};
    int index = -1;
    SDL_Joystick* joystick = nullptr;
};

TEST_F(VirtualPad, StartPausesAndResumesAndAPulledPadLetsGoOfItsButtons) {
    PlugIn();
    Press(SDL_CONTROLLER_BUTTON_DPAD_UP);  // the menu's focus goes up to Play
    Press(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
    Press(SDL_CONTROLLER_BUTTON_A);
    Press(SDL_CONTROLLER_BUTTON_A, false);
    ASSERT_EQ(app.program.Active(), &app.game);
    FrmGame& g = app.game;
    svc.Dispatch([&g] {
        for (int i = 0; i < 3; ++i) g.tmrLevelStart_Timer();
    });
    Press(SDL_CONTROLLER_BUTTON_START);
    EXPECT_NE(g.Paused, 0);
    Press(SDL_CONTROLLER_BUTTON_START, false);
    Press(SDL_CONTROLLER_BUTTON_START);
    Press(SDL_CONTROLLER_BUTTON_START, false);
    EXPECT_EQ(g.Paused, 0);

    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    pads.Poll();
    EXPECT_TRUE(g.C().tmrRight->Enabled());
    SDL_JoystickClose(joystick);
    joystick = nullptr;
    SDL_JoystickDetachVirtual(index);
    index = -1;
    pads.Poll();
    EXPECT_EQ(pads.Connected(), 0);
    EXPECT_FALSE(g.C().tmrRight->Enabled());
}

TEST_F(VirtualPad, SouthClosesAMessageBox) {
    PlugIn();
    bool pressed = false;
    QTimer::singleShot(0, [&] {
        pressed = QApplication::activeModalWidget() != nullptr;
        Press(SDL_CONTROLLER_BUTTON_A);
    });
    // Should South not close it, the test fails rather than waits for ever.
    QTimer::singleShot(5000, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
        ADD_FAILURE() << "the box stayed open";
    });
    svc.MsgBox("Game Over", " Quibblix");
    EXPECT_TRUE(pressed);
    Press(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(app.program.Active(), &app.menu);  // the release went nowhere
}

class FullScreen : public ::testing::Test {
protected:
    FullScreen() {
        svc.Attach(app.program);
        app.program.SetArtist(&artist);
        svc.Dispatch([this] { app.Start(); });
    }
    QtServices svc;
    Quibblix app{svc};
    ArtPictures artist;
};

TEST_F(FullScreen, TheFieldFitsCentredOnBlackAndClicksLandOnTheButtonsShown) {
    ScreenView& v = *svc.ViewOf(app.menu);
    auto* client = static_cast<ClientArea*>(v.Client());
    const QSize window = v.ClientSize();
    QKeyEvent f11(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QApplication::sendEvent(client, &f11);
    ASSERT_TRUE(v.FullScreen());
    QApplication::processEvents();
    const QSize screen = client->size();
    ASSERT_GT(screen.width(), window.width());
    const ClientArea::Placement at = client->Place();
    EXPECT_FALSE(at.whole);
    // The largest scale that keeps the proportions, not a whole one, with the field centred.
    const double expected = std::min(double(screen.width()) / window.width(),
                                     double(screen.height()) / window.height());
    EXPECT_NEAR(at.scale, expected, 1e-9);
    EXPECT_NEAR(at.offset.x() * 2 + window.width() * at.scale, screen.width(), 1.01);
    EXPECT_NEAR(at.offset.y() * 2 + window.height() * at.scale, screen.height(), 1.01);

    const QImage shot = client->grab().toImage();
    const QPointF corner = at.offset + QPointF(5, 5) * at.scale;  // the menu's blue background
    EXPECT_EQ(shot.pixelColor(corner.toPoint()), QColor(0, 0, 255));
    const QPoint margin = at.offset.y() >= at.offset.x() ? QPoint(screen.width() / 2, 0)
                                                         : QPoint(0, screen.height() / 2);
    EXPECT_EQ(shot.pixelColor(margin), QColor(Qt::black));

    // Play is pressed where it shows: a point that lies off it in the window's own layout.
    const Control& play = *app.menu.Find("cmdPlay");
    const QPointF inPlay =
        at.offset +
        QPointF((play.Left + play.Width - 150) / 15.0, (play.Top + 150) / 15.0) * at.scale;
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, inPlay, client->mapToGlobal(inPlay), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(client, &e);
    }
    ASSERT_EQ(app.program.Active(), &app.game);

    // The game's window fills the screen too; Esc pauses and leaves it there; F11 gives the
    // window back its own size.
    ScreenView& game = *svc.ViewOf(app.game);
    EXPECT_TRUE(game.FullScreen());
    svc.Dispatch([this] {
        for (int i = 0; i < 3; ++i) app.game.tmrLevelStart_Timer();
    });
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(game.Client(), &esc);
    EXPECT_NE(app.game.Paused, 0);
    EXPECT_TRUE(game.FullScreen());
    QApplication::sendEvent(game.Client(), &f11);
    EXPECT_FALSE(game.FullScreen());
    EXPECT_EQ(game.Client()->size(), game.ClientSize());
    EXPECT_TRUE(static_cast<ClientArea*>(game.Client())->Place().whole);
}

}  // namespace
}  // namespace qbx
