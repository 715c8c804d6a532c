// A small bot plays level 1 to its end through the keys alone, as a player at the keyboard
// would: every 10 ms of virtual time it reads the field, looks a second ahead, and walks and
// fires through the headless driver's key commands. It prints the lines it sent, started from
// the menu, as a scenario script (tests/scenarios/level1_cleared.qbx is its output for seed 7,
// the seed the scenario runner gives every script):
//
//   scenario_bot [SEED] > tests/scenarios/level1_cleared.qbx
//
// The script is replayed in a fresh program before it is printed; the status is 1 when the bot
// fails to clear the level or the replay differs.
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "forms/game/frmGame.h"
#include "forms/quibblix.h"

namespace qbx {
namespace {

// The screens on the virtual clock, records in a temporary directory.
struct Session {
    explicit Session(uint64_t seed) : svc(seed), app(svc), driver(app.program, svc) {
        svc.Attach(app.program);
        svc.SetProgramDir(dir.path().toStdString());
        app.Start();
    }
    int Run(const std::string& script) {
        std::istringstream in(script);
        std::ostringstream out;
        return driver.Run(in, out, std::cerr);
    }
    QTemporaryDir dir;
    HeadlessServices svc;
    Quibblix app;
    Driver driver;
};

enum class Word { Up, UpSlow, DownSlow, Down };

Word WordOf(const std::string& s) {
    if (s == "UP") return Word::Up;
    if (s == "UPSLOW") return Word::UpSlow;
    if (s == "DOWNSLOW") return Word::DownSlow;
    return Word::Down;
}

// What the bot sees of a bubble, moved on by the bubble tick's own steps. Level 1 has no
// blocker but the ceiling strip and its smallest bubbles split into nothing, so neither
// blockers, splits nor power-ups are modelled.
struct Ball {
    float left, top, width, height;
    bool right;
    Word word;
    double peak;
    int size;
    bool gone = false;
};

struct Arrow {
    bool visible = false;
    float left = 0, top = 0, width = 0;
};

struct Plan {
    int dir = 0;        // -1 left, 0 stand, +1 right
    int holdSteps = 0;  // how many 10 ms steps the walking key stays down
    bool fire = false;
};

struct Outcome {
    int safeTicks = 0;  // ticks before the character would be hit
    int shots = 0;
    int firstShot = 0;
};

class Bot {
public:
    explicit Bot(Session& p) : p_(p), g_(p.app.game) {}

    // Sends one line to the driver and keeps it for the script, joining successive waits.
    int Send(const std::string& line) {
        if (line.rfind("wait ", 0) == 0 && !lines_.empty() && lines_.back().rfind("wait ", 0) == 0)
            lines_.back() = "wait " + std::to_string(std::stoi(lines_.back().substr(5)) +
                                                     std::stoi(line.substr(5)));
        else
            lines_.push_back(line);
        return p_.Run(line + "\n");
    }

    const std::vector<std::string>& Lines() const { return lines_; }

    // One step: keys for the next 10 ms, then the wait.
    int Step() {
        FrmGame::Controls& c = g_.C();
        const bool inPlay =
            g_.Dying == 0 && g_.Paused == 0 && !c.lblCount->Visible && c.tmrBubbles->Enabled();
        if (inPlay) {
            const Plan p = Choose();
            SetKey("Left", c.tmrLeft->Enabled(), p.dir < 0);
            SetKey("Right", c.tmrRight->Enabled(), p.dir > 0);
            if (p.fire) Send("key Space");
        }
        return Send("wait 10");
    }

private:
    static constexpr int kHorizon = 120;     // one regular arrow's flight
    static constexpr int kSafeEnough = 60;   // ticks clear of every bubble that count as safe
    static constexpr float kHitMargin = 30;  // the model's timing is only near the game's
    static constexpr float kShotMargin = 10;

    void SetKey(const char* name, bool down, bool wanted) {
        if (wanted && !down) Send(std::string("key ") + name + " down");
        if (!wanted && down) Send(std::string("key ") + name + " up");
    }

    Plan Choose() {
        const bool canFire = !g_.C().arrow->Visible;
        Plan best;
        Outcome bestOut{-1, 0, 0};
        auto better = [](const Outcome& a, const Plan& pa, const Outcome& b, const Plan& pb) {
            const int sa = std::min(a.safeTicks, kSafeEnough),
                      sb = std::min(b.safeTicks, kSafeEnough);
            if (sa != sb) return sa > sb;
            if (a.shots != b.shots) return a.shots > b.shots;
            if (a.shots > 0 && a.firstShot != b.firstShot) return a.firstShot < b.firstShot;
            if (pa.fire != pb.fire) return !pa.fire;  // keep the arrow for a better moment
            return std::abs(pa.dir) * pa.holdSteps < std::abs(pb.dir) * pb.holdSteps;
        };
        for (int dir : {0, -1, 1})
            for (int hold : {1, 3, 6, 12, 24, 48, kHorizon}) {
                if (dir == 0 && hold != 1) continue;
                for (bool fire : {false, true}) {
                    if (fire && !canFire) continue;
                    Plan p{dir, dir == 0 ? 0 : hold, fire};
                    Outcome o = Simulate(p);
                    if (bestOut.safeTicks < 0 || better(o, p, bestOut, best)) {
                        best = p;
                        bestOut = o;
                    }
                }
            }
        return best;
    }

    // Plays the plan forward on a copy of the field, tick by tick of the bubble timer.
    Outcome Simulate(const Plan& p) {
        FrmGame::Controls& c = g_.C();
        const int64_t now = p_.svc.Clock();
        const float floorLine = c.shpBottom->Top;
        const float rightWall = g_.OuterWidth() - 90.0f;
        const Image& ch = *c.imgCharacter;

        std::vector<Ball> balls;
        for (int i = 0; i <= c.BubblePic.UBound(); ++i) {
            const Image* b = c.BubblePic.Get(i);
            if (!b || !b->Visible) continue;
            const BubbleState& r = g_.Bubbles[i];
            balls.push_back({b->Left, b->Top, b->Width, b->Height, r.HorizontalDirection == "RIGHT",
                             WordOf(r.VerticalDirection), static_cast<double>(r.PeakTop), r.Size});
        }

        Arrow arrow;
        int64_t growDue = 0;
        if (c.arrow->Visible) {
            arrow = {true, c.arrow->Left, c.arrow->Top, c.arrow->Width};
            growDue = p_.svc.Timers().DueMs(*c.tmrArrowGrow).value_or(now);
        } else if (p.fire) {
            arrow = {true, ch.Left + 90, ch.Top + ch.Height - 45, c.regarrow->Width};
            growDue = now + c.tmrArrowGrow->Interval;
        }

        // Walking steps: each due time of the held key's timer until the key is let go.
        std::vector<int64_t> walkTimes;
        if (p.dir != 0) {
            const Timer& t = p.dir < 0 ? *c.tmrLeft : *c.tmrRight;
            int64_t due = p_.svc.Timers().DueMs(t).value_or(now + t.Interval);
            const int64_t release = now + 10LL * p.holdSteps;
            for (; due <= release && due <= now + 10LL * (kHorizon + 1); due += t.Interval)
                walkTimes.push_back(due);
        }

        Outcome out{kHorizon + 1, 0, 0};
        float cl = ch.Left;
        size_t walked = 0;
        int64_t tickAt = p_.svc.Timers().DueMs(*c.tmrBubbles).value_or(now);
        for (int k = 1; k <= kHorizon; ++k, tickAt += c.tmrBubbles->Interval) {
            for (; walked < walkTimes.size() && walkTimes[walked] < tickAt; ++walked) {
                if (p.dir < 0 && cl > 0) cl -= 30;
                if (p.dir > 0 && rightWall > cl + ch.Width) cl += 30;
            }
            for (; arrow.visible && growDue < tickAt; growDue += 10) {
                arrow.top -= 45;
                if (arrow.top <= 0) arrow.visible = false;
            }
            for (Ball& b : balls) {
                if (b.gone) continue;
                const float m = kHitMargin;
                if (ch.Top + ch.Height > b.top + 60 - m && cl + ch.Width > b.left + 60 - m &&
                    ch.Top + 60 - m < b.top + b.height && cl + 60 - m < b.left + b.width) {
                    out.safeTicks = k;
                    return out;
                }
                if (b.top < 50) b.peak = static_cast<int16_t>(b.top);  // the ceiling strip
                b.left += b.right ? 20 : -20;
                if (arrow.visible && arrow.left + arrow.width - kShotMargin >= b.left &&
                    b.left + b.width - kShotMargin >= arrow.left && b.top + b.height >= arrow.top) {
                    b.gone = true;
                    arrow.visible = false;
                    if (out.shots++ == 0) out.firstShot = k;
                    continue;
                }
                if (rightWall <= b.left + b.width) b.right = false;
                if (b.left < 0) b.right = true;
                if (b.word == Word::UpSlow || b.word == Word::DownSlow) b.left += b.right ? 5 : -5;
                if (b.word == Word::Down) b.top += 30;
                if (b.word == Word::DownSlow) b.top += 15;
                if (std::abs(b.top + b.height - (floorLine + 60)) < 50) b.word = Word::Up;
                if (b.word == Word::Up) b.top -= 30;
                if (b.word == Word::UpSlow) b.top -= 15;
                const float slowLine = static_cast<float>(b.peak + b.peak / 10.0);
                if (b.word == Word::Up && b.top < slowLine) b.word = Word::UpSlow;
                if (b.word == Word::UpSlow && b.top < b.peak) b.word = Word::DownSlow;
                if (b.word == Word::DownSlow && b.top > slowLine) b.word = Word::Down;
                // The bubble-size tick gives a bubble near the floor the peak of its size.
                if (floorLine - 1200 < b.top) b.peak = b.size == 1 ? 4312 : b.peak;
            }
        }
        return out;
    }

    Session& p_;
    FrmGame& g_;
    std::vector<std::string> lines_;
};

int Main(uint64_t seed) {
    Session play(seed);
    Bot bot(play);
    FrmGame& g = play.app.game;
    if (bot.Send("click frmMenu.cmdPlay") != 0) return 1;
    constexpr int kMaxSteps = 6000;  // a minute of virtual time
    for (int steps = 0; steps < kMaxSteps && g.IsLoaded() && !g.C().cmdContinue->Visible; ++steps)
        if (bot.Step() != 0) return 1;
    if (!g.IsLoaded() || !g.C().cmdContinue->Visible) {
        std::cerr << "scenario_bot: level 1 not cleared with seed " << seed << "\n";
        return 1;
    }

    std::ostringstream s;
    s << "# Level 1 played to its end through the keys alone, as printed by "
         "tools/scenario_bot.cpp\n"
         "# for seed "
      << seed << "; print it again after a change to the rules of play.\n";
    for (const std::string& l : bot.Lines()) s << l << "\n";
    s << "expect frmGame.cmdContinue.Visible true\n"
      << "expect frmGame.Level 2\n"
      << "expect frmGame.Lives " << g.Lives << "\n"
      << "expect frmGame.Score " << g.Score << "\n";

    // The script, with its waits joined, must play the same game in a fresh program.
    Session replay(seed);
    if (replay.Run(s.str()) != 0 || replay.svc.Clock() != play.svc.Clock()) {
        std::cerr << "scenario_bot: the script does not replay the bot's game\n";
        return 1;
    }
    std::cout << s.str();
    return 0;
}

}  // namespace
}  // namespace qbx

int main(int argc, char** argv) {
    const uint64_t seed = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 7;
    return qbx::Main(seed);
}
