// Watching a kept replay in the window: the recorded game played again by a program of its own,
// in a game screen of its own, its records kept in a scratch directory. The player's keys steer
// the watching and never reach the game: Space pauses, Right and Left double and halve the speed,
// Esc or the close box ends it.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qbx {

class PictureArtist;
class QtServices;
class Quibblix;
struct InputEvent;

class ReplayWatch {
public:
    struct Setup {
        int scale = 1;
        const PictureArtist* artist = nullptr;
        // The program the watching comes from: its sound device and the player's choice of
        // sound, its full screen, and the directory whose record files the watched game's
        // screens show.
        QtServices* from = nullptr;
        std::string recordsDir;
    };
    explicit ReplayWatch(Setup setup);
    ~ReplayWatch();
    ReplayWatch(const ReplayWatch&) = delete;
    ReplayWatch& operator=(const ReplayWatch&) = delete;

    // Starts watching file, unless a watching is under way; false with the reason when the file
    // cannot be played. `ended` is told from the event loop once the watching is over and its
    // windows are gone.
    bool Start(const std::string& file, std::string& error, std::function<void()> ended);
    bool Watching() const { return watched_ != nullptr; }

    // The watched program and its backend while watching, else null; the pace and whether every
    // input has been played.
    Quibblix* Game() const;
    QtServices* Backend() const;
    double Speed() const;
    bool PlayedOut() const;
    // The play has departed from a check of the recording.
    bool Departed() const;

    // The banner's second line once the watched play has departed from the recording's checks.
    static constexpr const char* kDepartedLine =
        "the rules have changed since this game was played";
    // The banner's text at a speed: "Replay — ×1", "Replay — ×¼".
    static std::string Banner(double speed, bool paused, bool playedOut);

private:
    struct Watched;
    void Steer(const InputEvent& e);
    void ShowBanner();
    void Finish();

    Setup setup_;
    std::unique_ptr<Watched> watched_;
    std::function<void()> ended_;
};

}  // namespace qbx
