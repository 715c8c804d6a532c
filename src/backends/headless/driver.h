// The headless driver: runs a script of commands against the real screens on the virtual clock
// and prints JSON dumps of their state.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "backends/headless/headless_services.h"
#include "engine/gamepad.h"
#include "engine/input.h"
#include "engine/program.h"

namespace qbx {

class Screen;

struct DriverHooks {
    // Draws a screen as the windowed game paints it into a PNG file, at a device-pixel ratio;
    // returns an error text or an empty string.
    std::function<std::string(Screen&, const std::string& file, double pixelRatio)> shot;
    // Reads the inputs of a replay file; returns an error text or an empty string.
    std::function<std::string(const std::string& file, std::vector<InputEvent>& events)> replay;
};

class Driver {
public:
    Driver(Program& program, HeadlessServices& services, DriverHooks hooks = {})
        : program_(program), svc_(services), hooks_(std::move(hooks)) {}

    // Runs the script; returns the exit status: 0 done (or the program ended), 1 an expectation
    // failed, 2 a bad command.
    int Run(std::istream& script, std::ostream& out, std::ostream& err);
    // Runs one line; the same statuses, with -1 meaning "go on".
    int RunLine(const std::string& line, int lineNo, std::ostream& out, std::ostream& err);

    std::string Dump(const std::string& form = "");

    // Caps the virtual time that the script's waits may add up to; a wait past the cap is cut
    // short, and later ones do nothing. Bounds the work of a script of unknown origin.
    void LimitWaits(int64_t totalMs) { waitBudgetMs_ = totalMs; }

private:
    struct Command;
    bool Parse(const std::string& line, Command& cmd, std::string& error);
    int Execute(Command& cmd, std::ostream& out, std::string& error);
    int Set(const Command& cmd, std::string& error);
    int PlayReplay(const Command& cmd, std::string& error);
    std::string ValueOf(const std::string& form, const std::string& path, bool& ok);

    Program& program_;
    HeadlessServices& svc_;
    DriverHooks hooks_;
    int64_t waitBudgetMs_ = -1;  // no cap
    std::set<int16_t> held_;     // keys down, by code
    Gamepad pad_{program_};
};

// Renders a value the way dumps show it.
std::string JsonString(const std::string& s);
std::string JsonFloat(float v);

}  // namespace qbx
