// The Qt backend's timer schedule on a fake clock: fixed rate, ties, no re-entry, dropped ticks,
// and the tick log the live check reads; no test here looks at the real clock.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backends/qt/qt_services.h"
#include "engine/design_helpers.h"
#include "engine/program.h"
#include "engine/screen.h"

namespace qbx {
namespace {

using namespace design;

struct FakeClock : Clock {
    int64_t ms = 0;
    int64_t NowNs() const override { return ms * 1000000; }
};

class TimerScreen : public Screen {
public:
    TimerScreen(Program& p, std::string name)
        : Screen(p, std::move(name),
                 ScreenDesign{" Timers", 1500, 1500, {}, false, false, Pointer::Default},
                 {Tmr("tmrFast", 10), Tmr("tmrWalk", 16), Tmr("tmrSame", 10)}) {}
    Timer& Get(std::string_view name) {
        EnsureLoaded();
        return *static_cast<Timer*>(Find(name));
    }

protected:
    void BindControls() override {}
    void UnbindControls() override {}
};

class Schedule : public ::testing::Test {
protected:
    Schedule() { svc.Attach(program); }
    ~Schedule() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Moves the clock to ms and delivers what is due, as the backend's wake-up does.
    void At(int64_t ms) {
        clock.ms = ms;
        svc.RunDueTimers();
    }
    // Every millisecond up to ms: the wake-up never comes late.
    void Until(int64_t ms) {
        while (clock.ms < ms) At(clock.ms + 1);
    }
    // Records "name@ms" for each tick delivered.
    void Log(Timer& t, std::function<void()> also = {}) {
        t.onTimer = [this, &t, also] {
            ticks.push_back(t.screen->Name() + "." + t.name + "@" + std::to_string(clock.ms));
            if (also) also();
        };
    }

    FakeClock clock;
    QtServices svc{1, &clock};
    Program program{svc};
    TimerScreen first{program, "frmFirst"};
    TimerScreen second{program, "frmSecond"};
    std::vector<std::string> ticks;
};

TEST_F(Schedule, LateDeliveryAndSlowHandlersDoNotPushLaterTicksBack) {
    Timer& walk = first.Get("tmrWalk");
    // Each tick is delivered 5 ms late and its handler takes 6 ms more: a timer started again
    // after each tick would come every 27 ms.
    Log(walk, [this] { clock.ms += 6; });
    walk.SetEnabled(true);
    for (int64_t due = 16; due <= 160; due += 16) At(due + 5);
    ASSERT_EQ(ticks.size(), 10u);
    EXPECT_EQ(ticks.front(), "frmFirst.tmrWalk@21");
    EXPECT_EQ(ticks.back(), "frmFirst.tmrWalk@165");
    EXPECT_EQ(svc.Timers().DueMs(walk), 176);

    // Stopping ends the run; enabling starts a new phase from that moment.
    walk.SetEnabled(false);
    Until(300);
    EXPECT_EQ(ticks.size(), 10u);
    walk.SetEnabled(true);
    EXPECT_EQ(svc.Timers().DueMs(walk), 316);
}

TEST_F(Schedule, TicksDueTogetherComeInScreenThenDesignOrder) {
    for (TimerScreen* s : {&second, &first})
        for (const char* name : {"tmrSame", "tmrFast"}) {
            Timer& t = s->Get(name);
            Log(t);
            t.SetEnabled(true);
        }
    At(10);
    EXPECT_EQ(ticks, (std::vector<std::string>{"frmFirst.tmrFast@10", "frmFirst.tmrSame@10",
                                               "frmSecond.tmrFast@10", "frmSecond.tmrSame@10"}));
}

TEST_F(Schedule, AHandlerThatOverrunsDropsTheTicksItMissedAndKeepsThePhase) {
    svc.KeepTickLog();
    Timer& fast = first.Get("tmrFast");
    bool stall = true;
    Log(fast, [&] {
        if (std::exchange(stall, false)) clock.ms += 35;  // a sleep or a message box
    });
    fast.SetEnabled(true);
    At(10);  // runs until 45: the ticks due at 20, 30 and 40 are gone
    Until(80);
    EXPECT_EQ(ticks, (std::vector<std::string>{"frmFirst.tmrFast@10", "frmFirst.tmrFast@50",
                                               "frmFirst.tmrFast@60", "frmFirst.tmrFast@70",
                                               "frmFirst.tmrFast@80"}));
    EXPECT_EQ(svc.Ticks()->Now().at("frmFirst.tmrFast").skipped, 3);
}

TEST_F(Schedule, AHandlerThatLetsEventsRunIsNotReenteredButOtherTimersTick) {
    Timer& fast = first.Get("tmrFast");
    Timer& other = second.Get("tmrFast");
    int nesting = 0, maxNesting = 0, depthInOther = 0;
    Log(other, [&] { depthInOther = svc.DispatchDepth(); });
    Log(fast, [&] {
        maxNesting = std::max(maxNesting, ++nesting);
        if (ticks.size() == 1) {
            // Six of its own ticks fall due while it pumps; only the other timer's are delivered.
            for (int k = 0; k < 6; ++k) {
                clock.ms += 10;
                svc.RunDueTimers();
            }
        }
        --nesting;
    });
    fast.SetEnabled(true);
    other.SetEnabled(true);
    At(10);
    EXPECT_EQ(maxNesting, 1);
    EXPECT_EQ(ticks.front(), "frmFirst.tmrFast@10");
    EXPECT_EQ(ticks.size(), 7u);  // the other timer at 10 (after it), 20, ..., 70
    EXPECT_EQ(depthInOther, 2);
    At(80);  // once it has returned, it ticks again on its own phase
    EXPECT_EQ(ticks.back(), "frmSecond.tmrFast@80");
    EXPECT_EQ(ticks[ticks.size() - 2], "frmFirst.tmrFast@80");
    EXPECT_EQ(svc.DispatchDepth(), 0);
}

TEST_F(Schedule, ControlsOfAnUnloadedScreenLiveUntilTheOutermostHandlerReturns) {
    first.Show();
    second.Show();
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    bool aliveAfterNestedTick = false;
    int otherTicks = 0;
    second.Get("tmrWalk").onTimer = [&] { ++otherTicks; };
    Timer& dying = first.Get("tmrFast");
    dying.onTimer = [&, token] {
        first.Unload();
        clock.ms += 16;
        svc.DoEvents();
        // The pump has run the other screen's timer; this handler still runs on its timer.
        for (int k = 0; k < 1000 && otherTicks == 0; ++k) svc.DoEvents();
        aliveAfterNestedTick = otherTicks > 0 && !watch.expired();
    };
    token.reset();
    dying.SetEnabled(true);
    second.Get("tmrWalk").SetEnabled(true);
    At(10);
    EXPECT_TRUE(aliveAfterNestedTick);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(svc.ViewOf(first), nullptr);
    EXPECT_NE(svc.ViewOf(second), nullptr);
}

TEST_F(Schedule, TheTickLogCountsRatesFromEachStartToTheLastTick) {
    svc.KeepTickLog();
    Timer& fast = first.Get("tmrFast");
    Timer& walk = first.Get("tmrWalk");
    Log(fast);
    Log(walk);
    fast.SetEnabled(true);
    walk.SetEnabled(true);
    Until(1000);
    fast.SetEnabled(false);
    Until(2000);  // still running: counted up to its last tick
    const auto stats = svc.Ticks()->Now();
    EXPECT_EQ(stats.at("frmFirst.tmrFast").ticks, 100);
    EXPECT_DOUBLE_EQ(stats.at("frmFirst.tmrFast").PerSecond(), 100.0);
    EXPECT_EQ(stats.at("frmFirst.tmrWalk").ticks, 125);
    EXPECT_DOUBLE_EQ(stats.at("frmFirst.tmrWalk").PerSecond(), 62.5);
    EXPECT_EQ(stats.at("frmFirst.tmrWalk").lateMsMax, 0.0);
}

}  // namespace
}  // namespace qbx
