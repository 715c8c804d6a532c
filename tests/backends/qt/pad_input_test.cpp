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
        // Only the virtual pads: no device nodes, no USB look-ups.
        qputenv("SDL_JOYSTICK_DISABLE_UDEV", "1");
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        svc.Attach(app.program);
        app.program.SetArtist(&artist);
        svc.Dispatch([this] { app.Start(); });
    }
    ~VirtualPad() override {
        while (!plugged.empty()) Pull(plugged.back());
    }

    // Plugs in a pad with every button and both sticks, and lets the game find it.
    SDL_Joystick* Plug() {
        EXPECT_TRUE(pads.Start()) << SDL_GetError();
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Test pad";
        const int at = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(at, 0) << SDL_GetError();
        SDL_Joystick* pad = at >= 0 ? SDL_JoystickOpen(at) : nullptr;
        EXPECT_NE(pad, nullptr) << SDL_GetError();
        const int before = pads.Connected();
        pads.Poll();
        EXPECT_EQ(pads.Connected(), before + 1);
        if (pad) plugged.push_back(pad);
        return pad;
    }
    void PlugIn() {
        joystick = Plug();
        ASSERT_NE(joystick, nullptr);
    }
    // Pulls a pad out: the device index of a virtual pad moves as others go, so it is looked
    // up by the pad's instance.
    void Pull(SDL_Joystick* pad) {
        const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
        SDL_JoystickClose(pad);
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        std::erase(plugged, pad);
        if (pad == joystick) joystick = nullptr;
        pads.Poll();
    }

    void Press(SDL_GameControllerButton b, bool down = true) { Press(joystick, b, down); }
    void Press(SDL_Joystick* pad, SDL_GameControllerButton b, bool down = true) {
        SDL_JoystickSetVirtualButton(pad, b, down ? 1 : 0);
        pads.Poll();
    }
    void Click(SDL_Joystick* pad, SDL_GameControllerButton b) {
        Press(pad, b);
        Press(pad, b, false);
    }
    void Stick(SDL_Joystick* pad, int value) {
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, static_cast<Sint16>(value));
        pads.Poll();
    }

    QtServices svc;
    Quibblix app{svc};
    ArtPictures artist;
    PadInput pads{app.program, svc};
    std::vector<SDL_Joystick*> plugged;
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

    Stick(joystick, 32767);
    EXPECT_TRUE(g.C().tmrRight->Enabled());
    Pull(joystick);
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

// Two pads in a game of two: the first plugged in is player 1's and the second player 2's,
// through pulls and plugs, and neither ever moves the other player's character.
TEST_F(VirtualPad, EachOfTwoPadsPlaysForItsOwnPlayerThroughPullsAndPlugs) {
    SDL_Joystick* first = Plug();
    SDL_Joystick* second = Plug();
    ASSERT_TRUE(first && second);
    FrmGame& g = app.game;
    svc.Answer("PADTWO");
    svc.Dispatch([this] { app.menu.cmdTwoPlayers_Click(); });
    ASSERT_EQ(app.program.Active(), &g);
    ASSERT_EQ(g.Players, 2);
    auto countdown = [this, &g] {
        svc.Dispatch([&g] {
            for (int i = 0; i < 3; ++i) g.tmrLevelStart_Timer();
        });
    };
    countdown();
    const Player& one = g.players[0];
    const Player& two = g.players[1];
    // -1 walking left, 1 right, 0 standing.
    auto walking = [](const Player& p) {
        return p.tmrLeft->Enabled() ? -1 : p.tmrRight->Enabled() ? 1 : 0;
    };
    using B = SDL_GameControllerButton;
    constexpr B kLeft = SDL_CONTROLLER_BUTTON_DPAD_LEFT, kRight = SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
                kSouth = SDL_CONTROLLER_BUTTON_A;

    Press(second, kRight);
    EXPECT_EQ(walking(two), 1);
    EXPECT_EQ(walking(one), 0);
    Stick(first, -32768);
    EXPECT_EQ(walking(one), -1);
    EXPECT_EQ(walking(two), 1);
    Stick(first, 0);
    EXPECT_EQ(walking(one), 0);
    EXPECT_EQ(walking(two), 1);
    Press(second, kRight, false);
    EXPECT_EQ(walking(two), 0);
    Stick(second, 32767);
    EXPECT_EQ(walking(two), 1);
    EXPECT_EQ(walking(one), 0);
    Stick(second, 0);
    EXPECT_EQ(walking(two), 0);
    Click(second, kSouth);
    EXPECT_TRUE(two.arrow->Visible);
    EXPECT_FALSE(one.arrow->Visible);
    Click(first, kSouth);
    EXPECT_TRUE(one.arrow->Visible);

    // The first pad pulled out while both walk: player 1 stops, player 2 walks on, and the
    // second pad is still player 2's.
    Press(first, kLeft);
    Press(second, kLeft);
    ASSERT_EQ(walking(one), -1);
    ASSERT_EQ(walking(two), -1);
    Pull(first);
    EXPECT_EQ(pads.Connected(), 1);
    EXPECT_EQ(walking(one), 0);
    EXPECT_EQ(walking(two), -1);
    Press(second, kLeft, false);
    Press(second, kRight);
    EXPECT_EQ(walking(two), 1);
    EXPECT_EQ(walking(one), 0);
    Press(second, kRight, false);

    // A pad plugged in again takes the free place, player 1's; the second keeps player 2's.
    SDL_Joystick* again = Plug();
    ASSERT_NE(again, nullptr);
    Press(again, kRight);
    EXPECT_EQ(walking(one), 1);
    EXPECT_EQ(walking(two), 0);
    Press(again, kRight, false);
    Press(second, kLeft);
    EXPECT_EQ(walking(two), -1);
    EXPECT_EQ(walking(one), 0);
    Press(second, kLeft, false);

    // The second pad pulled out while both walk: player 2 stops, player 1 walks on; plugged in
    // again it is player 2's once more.
    Press(again, kRight);
    Press(second, kLeft);
    ASSERT_EQ(walking(one), 1);
    ASSERT_EQ(walking(two), -1);
    Pull(second);
    EXPECT_EQ(walking(one), 1);
    EXPECT_EQ(walking(two), 0);
    Press(again, kRight, false);
    second = Plug();
    ASSERT_NE(second, nullptr);
    Press(second, kLeft);
    EXPECT_EQ(walking(two), -1);
    EXPECT_EQ(walking(one), 0);
    Press(second, kLeft, false);

    // Either pad's South continues from the level-complete panel.
    for (SDL_Joystick* pad : {second, again}) {
        const int16_t level = g.Level;
        svc.Dispatch([&g] {
            for (int i = 0; i <= g.C().BubblePic.UBound(); ++i) g.C().BubblePic(i).Visible = false;
            g.tmrBubbleSize_Timer();
        });
        ASSERT_TRUE(g.C().cmdContinue->Visible);
        EXPECT_EQ(g.Level, level + 1);
        Click(pad, kSouth);
        EXPECT_FALSE(g.C().cmdContinue->Visible);
        EXPECT_TRUE(g.C().lblCount->Visible);  // the next level counts down
        countdown();
    }
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
