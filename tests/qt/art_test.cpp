// Checks for the code-drawn artwork and the font mapping. Runs headless:
// main() below selects the offscreen platform and creates a QGuiApplication.

#include "platform/qt/art.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "platform/qt/fonts.h"

namespace {

using qbx::art::NaturalSize;
using qbx::art::RenderPicture;

struct Expected {
    std::string_view name;
    int width;
    int height;
};

const std::vector<Expected> kBubbles = {
    {"ballreds1", 10, 10},   {"ballreds2", 19, 19},   {"ballreds3", 39, 39},
    {"ballreds4", 78, 78},   {"ballgreens1", 10, 10}, {"ballgreens2", 19, 19},
    {"ballgreens3", 39, 39}, {"ballgreens4", 78, 78},
};
const std::vector<Expected> kTiles = {
    {"lifex", 17, 14},     {"pwruplife", 17, 14}, {"pwrupslow", 17, 14},
    {"pwrupfast", 17, 14}, {"pwrupwall", 17, 14},
};
const std::vector<Expected> kArrows = {
    {"regarrow", 8, 350},
    {"arrowfast", 8, 350},
    {"arrowwall", 7, 360},
};
const std::vector<Expected> kFigures = {
    {"imgCharBack", 23, 36},
    {"imgCharRight", 23, 36},
    {"imgCharLeft", 23, 36},
    {"imgCharacterSmall", 19, 29},
};
const Expected kBricks = {"imgBricks", 931, 145};

std::vector<Expected> AllPictures() {
    std::vector<Expected> all;
    for (const auto* group : {&kBubbles, &kTiles, &kArrows, &kFigures}) {
        all.insert(all.end(), group->begin(), group->end());
    }
    all.push_back(kBricks);
    return all;
}

int Alpha(const QImage& img, int x, int y) {
    return qAlpha(img.pixel(x, y));
}

// Colour with the premultiplication undone, for hue checks.
QColor Straight(const QImage& img, int x, int y) {
    return QColor::fromRgba(img.pixel(x, y));  // pixel() already un-premultiplies
}

bool IsOpaqueWhite(const QImage& img, int x, int y) {
    const QColor c = Straight(img, x, y);
    return c.alpha() == 255 && c.red() >= 225 && c.green() >= 225 && c.blue() >= 225;
}

bool IsReddish(const QColor& c) {
    return c.alpha() >= 200 && c.red() > 150 && c.red() > 2 * c.green() && c.red() > 2 * c.blue();
}

bool IsBluish(const QColor& c) {
    return c.alpha() >= 200 && c.blue() > 150 && c.blue() > c.red() + 60;
}

double TransparentFraction(const QImage& img) {
    long clear = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) clear += Alpha(img, x, y) == 0;
    return static_cast<double>(clear) / (img.width() * img.height());
}

bool AllOpaque(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (Alpha(img, x, y) != 255) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Sizes, formats and ratios

TEST(ArtCatalogue, EveryPictureHasItsNaturalSizeAtRatioOneAndTwo) {
    const auto all = AllPictures();
    EXPECT_EQ(qbx::art::PictureNames().size(), all.size());
    for (const Expected& e : all) {
        SCOPED_TRACE(std::string(e.name));
        EXPECT_EQ(NaturalSize(e.name), QSize(e.width, e.height));

        const QImage one = RenderPicture(e.name, 1.0);
        ASSERT_FALSE(one.isNull());
        EXPECT_EQ(one.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(one.size(), QSize(e.width, e.height));
        EXPECT_DOUBLE_EQ(one.devicePixelRatio(), 1.0);

        const QImage two = RenderPicture(e.name, 2.0);
        ASSERT_FALSE(two.isNull());
        EXPECT_EQ(two.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(two.size(), QSize(2 * e.width, 2 * e.height));
        EXPECT_DOUBLE_EQ(two.devicePixelRatio(), 2.0);
        EXPECT_EQ(two.deviceIndependentSize(), QSizeF(e.width, e.height));
    }
}

TEST(ArtCatalogue, FractionalRatiosRoundTheDeviceSize) {
    // 17 x 1.5 = 25.5 rounds up; 39 x 1.25 = 48.75 rounds to 49.
    EXPECT_EQ(RenderPicture("pwrupfast", 1.5).size(), QSize(26, 21));
    EXPECT_EQ(RenderPicture("ballreds3", 1.25).size(), QSize(49, 49));
    // Rounding must not leave an unpainted edge on a tile.
    EXPECT_TRUE(AllOpaque(RenderPicture("pwrupfast", 1.5)));
    EXPECT_TRUE(AllOpaque(RenderPicture("lifex", 1.25)));
}

TEST(ArtCatalogue, UnknownNamesAndBadRatiosGiveNullImages) {
    EXPECT_TRUE(RenderPicture("nosuchpicture", 1.0).isNull());
    EXPECT_TRUE(RenderPicture("", 1.0).isNull());
    EXPECT_TRUE(RenderPicture("BallReds1", 1.0).isNull());  // names are case-sensitive
    EXPECT_FALSE(NaturalSize("nosuchpicture").isValid());

    EXPECT_TRUE(RenderPicture("ballreds1", 0.0).isNull());
    EXPECT_TRUE(RenderPicture("ballreds1", -1.0).isNull());
    EXPECT_TRUE(RenderPicture("ballreds1", std::nan("")).isNull());
    EXPECT_TRUE(RenderPicture("imgBricks", 1e6).isNull());
}

TEST(ArtCatalogue, CacheReturnsTheSamePictureAndCanBeCleared) {
    const QImage first = RenderPicture("imgBricks", 1.0);
    const QImage cached = RenderPicture("imgBricks", 1.0);
    EXPECT_EQ(first.cacheKey(), cached.cacheKey());
    qbx::art::ClearCache();
    // The wall uses a fixed seed: a fresh rendering is pixel-identical.
    const QImage fresh = RenderPicture("imgBricks", 1.0);
    EXPECT_NE(first.cacheKey(), fresh.cacheKey());
    EXPECT_EQ(first, fresh);
}

// At ratio 2 the picture must be painted at the target resolution, not be a
// pixel-doubled 1x image: many 2x2 blocks along curved edges must differ.
TEST(ArtCatalogue, RatioTwoIsDrawnAtFullResolution) {
    for (std::string_view name : {"ballreds3", "imgCharBack", "pwruplife"}) {
        SCOPED_TRACE(std::string(name));
        const QImage img = RenderPicture(name, 2.0);
        int mixedBlocks = 0;
        for (int y = 0; y + 1 < img.height(); y += 2) {
            for (int x = 0; x + 1 < img.width(); x += 2) {
                const QRgb a = img.pixel(x, y);
                if (a != img.pixel(x + 1, y) || a != img.pixel(x, y + 1) ||
                    a != img.pixel(x + 1, y + 1)) {
                    ++mixedBlocks;
                }
            }
        }
        EXPECT_GT(mixedBlocks, 10);
    }
}

// ---------------------------------------------------------------------------
// Transparency per kind of picture

TEST(ArtTransparency, BubblesHaveClearCornersAndAnOpaqueCentre) {
    for (const Expected& e : kBubbles) {
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(e.name) + " @" + std::to_string(ratio));
            const QImage img = RenderPicture(e.name, ratio);
            const int w = img.width();
            const int h = img.height();
            EXPECT_EQ(Alpha(img, 0, 0), 0);
            EXPECT_EQ(Alpha(img, w - 1, 0), 0);
            EXPECT_EQ(Alpha(img, 0, h - 1), 0);
            EXPECT_EQ(Alpha(img, w - 1, h - 1), 0);
            EXPECT_EQ(Alpha(img, w / 2, h / 2), 255);
            // Solid along the middle row apart from the antialiased rim.
            for (int x = 1; x < w - 1; ++x) EXPECT_EQ(Alpha(img, x, h / 2), 255) << "x=" << x;
        }
    }
}

TEST(ArtTransparency, BubblesShowTheirColourAndAWhiteHighlight) {
    for (const Expected& e : kBubbles) {
        SCOPED_TRACE(std::string(e.name));
        const QImage img = RenderPicture(e.name, 1.0);
        const bool red = e.name.substr(0, 8) == "ballreds";
        bool body = false;
        bool highlight = false;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = Straight(img, x, y);
                if (c.alpha() < 255) continue;
                if (red ? IsReddish(c) : (c.green() > 150 && c.green() > 2 * c.red())) body = true;
                // The highlight sits in the upper-left quadrant.
                if (x < img.width() / 2 && y < img.height() / 2 && c.red() > 235 &&
                    c.green() > 225 && c.blue() > 225) {
                    highlight = true;
                }
            }
        }
        EXPECT_TRUE(body);
        EXPECT_TRUE(highlight);
    }
}

TEST(ArtTransparency, TilesAndWallAreOpaqueEverywhere) {
    for (const Expected& e : kTiles) {
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(e.name) + " @" + std::to_string(ratio));
            EXPECT_TRUE(AllOpaque(RenderPicture(e.name, ratio)));
        }
    }
    EXPECT_TRUE(AllOpaque(RenderPicture(kBricks.name, 1.0)));
    EXPECT_TRUE(AllOpaque(RenderPicture(kBricks.name, 2.0)));
}

// Black text is drawn over the wall, so it has to stay light.
TEST(ArtTransparency, WallIsLightEnoughForBlackText) {
    const QImage img = RenderPicture(kBricks.name, 1.0);
    double sum = 0;
    int darkest = 255;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int lum = qGray(img.pixel(x, y));
            sum += lum;
            darkest = std::min(darkest, lum);
        }
    }
    EXPECT_GT(sum / (img.width() * img.height()), 200.0);
    EXPECT_GT(darkest, 110);
}

TEST(ArtTransparency, ArrowsAreMostlyClearWithTheHeadAtTheTop) {
    for (const Expected& e : kArrows) {
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(e.name) + " @" + std::to_string(ratio));
            const QImage img = RenderPicture(e.name, ratio);
            EXPECT_GT(TransparentFraction(img), 0.5);
            // Something is drawn all the way down to the last row.
            bool bottom = false;
            for (int x = 0; x < img.width(); ++x) bottom |= Alpha(img, x, img.height() - 1) > 0;
            EXPECT_TRUE(bottom);
        }
    }
}

TEST(ArtTransparency, RegularArrowHasARedTipAndAnOpaqueWhiteRope) {
    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage img = RenderPicture("regarrow", ratio);
        const int r = static_cast<int>(ratio);
        // Nothing above row 4; red in the middle of the tip (rows 4 to 11).
        for (int y = 0; y < 3 * r; ++y)
            for (int x = 0; x < img.width(); ++x) EXPECT_EQ(Alpha(img, x, y), 0);
        bool redTip = false;
        for (int y = 7 * r; y < 12 * r; ++y)
            for (int x = 0; x < img.width(); ++x) redTip |= IsReddish(Straight(img, x, y));
        EXPECT_TRUE(redTip);

        int whiteRows = 0;
        for (int y = 20 * r; y < img.height(); ++y) {
            bool white = false;
            for (int x = 0; x < img.width(); ++x) white |= IsOpaqueWhite(img, x, y);
            whiteRows += white;
        }
        // The rope is opaque white along much of its length, not just somewhere.
        EXPECT_GT(whiteRows, (img.height() - 20 * r) / 3);
    }
}

TEST(ArtTransparency, FastArrowHasABlueTipAndARedRope) {
    const QImage img = RenderPicture("arrowfast", 1.0);
    bool blueTip = false;
    for (int y = 4; y < 12; ++y)
        for (int x = 0; x < img.width(); ++x) blueTip |= IsBluish(Straight(img, x, y));
    EXPECT_TRUE(blueTip);
    bool redRope = false;
    for (int y = 40; y < 300; ++y)
        for (int x = 0; x < img.width(); ++x) redRope |= IsReddish(Straight(img, x, y));
    EXPECT_TRUE(redRope);
}

TEST(ArtTransparency, WallArrowHasAFullWidthCrossbarAndAWhiteShaft) {
    const QImage img = RenderPicture("arrowwall", 1.0);
    for (int y : {1, 2})
        for (int x = 0; x < img.width(); ++x)
            EXPECT_TRUE(IsReddish(Straight(img, x, y))) << "x=" << x << " y=" << y;
    for (int x = 0; x < img.width(); ++x) EXPECT_EQ(Alpha(img, x, 0), 0);
    int whiteRows = 0;
    for (int y = 20; y < 350; ++y) {
        bool white = false;
        for (int x = 0; x < img.width(); ++x) white |= IsOpaqueWhite(img, x, y);
        whiteRows += white;
    }
    EXPECT_GT(whiteRows, 250);
}

TEST(ArtTransparency, FiguresAreCutOutWithClearSurroundings) {
    for (const Expected& e : kFigures) {
        SCOPED_TRACE(std::string(e.name));
        const QImage img = RenderPicture(e.name, 1.0);
        EXPECT_EQ(Alpha(img, 0, 0), 0);
        EXPECT_EQ(Alpha(img, img.width() - 1, 0), 0);
        const double clear = TransparentFraction(img);
        EXPECT_GT(clear, 0.2);
        EXPECT_LT(clear, 0.8);
    }
}

TEST(ArtTransparency, LeftFacingFigureMirrorsTheRightFacingOne) {
    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage left = RenderPicture("imgCharLeft", ratio);
        const QImage right = RenderPicture("imgCharRight", ratio).mirrored(true, false);
        ASSERT_EQ(left.size(), right.size());
        int off = 0;
        for (int y = 0; y < left.height(); ++y) {
            for (int x = 0; x < left.width(); ++x) {
                const QRgb a = left.pixel(x, y);
                const QRgb b = right.pixel(x, y);
                if (std::abs(qAlpha(a) - qAlpha(b)) > 16 || std::abs(qRed(a) - qRed(b)) > 16 ||
                    std::abs(qGreen(a) - qGreen(b)) > 16 || std::abs(qBlue(a) - qBlue(b)) > 16) {
                    ++off;
                }
            }
        }
        EXPECT_LE(off, left.width() * left.height() / 50);
    }
}

// ---------------------------------------------------------------------------
// Window pictures

TEST(ArtWindow, AppIconIsThreeBubblesOnAClearBackground) {
    for (int size : {16, 32, 256}) {
        SCOPED_TRACE(size);
        const QImage img = qbx::art::RenderAppIcon(size);
        ASSERT_EQ(img.size(), QSize(size, size));
        EXPECT_EQ(Alpha(img, 0, 0), 0);
        EXPECT_EQ(Alpha(img, size - 1, 0), 0);
        EXPECT_EQ(Alpha(img, size / 2, size / 2), 255);
        // Blue on the left, red in front on the right, green at the top.
        EXPECT_TRUE(IsBluish(Straight(img, size * 7 / 32, size * 22 / 32)));
        EXPECT_TRUE(IsReddish(Straight(img, size * 24 / 32, size * 24 / 32)));
        const QColor top = Straight(img, size / 2, size * 5 / 32);
        EXPECT_GT(top.green(), 2 * top.red());
    }
    EXPECT_TRUE(qbx::art::RenderAppIcon(0).isNull());
    EXPECT_TRUE(qbx::art::RenderAppIcon(-5).isNull());
    EXPECT_TRUE(qbx::art::RenderAppIcon(100000).isNull());
}

TEST(ArtWindow, AppIconOffersEveryStandardSize) {
    const QList<QSize> sizes = qbx::art::AppIcon().availableSizes();
    for (int s : {16, 22, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
}

TEST(ArtWindow, BlankCursorIsFullyTransparent) {
    const QCursor cursor = qbx::art::BlankCursor();
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    const QImage img = cursor.pixmap().toImage();
    ASSERT_EQ(img.size(), QSize(32, 32));
    EXPECT_EQ(TransparentFraction(img), 1.0);
}

// ---------------------------------------------------------------------------
// Fonts

TEST(Fonts, DesignFacesResolveToTheInstalledFamilies) {
    struct Case {
        std::string_view design;
        const char* installed;
    };
    for (const Case& c : {Case{"Verdana", "DejaVu Sans"}, Case{"Arial", "Liberation Sans"},
                          Case{"Comic Sans MS", "Comic Neue"}, Case{"Paper Clip", "Cabin Sketch"},
                          Case{"comic sans ms", "Comic Neue"}, Case{"Wingdings", "DejaVu Sans"},
                          Case{"", "DejaVu Sans"}}) {
        for (bool bold : {false, true}) {
            SCOPED_TRACE(std::string(c.design) + (bold ? " bold" : ""));
            const QFont font = qbx::fonts::Resolve(c.design, 12, bold);
            EXPECT_EQ(qbx::fonts::InstalledFamily(c.design), QString(c.installed));
            // What the font system actually picked, not just what we asked for.
            EXPECT_EQ(QFontInfo(font).family(), QString(c.installed));
            EXPECT_EQ(font.bold(), bold);
        }
    }
}

TEST(Fonts, DesignPointsBecomePixelsAtNinetySixDpi) {
    EXPECT_EQ(qbx::fonts::Resolve("Verdana", 12, false).pixelSize(), 16);
    EXPECT_EQ(qbx::fonts::Resolve("Verdana", 9, false).pixelSize(), 12);
    EXPECT_EQ(qbx::fonts::Resolve("Arial", 7.5, true).pixelSize(), 10);
    EXPECT_EQ(qbx::fonts::Resolve("Paper Clip", 36, false).pixelSize(), 48);
    EXPECT_EQ(QFontInfo(qbx::fonts::Resolve("Arial", 24, false)).pixelSize(), 32);
    // Nonsense sizes still give a usable font.
    EXPECT_GE(qbx::fonts::Resolve("Arial", 0, false).pixelSize(), 1);
    EXPECT_GE(qbx::fonts::Resolve("Arial", -3, false).pixelSize(), 1);
    EXPECT_GE(qbx::fonts::Resolve("Arial", std::nan(""), false).pixelSize(), 1);
}

}  // namespace

// Self-contained entry point; define QBX_TESTS_PROVIDE_QT_MAIN elsewhere (and
// create the QGuiApplication there) to link this file into a shared runner.
#ifndef QBX_TESTS_PROVIDE_QT_MAIN
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
#endif
