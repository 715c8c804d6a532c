// What the driver's parts share: a parsed script line, the readers of script values, and the
// renderings of values that a dump and an expectation both use. Not for use outside the driver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backends/headless/driver.h"
#include "engine/screen.h"

namespace qbx {

// One script line, parsed.
struct Driver::Command {
    enum Op {
        Wait,
        Key,
        Click,
        Menu,
        Close,
        Set,
        Call,
        Post,
        Dump,
        Shot,
        Expect,
        Rnd,
        Pad,
        Replay,
        DblClick,
        Answer
    } op;
    int64_t ms = 0;
    int16_t code = 0, shift = 0;
    bool down = true, up = true;
    std::string form, path, value, file;
    std::vector<float> values;
    float ratio = 1.0f;
    int padInput = 0;  // a pad's button, or its axis when padAxis
    bool padAxis = false;
    int padValue = 0;
    int padIndex = 0;  // pad N of the script is pad N - 1
    std::unique_ptr<Command> posted;
};

namespace driver {

// ---- script values (driver_parse.cpp) ----

// The text without its surrounding blanks (spaces, tabs and carriage returns).
std::string Trim(const std::string& s);
// A whole decimal integer, a finite float, or a truth value (true/false/-1/0, any case).
bool ParseLong(const std::string& s, long long& v);
bool ParseFloat(const std::string& s, float& v);
bool ParseBool(const std::string& s, bool& v);
// "Bubbles(3).Size" -> base "Bubbles", index 3, rest "Size".
bool SplitIndexed(const std::string& path, std::string& base, int& index, std::string& rest);

// ---- renderings (driver_dump.cpp) ----

// A screen variable or record field as a dump writes it.
std::string VarJson(const VarRef& v);

}  // namespace driver
}  // namespace qbx
