// The instructions screen in the headless program: the help text, the return button, Ctrl+X
// and measured picture places.
#include <gtest/gtest.h>

#include <filesystem>

#include "frontend/frmInstructions.h"
#include "records/record_file.h"
#include "support/test_support.h"

namespace qbx {
namespace {

struct InstructionsTest : ::testing::Test {
    void SetUp() override { h.app.Start(); }
    test::Headless h;
};

TEST(HelpText, FiveParagraphsWithRoomForThePictures) {
    const std::string& text = HelpText();
    std::vector<std::string> paragraphs;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n\r\n", from)) != std::string::npos; from = at + 4)
        paragraphs.push_back(text.substr(from, at - from));
    paragraphs.push_back(text.substr(from));
    ASSERT_EQ(paragraphs.size(), 5u);
    for (const std::string& p : paragraphs) EXPECT_EQ(p.find_first_of("\r\n"), std::string::npos);

    // The run of spaces after each lead-in phrase leaves room for its pictures.
    const size_t spaces[] = {8, 8, 6, 22};
    ASSERT_EQ(HelpGaps().size(), 4u);
    for (size_t g = 0; g < 4; ++g) {
        const std::string_view leadIn = HelpGaps()[g].leadIn;
        ASSERT_EQ(paragraphs[g].rfind(leadIn, 0), 0u) << paragraphs[g];
        EXPECT_EQ(paragraphs[g].find_first_not_of(' ', leadIn.size()) - leadIn.size(), spaces[g]);
    }
}

TEST_F(InstructionsTest, LoadSetsTheTextAndCutsTheArrow) {
    ASSERT_EQ(h.Run("click frmMenu.cmdInstructions\n"
                    "expect active frmInstructions\n"
                    "expect frmInstructions.focus cmdClose\n"
                    "expect frmInstructions.imgArrow.Height 600\n"
                    "expect frmInstructions.imgArrow.Picture regarrow\n"
                    "expect frmInstructions.imgCharacter.Picture imgCharacterSmall\n"
                    "expect frmInstructions.imgPowerupSlow.Picture pwrupslow\n"),
              0)
        << h.err;
    EXPECT_EQ(h.app.instructions.C().lblhelp->Caption, HelpText());
}

TEST_F(InstructionsTest, ReturnButtonGoesBackWhereTheScreenWasOpenedFrom) {
    ASSERT_EQ(h.Run("click frmMenu.cmdInstructions\n"
                    "expect frmInstructions.cmdClose.Caption \"Return to Menu\"\n"
                    "click frmInstructions.cmdClose\n"
                    "expect frmInstructions.visible false\n"
                    "expect active frmMenu\n"
                    "expect frmMenu.focus cmdPlay\n"
                    "click frmMenu.cmdPlay\n"
                    "wait 3000\n"
                    "menu frmGame.mnuInstructions\n"
                    "expect frmInstructions.cmdClose.Caption \"Return to Game\"\n"
                    "key space\n"
                    "expect active frmGame\n"
                    "expect frmGame.Paused true\n"
                    "expect frmInstructions.cmdClose.Caption \"Return to Menu\"\n"
                    // The window's close box does what the button does.
                    "menu frmGame.mnuInstructions\n"
                    "close frmInstructions\n"
                    "expect active frmGame\n"
                    "expect frmInstructions.loaded true\n"),
              0)
        << h.err;
}

TEST_F(InstructionsTest, CtrlXAloneEndsTheProgramAndRecordsOnlyARunningGame) {
    ASSERT_EQ(h.Run("click frmMenu.cmdInstructions\n"
                    "key ctrl+shift+x\nkey alt+x\nkey x\n"
                    "expect active frmInstructions\n"
                    "key ctrl+x\n"),
              0)
        << h.err;
    EXPECT_TRUE(h.svc.Ended());
    EXPECT_FALSE(std::filesystem::exists(h.dir.Path() + "/" + records::kScoreFileName));

    test::Headless g;
    g.app.Start();
    ASSERT_EQ(g.Run("click frmMenu.cmdPlay\n"
                    "set frmGame.Score 250\n"
                    "menu frmGame.mnuInstructions\n"
                    "key ctrl+x\n"),
              0)
        << g.err;
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
    ASSERT_EQ(h.Run("click frmMenu.cmdInstructions\n"
                    "expect frmInstructions.imgCharacter.Left 1000\n"
                    "expect frmInstructions.imgPowerupWall.Left 1090\n"
                    "expect frmInstructions.imgArrow.Top 2000\n"),
              0)
        << h.err;
    places[static_cast<size_t>(HelpPicture::Bubble)] = {3000.0f, 1500.0f};
    s.SetPicturePositions(places);
    EXPECT_EQ(s.C().imgBubble->Left, 3000.0f);
}

}  // namespace
}  // namespace qbx
