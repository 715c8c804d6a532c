// The Qt backend's timers keep a fixed rate: a tick delivered late does not push the ones
// after it back, so a handler that takes much of its interval still ticks at the timer's rate.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <string>
#include <utility>

#include "platform/program.h"
#include "platform/qt/qt_services.h"
#include "platform/screen.h"
#include "screens/design_helpers.h"

namespace qbx {
namespace {

using namespace design;

class TwoTimers : public Screen {
public:
    explicit TwoTimers(Program& p)
        : Screen(p, "frmTimers", ScreenDesign{" Timers", 1500, 1500, {}, false, false, 0},
                 {Tmr("tmrFast", 10), Tmr("tmrWalk", 16)}) {}
    Timer& Get(std::string_view name) {
        EnsureLoaded();
        return *static_cast<Timer*>(Find(name));
    }

protected:
    void BindControls() override {}
    void UnbindControls() override {}
};

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(TimerSchedule, BusyHandlersStillTickAtTheTimersRates) {
    QtServices svc;
    svc.KeepTickStats();
    Program program(svc);
    svc.Attach(program);
    TwoTimers s(program);
    Timer& fast = s.Get("tmrFast");
    Timer& walk = s.Get("tmrWalk");
    // Each handler spends 4 ms: a timer started again after each tick would manage 1000 / 14
    // and 1000 / 20 ticks a second.
    auto busy = [] {
        QElapsedTimer clock;
        clock.start();
        while (clock.nsecsElapsed() < 4000000) {
        }
    };
    fast.onTimer = busy;
    walk.onTimer = busy;
    fast.SetEnabled(true);
    walk.SetEnabled(true);
    RunFor(1000);
    fast.SetEnabled(false);
    walk.SetEnabled(false);

    const auto stats = svc.TickStatsNow();
    for (const auto& [name, rate] :
         {std::pair{"frmTimers.tmrFast", 100.0}, {"frmTimers.tmrWalk", 62.5}}) {
        const QtServices::TickStats& st = stats.at(name);
        // Ticks delivered and ticks that fell due while the machine was too busy to deliver
        // them (never many) together keep the timer's rate; a timer started again after each
        // tick would fall behind by the handler's time every tick, and drop none.
        const double scheduled = static_cast<double>(st.ticks + st.skipped) / st.seconds;
        EXPECT_NEAR(scheduled, rate, rate * 0.03)
            << name << ": " << st.ticks << " ticks, " << st.skipped << " dropped, in " << st.seconds
            << " s";
        EXPECT_GT(st.PerSecond(), rate * 0.6) << name;
    }
}

}  // namespace
}  // namespace qbx
