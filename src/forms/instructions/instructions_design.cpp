// The instructions screen at design time, front to back: the pictures come before lblhelp so
// they are drawn over its text.
#include "forms/instructions/instructions_design.h"

#include "engine/design_helpers.h"

namespace qbx {

using namespace design;

const ScreenDesign& InstructionsScreenDesign() {
    // No key preview: the return button, the only control that takes the focus, gets the keys.
    static const ScreenDesign d{
        " Quibblix -- Instructions", 8535, 6255, {255, 192, 128}, false, false, Pointer::Default};
    return d;
}

std::vector<ControlDesign> InstructionsControlsDesign() {
    constexpr Rgb kBlack{0, 0, 0};
    std::vector<ControlDesign> t;
    t.push_back(Btn("cmdClose", 2520, 5400, 3495, 600, "Return to Menu", {"Verdana", 18.0f, true},
                    {192, 64, 0}, 1));
    t.back().returnButton = true;
    t.push_back(Img("imgPowerupWall", -1, 4080, 3120, 255, 210, true, "pwrupwall"));
    t.push_back(Img("imgPowerupFast", -1, 3720, 3120, 255, 210, true, "pwrupfast"));
    t.push_back(Img("imgPowerupSlow", -1, 3360, 3120, 255, 210, true, "pwrupslow"));
    t.push_back(Img("imgPowerupLife", -1, 3000, 3120, 255, 210, true, "pwruplife"));
    t.push_back(Lbl("lblHelpTitle", -1, 120, 120, 8295, 600, true, "Instructions",
                    {"Verdana", 21.75f, true}, kBlack, false, {}, Align::Center));
    t.push_back(Img("imgBubble", -1, 2040, 1590, 285, 285, true, "ballreds2"));
    t.push_back(Img("imgCharacter", -1, 2640, 750, 285, 435, true, "imgCharacterSmall"));
    t.push_back(Lbl("lblhelp", -1, 240, 960, 8055, 4095, true, "This is your character:",
                    {"Verdana", 9.75f, false}, kBlack, false, {}, Align::Left));
    t.push_back(Img("imgArrow", -1, 2040, 2280, 120, 5250, true, "regarrow"));
    // The keys that choose what is heard, beside the return button.
    t.push_back(Lbl("lblSoundKeys", -1, 6180, 5430, 2250, 540, true,
                    "M: sound on or off\r\nU: music on or off", {"Verdana", 8.25f, false}, kBlack,
                    false, {}, Align::Left));
    return t;
}

const std::string& HelpText() {
    static const std::string text =
        "This is your character:        To move left and right, use 'A' and 'D' or the Arrow "
        "Keys, but don't get too close to the bubbles!  Press ESC to pause the game."
        "\r\n\r\n"
        "This is a bubble:        They come in various sizes and colors.  When shot, larger "
        "bubbles break into two smaller bubbles, and the smallest bubbles disappear."
        "\r\n\r\n"
        "This is an arrow:      To shoot the bubbles, use 'W' or the Up Arrow Key or the Space "
        "Bar.  A bubble is shot if it touches any part of an arrow."
        "\r\n\r\n"
        "These are the power-ups:                      Their descriptions are on the main game "
        "form.  To collect a power-up, move your character over it.  When an arrow is not being "
        "fired, 'S' or the Down Arrow Key cancels any active power-up (except an extra life).  "
        "Up to five power-ups can accumulate on the playing field, but if you collect a "
        "power-up that matches the active one, it won't work."
        "\r\n\r\n"
        "There are over 20 levels.  You earn points for each bubble shot.  Your score for each "
        "level includes a time bonus and a bonus for not losing a life.  GOOD LUCK!";
    return text;
}

const char* HelpPictureControl(HelpPicture p) {
    switch (p) {
        case HelpPicture::Character:
            return "imgCharacter";
        case HelpPicture::Bubble:
            return "imgBubble";
        case HelpPicture::Arrow:
            return "imgArrow";
        case HelpPicture::PowerupLife:
            return "imgPowerupLife";
        case HelpPicture::PowerupSlow:
            return "imgPowerupSlow";
        case HelpPicture::PowerupFast:
            return "imgPowerupFast";
        case HelpPicture::PowerupWall:
            return "imgPowerupWall";
    }
    return "";
}

const std::vector<HelpGap>& HelpGaps() {
    static const std::vector<HelpGap> gaps{
        {"This is your character:", {HelpPicture::Character}},
        {"This is a bubble:", {HelpPicture::Bubble}},
        {"This is an arrow:", {HelpPicture::Arrow}},
        {"These are the power-ups:",
         {HelpPicture::PowerupLife, HelpPicture::PowerupSlow, HelpPicture::PowerupFast,
          HelpPicture::PowerupWall}},
    };
    return gaps;
}

}  // namespace qbx
