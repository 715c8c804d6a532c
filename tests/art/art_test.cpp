// The code-drawn artwork and the font mapping, on the offscreen platform.
#include "art/art.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPixmap>
#include <QRawFont>
#include <cmath>
#include <string>
#include <string_view>

#include "backends/qt/fonts.h"
#include "forms/pictures.h"

namespace qbx {
namespace {

// A picture of the game's catalogue, drawn; a name the catalogue lacks is drawn from a picture
// made up with it.
QImage RenderPicture(std::string_view name, qreal ratio) {
    if (PictureRef p = LookupPicture(name)) return art::RenderPicture(*p, ratio);
    return art::RenderPicture(Picture{std::string(name), 10, 10}, ratio);
}

int Alpha(const QImage& img, int x, int y) {
    return qAlpha(img.pixel(x, y));
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

bool Starts(std::string_view name, std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix;
}

// Every picture of the game is drawn at the size the game gives it, at ratio 1 and 2, and
// at ratio 2 from the vectors rather than as a pixel-doubled 1x image.
TEST(Art, EveryPictureHasTheGamesSizeAtRatioOneAndTwo) {
    for (const Picture* p : AllPictures()) {
        SCOPED_TRACE(p->name);
        const QSize size(p->widthPx, p->heightPx);
        const QImage one = RenderPicture(p->name, 1.0), two = RenderPicture(p->name, 2.0);
        EXPECT_EQ(one.size(), size);
        EXPECT_EQ(two.size(), 2 * size);
        EXPECT_EQ(two.deviceIndependentSize(), QSizeF(size));
        EXPECT_EQ(one.format(), QImage::Format_ARGB32_Premultiplied);
    }
    for (std::string_view name : {"ballreds3", "imgCharBack", "pwruplife"}) {
        const QImage img = RenderPicture(name, 2.0);
        int mixedBlocks = 0;
        for (int y = 0; y + 1 < img.height(); y += 2)
            for (int x = 0; x + 1 < img.width(); x += 2) {
                const QRgb a = img.pixel(x, y);
                mixedBlocks += a != img.pixel(x + 1, y) || a != img.pixel(x, y + 1) ||
                               a != img.pixel(x + 1, y + 1);
            }
        EXPECT_GT(mixedBlocks, 10) << name;
    }
}

TEST(Art, OddRatiosRoundAndBadNamesOrRatiosGiveNullImages) {
    // 17 x 1.5 = 25.5 rounds up; 39 x 1.25 = 48.75 rounds to 49; no unpainted edge is left.
    EXPECT_EQ(RenderPicture("pwrupfast", 1.5).size(), QSize(26, 21));
    EXPECT_EQ(RenderPicture("ballreds3", 1.25).size(), QSize(49, 49));
    EXPECT_TRUE(AllOpaque(RenderPicture("pwrupfast", 1.5)));
    EXPECT_TRUE(AllOpaque(RenderPicture("lifex", 1.25)));
    for (std::string_view name : {"nosuchpicture", "", "BallReds1"})
        EXPECT_TRUE(RenderPicture(name, 1.0).isNull()) << name;
    for (double ratio : {0.0, -1.0, std::nan(""), 1e6})
        EXPECT_TRUE(RenderPicture("imgBricks", ratio).isNull()) << ratio;
}

// What shows through each kind of picture: bubbles are round, tiles and the wall are solid,
// arrows and figures are cut out.
TEST(Art, TransparencyFitsEachKindOfPicture) {
    for (const Picture* p : AllPictures()) {
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(p->name + " @" + std::to_string(ratio));
            const QImage img = RenderPicture(p->name, ratio);
            const int w = img.width(), h = img.height();
            if (Starts(p->name, "ball")) {
                for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
                    EXPECT_EQ(Alpha(img, x, y), 0);
                for (int x = 1; x < w - 1; ++x) EXPECT_EQ(Alpha(img, x, h / 2), 255) << x;
                const QColor c = QColor::fromRgba(img.pixel(w / 2, h * 3 / 4));
                if (Starts(p->name, "ballreds"))
                    EXPECT_GT(c.red(), 2 * c.green());
                else
                    EXPECT_GT(c.green(), 2 * c.red());
            } else if (Starts(p->name, "pwrup") || p->name == "lifex" || p->name == "imgBricks") {
                EXPECT_TRUE(AllOpaque(img));
            } else if (p->name.find("arrow") != std::string::npos) {
                EXPECT_GT(TransparentFraction(img), 0.5);
                bool bottom = false;  // drawn all the way down to the last row
                for (int x = 0; x < w; ++x) bottom |= Alpha(img, x, h - 1) > 0;
                EXPECT_TRUE(bottom);
            } else {
                ASSERT_TRUE(Starts(p->name, "imgChar")) << "a picture of no known kind";
                EXPECT_EQ(Alpha(img, 0, 0), 0);
                EXPECT_EQ(Alpha(img, w - 1, 0), 0);
                EXPECT_GT(TransparentFraction(img), 0.2);
                EXPECT_LT(TransparentFraction(img), 0.8);
            }
        }
    }
}

TEST(Fonts, DesignFacesResolveToTheInstalledFamiliesAtNinetySixDpi) {
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
            const QFont font = fonts::Resolve(c.design, 12, bold);
            // What the font system actually picked, not just what was asked for: bold text
            // comes from the face's own bold file, never from its regular glyphs thickened.
            const QRawFont face = QRawFont::fromFont(font);
            EXPECT_EQ(face.familyName().remove(' '), QString(c.installed).remove(' '));
            EXPECT_EQ(face.styleName().contains("Bold"), bold) << face.styleName().toStdString();
            EXPECT_EQ(font.bold(), bold);
        }
    }
    EXPECT_EQ(fonts::Resolve("Verdana", 9, false).pixelSize(), 12);
    EXPECT_EQ(fonts::Resolve("Arial", 7.5, true).pixelSize(), 10);
    EXPECT_EQ(QFontInfo(fonts::Resolve("Arial", 24, false)).pixelSize(), 32);
    for (double points : {0.0, -3.0, std::nan("")})  // nonsense sizes still give a usable font
        EXPECT_GE(fonts::Resolve("Arial", points, false).pixelSize(), 1);
}

}  // namespace
}  // namespace qbx
