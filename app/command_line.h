// The program's command line: its options, read with QtCore's parser (which needs no
// application object, so a headless run still needs no display), and the help made from them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace qbx {

struct Options {
    bool headless = false;
    bool seedGiven = false;
    uint64_t seed = 1;
    std::string recordsDir;
    std::string script;
    int scale = 1;
    bool scaleGiven = false;
    bool mute = false;
    bool noMusic = false;
    bool fullScreen = false;
    bool window = false;
    bool noDemo = false;
    std::string record;
    std::string verify;
    std::string watch;
    // --export-video OUT FILE.qbr [--scale N] [--speed S]
    std::string exportVideo;
    std::string exportFrom;
    double speed = 1;
    bool speedGiven = false;
};

// Reads the arguments into o. Returns -1 to go on, or the status to exit with once the help or
// the version is printed on out (0), or one line naming the mistake on err (2).
int ParseCommandLine(int argc, char** argv, Options& o, std::ostream& out, std::ostream& err);

// What --help prints.
std::string UsageText();

}  // namespace qbx
