// Replays in the program: what a recorder needs to know of the game and its records, and
// verifying a replay by playing it headless.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/input.h"
#include "engine/services.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "replay/game_recorder.h"

namespace qbx {

// A fresh directory under the system's temporary one, removed with its contents: the record
// files of a game played again.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A game played again enters its records under the recorded player's name, in the tables of
// a scratch directory.
template <class Backend>
void PlayAgainAs(Backend& svc, const std::string& player, const std::string& scratchDir) {
    svc.SetProgramDir(scratchDir);
    for (const char* name : records::kUserNameVariables) svc.SetEnv(name, "");
    svc.SetEnv(records::kUserNameVariables[0], player);
    svc.SetEnv("XDG_DATA_HOME", scratchDir);
}

// Where the replays go: "replays" in the directory that holds the record files.
std::string ReplayDir(const std::string& programDir, const records::Environment& env);

// A recorder for the game running on svc: into file (one file, each game replacing the last),
// or else a file of its own for each game in dir.
std::unique_ptr<replay::GameRecorder> MakeRecorder(Quibblix& app, Services& svc,
                                                   const std::string& version,
                                                   const std::string& file, const std::string& dir);

// Whether a replay's result (either player's, in a game of two) still stands in the record
// tables of recordDir: such a replay is kept however old it is.
bool StandsInTables(const std::string& recordDir, const replay::Header& h);

// The replays kept in a directory, for the Replays screen; watching one is left to the
// backend that shows it.
class KeptReplays : public ReplayShelf {
public:
    using Watcher = std::function<void(const std::string& file)>;
    using Listener = std::function<void(const std::vector<replay::KeptReplay>&)>;
    KeptReplays(std::string dir, Watcher watch) : dir_(std::move(dir)), watch_(std::move(watch)) {}
    std::vector<ReplayListing> List() override;
    // Hears of every reading of the list, with the replays read.
    void WhenListed(Listener listener) { listed_ = std::move(listener); }
    void Watch(const std::string& file) override {
        if (watch_) watch_(file);
    }
    // Videos are made by exporter; where none can be, hint says what to install.
    void SetExporter(Watcher exporter, std::string hint) {
        export_ = std::move(exporter);
        hint_ = std::move(hint);
    }
    void Export(const std::string& file) override {
        if (export_ && hint_.empty()) export_(file);
    }
    std::string ExportHint() override { return hint_; }

private:
    std::string dir_;
    Watcher watch_;
    Watcher export_;
    std::string hint_;
    Listener listed_;
};

// When a game began, as the list of replays shows it (local time).
std::string ListedWhen(int64_t startedMs);
// Who played it: both names for a game of two.
std::string ListedPlayers(const replay::Header& h);

// Reads a replay file's inputs for the headless driver; an error text, or "".
std::string ReadReplayInputs(const std::string& file, std::vector<InputEvent>& events);

struct Verdict {
    std::string player;
    int32_t score = 0, claimedScore = 0;
    int16_t level = 0, claimedLevel = 0;
    size_t events = 0, astray = 0;
    bool matches = false;
    // The file ends before the inputs its header claims: damaged, not played otherwise.
    bool cutOff = false;
    // A game of two: player 2's name and results.
    bool two = false;
    std::string player2;
    int32_t score2 = 0, claimedScore2 = 0;
    int16_t level2 = 0, claimedLevel2 = 0;
    // The first check of the recording the play departed from, if any: when, and the first
    // field that differs with both values (JSON).
    struct Desync {
        bool found = false;
        int64_t atMs = 0;
        std::string field, replay, now;
    } desync;
};

// Plays a replay headless as fast as it can, with the record files in a scratch directory that
// is removed afterwards. False with the reason when the file cannot be read.
bool VerifyReplay(const std::string& file, Verdict& verdict, std::string& error);

// quibblix --verify-replay FILE: one line of JSON; 0 when the result is the claimed one and the
// play met every check, 1 when not, 2 when the file cannot be read.
int VerifyReplayCommand(const std::string& file, std::ostream& out, std::ostream& err);

}  // namespace qbx
