// Driving the built program in a real X server: a private Xvfb, the game started in it with a
// temporary home, XTest keys and clicks through xdotool, and the game's state line read back.
// Every process started here is killed by its PID when its owner goes, whatever happened.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace qbx::e2e {

// A child process, ended (SIGTERM, then SIGKILL after ten seconds) and reaped when this goes
// out of scope.
class Process {
public:
    // Output and errors go to outFile; keepFd stays open in the child; stdinFd (else
    // /dev/null) is its standard input.
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& outFile, int keepFd = -1, int stdinFd = -1);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    void Signal(int sig) const;
    // The exit status once it has ended, waiting up to the limit; none while it runs.
    std::optional<int> WaitExit(std::chrono::seconds limit);
    bool Running();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a command to its end (killed after a minute); returns its status, and its output.
int Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
        std::string* out = nullptr);

using test::TempDir;

// Where the game shows its window: what a game started there needs in its environment, and
// the keyboard, the pointer and the window manager's close box there.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual std::vector<std::string> Env() const = 0;
    // Keys by X key name ("Escape", "space", "Return", "ctrl+n"): pressed and let go, pressed
    // and left down, let go.
    virtual void Key(const std::string& name) const = 0;
    virtual void KeyDown(const std::string& name) const = 0;
    virtual void KeyUp(const std::string& name) const = 0;
    // A left click at a point of the screen.
    virtual void ClickAt(int x, int y) const = 0;
    // The close box of the process's one window; false if it has not exactly one.
    virtual bool CloseBoxOf(pid_t pid) const = 0;
};

// Xvfb on a display number of its own, without a window manager.
class XServer : public Desktop {
public:
    XServer();
    const std::string& Display() const { return display_; }
    std::vector<std::string> Env() const override { return {"DISPLAY=" + display_}; }
    void Key(const std::string& name) const override;
    void KeyDown(const std::string& name) const override;
    void KeyUp(const std::string& name) const override;
    void ClickAt(int x, int y) const override;
    bool CloseBoxOf(pid_t pid) const override;
    // xdotool (or xset) against this server.
    int Tool(const std::vector<std::string>& args, std::string* out = nullptr) const;
    // What a window manager sends when the window's close box is pressed (WM_DELETE_WINDOW);
    // false if the server could not be told.
    bool CloseWindow(unsigned long window) const;

private:
    TempDir dir_;
    std::string display_;
    std::optional<Process> process_;
};

std::string Program();

// The game in a window on the server, its home, configuration, data and records in dir; the
// program is the game itself unless another build of it is named.
class Game {
public:
    Game(const Desktop& desktop, const std::string& dir, const std::vector<std::string>& args = {},
         const std::string& program = Program());

    Process& Proc() { return *process_; }
    // The state line's words, name to value; empty before the first line is written.
    std::map<std::string, std::string> State() const;
    std::string StateText() const;
    // Polls the state every 50 ms until pred holds, up to the limit; false on timeout.
    bool WaitFor(const std::function<bool(const std::map<std::string, std::string>&)>& pred,
                 std::chrono::seconds limit = std::chrono::seconds(60)) const;
    // Waits until every word given ("active=frmGame") is in the state line.
    bool WaitForState(const std::vector<std::string>& words,
                      std::chrono::seconds limit = std::chrono::seconds(60)) const;
    // Whether the state keeps every word for the whole time given (polled all along).
    bool Holds(const std::vector<std::string>& words, std::chrono::milliseconds time) const;

    // Keys by X key name ("Escape", "space", "Return", "ctrl+n").
    void Key(const std::string& name) const;
    void KeyDown(const std::string& name) const;
    void KeyUp(const std::string& name) const;
    // The key, pressed again after each wait for the state's words, up to a few times: for a
    // key that a closing menu may still take.
    bool KeyUntil(const std::string& name, const std::vector<std::string>& words,
                  std::chrono::seconds each = std::chrono::seconds(10)) const;
    // Tab until the active screen's focus is on the button; false if it never gets there.
    bool FocusOn(const std::string& button) const;
    // A left click at a point of the active window.
    void ClickAt(int x, int y) const;
    // The close box of the game's one window on screen; false if there is not exactly one.
    bool CloseBox() const;
    std::string RecordsDir() const { return dir_ + "/records"; }

private:
    const Desktop& desktop_;
    std::string dir_;
    std::optional<Process> process_;
};

// The program under test: the QUIBBLIX environment variable, else the one built beside.
std::string Program();
// The same game with a stand-in player that clears the first level (tests/e2e/panel_game.cpp).
std::string PanelGame();
std::string ReadFile(const std::string& path);
// The value a record table file holds for a player, or -1: the file is pairs of quoted lines.
long TableEntry(const std::string& file, const std::string& player);
// The game of the account E2E ended in level 1 with a score: both tables whole, with it first.
void ExpectScoredLevelOneGameRecorded(const std::string& recordsDir);

}  // namespace qbx::e2e
