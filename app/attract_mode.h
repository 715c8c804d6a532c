// The attract mode: the main menu left alone for half a minute plays the best kept replay as a
// demo, in a game screen of its own, silent, under the banner "Demo — press any key". Any key,
// click or pad button ends it, as does its last input, and the menu is back as it was left.
// The demo records nothing and writes nothing.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/replay_watch.h"
#include "backends/qt/screen_view.h"
#include "replay/game_recorder.h"

namespace qbx {

class Clock;
class PictureArtist;
class QtServices;
class Quibblix;

// Whether the program shows the main menu alone and at rest: no other screen shown, no game
// loaded (paused or not), no handler running (the about box, a name box), no message box, no open
// menu, no replay being watched, and the menu's window on the screen.
bool MenuAtRest(const Quibblix& app, const QtServices& svc);

// The kept replays a demo may play, the best first: those whose result stands in a record table,
// the highest score first (the more recently begun of equal ones), then the others, the most
// recently begun first. kept is in ListReplays' order; replays without inputs are left out.
std::vector<std::string> DemoChoices(const std::vector<replay::KeptReplay>& kept,
                                     const std::function<bool(const replay::Header&)>& inTables);

class AttractMode : public QObject {
public:
    static constexpr int64_t kIdleMs = 30'000;
    static constexpr int kLookEveryMs = 250;
    static constexpr const char* kBanner = "Demo \u2014 press any key";

    struct Setup {
        int scale = 1;
        const PictureArtist* artist = nullptr;
        QtServices* svc = nullptr;  // the program's own
        Quibblix* app = nullptr;
        std::string recordsDir;  // the record tables
        std::string replayDir;   // the kept replays
        // What the idle time is measured by; the program's clock when none is given.
        const Clock* clock = nullptr;
        // Off: the menu never plays a demo (the player's --no-demo).
        bool on = true;
    };
    explicit AttractMode(Setup setup);
    ~AttractMode() override;
    AttractMode(const AttractMode&) = delete;
    AttractMode& operator=(const AttractMode&) = delete;

    // The player did something: the idle time counts from now.
    void Touched();
    // Starts the demo once the menu has been at rest for kIdleMs; the timer looks every
    // kLookEveryMs. Returns whether a demo is playing.
    bool Look();
    bool Playing() const { return watch_.Watching(); }
    // Ends the demo; the menu comes back from the event loop.
    void Stop();
    // The watching of the demo under way (its game and backend), for the state line and tests.
    const ReplayWatch& Watch() const { return watch_; }
    // The replay the demo played last.
    const std::string& Played() const { return played_; }

    // Where the pads' input goes: to the program's backend, once the attract mode has seen it
    // (a pad button ends the demo, and its release is kept from the menu).
    ViewHost& PadHost() { return padHost_; }

    // Every key, click and pointer move of the application passes here first.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    class PadTap : public ViewHost {
    public:
        explicit PadTap(AttractMode& mode) : mode_(mode) {}
        void Dispatch(const std::function<void()>& call) override;
        void Noted(const InputEvent& e) override;
        void Input(const InputEvent& e, const std::function<void()>& call) override;
        bool InputWithheld() const override;

    private:
        AttractMode& mode_;
    };

    void Ended();

    Setup setup_;
    const Clock& clock_;
    ReplayWatch watch_;
    PadTap padHost_{*this};
    QTimer look_;
    int64_t restSinceMs_ = 0;
    std::string played_;
    // What ended the demo is let go afterwards: those releases are kept from the menu.
    std::set<int> heldKeys_;
    std::set<std::pair<int, int>> heldPadButtons_;
    bool mouseDown_ = false;
};

}  // namespace qbx
