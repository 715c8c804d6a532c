// Keeps every game as a replay: a new file when the game screen is loaded, the inputs written as
// they are delivered and flushed at least once a second, the file closed and named by its
// result when the game screen is unloaded or the program ends; then the old ones pruned.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/input.h"
#include "replay/replay_file.h"

namespace qbx::replay {

inline constexpr const char* kReplayDirName = "replays";
inline constexpr const char* kReplayExtension = ".qbr";
inline constexpr size_t kKeptRecent = 20;
inline constexpr int64_t kFlushEveryMs = 1000;
// A check of the game's state is written before the first input of each second of play.
inline constexpr int64_t kCheckEveryMs = 1000;
// An input's time is kept to the nearest 10 ms. The order of the inputs is what plays the game
// again; their times only pace the watching. A tick that comes a millisecond early or late would
// otherwise cost most of a replay's bytes.
inline constexpr int64_t kTimeStepMs = 10;
inline int64_t KeptTime(int64_t ms) {
    return (ms + kTimeStepMs / 2) / kTimeStepMs * kTimeStepMs;
}

struct RecorderSetup {
    // The screen whose loading begins a game and whose unloading ends it.
    std::string gameScreen;
    // The inputs that begin a game in a program just started; a replay opens with them, however
    // the recorded game was begun.
    std::vector<InputEvent> opening;
    std::string programVersion;
    uint32_t rulesVersion = 0;
    std::string player;
    std::function<int64_t()> wallClockMs;
    // The game's score and level now.
    std::function<std::pair<int32_t, int16_t>()> result;
    std::function<bool()> soundOn;
    std::function<bool()> musicOn;
    // Fills a check's hash and values from the game's state now; it must only read. None: the
    // replay has no checks.
    std::function<void(InputEvent&)> check;
    // A game of two: whether this one is, how it is begun in a program just started, and
    // player 2's name and result now.
    std::function<bool()> twoPlayers;
    std::vector<InputEvent> openingTwo;
    std::function<std::string()> player2;
    std::function<std::pair<int32_t, int16_t>()> result2;
    // Either one file that every game replaces in turn, or a directory where each game gets a
    // file of its own, named by its start, player, score and level.
    std::string file;
    std::string dir;
    // Whether a replay's result still stands in a record table (it is then kept).
    std::function<bool(const Header&)> inTables;
};

class GameRecorder : public InputLog {
public:
    explicit GameRecorder(RecorderSetup setup) : setup_(std::move(setup)) {}
    ~GameRecorder() override { Finish(); }

    void Noted(const InputEvent& e) override;
    void ScreenLoaded(const Screen& s, bool loaded) override;

    // Writes what is pending once a second has passed since the last write (nowMs on the clock
    // the inputs are timed by).
    void FlushIfDue(int64_t nowMs);
    void Flush();
    // Closes the game being recorded, names it by its result and prunes the directory.
    void Finish();

    bool Recording() const { return writer_.IsOpen(); }
    // The files finished so far, in order.
    const std::vector<std::string>& Written() const { return written_; }
    const std::string& CurrentFile() const { return path_; }

private:
    bool OpenFile();
    std::string Rename(const std::string& stem);
    void Begin();
    Header HeaderNow(bool complete) const;

    RecorderSetup setup_;
    Writer writer_;
    std::string path_;
    std::string stem_;
    int64_t startedWallMs_ = 0;
    int64_t startMs_ = 0, lastMs_ = 0, lastFlushMs_ = 0;
    int64_t nextCheckMs_ = kCheckEveryMs;  // in the replay's time
    bool two_ = false;                     // the game being recorded has two players
    std::vector<std::string> written_;
};

// A name for a file in a directory: date and time, player, and score and level once known.
std::string ReplayFileStem(int64_t wallClockMs, const std::string& player);

struct KeptReplay {
    std::string path;
    Header header;
};
// The replays in dir whose header can be read, the most recently begun first; the name breaks
// ties, so the order never depends on the directory's.
std::vector<KeptReplay> ListReplays(const std::string& dir);

// Removes replays from dir but the keepRecent most recently begun and those inTables keeps.
// Files that are not replays are left alone. Returns the names removed.
std::vector<std::string> PruneReplays(const std::string& dir, size_t keepRecent,
                                      const std::function<bool(const Header&)>& inTables);

}  // namespace qbx::replay
