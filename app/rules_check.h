// The kept replays that a change of the rules no longer plays as they were recorded: each one
// recorded under other rules is played once, headless, and those that depart are told to the
// player once. What was found is kept beside the replays, so neither is done again.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/game_replays.h"
#include "forms/forms.h"
#include "replay/game_recorder.h"

namespace qbx {

// Beside the replays; the pruning of replays takes only replay files.
inline constexpr const char* kRulesCheckFileName = "rules-checked.txt";
// The state file is read up to this much: a line for each kept replay.
inline constexpr size_t kMaxRulesCheckBytes = 1u << 20;
// Up to this many replays that no longer play are named in the report, as long as the words
// fit the two lines the screen has for them (names are up to 64 bytes each); else they are
// counted.
inline constexpr size_t kNamedInReport = 2;
inline constexpr size_t kMaxReportChars = 185;

// The rules a replay was recorded under: formats before the rules' version was written down
// were all recorded under the first.
uint32_t RulesOf(const replay::Header& h);

// The words that tell the player of kept replays that no longer play as recorded; rules is the
// version the game plays by now.
std::string RulesReportText(const std::vector<replay::KeptReplay>& changed, uint32_t rules);

class RulesCheck {
public:
    using Verifier = std::function<bool(const std::string&, Verdict&, std::string&)>;
    // How the check runs in the program: post runs a call at a later turn of the event loop;
    // a replay is played only while mayPlay says so (the list is on screen, nothing else
    // plays), and the report goes to tell, from such a turn.
    struct Loop {
        std::function<void(std::function<void()>)> post;
        std::function<bool()> mayPlay;
        std::function<void(const std::string&)> tell;
    };

    // The replays of dir, checked against the rules of version rules.
    explicit RulesCheck(std::string dir, uint32_t rules = kRulesVersion,
                        Verifier verify = VerifyReplay);
    RulesCheck(const RulesCheck&) = delete;
    RulesCheck& operator=(const RulesCheck&) = delete;

    // The list of kept replays was read: a check of them begins, one replay a turn, unless one
    // is under way. One stopped because the list left the screen goes on from where it was.
    void Listed(const std::vector<replay::KeptReplay>& kept, const Loop& loop);

    // The same by hand: the replays left to play (recorded under other rules, neither found
    // to play under these nor told of, nor already failed to play in this run); playing the
    // next of them (false when none is left); the words for those found not to play ("" for
    // none); and noting them as told, with what was found, in the state file.
    void Begin(const std::vector<replay::KeptReplay>& kept);
    bool Step();
    std::string Report() const;
    void Told();

    const std::string& StateFile() const { return stateFile_; }

private:
    void Turn();
    bool Settled(const std::string& name) const;
    void ReadState();
    void WriteState();

    std::string dir_, stateFile_;
    uint32_t rules_;
    Verifier verify_;
    Loop loop_;
    bool running_ = false;
    std::vector<replay::KeptReplay> queue_;
    size_t next_ = 0;
    std::vector<replay::KeptReplay> changed_;
    // By file name: the rules a replay was last found to play under; the rules under which it
    // was told that it no longer plays.
    std::map<std::string, uint32_t> plays_, told_;
    std::set<std::string> tried_;  // could not be played in this run
};

}  // namespace qbx
