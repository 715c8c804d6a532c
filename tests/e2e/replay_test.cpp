// A game played with keys and the mouse in a real X server, closed with its close box, is kept
// as one replay that verifies headless; the same file with one byte of its inputs changed does
// not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"

namespace qbx::e2e {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The header's fields this test reads (the README's replay format).
constexpr size_t kHeaderBytes = 128, kChunkHeadBytes = 12;

int64_t Little(const std::string& bytes, size_t at, int size) {
    uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return size == 2 ? static_cast<int16_t>(v) : static_cast<int32_t>(v);
}

int Verify(const std::string& file, std::string* out) {
    return Run({Program(), "--verify-replay", file}, {}, out);
}

TEST(Replay, AGamePlayedAndClosedIsKeptAndVerifiesAndAChangedByteIsCaught) {
    XServer x;
    TempDir home;
    Game g(x, home.Path());
    ASSERT_TRUE(g.WaitForState({"active=frmMenu"})) << g.StateText();
    ASSERT_TRUE(g.FocusOn("cmdPlay")) << g.StateText();
    g.Key("Return");
    ASSERT_TRUE(g.WaitForState({"active=frmGame", "playing=1"})) << g.StateText();
    const std::string lives = g.State()["lives"];

    // A walk left and right with fire on the way; how far it gets does not matter.
    g.KeyDown("Left");
    std::this_thread::sleep_for(300ms);
    g.Key("space");
    g.KeyUp("Left");
    g.KeyDown("Right");
    std::this_thread::sleep_for(300ms);
    g.KeyUp("Right");
    // The File menu opened with the mouse pauses; Esc closes it and the next one resumes (an
    // Esc that comes before the menu has gone is the menu's).
    g.ClickAt(18, 10);
    ASSERT_TRUE(g.WaitForState({"paused=1"})) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.KeyUntil("Escape", {"paused=0"})) << g.StateText();
    // Esc pauses and resumes.
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=1"})) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=0"})) << g.StateText();

    // Fire held until a bubble is hit (level 1 has one passing above the start) or one hits.
    g.KeyDown("space");
    const bool over = g.WaitFor([&](const auto& s) {
        return s.count("score") && (s.at("score") != "0" || s.at("lives") != lives);
    });
    g.KeyUp("space");
    ASSERT_TRUE(over) << g.StateText();
    // Paused once any death is over, so the score shown last is the one the game ends with.
    ASSERT_TRUE(g.WaitForState({"dying=0"})) << g.StateText();
    g.Key("Escape");
    ASSERT_TRUE(g.WaitForState({"paused=1"})) << g.StateText();
    auto last = g.State();

    // The close box in play ends the program, as Exit does, asking nothing.
    ASSERT_TRUE(g.CloseBox()) << g.StateText();
    const std::optional<int> status = g.Proc().WaitExit(30s);
    ASSERT_TRUE(status) << "still running after the close box: " << g.StateText();
    EXPECT_EQ(*status, 0);

    // One replay, named by when it began, the player, the score and the level.
    std::vector<fs::path> kept;
    for (const auto& e : fs::directory_iterator(g.RecordsDir() + "/replays"))
        kept.push_back(e.path());
    ASSERT_EQ(kept.size(), 1u);
    const std::string file = kept.front().string();
    EXPECT_TRUE(std::regex_match(kept.front().filename().string(),
                                 std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_E2E_)" +
                                            last["score"] + "_" + last["level"] + R"(\.qbr)")))
        << file;
    const std::string bytes = ReadFile(file);
    ASSERT_GT(bytes.size(), kHeaderBytes + kChunkHeadBytes);
    EXPECT_EQ(bytes.compare(60, 4, "E2E\0", 4), 0);
    EXPECT_EQ(std::to_string(Little(bytes, 36, 4)), last["score"]);
    EXPECT_EQ(std::to_string(Little(bytes, 40, 2)), last["level"]);
    EXPECT_EQ(bytes[12] & 1, 1) << "the game's end is not marked";
    // A game that scored is in both tables as it ended; one that did not is in neither.
    const bool scored = last["score"] != "0";
    EXPECT_EQ(TableEntry(g.RecordsDir() + "/Quibblix-Scores.txt", "E2E"),
              scored ? std::stol(last["score"]) : -1);
    EXPECT_EQ(TableEntry(g.RecordsDir() + "/Quibblix-Levels.txt", "E2E"),
              scored ? std::stol(last["level"]) : -1);

    std::string out;
    EXPECT_EQ(Verify(file, &out), 0) << out;
    EXPECT_NE(out.find("\"matches\": true"), std::string::npos) << out;
    EXPECT_NE(out.find("\"score\": " + last["score"] + ","), std::string::npos) << out;

    // One byte of the inputs changed: a replay that does not match, or one that cannot be read,
    // said in one line; never a match, never a crash.
    std::string changed = bytes;
    changed[kHeaderBytes + kChunkHeadBytes + (bytes.size() - kHeaderBytes - kChunkHeadBytes) / 2] ^=
        0x10;
    const std::string copy = home.Path() + "/changed.qbr";
    std::ofstream(copy, std::ios::binary) << changed;
    const int verdict = Verify(copy, &out);
    EXPECT_TRUE((verdict == 1 && out.find("\"matches\": false") != std::string::npos) ||
                (verdict == 2 && std::count(out.begin(), out.end(), '\n') == 1))
        << verdict << ": " << out;
}

}  // namespace
}  // namespace qbx::e2e
