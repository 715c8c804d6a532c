// The instructions screen's pictures, placed from a text layout that matches the view's and
// checked against the text as the view draws it.
#include "instructions_layout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <cmath>
#include <limits>

#include "art/art.h"
#include "backends/qt/fonts.h"
#include "backends/qt/screen_view.h"
#include "forms/instructions/frmInstructions.h"
#include "forms/instructions/instructions_design.h"
#include "forms/pictures.h"

namespace qbx {

namespace {

const ControlDesign& DesignOf(const char* name) {
    static const std::vector<ControlDesign> table = InstructionsControlsDesign();
    for (const ControlDesign& d : table)
        if (std::string_view(d.name) == name) return d;
    return table.front();
}

QRect PxRect(const ControlDesign& d) {
    return QRect(TwipsToPx(d.left), TwipsToPx(d.top), TwipsToPx(d.width), TwipsToPx(d.height));
}

QFont FontOf(const ControlDesign& d) {
    return fonts::Resolve(d.font.family, d.font.points, d.font.bold);
}

// Which pixels of the screen the labels' text inks, drawn as the view draws a label.
class TextMask {
public:
    explicit TextMask(QSize size) : image_(size, QImage::Format_ARGB32_Premultiplied) {
        image_.fill(Qt::transparent);
    }
    void Draw(const ControlDesign& label, const std::string& caption) {
        QPainter p(&image_);
        p.setFont(FontOf(label));
        p.setPen(Qt::black);
        p.setClipRect(PxRect(label));
        p.drawText(PxRect(label), LabelTextFlags(label.align), CaptionText(caption));
    }
    // Ink at (x, y), or within `clearance` pixels of it; outside the screen counts as ink, so a
    // picture never leaves the window.
    bool Inked(int x, int y, int clearance) const {
        for (int dy = -clearance; dy <= clearance; ++dy)
            for (int dx = -clearance; dx <= clearance; ++dx) {
                const int cx = x + dx, cy = y + dy;
                if (!image_.rect().contains(cx, cy)) {
                    if (dx == 0 && dy == 0) return true;
                    continue;
                }
                if (qAlpha(image_.pixel(cx, cy)) != 0) return true;
            }
        return false;
    }

private:
    QImage image_;
};

// The pixels a picture shows: its natural size from its top-left corner, cut to the control.
std::vector<QPoint> OpaquePixels(const char* pictureName, QSize shown) {
    std::vector<QPoint> pixels;
    const PictureRef picture = LookupPicture(pictureName);
    const QImage art = picture ? art::RenderPicture(*picture, 1.0) : QImage();
    const int w = std::min(shown.width(), art.width()), h = std::min(shown.height(), art.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (qAlpha(art.pixel(x, y)) != 0) pixels.emplace_back(x, y);
    return pixels;
}

// Word-wrapped lines in the label's width, each on a whole pixel below the one before, as a
// painter breaks and stacks wrapped text.
void LayOut(QTextLayout& layout, qreal width) {
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(layout.font()).leading();
    qreal height = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
}

}  // namespace

void LayoutInstructions(FrmInstructions& screen) {
    const ScreenDesign& form = InstructionsScreenDesign();
    const ControlDesign& help = DesignOf("lblhelp");
    const ControlDesign& title = DesignOf("lblHelpTitle");
    const QRect label = PxRect(help);

    TextMask mask(QSize(TwipsToPx(form.clientWidth), TwipsToPx(form.clientHeight)));
    mask.Draw(help, HelpText());
    mask.Draw(title, title.caption);

    QString text = CaptionText(HelpText());
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, FontOf(help));
    LayOut(layout, label.width());

    // A gap that cannot be found keeps its pictures at their design places.
    PicturePlaces places{};
    for (int k = 0; k < kHelpPictureCount; ++k) {
        const ControlDesign& d = DesignOf(HelpPictureControl(static_cast<HelpPicture>(k)));
        places[static_cast<size_t>(k)] = {d.left, d.top};
    }

    for (const HelpGap& gap : HelpGaps()) {
        const int at = text.indexOf(
            QString::fromUtf8(gap.leadIn.data(), static_cast<qsizetype>(gap.leadIn.size())));
        if (at < 0) continue;
        const int runStart = at + static_cast<int>(gap.leadIn.size());
        int runEnd = runStart;
        while (runEnd < text.size() && text[runEnd] == QLatin1Char(' ')) ++runEnd;
        const QTextLine line = layout.lineForTextPosition(runStart);
        if (!line.isValid()) continue;
        // From the phrase to the next word, or to the label's edge when that word wrapped.
        const QTextLine next = layout.lineForTextPosition(runEnd);
        const qreal gx0 = label.left() + line.cursorToX(runStart);
        const qreal gx1 = label.left() + (next.isValid() && next.lineNumber() == line.lineNumber()
                                              ? line.cursorToX(runEnd)
                                              : label.width());
        const qreal lineMid = label.top() + line.y() + line.height() / 2;

        // Equal slots side by side, one picture centred in each.
        const int n = static_cast<int>(gap.pictures.size());
        const qreal slot = (gx1 - gx0) / n;
        for (int k = 0; k < n; ++k) {
            const HelpPicture pic = gap.pictures[static_cast<size_t>(k)];
            const ControlDesign& d = DesignOf(HelpPictureControl(pic));
            const QSize shown(TwipsToPx(d.width),
                              TwipsToPx(pic == HelpPicture::Arrow ? kHelpArrowHeight : d.height));
            const std::vector<QPoint> pixels = OpaquePixels(d.picture, shown);
            const int cx =
                static_cast<int>(std::lround(gx0 + slot * k + (slot - shown.width()) / 2));
            const int cy = static_cast<int>(std::lround(lineMid - shown.height() / 2.0));
            const int slackX = std::max(0, static_cast<int>((slot - shown.width()) / 2));
            const int slackY = shown.height() + static_cast<int>(line.height());

            auto covers = [&](int x, int y, int clearance) {
                for (const QPoint& q : pixels)
                    if (mask.Inked(x + q.x(), y + q.y(), clearance)) return true;
                return false;
            };
            // The nearest free place to the centre: a pixel of air around the picture if there
            // is room, else touching; moving sideways costs more, as it leaves the gap's middle.
            QPoint best(cx, cy);
            bool found = false;
            for (int clearance = 1; clearance >= 0 && !found; --clearance) {
                qreal bestCost = std::numeric_limits<qreal>::infinity();
                for (int dy = -slackY; dy <= slackY; ++dy)
                    for (int dx = -slackX; dx <= slackX; ++dx) {
                        const qreal cost = std::abs(dy) + 2.0 * std::abs(dx);
                        if (cost >= bestCost || covers(cx + dx, cy + dy, clearance)) continue;
                        best = QPoint(cx + dx, cy + dy);
                        bestCost = cost;
                        found = true;
                    }
            }
            places[static_cast<size_t>(pic)] = {static_cast<float>(best.x()) * kTwipsPerPixel,
                                                static_cast<float>(best.y()) * kTwipsPerPixel};
        }
    }
    screen.SetPicturePositions(places);
}

}  // namespace qbx
