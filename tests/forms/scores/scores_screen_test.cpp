// The high-score screen in the headless program: the record routines on real files, results
// entering the tables, unusable files, and the return button.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "forms/scores/frmScores.h"
#include "records/record_file.h"
#include "support/test_support.h"

namespace qbx {
namespace {

namespace fs = std::filesystem;
using records::RecordRow;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A program on the menu whose user is PLAYER1.
struct ScoresTest : ::testing::Test {
    void SetUp() override {
        h.svc.SetEnv("NWUSERNAME", "");
        h.svc.SetEnv("LOGIN", "");
        h.svc.SetEnv("USERNAME", " player1 ");
        h.app.Start();
    }
    std::string ScoreFile() const { return h.dir.Path() + "/" + records::kScoreFileName; }
    std::string LevelFile() const { return h.dir.Path() + "/" + records::kLevelFileName; }
    void Put(const std::string& text) { std::ofstream(ScoreFile(), std::ios::binary) << text; }
    // The end of a game with a score above 0, as the game enters it.
    void EndGame(int32_t score, int16_t level) {
        h.app.game.Score = score;
        h.app.game.Level = level;
        h.app.scores.CalculateHighScores();
        h.app.scores.CalculateHighLevels();
    }
    test::Headless h;
};

TEST_F(ScoresTest, FirstRunShowsEmptyTablesAndTheFirstGameTakesRowOne) {
    ASSERT_EQ(h.Run("click frmMenu.cmdScores\n"
                    "expect active frmScores\n"
                    "expect frmScores.UserName PLAYER1\n"
                    "expect frmScores.lblInfoScores.Caption \"Highest\\r\\nScores\\r\\nAchieved\"\n"
                    "expect frmScores.lblScoreName(1).Caption \"\"\n"),
              0)
        << h.err;
    EXPECT_EQ(fs::file_size(ScoreFile()), 0u);
    EXPECT_EQ(fs::file_size(LevelFile()), 0u);

    EndGame(500, 3);
    const std::string scores = Slurp(ScoreFile());
    EXPECT_EQ(std::count(scores.begin(), scores.end(), '\n'), 40);
    EXPECT_EQ(scores.substr(0, 18), "\"PLAYER1\"\r\n\"500\"\r\n");
    EXPECT_EQ(h.app.scores.LevelTable()[0], (RecordRow{"PLAYER1", "3"}));
    EXPECT_EQ(h.app.scores.ScoreTable()[1], RecordRow{});
}

TEST_F(ScoresTest, OnlyAHigherResultRewritesTheFile) {
    const std::string own = "\"PLAYER1\"\n\"800\"\n";  // LF ends, which a write would change
    Put(own);
    EndGame(800, 4);
    EXPECT_EQ(Slurp(ScoreFile()), own);
    EndGame(801, 4);
    EXPECT_EQ(Slurp(ScoreFile()).substr(0, 18), "\"PLAYER1\"\r\n\"801\"\r\n");
}

TEST_F(ScoresTest, ReadKeepsRowsTheFileDoesNotReach) {
    FrmScores::Controls& c = h.app.scores.C();
    for (int i = 1; i <= 20; ++i) c.lblScoreName(i).Caption = "KEEP";
    Put("\"A\"\r\"3\"\r\"B\"\r\"2\"\r\"C\"\r\"1\"\r");
    h.app.scores.ReadScores();
    EXPECT_EQ(c.lblScoreName(3).Caption, "C");
    EXPECT_EQ(c.lblHighScore(3).Caption, "1");
    EXPECT_EQ(c.lblScoreName(4).Caption, "KEEP");
}

TEST_F(ScoresTest, UnusableRecordFilesChangeNothingAndTheGameGoesOn) {
    fs::create_directory(ScoreFile());
    const std::string levels = "\"BOSS\"\r\n\"99\"\r\n";
    std::ofstream(LevelFile(), std::ios::binary) << levels;
    fs::permissions(LevelFile(), fs::perms::owner_read);  // read-only, also for root
    EndGame(500, 3);
    EXPECT_TRUE(fs::is_directory(ScoreFile()));
    EXPECT_EQ(Slurp(LevelFile()), levels);
    EXPECT_EQ(std::distance(fs::directory_iterator(h.dir.Path()), fs::directory_iterator()), 2);
    ASSERT_EQ(h.Run("click frmMenu.cmdScores\nexpect active frmScores\n"), 0) << h.err;
}

TEST_F(ScoresTest, UnwritableProgramDirectoryKeepsRecordsInTheUsersDataDirectory) {
    const std::string program = h.dir.Path() + "/program";
    fs::create_directory(program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    h.svc.SetProgramDir(program);
    h.svc.SetEnv("XDG_DATA_HOME", h.dir.Path() + "/data");
    EndGame(700, 5);
    const std::string kept = h.dir.Path() + "/data/quibblix/" + records::kScoreFileName;
    EXPECT_EQ(Slurp(kept).substr(0, 18), "\"PLAYER1\"\r\n\"700\"\r\n");
    EXPECT_TRUE(fs::is_empty(program));
}

TEST_F(ScoresTest, ReturnButtonGoesBackWhereTheScreenWasOpenedFrom) {
    ASSERT_EQ(h.Run("click frmMenu.cmdScores\n"
                    "expect frmScores.cmdClose.Caption \"Return to Menu\"\n"
                    "click frmScores.cmdClose\n"
                    "expect active frmMenu\n"
                    "expect frmMenu.focus cmdPlay\n"
                    "click frmMenu.cmdPlay\n"
                    "menu frmGame.mnuHighScores\n"
                    "expect frmScores.cmdClose.Caption \"Return to Game\"\n"
                    "key enter\n"
                    "expect active frmGame\n"
                    "expect frmScores.cmdClose.Caption \"Return to Menu\"\n"
                    // The window's close box does what the button does.
                    "menu frmGame.mnuHighScores\n"
                    "close frmScores\n"
                    "expect active frmGame\n"
                    "expect frmScores.loaded true\n"),
              0)
        << h.err;
}

TEST_F(ScoresTest, CtrlXAloneEndsTheProgramAndWritesOnlyForARunningGame) {
    ASSERT_EQ(h.Run("click frmMenu.cmdScores\n"
                    "key ctrl+shift+x\nkey alt+x\nkey x\n"
                    "expect active frmScores\n"
                    "key ctrl+x\n"),
              0)
        << h.err;
    EXPECT_TRUE(h.svc.Ended());
    EXPECT_EQ(fs::file_size(ScoreFile()), 0u);
    EXPECT_EQ(fs::file_size(LevelFile()), 0u);

    test::Headless g;
    g.svc.SetEnv("NWUSERNAME", "tester");
    g.app.Start();
    ASSERT_EQ(g.Run("click frmMenu.cmdPlay\n"
                    "set frmGame.Score 4321\n"
                    "menu frmGame.mnuHighScores\n"
                    "key ctrl+x\n"),
              0)
        << g.err;
    EXPECT_TRUE(g.svc.Ended());
    EXPECT_EQ(Slurp(g.dir.Path() + "/" + records::kScoreFileName).substr(0, 18),
              "\"TESTER\"\r\n\"4321\"\r\n");
}

}  // namespace
}  // namespace qbx
