// Random play through every screen on the headless backend: keys with any modifiers, clicks on
// the visible buttons, menu commands, closed windows and clock steps, with a fresh program
// whenever one ends. After every event the game's invariants are checked. A failing run prints
// its seed, which reproduces it: soak --events N --seed S.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "engine/screen.h"
#include "forms/game/game_design.h"
#include "forms/quibblix.h"
#include "records/record_file.h"
#include "records/record_table.h"
#include "support/test_support.h"

namespace {

using qbx::Screen;

// One program run: the screens on the virtual clock, sharing the records directory with every
// other run of the soak.
struct Run {
    Run(uint64_t seed, const std::string& records, const std::string& user)
        : svc(seed), app(svc), driver(app.program, svc) {
        svc.Attach(app.program);
        svc.SetProgramDir(records);
        svc.SetEnv("NWUSERNAME", user);
    }
    qbx::HeadlessServices svc;
    qbx::Quibblix app;
    qbx::Driver driver;
};

struct Stats {
    long programs = 0, games = 0, deaths = 0, levelsCleared = 0, powerups = 0;
    int maxLevel = 0;
};

class Soak {
public:
    explicit Soak(uint64_t seed) : rng_(seed) {}

    // Returns the number of the event that broke an invariant, or 0.
    long Go(long events);
    const Stats& Totals() const { return stats_; }
    const std::string& Failure() const { return failure_; }
    const std::deque<std::string>& Recent() const { return recent_; }

private:
    std::string NextCommand();
    std::string AnyCommand();
    std::string KeyCommand();
    bool Check();
    void Fail(const std::string& what) {
        if (failure_.empty()) failure_ = what;
    }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    void NewProgram();

    std::mt19937_64 rng_;
    qbx::test::TempDir records_;
    std::unique_ptr<Run> run_;
    std::deque<std::string> recent_;
    std::string failure_;
    Stats stats_;

    // What the checks remember between events.
    uint64_t gameGeneration_ = 0;
    int32_t lastScore_ = 0;
    int16_t lastLives_ = 0;
    bool panelShown_ = false;
    qbx::PictureRef lastActive_ = nullptr;
};

void Soak::NewProgram() {
    static const char* kUsers[] = {"ANN", "BOB", "CY",  "DEE", "EVE", "FAY", "GUS", "HAL",
                                   "IDA", "JO",  "KAI", "LEE", "MAX", "NED", "OLA", "PIA",
                                   "QUY", "RAY", "SUE", "TOM", "UMA", "VIC", "WES", "XIA"};
    run_.reset();  // the old program's screens go first
    run_ = std::make_unique<Run>(rng_(), records_.Path(), kUsers[Pick(std::size(kUsers))]);
    ++stats_.programs;
    gameGeneration_ = 0;
    run_->app.Start();
}

std::string Soak::KeyCommand() {
    static const char* kKeys[] = {"Space", "Up", "W",      "Left",  "A",   "Right", "D",
                                  "Down",  "S",  "Escape", "Enter", "Tab", "N",     "P",
                                  "X",     "I",  "H",      "Z",     "0",   "9"};
    // Play keys come up most, so that games get somewhere.
    static const int kWeights[] = {10, 6, 6, 8, 4, 8, 4, 3, 2, 3, 3, 1, 2, 1, 1, 1, 1, 1, 1, 1};
    std::discrete_distribution<int> which(std::begin(kWeights), std::end(kWeights));
    std::string key = kKeys[which(rng_)];
    std::string mods;
    if (Chance(0.15)) mods += "ctrl+";
    if (Chance(0.05)) mods += "shift+";
    if (Chance(0.05)) mods += "alt+";
    const int how = Pick(3);
    return "key " + mods + key + (how == 0 ? " down" : how == 1 ? " up" : "");
}

// Commands that end the program or the game in progress; most of them are passed over so that
// games last long enough to lose lives, clear levels and take power-ups.
bool Disruptive(const std::string& command) {
    auto has = [&](const char* part) { return command.find(part) != std::string::npos; };
    return has("Exit") || has("mnuNew") || has("close frmMenu") || has("close frmGame") ||
           (has("ctrl+") && (has("+X") || has("+N")));
}

std::string Soak::NextCommand() {
    for (;;) {
        std::string command = AnyCommand();
        if (!Disruptive(command) || Chance(0.03)) return command;
    }
}

std::string Soak::AnyCommand() {
    qbx::Program& program = run_->app.program;
    std::vector<std::string> clicks, menus, closes;
    for (Screen* s : program.Screens()) {
        if (!s->IsVisible()) continue;
        closes.push_back("close " + s->Name());
        for (qbx::Button* b : s->Buttons())
            if (b->Visible) clicks.push_back("click " + s->Name() + "." + b->DisplayName());
        for (qbx::MenuItem* m : s->MenuItems())
            if (!m->separator) menus.push_back("menu " + s->Name() + "." + m->DisplayName());
    }
    // A paused game is mostly resumed soon, as a player would.
    qbx::FrmGame& g = run_->app.game;
    if (g.IsVisible() && g.Paused != 0 && Chance(0.3)) return "key Escape";
    // On the level-complete panel the next level is sometimes a later one, so that the random
    // play sees every level's field without having to clear them all.
    if (g.IsLoaded() && g.C().cmdContinue->Visible && Chance(0.3))
        return "set frmGame.Level " + std::to_string(1 + Pick(22));
    const int roll = Pick(100);
    if (roll < 45) return KeyCommand();
    if (roll < 80) {
        // Clock steps of 0 to 1000 ms, mostly short ones.
        const int ms = Chance(0.7) ? Pick(101) : Pick(1001);
        return "wait " + std::to_string(ms);
    }
    if (roll < 90 && !clicks.empty()) return clicks[static_cast<size_t>(Pick(clicks.size()))];
    if (roll < 95 && !menus.empty()) return menus[static_cast<size_t>(Pick(menus.size()))];
    if (roll < 96 && !closes.empty()) return closes[static_cast<size_t>(Pick(closes.size()))];
    if (roll < 99) {
        // Input that arrives while a handler runs (a death, a level set-up).
        std::vector<std::string> any = clicks;
        any.insert(any.end(), menus.begin(), menus.end());
        any.push_back(KeyCommand());
        return "post " + any[static_cast<size_t>(Pick(any.size()))];
    }
    return "dump";
}

bool Soak::Check() {
    qbx::Quibblix& app = run_->app;
    qbx::FrmGame& g = app.game;
    std::ostringstream why;

    if (g.Lives < 0 || g.Lives > 10) why << "Lives is " << g.Lives << "; ";
    if (g.IsLoaded()) {
        const auto& c = g.C();
        if (c.BubblePic.UBound() > 100)
            why << "BubblePic's upper bound is " << c.BubblePic.UBound() << "; ";
        if (c.arrow->Visible && !(c.arrow->Height > 0))
            why << "a visible arrow has height " << c.arrow->Height << "; ";
        if (g.Generation() != gameGeneration_) {
            // A new game (or the first level of one) started.
            gameGeneration_ = g.Generation();
            ++stats_.games;
            lastScore_ = g.Score;
            lastLives_ = g.Lives;
        } else {
            if (g.Score < lastScore_)
                why << "Score fell from " << lastScore_ << " to " << g.Score << "; ";
            if (g.Lives < lastLives_) ++stats_.deaths;
            lastScore_ = g.Score;
            lastLives_ = g.Lives;
        }
        // The pause shows exactly when it is taken, and nothing of the game moves under it.
        const bool paused = g.Paused != 0;
        if (c.lblGamePaused->Visible != paused)
            why << "Paused is " << paused << " but the banner's Visible is "
                << c.lblGamePaused->Visible << "; ";
        if ((c.mnuPause->Caption == qbx::kUnpauseCaption) != paused)
            why << "Paused is " << paused << " but the command reads " << c.mnuPause->Caption
                << "; ";
        for (const qbx::Timer* t :
             {c.tmrBubbles, c.tmrBubbleSize, c.tmrBonus, c.tmrLevelStart, c.tmrLeft, c.tmrRight})
            if (paused && t->Enabled()) why << t->name << " runs while paused; ";
        if (g.Level > stats_.maxLevel) stats_.maxLevel = g.Level;
        if (c.cmdContinue->Visible && !panelShown_) ++stats_.levelsCleared;
        panelShown_ = c.cmdContinue->Visible;
        if (c.apwrup->Picture != lastActive_ && c.apwrup->Picture != c.lifex->Picture)
            ++stats_.powerups;
        lastActive_ = c.apwrup->Picture;
    }

    int visible = 0;
    for (Screen* s : app.program.Screens())
        if (s->IsVisible()) ++visible;
    if (visible > 1) why << visible << " screens are showing; ";
    Screen* active = app.program.Active();
    if (active && !active->IsVisible())
        why << "the active screen " << active->Name() << " is hidden; ";

    for (const char* file : {qbx::records::kScoreFileName, qbx::records::kLevelFileName}) {
        std::ifstream in(records_.Path() + "/" + file, std::ios::binary);
        if (!in) continue;  // none written yet
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        const size_t fields = qbx::records::ReadFields(text, 1000).size();
        if (!text.empty() && fields != 40)
            why << file << " holds " << fields << " fields, not 20 rows; ";
    }

    if (why.str().empty()) return true;
    Fail(why.str());
    return false;
}

long Soak::Go(long events) {
    NewProgram();
    for (long n = 1; n <= events; ++n) {
        const std::string command = NextCommand();
        recent_.push_back(command);
        if (recent_.size() > 40) recent_.pop_front();
        std::ostringstream out, err;
        int rc = -1;
        try {
            rc = run_->driver.RunLine(command, static_cast<int>(n), out, err);
            if (rc < 0) run_->svc.DeliverPosted();
        } catch (const qbx::ProgramEnded&) {
            if (!Check()) return n;
            recent_.push_back("# the program ended; a new one starts");
            NewProgram();
            if (!Check()) return n;
            continue;
        }
        if (rc >= 0) {
            Fail("the driver refused '" + command + "': " + err.str());
            return n;
        }
        if (!Check()) return n;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    long events = 20000;
    uint64_t seed = 0;
    bool seedGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--events" && i + 1 < argc) {
            events = std::atol(argv[++i]);
        } else if (a == "--seed" && i + 1 < argc) {
            const std::string v = argv[++i];
            seedGiven = v != "random";
            if (seedGiven) seed = std::strtoull(v.c_str(), nullptr, 10);
        } else {
            std::cerr << "usage: soak [--events N] [--seed N|random]\n";
            return 2;
        }
    }
    if (!seedGiven)
        seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (static_cast<uint64_t>(getpid()) << 32);
    std::cout << "soak: " << events << " events, seed " << seed << std::endl;

    Soak soak(seed);
    const auto start = std::chrono::steady_clock::now();
    const long failedAt = soak.Go(events);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const Stats& s = soak.Totals();
    std::cout << "soak: " << s.programs << " programs, " << s.games << " games, " << s.deaths
              << " lives lost, " << s.levelsCleared << " levels cleared (highest level "
              << s.maxLevel << "), " << s.powerups << " power-ups taken, " << seconds << " s\n";
    if (failedAt == 0) return 0;
    std::cout << "soak: event " << failedAt << " broke an invariant: " << soak.Failure() << "\n"
              << "soak: reproduce with: soak --events " << failedAt << " --seed " << seed
              << "\nsoak: the last commands:\n";
    for (const std::string& c : soak.Recent()) std::cout << "  " << c << "\n";
    return 1;
}
