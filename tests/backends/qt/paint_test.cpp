// The game window paints only the parts that changed since its last frame and copies back the
// labels it has drawn before: after any stretch of play the picture must be the one a window
// painting everything afresh shows, and a still screen must not be painted at all.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPoint>
#include <QWindow>
#include <cmath>
#include <string>
#include <tuple>

#include "app/art_pictures.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "forms/game/frmGame.h"
#include "support/test_support.h"

namespace qbx {
namespace {

const ArtPictures kArtist;

QImage Blank(const QWidget& w, qreal ratio) {
    QImage image(static_cast<int>(std::lround(w.width() * ratio)),
                 static_cast<int>(std::lround(w.height() * ratio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    return image;
}

// Where two pictures differ, or "" when they are the same.
std::string Difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0) first = QPoint(x, y);
    if (count == 0) return "";
    return std::to_string(count) + " pixels differ, the first at " + std::to_string(first.x()) +
           "," + std::to_string(first.y());
}

// A window that paints frame by frame, as the real one does, into an image.
class Window {
public:
    Window(Screen& s, qreal ratio) : view_(s, nullptr) {
        view_.ensurePolished();
        client_ = static_cast<ClientArea*>(view_.Client());
        image_ = Blank(*client_, ratio);
        client_->CollectChanges();
        client_->TakePending();
        client_->render(&image_);
    }
    // Paints what changed; returns whether there was anything.
    bool Frame() {
        if (!client_->CollectChanges()) return false;
        // render() puts the region's top-left corner at the offset given.
        const QRegion region = client_->TakePending();
        client_->render(&image_, region.boundingRect().topLeft(), region);
        return true;
    }
    const QImage& Image() const { return image_; }

private:
    ScreenView view_;
    ClientArea* client_;
    QImage image_;
};

QImage Afresh(Screen& s, qreal ratio) {
    ScreenView view(s, nullptr);
    view.ensurePolished();
    QImage image = Blank(*view.Client(), ratio);
    view.Client()->render(&image);
    return image;
}

// A pixel ratio, and a level with the seed that plays it.
class PartialPaint : public ::testing::TestWithParam<std::tuple<qreal, int>> {};

TEST_P(PartialPaint, FramesOfPlayAddUpToTheWholePicture) {
    const auto [ratio, level] = GetParam();
    // Walking, shots, splits that bring halves to the front, power-ups, the score and the
    // time bonus changing, a pause and its label; on level 3 deaths with their circle and
    // the level set up again, on level 6 the pillars the bubbles pass in front of.
    test::Headless h(7);
    h.app.program.SetArtist(&kArtist);
    h.app.Start();
    h.Ok("click frmMenu.cmdPlay\nset frmGame.Level " + std::to_string(level) +
         "\ncall frmGame.Form_Load\n");
    FrmGame& g = h.app.game;
    Window window(g, ratio);
    int frames = 0;
    for (int step = 0; step < 900; ++step) {
        std::string line;
        if (step % 45 == 0) line += "key Space\n";
        if (step % 120 == 10) line += "key Left down\n";
        if (step % 120 == 50) line += "key Left up\nkey Right down\n";
        if (step % 120 == 90) line += "key Right up\n";
        if (step == 600 || step == 630) line += "key Escape\n";
        ASSERT_LE(h.Run(line + "wait 10\n"), 0) << h.err;
        if (window.Frame()) ++frames;
        if (step % 35 == 0 && g.IsLoaded()) {
            ASSERT_EQ(Difference(window.Image(), Afresh(g, ratio)), "") << "after step " << step;
        }
    }
    EXPECT_GT(frames, 500);
    EXPECT_GT(g.Score, 0);  // the shots did hit
}

INSTANTIATE_TEST_SUITE_P(Levels, PartialPaint,
                         ::testing::Combine(::testing::Values(1.0, 2.0), ::testing::Values(3, 6)));

TEST(PartialPaintOf, ABubbleBehindALabelAndControlsBroughtToTheFront) {
    test::Headless h(7);
    h.app.program.SetArtist(&kArtist);
    h.app.Start();
    // Level 6 in play, then paused: only what the test moves changes.
    h.Ok(
        "click frmMenu.cmdPlay\nset frmGame.Level 6\ncall frmGame.Form_Load\nwait 3000\n"
        "key Escape\n");
    FrmGame& g = h.app.game;
    auto& c = g.C();
    for (qreal ratio : {1.0, 2.0}) {
        Window window(g, ratio);
        auto check = [&](const std::string& what) {
            window.Frame();
            ASSERT_EQ(Difference(window.Image(), Afresh(g, ratio)), "") << what;
        };
        // Through the see-through legend on the brick strip, whose copy holds what lay behind.
        for (int left = 0; left <= 3000; left += 150) {
            h.Ok("set frmGame.BubblePic(0).Top 5640\nset frmGame.BubblePic(0).Left " +
                 std::to_string(left) + "\n");
            check("bubble at " + std::to_string(left));
        }
        // Over a pillar, which then comes to the front, and the bubble again.
        h.Ok("set frmGame.BubblePic(0).Top 1000\nset frmGame.BubblePic(0).Left 1300\n");
        check("bubble over the pillar");
        g.BringToFront(c.shpBlocker(1));
        check("pillar in front");
        g.BringToFront(c.BubblePic(0));
        check("bubble in front");
    }
}

TEST(StillScreen, NeedsNoFrame) {
    test::Headless h(5);
    h.app.program.SetArtist(&kArtist);
    h.app.Start();
    ASSERT_LE(h.Run("click frmMenu.cmdPlay\nwait 3000\n"), 0);
    Window game(h.app.game, 1.0);
    ASSERT_LE(h.Run("wait 10\n"), 0);
    EXPECT_TRUE(game.Frame());  // the bubbles move
    ASSERT_LE(h.Run("key Escape\nwait 10\n"), 0);
    EXPECT_TRUE(game.Frame());  // the pause shows
    ASSERT_LE(h.Run("wait 2000\n"), 0);
    EXPECT_FALSE(game.Frame());
}

// Work put off until the menu is on screen (the instructions' layout) is done before any input
// can reach the screens, and never before the first paint.
TEST(FirstPaint, RunsTheWorkPutOffBeforeAnyInput) {
    for (bool paintFirst : {true, false}) {
        QtServices svc;
        Quibblix app(svc);
        svc.Attach(app.program);
        app.program.SetArtist(&kArtist);
        int runs = 0;
        svc.AfterFirstPaint([&runs] { ++runs; });
        svc.Dispatch([&app] { app.Start(); });
        EXPECT_EQ(runs, 0);
        ScreenView& menu = *svc.ViewOf(app.menu);
        for (int k = 0; k < 10000 && !(menu.windowHandle() && menu.windowHandle()->isExposed());
             ++k)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::ExcludeSocketNotifiers);
        ASSERT_TRUE(menu.windowHandle() && menu.windowHandle()->isExposed());
        menu.Client()->repaint();
        if (paintFirst)
            QCoreApplication::processEvents();
        else
            svc.Dispatch([] {});  // input, before the event loop runs again
        EXPECT_EQ(runs, 1) << (paintFirst ? "after the paint" : "before the input");
        svc.Dispatch([] {});
        QCoreApplication::processEvents();
        EXPECT_EQ(runs, 1);
    }
}

}  // namespace
}  // namespace qbx
