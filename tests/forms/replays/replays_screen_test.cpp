// The Replays screen in the headless program: the list as a shelf gives it, moving through it,
// watching, the empty list, and the ways back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/replays/frmReplays.h"
#include "forms/replays/replays_design.h"
#include "support/test_support.h"

namespace qbx {
namespace {

// A shelf holding the listings it is given, noting what it was asked to watch.
struct FakeShelf : ReplayShelf {
    std::vector<ReplayListing> List() override { return listed; }
    void Watch(const std::string& file) override { watched.push_back(file); }
    void Export(const std::string& file) override { exported.push_back(file); }
    std::string ExportHint() override { return hint; }
    std::vector<ReplayListing> listed;
    std::vector<std::string> watched, exported;
    std::string hint;
};

ReplayListing Numbered(int n) {
    return {"r" + std::to_string(n) + ".qbr",
            "2026-12-07 10:00",
            "P" + std::to_string(n),
            n * 10,
            1,
            60'000};
}

struct ReplaysTest : ::testing::Test {
    void SetUp() override {
        h.svc.SetReplayShelf(&shelf);
        h.app.Start();
    }
    void Keep(int count) {
        for (int n = 1; n <= count; ++n) shelf.listed.push_back(Numbered(n));
    }
    // The player shown in a row, and whether the row is highlighted.
    std::string PlayerIn(int row) { return h.app.replays.C().lblPlayer(row).Caption; }
    bool Highlighted(int row) {
        FrmReplays::Controls& c = h.app.replays.C();
        return c.lblWhen(row).back == kSelectedBack && c.lblLength(row).back == kSelectedBack &&
               c.lblScore(row).fore == kSelectedText;
    }
    test::Headless h;
    FakeShelf shelf;
};

TEST_F(ReplaysTest, TheListShowsEachReplayInTheShelfsOrder) {
    shelf.listed = {{"/r/a.qbr", "2026-12-07 14:03", "ALICE", 12340, 5, 65'999},
                    {"/r/b.qbr", "2026-12-06 09:15", "Bob the  Builder", 0, 1, 999},
                    {"/r/c.qbr", "2026-12-01 23:59", "C", 2147483647, 32767, 3'661'000}};
    h.Ok(
        "key ctrl+r\nexpect active frmReplays\nexpect frmReplays.ReplayCount 3\n"
        "expect frmReplays.Selected 1\nexpect frmReplays.lblNone.Visible false\n"
        "expect frmReplays.focus cmdWatch\n"
        "expect frmReplays.cmdClose.Caption \"Return to Menu\"\n");
    FrmReplays::Controls& c = h.app.replays.C();
    EXPECT_EQ(c.lblWhen(1).Caption, "2026-12-07 14:03");
    EXPECT_EQ(c.lblPlayer(1).Caption, "ALICE");
    EXPECT_EQ(c.lblScore(1).Caption, "12340");
    EXPECT_EQ(c.lblLevel(1).Caption, "5");
    EXPECT_EQ(c.lblLength(1).Caption, "1:05");
    // A name with spaces stays on its one line.
    EXPECT_EQ(c.lblPlayer(2).Caption, "Bob\u00a0the\u00a0\u00a0Builder");
    EXPECT_EQ(c.lblLength(2).Caption, "0:00");
    EXPECT_EQ(c.lblScore(3).Caption, "2147483647");
    EXPECT_EQ(c.lblLength(3).Caption, "61:01");
    EXPECT_EQ(c.lblWhen(4).Caption, "");
    EXPECT_EQ(c.lblLength(kReplayRows).Caption, "");
    EXPECT_EQ(c.lblPosition->Caption, "");  // all on one page
    EXPECT_TRUE(Highlighted(1));
    EXPECT_FALSE(Highlighted(2));
    EXPECT_EQ(c.lblScore(1).align, Align::Right);
    EXPECT_EQ(PlayLength(-5), "0:00");
}

TEST_F(ReplaysTest, TheSelectionStopsAtTheEndsAndTheRowsScrollToKeepItInView) {
    Keep(40);
    h.Ok(
        "key ctrl+r\nkey Up\nkey PageUp\nkey Home\n"
        "expect frmReplays.Selected 1\nexpect frmReplays.TopRow 1\n"
        "expect frmReplays.lblPosition.Caption \"1 to 15 of 40\"\n");
    for (int i = 0; i < 15; ++i) h.Ok("key Down\n");
    h.Ok("expect frmReplays.Selected 16\nexpect frmReplays.TopRow 2\n");
    EXPECT_EQ(PlayerIn(1), "P2");
    EXPECT_TRUE(Highlighted(kReplayRows));
    h.Ok(
        "key End\nkey Down\nkey PageDown\nexpect frmReplays.Selected 40\n"
        "expect frmReplays.TopRow 26\nexpect frmReplays.lblPosition.Caption \"26 to 40 of 40\"\n"
        // Up from the last page's top scrolls by one; PageUp keeps the row where it was.
        "key PageUp\nexpect frmReplays.Selected 25\nexpect frmReplays.TopRow 25\n"
        "key Up\nexpect frmReplays.TopRow 24\n"
        "click frmReplays.lblScore(3)\nexpect frmReplays.Selected 26\n");
    EXPECT_TRUE(Highlighted(3));
    EXPECT_FALSE(Highlighted(1));
    // Opened again, the list is read afresh and starts at its top.
    shelf.listed.insert(shelf.listed.begin(), Numbered(99));
    h.Ok(
        "key Escape\nexpect active frmMenu\nkey ctrl+r\nexpect frmReplays.ReplayCount 41\n"
        "expect frmReplays.Selected 1\nexpect frmReplays.TopRow 1\n");
    EXPECT_EQ(PlayerIn(1), "P99");
}

TEST_F(ReplaysTest, EnterAndADoubleClickWatchTheSelectedReplayAndTheScreenStays) {
    Keep(10);
    h.Ok(
        "key ctrl+r\nkey Enter\nkey Down\nkey Down\nkey Enter\n"
        "key PageDown\ndblclick frmReplays.lblWhen(4)\n"
        "click frmReplays.cmdWatch\n"
        // A row past the list's end is nothing to watch.
        "dblclick frmReplays.lblWhen(15)\nexpect frmReplays.Selected 4\n"
        "expect active frmReplays\nexpect frmReplays.visible true\n");
    EXPECT_EQ(shelf.watched, (std::vector<std::string>{"r1.qbr", "r3.qbr", "r4.qbr", "r4.qbr"}));
    // Enter on the return button returns; it watches nothing.
    h.Ok(
        "key Tab\nexpect frmReplays.focus cmdClose\nkey Enter\nexpect active frmMenu\n"
        "expect frmMenu.focus cmdPlay\n");
    EXPECT_EQ(shelf.watched.size(), 4u);
    // The close box returns too, and Ctrl+X ends the program.
    ASSERT_EQ(
        h.Run("key ctrl+r\nclose frmReplays\nexpect active frmMenu\nkey ctrl+r\nkey ctrl+x\n"), 0)
        << h.err;
    EXPECT_TRUE(h.svc.Ended());
}

TEST_F(ReplaysTest, WithoutReplaysEveryInputIsTakenAndDoesNothing) {
    for (bool withShelf : {true, false}) {
        SCOPED_TRACE(withShelf);
        h.svc.SetReplayShelf(withShelf ? &shelf : nullptr);
        h.Ok(
            "key ctrl+r\nexpect frmReplays.lblNone.Visible true\n"
            "expect frmReplays.Selected 0\nexpect frmReplays.lblPlayer(1).Caption \"\"\n"
            "key Down\nkey End\nkey PageDown\nkey Enter\nclick frmReplays.lblPlayer(1)\n"
            "dblclick frmReplays.lblLevel(15)\nclick frmReplays.cmdWatch\n"
            "expect frmReplays.Selected 0\nexpect frmReplays.TopRow 1\n"
            "expect active frmReplays\nkey Escape\nexpect active frmMenu\n");
    }
    EXPECT_TRUE(shelf.watched.empty());
    // A label that takes no mouse is no row.
    EXPECT_EQ(h.Run("key ctrl+r\ndblclick frmReplays.lblTitle\n"), 2);
    EXPECT_NE(h.err.find("no visible row frmReplays.lblTitle"), std::string::npos) << h.err;
}

// Export Video sits outside the focus order: a click on it makes the selected replay's video
// and leaves the focus where it was, and Tab still moves between Watch and Return only, so the
// screen's keys play back alike wherever the button is greyed.
TEST_F(ReplaysTest, ExportVideoTakesTheSelectedReplayAndNeverTheFocus) {
    Keep(3);
    h.Ok(
        "key ctrl+r\nkey Down\nexpect frmReplays.cmdExport.Enabled true\n"
        "expect frmReplays.lblExportHint.Caption \"\"\n"
        "click frmReplays.cmdExport\nexpect frmReplays.focus cmdWatch\n"
        "key Tab\nexpect frmReplays.focus cmdClose\nkey Tab\nexpect frmReplays.focus cmdWatch\n"
        "key Tab\nkey Tab\nexpect frmReplays.focus cmdWatch\n"
        // The pad's d-pad never lands on it either, though it lies up and to the right.
        "pad dpup\nexpect frmReplays.focus cmdWatch\npad dpright\n"
        "expect frmReplays.focus cmdClose\npad dpup\nexpect frmReplays.focus cmdClose\n");
    EXPECT_EQ(shelf.exported, std::vector<std::string>{"r2.qbr"});
    EXPECT_TRUE(shelf.watched.empty());

    // Where no video can be made: greyed, the hint shown, the click taken and nothing made.
    shelf.hint = "Install the encoder.";
    h.Ok(
        "key Escape\nkey ctrl+r\nexpect frmReplays.cmdExport.Enabled false\n"
        "expect frmReplays.lblExportHint.Caption \"Install the encoder.\"\n"
        "click frmReplays.cmdExport\nexpect frmReplays.focus cmdWatch\n"
        "key Tab\nexpect frmReplays.focus cmdClose\n");
    EXPECT_EQ(shelf.exported.size(), 1u);
}

}  // namespace
}  // namespace qbx
