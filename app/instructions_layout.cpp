// The instructions screen's pictures, placed into the gaps of its help text by the view's own
// text layout.
#include "instructions_layout.h"

#include "art/art.h"
#include "backends/qt/text_gaps.h"
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

}  // namespace

void LayoutInstructions(FrmInstructions& screen) {
    const ScreenDesign& form = InstructionsScreenDesign();
    const ControlDesign& title = DesignOf("lblHelpTitle");

    // A gap that cannot be found keeps its pictures at their design places.
    PicturePlaces places{};
    for (int k = 0; k < kHelpPictureCount; ++k) {
        const ControlDesign& d = DesignOf(HelpPictureControl(static_cast<HelpPicture>(k)));
        places[static_cast<size_t>(k)] = {d.left, d.top};
    }

    std::vector<TextGap> gaps;
    for (const HelpGap& help : HelpGaps()) {
        TextGap& gap = gaps.emplace_back();
        gap.leadIn = std::string(help.leadIn);
        for (const HelpPicture pic : help.pictures) {
            const ControlDesign& d = DesignOf(HelpPictureControl(pic));
            const PictureRef picture = LookupPicture(d.picture);
            gap.pictures.push_back(
                {picture ? art::RenderPicture(*picture, 1.0) : QImage(),
                 QSize(TwipsToPx(d.width),
                       TwipsToPx(pic == HelpPicture::Arrow ? kHelpArrowHeight : d.height))});
        }
    }
    const std::vector<std::vector<QPoint>> found =
        PlaceInTextGaps(QSize(TwipsToPx(form.clientWidth), TwipsToPx(form.clientHeight)),
                        {&DesignOf("lblhelp"), HelpText()}, {{&title, title.caption}}, gaps);

    for (size_t g = 0; g < found.size(); ++g)
        for (size_t k = 0; k < found[g].size(); ++k) {
            const QPoint at = found[g][k];
            places[static_cast<size_t>(HelpGaps()[g].pictures[k])] = {
                static_cast<float>(at.x()) * kTwipsPerPixel,
                static_cast<float>(at.y()) * kTwipsPerPixel};
        }
    screen.SetPicturePositions(places);
}

}  // namespace qbx
