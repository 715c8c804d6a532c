// The instructions screen: the help text with small pictures in its gaps, and the button back
// to whichever screen opened it.
#pragma once

#include <array>
#include <optional>

#include "engine/screen.h"
#include "forms/forms.h"
#include "forms/instructions/instructions_design.h"

namespace qbx {

// Where a help picture sits: its top-left corner in twips.
struct PicturePlace {
    float left = 0, top = 0;
    friend bool operator==(const PicturePlace&, const PicturePlace&) = default;
};
using PicturePlaces = std::array<PicturePlace, kHelpPictureCount>;  // indexed by HelpPicture

class FrmInstructions : public Screen {
public:
    FrmInstructions(Program& program, Forms& forms);

    void Form_Load() override;
    // The window's close box acts as the return button (the window stays loaded).
    void Form_Unload(int16_t& cancel) override;
    void cmdClose_Click();
    void cmdClose_KeyDown(int16_t keyCode, int16_t shift);

    // The controls; touching them through C() loads the screen first.
    struct Controls {
        Button* cmdClose;
        Image *imgPowerupWall, *imgPowerupFast, *imgPowerupSlow, *imgPowerupLife, *imgBubble,
            *imgCharacter, *imgArrow;
        Label* lblhelp;
    };
    Controls& C() {
        EnsureLoaded();
        return c_;
    }

    // The return button's caption: "Return to Menu" or "Return to Game". Touching it loads the
    // screen.
    Button& cmdClose() { return *C().cmdClose; }
    Image& Picture(HelpPicture p);

    // Moves the help pictures into the gaps the text really leaves with the fonts the view
    // draws it in (measured by the view, which knows them). Kept across loads and applied by
    // every load; does not load the screen itself.
    void SetPicturePositions(const PicturePlaces& places);

    std::map<std::string, std::function<void()>> Routines() override;

protected:
    void BindControls() override;
    void UnbindControls() override;

private:
    void PlacePictures();

    Forms& forms_;
    Controls c_{};
    std::optional<PicturePlaces> places_;
};

}  // namespace qbx
