// The instructions screen: its load, the pictures' places, and the return button.
#include "forms/instructions/frmInstructions.h"

#include "forms/game/frmGame.h"
#include "forms/menu/frmMenu.h"
#include "forms/menu/menu_design.h"

namespace qbx {

FrmInstructions::FrmInstructions(Program& program, Forms& forms)
    : Screen(program, "frmInstructions", InstructionsScreenDesign(), InstructionsControlsDesign()),
      forms_(forms) {
    forms_.instructions = this;
}

void FrmInstructions::BindControls() {
    Controls& c = c_;
    c.cmdClose = Ctl<Button>("cmdClose");
    c.imgPowerupWall = Ctl<Image>("imgPowerupWall");
    c.imgPowerupFast = Ctl<Image>("imgPowerupFast");
    c.imgPowerupSlow = Ctl<Image>("imgPowerupSlow");
    c.imgPowerupLife = Ctl<Image>("imgPowerupLife");
    c.imgBubble = Ctl<Image>("imgBubble");
    c.imgCharacter = Ctl<Image>("imgCharacter");
    c.lblhelp = Ctl<Label>("lblhelp");
    c.imgArrow = Ctl<Image>("imgArrow");
    c.cmdClose->onClick = [this] { cmdClose_Click(); };
    c.cmdClose->onKeyDown = [this](int16_t keyCode, int16_t shift) {
        cmdClose_KeyDown(keyCode, shift);
    };
}

void FrmInstructions::UnbindControls() {
    c_ = Controls{};
}

Image& FrmInstructions::Picture(HelpPicture p) {
    switch (p) {
        case HelpPicture::Character:
            return *C().imgCharacter;
        case HelpPicture::Bubble:
            return *C().imgBubble;
        case HelpPicture::Arrow:
            return *C().imgArrow;
        case HelpPicture::PowerupLife:
            return *C().imgPowerupLife;
        case HelpPicture::PowerupSlow:
            return *C().imgPowerupSlow;
        case HelpPicture::PowerupFast:
            return *C().imgPowerupFast;
        case HelpPicture::PowerupWall:
            break;
    }
    return *C().imgPowerupWall;
}

void FrmInstructions::Form_Load() {
    c_.imgArrow->Height = kHelpArrowHeight;
    c_.lblhelp->Caption = HelpText();
    PlacePictures();
}

void FrmInstructions::Form_Unload(int16_t& cancel) {
    cancel = 1;
    cmdClose_Click();
}

void FrmInstructions::SetPicturePositions(const PicturePlaces& places) {
    places_ = places;
    if (IsLoaded()) PlacePictures();
}

void FrmInstructions::PlacePictures() {
    if (!places_) return;
    for (int k = 0; k < kHelpPictureCount; ++k) {
        Image& img = Picture(static_cast<HelpPicture>(k));
        img.Left = (*places_)[static_cast<size_t>(k)].left;
        img.Top = (*places_)[static_cast<size_t>(k)].top;
    }
}

void FrmInstructions::cmdClose_Click() {
    ReturnFrom(forms_, *this, *C().cmdClose);
}

void FrmInstructions::cmdClose_KeyDown(int16_t keyCode, int16_t shift) {
    ExitFrom(forms_, *this, *C().cmdClose, keyCode, shift);
}

std::map<std::string, std::function<void()>> FrmInstructions::Routines() {
    return {{"cmdClose_Click", [this] { cmdClose_Click(); }}};
}

}  // namespace qbx
