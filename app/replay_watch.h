// Watching a kept replay in the window: the recorded game played again by a program of its own,
// in a game screen of its own, its records kept in a scratch directory. The player's keys steer
// the watching and never reach the game: Space pauses, Right and Left double and halve the speed,
// Home and End go to the start and the end, Page Up and Page Down to the previous and next level
// start, comma and full stop step a tick back and forward while paused, K shows the keys held,
// a click on the timeline goes there, Esc or the close box ends it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qbx {

class PictureArtist;
class QtServices;
class Quibblix;
class WatchingServices;
struct InputEvent;
struct ReplayMoments;

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
        // A demo: silent (the program's own music goes on), this banner throughout instead of
        // the speed, and over at the watcher's first key, click or pad button, or once every
        // input has been played.
        bool muted = false;
        std::string banner{};
        bool endsOnAnyInput = false;
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

    // The watched program and its backend while watching, else null (the program is made anew
    // by a seek backwards); the pace and whether every input has been played.
    Quibblix* Game() const;
    WatchingServices* Backend() const;
    double Speed() const;
    bool PlayedOut() const;
    // The moments found in the replay being watched.
    const ReplayMoments* Moments() const;

    // Goes to a moment of the recording (past its end: to the end, with a line in the banner).
    void SeekTo(int64_t ms);
    // One tick of the game's timers forward (1) or back (-1), while paused; before the start or
    // past the end the watching stays, with a line in the banner.
    void Step(int direction);
    // The previous (-1) or next (1) level start from where the watching is.
    void NextLevel(int direction);
    // The play has departed from a check of the recording.
    bool Departed() const;

    // The banner's second line once the watched play has departed from the recording's checks.
    static constexpr const char* kDepartedLine =
        "the rules have changed since this game was played";
    // The banner's text at a speed: "Replay — ×1", "Replay — ×¼".
    static std::string Banner(double speed, bool paused, bool playedOut);
    // The banner as it shows now, with its note.
    std::string BannerNow() const;

private:
    struct Watched;
    void MakeProgram();
    void Restart();
    void Steer(const InputEvent& e);
    void Note(std::string note);
    void ShowBanner();
    void Finish();

    Setup setup_;
    std::unique_ptr<Watched> watched_;
    std::function<void()> ended_;
};

}  // namespace qbx
