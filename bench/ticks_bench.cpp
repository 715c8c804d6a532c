// The cost of the game screen's ticks and set-up on the busiest real field, and of the headless
// driver playing a minute of level 14.
#include <benchmark/benchmark.h>

#include <string>

#include "forms/game/frmGame.h"
#include "play_field.h"

namespace qbx::bench {
namespace {

// Level 14 played until its four largest bubbles have split into all 32 smallest among its 17
// blockers: the most work the bubble tick meets in the game. The character stands aside, so
// no tick ends in a death.
constexpr uint64_t kSeed = 9;
BusyField& Busy() {
    static BusyField field(32, kSeed);
    return field;
}

bool CheckReached(benchmark::State& state, BusyField& f) {
    if (f.Reached()) return true;
    state.SkipWithError("level 14 did not reach a busy field");
    return false;
}

void BM_BubblesTick(benchmark::State& state) {
    BusyField& f = Busy();
    if (!CheckReached(state, f)) return;
    for (auto _ : state) f.g.tmrBubbles_Timer();
    state.counters["bubbles"] = f.VisibleBubbles();
}
BENCHMARK(BM_BubblesTick);

// The same field in a game of two, both characters and both arrows on it: each bubble is then
// tested against two of each. They stand where nothing reaches them, so the field plays as in
// BM_BubblesTick.
void BM_BubblesTickTwoPlayers(benchmark::State& state) {
    BusyField& f = Busy();
    if (!CheckReached(state, f)) return;
    HeadlessGame two(kSeed);
    two.Run(
        "answer PLAYER2\nclick frmMenu.cmdTwoPlayers\nset frmGame.Level 14\n"
        "call frmGame.Form_Load\nwait 2500\n");
    FrmGame& g = two.app.game;
    auto& from = f.g.C();
    auto& to = g.C();
    for (int i = 0; i <= from.BubblePic.UBound(); ++i) {
        const Image* b = from.BubblePic.Get(i);
        Image* c = to.BubblePic.Get(i) ? to.BubblePic.Get(i) : to.BubblePic.Load(i);
        if (!b || !c) continue;
        c->SetPicture(b->Picture);
        c->Left = b->Left;
        c->Top = b->Top;
        c->Visible = b->Visible;
        g.Bubbles[i] = f.g.Bubbles[i];
    }
    for (int i = 0; i <= from.pwrup.UBound(); ++i)
        if (const Image* p = from.pwrup.Get(i); p && to.pwrup.Get(i)) {
            Image& q = to.pwrup(i);
            q.SetPicture(p->Picture);
            q.Left = p->Left;
            q.Top = p->Top;
            q.Visible = p->Visible;
        }
    for (int i = 0; i < 2; ++i) {
        Player& p = g.players[i];
        p.imgCharacter->Left = -3000.0f * static_cast<float>(i + 1);
        p.arrow->Left = -6000.0f * static_cast<float>(i + 1);
        p.arrow->Top = 100;
        p.arrow->Visible = true;
    }
    for (Timer* t : g.Timers()) t->SetEnabled(false);
    for (auto _ : state) g.tmrBubbles_Timer();
    int n = 0;
    for (int i = 0; i <= to.BubblePic.UBound(); ++i)
        if (const Image* b = to.BubblePic.Get(i); b && b->Visible) ++n;
    state.counters["bubbles"] = n;
}
BENCHMARK(BM_BubblesTickTwoPlayers);

void BM_BubbleSizeTick(benchmark::State& state) {
    BusyField& f = Busy();
    if (!CheckReached(state, f)) return;
    for (auto _ : state) f.g.tmrBubbleSize_Timer();
}
BENCHMARK(BM_BubbleSizeTick);

void BM_ArrowGrowTick(benchmark::State& state) {
    BusyField& f = Busy();
    if (!CheckReached(state, f)) return;
    auto& c = f.g.C();
    // An arrow launched by the fire key from the floor where nothing stops it early, caught
    // a little way up: each round starts from there, so every tick grows it and tests every
    // blocker.
    f.h.Run("set frmGame.imgCharacter.Left 3000\nkey W\nset frmGame.imgCharacter.Left " +
            std::to_string(kAside) + "\n");
    for (int i = 0; i < 5; ++i) f.g.tmrArrowGrow_Timer();
    Image& a = *c.arrow;
    const float top = a.Top, height = a.Height;
    for (auto _ : state) {
        a.Visible = true;
        a.Top = top;
        a.Height = height;
        f.g.tmrArrowGrow_Timer();
    }
    a.Visible = false;
    c.tmrArrowGrow->SetEnabled(false);
}
BENCHMARK(BM_ArrowGrowTick);

void BM_LevelSetUp14(benchmark::State& state) {
    HeadlessGame h(kSeed);
    h.Run("click frmMenu.cmdPlay\nset frmGame.Level 14\n");
    for (auto _ : state) h.app.game.Form_Load();
}
BENCHMARK(BM_LevelSetUp14);

// A minute of level 14 through the driver, replaying the lines that played the busy field
// (shots, power-ups taken and put aside), then the field left to bounce.
void BM_DriverMinuteOnLevel14(benchmark::State& state) {
    const std::vector<std::string>& lines = Busy().Script();
    std::string script;
    long long ms = 0;
    for (const std::string& line : lines) {
        if (line.rfind("wait ", 0) == 0) {
            long long w = std::stoll(line.substr(5));
            if (ms + w > 60000) w = 60000 - ms;
            ms += w;
            script += "wait " + std::to_string(w) + "\n";
            if (ms >= 60000) break;
        } else {
            script += line + "\n";
        }
    }
    if (ms < 60000) script += "wait " + std::to_string(60000 - ms) + "\n";
    for (auto _ : state) {
        HeadlessGame h(kSeed);
        if (h.Run(script) > 0) state.SkipWithError("the driver refused the script");
    }
    state.counters["played_ms"] = static_cast<double>(ms);
}
BENCHMARK(BM_DriverMinuteOnLevel14)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qbx::bench
