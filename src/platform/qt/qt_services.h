// The Qt backend's services: a real event loop, one QTimer per timer, a window per loaded
// screen, modal message boxes, and every call into the screens funnelled through Dispatch.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/program.h"
#include "platform/qt/screen_view.h"
#include "platform/services.h"

class QTimer;

namespace qbx {

class QtServices : public Services, public ViewHost {
public:
    // scale multiplies every window's size in logical pixels (1 draws a twip as 1/15 pixel).
    explicit QtServices(int scale = 1);
    ~QtServices() override;
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;

    void Attach(Program& p) { program_ = &p; }

    void DoEvents() override;
    void Sleep(int ms) override;
    void MsgBox(const std::string& text, const std::string& title) override;
    uint64_t TimeOfDaySeed() override;
    std::string ProgramDir() override;
    std::string Environ(const std::string& name) override;
    [[noreturn]] void End() override;
    void TimerChanged(Timer& t) override;
    void TimerDestroyed(Timer& t) override;
    void ScreenChanged(Screen& s, ScreenEvent e) override;

    // Every call into the screens goes through here: it counts nested handlers, collects the
    // controls of unloaded screens once the outermost one has returned, and schedules a
    // repaint of the windows.
    void Dispatch(const std::function<void()>& call) override;
    int DispatchDepth() const { return depth_; }

    // Called after the outermost handler returns with no screen loaded any more (the windowed
    // program then quits).
    void OnNothingLoaded(std::function<void()> f) { onNothingLoaded_ = std::move(f); }

    // The window of a loaded screen, or null.
    ScreenView* ViewOf(const Screen& s) const;
    int Scale() const { return scale_; }

private:
    QTimer* QTimerOf(const Timer& t) const;
    void OnTick(QTimer* q);
    void SyncViews();

    Program* program_ = nullptr;
    int scale_;
    int depth_ = 0;
    uint64_t seedCounter_ = 0;
    std::function<void()> onNothingLoaded_;
    QObject timerParent_;
    std::unordered_map<QTimer*, Timer*> timers_;
    std::unordered_map<const Screen*, ScreenView*> views_;
    // Windows of unloaded screens, waiting for the event loop to delete them.
    std::vector<QPointer<ScreenView>> dying_;
};

}  // namespace qbx
