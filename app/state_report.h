// What the windowed game is showing, as one line of words in a file, for tests that drive the
// real program through an X server. Kept only when QUIBBLIX_STATE_FILE names the file.
#pragma once

#include <string>

namespace qbx {

class Quibblix;
class QtServices;
class ReplayWatch;

// "active=frmGame focus=none game=1 paused=0 banner=0 pause=&Pause Game countdown=0 playing=1
// panel=0 dying=0 lives=5 level=1 score=0 players=1 x=3480 arrow=0 modal=none fullscreen=0
// sound=1 window=187,88": the screen with the keyboard and its focused button; whether a game is
// loaded and, if so, its state, each player's character and arrow (player 2's lives, score,
// character and arrow as lives2, score2, x2 and arrow2); the modal box open, if any; where the
// window is.
std::string StateLine(Quibblix& app, const QtServices& svc);

// " watch_ms=4500 watch_span=0,10020 watch_played=452 watch_paused=1 watch_keyboard=1
// timeline=187,430,640x42 keys="Keys: Left"", to go after the state line while a replay is
// watched, else "": where the watching is in the recording's time and the recording's first and
// last moments, how many of its inputs have been played, whether it is paused, whether its window
// has the keyboard, where its timeline is on the screen and its size, and the keys line shown
// in its strip (empty while hidden).
std::string WatchLine(const ReplayWatch& watch);

// Replaces the file with the line when it differs from the last one written (whole, through a
// rename, so a reader never sees half of it).
class StateReport {
public:
    explicit StateReport(std::string file) : file_(std::move(file)) {}
    void Write(const std::string& line);

private:
    std::string file_;
    std::string last_;
};

}  // namespace qbx
