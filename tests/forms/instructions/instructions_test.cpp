// The instructions screen in the headless program: loading, the return button, Ctrl+X and
// measured picture places.
#include <gtest/gtest.h>

#include <filesystem>

#include "forms/instructions/frmInstructions.h"
#include "records/record_file.h"
#include "support/test_support.h"

namespace qbx {
namespace {

struct InstructionsTest : ::testing::Test {
    void SetUp() override { h.app.Start(); }
    test::Headless h;
};

TEST_F(InstructionsTest, LoadCutsTheArrowAndReturnGoesBackWhereTheScreenWasOpenedFrom) {
    h.Ok(
        "click frmMenu.cmdInstructions\n"
        "expect frmInstructions.focus cmdClose\n"
        "expect frmInstructions.imgArrow.Height 600\n"
        "click frmInstructions.cmdClose\n"
        "expect frmInstructions.visible false\n"
        "expect active frmMenu\n"
        "expect frmMenu.focus cmdPlay\n"
        "click frmMenu.cmdPlay\n"
        "menu frmGame.mnuInstructions\n"
        "key space\n"
        "expect active frmGame\n"
        "menu frmGame.mnuInstructions\n"
        "close frmInstructions\n"
        "expect active frmGame\n"
        "expect frmInstructions.loaded true\n");
    EXPECT_EQ(h.app.instructions.C().lblhelp->Caption, HelpText());
}

TEST_F(InstructionsTest, CtrlXAloneEndsTheProgramAndRecordsOnlyARunningGame) {
    h.Ok(
        "click frmMenu.cmdInstructions\n"
        "key ctrl+shift+x\nkey alt+x\nkey x\n"
        "expect active frmInstructions\n"
        "key ctrl+x\n");
    EXPECT_TRUE(h.svc.Ended());
    EXPECT_FALSE(std::filesystem::exists(h.dir.Path() + "/" + records::kScoreFileName));

    test::Headless g;
    g.app.Start();
    g.Ok(
        "click frmMenu.cmdPlay\n"
        "set frmGame.Score 250\n"
        "menu frmGame.mnuInstructions\n"
        "key ctrl+x\n");
    EXPECT_TRUE(g.svc.Ended());
    EXPECT_GT(std::filesystem::file_size(g.dir.Path() + "/" + records::kScoreFileName), 0u);
}

TEST_F(InstructionsTest, MeasuredPicturePlacesApplyNowAndOnLoad) {
    PicturePlaces places{};
    for (int k = 0; k < kHelpPictureCount; ++k)
        places[static_cast<size_t>(k)] = {1000.0f + 15.0f * static_cast<float>(k), 2000.0f};
    FrmInstructions& s = h.app.instructions;
    s.SetPicturePositions(places);
    EXPECT_FALSE(s.IsLoaded());
    h.Ok(
        "click frmMenu.cmdInstructions\n"
        "expect frmInstructions.imgCharacter.Left 1000\n"
        "expect frmInstructions.imgPowerupWall.Left 1090\n"
        "expect frmInstructions.imgArrow.Top 2000\n");
    places[static_cast<size_t>(HelpPicture::Bubble)] = {3000.0f, 1500.0f};
    s.SetPicturePositions(places);
    EXPECT_EQ(s.C().imgBubble->Left, 3000.0f);
}

}  // namespace
}  // namespace qbx
