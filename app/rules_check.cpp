// Checking the kept replays recorded under other rules, and the state file of what was found.
#include "app/rules_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "records/record_file.h"

namespace qbx {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStateHeading =
    "# Kept replays played under other rules, as this game found them. plays RULES FILE: it "
    "plays as it was recorded under those rules; told RULES FILE: the player was told it no "
    "longer plays under them.\n";

std::string NameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

size_t CharsIn(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    }));
}

}  // namespace

uint32_t RulesOf(const replay::Header& h) {
    return h.version < replay::SlotOf(replay::HeaderField::RulesVersion).since ? 1 : h.rulesVersion;
}

std::string RulesReportText(const std::vector<replay::KeptReplay>& changed, uint32_t rules) {
    if (changed.empty()) return "";
    const bool older = std::all_of(changed.begin(), changed.end(),
                                   [rules](const auto& k) { return RulesOf(k.header) < rules; });
    const bool newer = std::all_of(changed.begin(), changed.end(),
                                   [rules](const auto& k) { return RulesOf(k.header) > rules; });
    const std::string under = older ? "older rules" : newer ? "newer rules" : "other rules";
    const auto name = [](const replay::KeptReplay& k) {
        return ListedWhen(k.header.startedMs) + " (" + ListedPlayers(k.header) + ")";
    };
    const std::string kept = changed.size() == 1 ? "; it is kept, and can still be watched."
                                                 : "; they are kept, and can still be watched.";
    if (changed.size() == 1) {
        const std::string named = "The replay of " + name(changed[0]) + " was played under " +
                                  under + " and no longer plays as it was recorded" + kept;
        if (CharsIn(named) <= kMaxReportChars) return named;
        return "A kept replay was played under " + under +
               " and no longer plays as it was recorded" + kept;
    }
    const std::string counted = std::to_string(changed.size()) +
                                " kept replays were played under " + under +
                                " and no longer play as they were recorded";
    if (changed.size() > kNamedInReport) return counted + kept;
    std::string named = counted + ": ";
    for (size_t i = 0; i < changed.size(); ++i) {
        if (i > 0) named += i + 1 == changed.size() ? " and " : ", ";
        named += name(changed[i]);
    }
    named += ". They are kept, and can still be watched.";
    return CharsIn(named) <= kMaxReportChars ? named : counted + kept;
}

RulesCheck::RulesCheck(std::string dir, uint32_t rules, Verifier verify)
    : dir_(std::move(dir)),
      stateFile_(dir_ + "/" + kRulesCheckFileName),
      rules_(rules),
      verify_(std::move(verify)) {}

bool RulesCheck::Settled(const std::string& name) const {
    const auto plays = plays_.find(name);
    return told_.count(name) || (plays != plays_.end() && plays->second == rules_) ||
           tried_.count(name) ||
           std::any_of(changed_.begin(), changed_.end(),
                       [&name](const replay::KeptReplay& k) { return NameOf(k.path) == name; });
}

void RulesCheck::Begin(const std::vector<replay::KeptReplay>& kept) {
    ReadState();
    queue_.clear();
    next_ = 0;
    for (const replay::KeptReplay& k : kept) {
        const std::string name = NameOf(k.path);
        // A name the state file cannot hold on its line is left alone.
        if (RulesOf(k.header) == rules_ || name.find_first_of("\r\n") != std::string::npos ||
            Settled(name))
            continue;
        queue_.push_back(k);
    }
}

bool RulesCheck::Step() {
    if (next_ < queue_.size()) {
        const replay::KeptReplay& k = queue_[next_++];
        const std::string name = NameOf(k.path);
        Verdict v;
        std::string error;
        // A file that cannot be read whole is damaged, not played otherwise: it is left alone.
        if (!verify_(k.path, v, error) || v.cutOff)
            tried_.insert(name);
        else if (v.matches)
            plays_[name] = rules_;
        else
            changed_.push_back(k);
    }
    return next_ < queue_.size();
}

std::string RulesCheck::Report() const {
    return RulesReportText(changed_, rules_);
}

void RulesCheck::Told() {
    for (const replay::KeptReplay& k : changed_) told_[NameOf(k.path)] = rules_;
    changed_.clear();
    WriteState();
}

void RulesCheck::Listed(const std::vector<replay::KeptReplay>& kept, const Loop& loop) {
    loop_ = loop;
    if (running_) return;
    Begin(kept);
    if (queue_.empty() && changed_.empty()) return;
    running_ = true;
    loop_.post([this] { Turn(); });
}

void RulesCheck::Turn() {
    if (!loop_.mayPlay || !loop_.mayPlay()) {
        running_ = false;
        return;
    }
    if (Step()) {
        loop_.post([this] { Turn(); });
        return;
    }
    running_ = false;
    const std::string text = Report();
    if (!text.empty() && loop_.tell) loop_.tell(text);
    Told();
}

// What is on disk joins what this run found (another game sharing the directory may have
// found more); a line that cannot be read is passed over.
void RulesCheck::ReadState() {
    std::ifstream in(stateFile_, std::ios::binary);
    if (!in) return;
    std::string text(kMaxRulesCheckBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        uint32_t rules = 0;
        if (!(words >> kind >> rules) || words.get() != ' ') continue;
        std::string name;
        std::getline(words, name);
        if (kind == "told")
            told_.emplace(name, rules);
        else if (kind == "plays")
            plays_.emplace(name, rules);
    }
}

// Through a temporary file and a rename, as the record files: a crash leaves the old state
// or the new one. Replays no longer kept are forgotten.
void RulesCheck::WriteState() {
    ReadState();
    std::string text = kStateHeading;
    std::error_code ec;
    const auto kept = [this, &ec](const std::string& name) {
        return fs::is_regular_file(fs::path(dir_) / name, ec);
    };
    for (const auto& [name, rules] : plays_)
        if (!told_.count(name) && kept(name))
            text += "plays " + std::to_string(rules) + " " + name + "\n";
    for (const auto& [name, rules] : told_)
        if (kept(name)) text += "told " + std::to_string(rules) + " " + name + "\n";
    records::WriteRecordFile(stateFile_, text);
}

}  // namespace qbx
