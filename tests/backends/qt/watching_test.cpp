// The pieces of a watching window that follow the recording: the keys held at a point of it and
// the timeline strip under the game.
#include <gtest/gtest.h>

#include <QVBoxLayout>
#include <QWidget>
#include <vector>

#include "backends/qt/timeline.h"
#include "backends/qt/watching_services.h"
#include "engine/controls.h"

namespace qbx {
namespace {

InputEvent In(InputEvent::Kind kind, int code) {
    InputEvent e;
    e.kind = kind;
    e.code = static_cast<int16_t>(code);
    e.value = code;
    return e;
}

TEST(HeldKeys, FollowTheRecordingForwardsAndBackAndLetGoWhereTheWindowOrPadWent) {
    using K = InputEvent::Kind;
    const std::vector<InputEvent> ev = {
        In(K::KeyDown, vk::Left),  // 0
        In(K::KeyDown, vk::Up),    // 1
        In(K::PadPress, 0),        // 2: A
        In(K::PadPress, 11),       // 3: the d-pad's right, the last button named
        In(K::KeyUp, vk::Up),      // 4
        In(K::Deactivate, 0),      // 5: the keys' releases went elsewhere, the pad's did not
        In(K::KeyDown, 'Q'),       // 6
        In(K::PadGone, 0),         // 7
        In(K::PadPress, 12),       // 8: a button without a name
    };
    HeldKeys held;
    held.Follow(ev, 4);
    EXPECT_EQ(held.Line(), "Left Up \u00b7 pad A Right");
    held.Follow(ev, 6);
    EXPECT_EQ(held.Line(), "pad A Right");
    held.Follow(ev, 8);
    EXPECT_EQ(held.Line(), "Q");
    held.Follow(ev, 100);  // past the end: up to the last input
    EXPECT_EQ(held.Line(), "Q \u00b7 pad ?");
    // Back to an earlier point: as if followed from the start.
    held.Follow(ev, 2);
    EXPECT_EQ(held.Line(), "Left Up");
    held.Follow(ev, 0);
    EXPECT_EQ(held.Line(), "");
    EXPECT_TRUE(held.Keys().empty());
    EXPECT_TRUE(held.PadButtons().empty());
}

TEST(Timeline, APointOfTheStripAndTheMomentDrawnThereAgree) {
    // As in a watching window: the screen, and the strip in a row of its own below it.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* screen = new QWidget(&window);
    screen->setFixedSize(400, 300);
    layout->addWidget(screen);
    auto* strip = new Timeline(&window, 2);
    layout->addWidget(strip);
    window.show();
    layout->activate();
    Timeline& t = *strip;
    EXPECT_EQ(t.geometry().top(), screen->geometry().bottom() + 1);
    EXPECT_EQ(t.width(), screen->width());
    // The keys line has its row whether shown or not: the window keeps its size.
    const QSize before = window.size();
    t.SetKeys(QStringLiteral("Keys: Left"));
    layout->activate();
    EXPECT_EQ(window.size(), before);
    EXPECT_EQ(t.Keys(), QStringLiteral("Keys: Left"));
    t.SetKeys({});

    t.SetSpan(1000, 61000);
    const int left = t.XOf(1000), right = t.XOf(61000);
    EXPECT_GT(left, 0);
    EXPECT_LT(right, t.width());
    // The strip's ends are the recording's; outside them, the nearest end.
    EXPECT_EQ(t.MsAt(left), 1000);
    EXPECT_EQ(t.MsAt(right), 61000);
    EXPECT_EQ(t.MsAt(0), 1000);
    EXPECT_EQ(t.MsAt(t.width() - 1), 61000);
    EXPECT_EQ(t.XOf(-5000), left);
    EXPECT_EQ(t.XOf(99000), right);
    // A click on a moment's mark goes to within a pixel of it.
    const double msPerPixel = 60000.0 / (right - left);
    for (int64_t ms : {1000, 1234, 20000, 30500, 45999, 60990}) {
        EXPECT_NEAR(static_cast<double>(t.MsAt(t.XOf(ms))), static_cast<double>(ms), msPerPixel)
            << ms;
    }
    t.SetPosition(70000);
    EXPECT_EQ(t.Position(), 61000);

    // A recording with all of its inputs at one moment: one point, no division by its length.
    t.SetSpan(500, 500);
    EXPECT_EQ(t.XOf(500), left);
    EXPECT_EQ(t.MsAt(300), 500);
}

TEST(Timeline, EachKindOfMomentHasTheColourItIsKnownBy) {
    auto is = [](Moment::Kind k, int r, int g, int b) {
        const QColor c = Timeline::ColourOf(k);
        // The colour's strong channels are the named ones.
        return (c.red() > 150) == (r > 0) && (c.green() > 150) == (g > 0) &&
               (c.blue() > 150) == (b > 0);
    };
    EXPECT_TRUE(is(Moment::Kind::LevelStart, 0, 1, 0));  // green
    EXPECT_TRUE(is(Moment::Kind::LifeLost, 1, 0, 0));    // red
    EXPECT_TRUE(is(Moment::Kind::Powerup, 1, 1, 0));     // yellow
    EXPECT_TRUE(is(Moment::Kind::GameEnd, 1, 1, 1));     // white
}

}  // namespace
}  // namespace qbx
