// The instructions screen as the real view draws it: each picture sits in the gap after its
// lead-in phrase and none of its visible pixels falls on the text.
#include "app/instructions_layout.h"

#include <gtest/gtest.h>

#include <QImage>

#include "art/art.h"
#include "backends/qt/screen_view.h"
#include "forms/instructions/frmInstructions.h"
#include "support/test_support.h"

namespace qbx {
namespace {

QRect PxRect(const Control& c) {
    return QRect(TwipsToPx(c.Left), TwipsToPx(c.Top), TwipsToPx(c.Width), TwipsToPx(c.Height));
}

// Distance from column x, stepping by dx, to the first pixel off the background in the rows
// [top, bottom]; 0 when there is none near.
int InkDistance(const QImage& image, int x, int dx, int top, int bottom, QRgb back) {
    for (int d = 1; d < 40 && x + d * dx >= 0 && x + d * dx < image.width(); ++d)
        for (int y = top; y <= bottom; ++y)
            if (image.pixel(x + d * dx, y) != back) return d;
    return 0;
}

TEST(InstructionsLayout, PicturesSitInTheGapsAndCoverNoText) {
    test::Headless h;
    h.app.Start();
    FrmInstructions& s = h.app.instructions;
    LayoutInstructions(s);
    ASSERT_FALSE(s.IsLoaded());  // measuring does not load the screen
    h.Ok("click frmMenu.cmdInstructions\n");

    // The text alone, as the view paints it.
    for (int k = 0; k < kHelpPictureCount; ++k)
        s.Picture(static_cast<HelpPicture>(k)).Visible = false;
    ScreenView view(s, nullptr);
    QImage text(view.ClientSize(), QImage::Format_RGB32);
    view.Client()->render(&text);
    const QRgb back = qRgb(255, 192, 128);

    for (const HelpGap& gap : HelpGaps()) {
        for (HelpPicture p : gap.pictures) {
            const Image& img = s.Picture(p);
            const QImage art = art::RenderPicture(*img.Picture, 1.0);
            const QRect r = PxRect(img);
            int covered = 0;
            for (int y = 0; y < std::min(r.height(), art.height()); ++y)
                for (int x = 0; x < std::min(r.width(), art.width()); ++x)
                    if (qAlpha(art.pixel(x, y)) != 0 && text.pixel(r.x() + x, r.y() + y) != back)
                        ++covered;
            EXPECT_EQ(covered, 0) << HelpPictureControl(p);
        }
        // The phrase just left of the first picture, the next word just right of the last.
        const QRect first = PxRect(s.Picture(gap.pictures.front()));
        const QRect last = PxRect(s.Picture(gap.pictures.back()));
        const int top = std::max(first.top(), PxRect(*s.C().lblhelp).top());
        EXPECT_GT(InkDistance(text, first.left(), -1, top, first.bottom(), back), 0) << gap.leadIn;
        EXPECT_GT(InkDistance(text, last.right(), +1, top, last.bottom(), back), 0) << gap.leadIn;
    }
    for (int k = static_cast<int>(HelpPicture::PowerupSlow); k < kHelpPictureCount; ++k)
        EXPECT_LT(PxRect(s.Picture(static_cast<HelpPicture>(k - 1))).right(),
                  PxRect(s.Picture(static_cast<HelpPicture>(k))).left());
}

}  // namespace
}  // namespace qbx
