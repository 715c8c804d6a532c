// The cost of the game screen's ticks and set-up on the worst real fields, and of the headless
// driver playing a minute of virtual time.
#include <benchmark/benchmark.h>

#include "game/frmGame.h"
#include "screens/pictures.h"
#include "support/test_support.h"

namespace qbx {
namespace {

// Level 13's obstacles with 36 bubble elements, every one visible and moving; the character
// stands clear of them so no tick ends in a death.
struct WorstField {
    test::Headless h;
    FrmGame& g = h.app.game;
    WorstField() {
        g.Lives = 5;
        g.Level = 13;
        g.C();
        for (Timer* t : g.Timers()) t->SetEnabled(false);
        auto& c = g.C();
        for (int i = 8; i <= 35; ++i) c.BubblePic.Load(i);
        for (int i = 0; i <= 35; ++i) {
            Image& b = c.BubblePic(i);
            BubbleState& r = g.Bubbles[i];
            r.Size = static_cast<int16_t>(1 + i % 4);
            r.Colour = i % 2 ? "RED" : "GREEN";
            r.HorizontalDirection = i % 3 ? "LEFT" : "RIGHT";
            r.VerticalDirection = i % 2 ? "UP" : "DOWN";
            r.PeakTop = 1571;
            b.SetPicture(
                LookupPicture((i % 2 ? "ballreds" : "ballgreens") + std::to_string(r.Size)));
            b.Left = 300.0f + 370.0f * static_cast<float>(i);
            b.Top = 300.0f + 100.0f * static_cast<float>(i % 30);
            b.Visible = true;
        }
        c.imgCharacter->Left = -20000;
    }
};

void BM_BubblesTick(benchmark::State& state) {
    WorstField f;
    for (auto _ : state) f.g.tmrBubbles_Timer();
}
BENCHMARK(BM_BubblesTick);

void BM_BubbleSizeTick(benchmark::State& state) {
    WorstField f;
    for (auto _ : state) f.g.tmrBubbleSize_Timer();
}
BENCHMARK(BM_BubbleSizeTick);

void BM_ArrowGrowTick(benchmark::State& state) {
    WorstField f;
    auto& c = f.g.C();
    Image& a = *c.arrow;
    a.Left = 3000;
    for (auto _ : state) {
        // A tall arrow that keeps growing: the tick's full work, growth and every blocker.
        a.Visible = true;
        a.Top = 4000;
        a.Height = 1000;
        f.g.tmrArrowGrow_Timer();
    }
}
BENCHMARK(BM_ArrowGrowTick);

void BM_LevelSetUp14(benchmark::State& state) {
    test::Headless h;
    FrmGame& g = h.app.game;
    g.Lives = 5;
    g.Level = 14;
    g.C();
    for (auto _ : state) g.Form_Load();
}
BENCHMARK(BM_LevelSetUp14);

// A minute of virtual play on level 14's field through the driver (the character stands
// aside, so the level plays out without deaths).
void BM_DriverMinuteOnLevel14(benchmark::State& state) {
    for (auto _ : state) {
        test::Headless h;
        h.Run(
            "set frmGame.Lives 5\nset frmGame.Level 14\nset frmGame.imgCharacter.Left -20000\n"
            "call frmGame.Form_Load\nwait 60000\n");
    }
}
BENCHMARK(BM_DriverMinuteOnLevel14)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qbx
