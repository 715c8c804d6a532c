// The game in a window on the desktop, composed as the program runs it: the toolkit, the art,
// the sound and the remembered choices, the pads, the signals that end it and the state line.
#pragma once

#include <functional>
#include <string>

namespace qbx {

class Quibblix;
class QtServices;

struct WindowOptions {
    int scale = 1;
    bool mute = false;
    bool noMusic = false;
    bool fullScreen = false;
    bool window = false;
    std::string recordsDir;
    // The main menu left alone never plays a demo.
    bool noDemo = false;
    // Watch this replay, then end, instead of starting the game.
    std::string replayFile;
};

// Called once the program has started, just before the event loop runs.
using WhenStarted = std::function<void(Quibblix&, QtServices&)>;

// Runs the windowed game until it ends; returns the exit status. argv is the command line as
// typed, for the advice given when no display answers.
int RunWindowed(const WindowOptions& o, int argc, char** argv, const WhenStarted& started = {});

}  // namespace qbx
