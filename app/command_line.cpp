// The command line through QCommandLineParser. The parser finds the options and their values;
// the game's own rules (which options go together, what a value may be) and its one-line
// messages are kept here, and the help is written from the options' own descriptions.
#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <string_view>
#include <vector>

#include "app/version.h"

namespace qbx {

namespace {

// Four times the game's window (905 pixels wide) is about as wide as a 4K screen.
constexpr uint64_t kMaxScale = 4;

constexpr const char* kUsageLines =
    "Usage: quibblix [--scale N] [--fullscreen | --window] [--mute] [--records-dir DIR]\n"
    "                [--no-music] [--no-demo]\n"
    "       quibblix --headless [--seed N] [--records-dir DIR] [--mute] [--record FILE]\n"
    "                [--no-music] [SCRIPT]\n"
    "       quibblix [--scale N] [--fullscreen | --window] [--mute] [--no-music]\n"
    "                (--replay FILE | FILE.qbr)\n"
    "       quibblix --verify-replay FILE\n"
    "       quibblix --export-video OUT.webm FILE.qbr [--scale N] [--speed S]\n"
    "\n"
    "Without options, opens the game in a window.\n";

constexpr const char* kNotes =
    "Every game played in a window is kept as a replay in 'replays' beside the record\n"
    "files (the 20 most recent, and those whose result stands in a record table).\n"
    "\n"
    "A game controller plays too: the d-pad or the left stick walks, A or B fires, X or Y\n"
    "gives up the power-up, Start pauses; on the menus the d-pad picks a button, A presses\n"
    "it and B goes back.\n";

// A kept game's file, by its name.
bool IsReplayName(const std::string& name) {
    constexpr std::string_view kExt = ".qbr";
    if (name.size() <= kExt.size()) return false;
    for (size_t i = 0; i < kExt.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - kExt.size() + i])) !=
            kExt[i])
            return false;
    return true;
}

// Where the descriptions begin in the help.
constexpr int kDescriptionColumn = 23;

// One option: its names, the word for its value (none for a switch), its description (lines
// broken where the help breaks them) and what is said when its value is missing or wrong.
struct OptionRow {
    QStringList names;
    const char* value;
    const char* description;
    const char* needs;
    bool separated = false;  // a blank line before it in the help
};

const std::vector<OptionRow>& OptionRows() {
    static const std::vector<OptionRow> rows = {
        {{"scale"},
         "N",
         "draw the windows N times larger (1 to 4)",
         "--scale needs a whole number from 1 to 4"},
        {{"mute"},
         nullptr,
         "play without sound this time (the Sound command, Ctrl+M,\n"
         "or M on the main menu turn it on again)",
         nullptr},
        {{"no-music"},
         nullptr,
         "play without music this time, the effects still heard (the\n"
         "Music command, Ctrl+U, or U on the main menu turn it on again)",
         nullptr},
        {{"fullscreen"},
         nullptr,
         "fill the screen (F11 switches between the screen and a window);\n"
         "the choice is kept for the next run",
         nullptr},
        {{"window"}, nullptr, "start in a window this time, whatever was chosen last", nullptr},
        {{"no-demo"},
         nullptr,
         "never play a demo of the best kept replay when the main menu\n"
         "is left alone for 30 seconds",
         nullptr},
        {{"headless"},
         nullptr,
         "run without windows on a virtual clock; read driver commands\n"
         "from SCRIPT, or from standard input without one",
         nullptr},
        {{"seed"},
         "N",
         "seed for the headless clock's time of day (default 1)",
         "--seed needs a whole number"},
        {{"records-dir"},
         "DIR",
         "where the game keeps its record files (default: next to the\n"
         "program if the player may write there and it is not under\n"
         "/usr, else $XDG_DATA_HOME/quibblix, ~/.local/share/quibblix\n"
         "when that is unset)",
         "--records-dir needs a directory"},
        {{"record"}, "FILE", "keep the headless game as a replay in FILE", "--record needs a file"},
        {{"replay"},
         "FILE",
         "watch a replay in the window, then end: Space pauses, Right\n"
         "and Left double and halve the speed, Esc ends",
         "--replay needs a file"},
        {{"verify-replay"},
         "FILE",
         "play a replay without a window and print its result as JSON;\n"
         "exit 0 when it is the result the replay claims, 1 when not,\n"
         "2 when the file cannot be read",
         "--verify-replay needs a file"},
        {{"export-video"},
         "OUT",
         "make a video of the replay FILE.qbr in OUT (WebM: VP9 and\n"
         "Opus, 60 frames a second), with the ffmpeg program",
         "--export-video needs a file to write"},
        {{"speed"},
         "S",
         "play the exported replay S times as fast (1/4 to 16)",
         "--speed needs a number from 0.25 to 16"},
        {{"h", "help"}, nullptr, "show this text", nullptr, true},
        {{"version"}, nullptr, "show the version", nullptr},
    };
    return rows;
}

QCommandLineOption OptionOf(const OptionRow& s) {
    QCommandLineOption o(s.names, QString::fromUtf8(s.description));
    if (s.value) o.setValueName(QString::fromUtf8(s.value));
    return o;
}

bool ParseUnsigned(const std::string& text, uint64_t& out) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

// The argument as the player wrote it that names an option the parser did not know.
std::string WrittenAs(int argc, char** argv, const QString& name) {
    const std::string n = name.toStdString();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        for (const std::string& form : {"--" + n, "-" + n})
            if (a == form || a.rfind(form + "=", 0) == 0) return a;
    }
    return "--" + n;
}

// The value option given last without a value, if any.
const OptionRow* MissingValue(int argc, char** argv) {
    if (argc < 2) return nullptr;
    const std::string last = argv[argc - 1];
    for (const OptionRow& s : OptionRows())
        if (s.value && last == "--" + s.names.last().toStdString()) return &s;
    return nullptr;
}

}  // namespace

std::string UsageText() {
    std::string text = kUsageLines;
    text += "\n";
    for (const OptionRow& s : OptionRows()) {
        if (s.separated) text += "\n";
        std::string left = "  --" + s.names.last().toStdString();
        if (s.value) left += std::string(" ") + s.value;
        left.resize(std::max<size_t>(left.size() + 1, kDescriptionColumn), ' ');
        const std::string description = s.description;
        size_t from = 0;
        for (bool first = true;; first = false) {
            const size_t nl = description.find('\n', from);
            text += (first ? left : std::string(kDescriptionColumn, ' ')) +
                    description.substr(from, nl - from) + "\n";
            if (nl == std::string::npos) break;
            from = nl + 1;
        }
    }
    return text + "\n" + kNotes;
}

int ParseCommandLine(int argc, char** argv, Options& o, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const std::string& message) {
        err << "quibblix: " << message << " (see quibblix --help)\n";
        return 2;
    };

    QCommandLineParser parser;
    // "-x" is one option named x, as "--x" is, never three of one letter.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    std::vector<QCommandLineOption> options;
    for (const OptionRow& s : OptionRows()) {
        options.push_back(OptionOf(s));
        parser.addOption(options.back());
    }
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(args)) {
        if (!parser.unknownOptionNames().isEmpty())
            return fail("unknown option '" +
                        WrittenAs(argc, argv, parser.unknownOptionNames().first()) + "'");
        if (const OptionRow* s = MissingValue(argc, argv)) return fail(s->needs);
        return fail(parser.errorText().toStdString());
    }
    auto set = [&](const char* name) { return parser.isSet(QString::fromUtf8(name)); };
    // A value option's last value, or false with its message when it is missing or empty.
    auto valueOf = [&](const char* name, std::string& v) {
        v = parser.value(QString::fromUtf8(name)).toStdString();
        return !v.empty();
    };
    auto needs = [&](const char* name) {
        for (const OptionRow& s : OptionRows())
            if (s.names.last() == QLatin1String(name)) return fail(s.needs);
        return 2;
    };

    if (set("help")) {
        out << UsageText();
        return 0;
    }
    if (set("version")) {
        out << "Quibblix " << QUIBBLIX_VERSION << "\n";
        return 0;
    }
    o.headless = set("headless");
    o.mute = set("mute");
    o.noMusic = set("no-music");
    o.fullScreen = set("fullscreen");
    o.window = set("window");
    o.noDemo = set("no-demo");
    std::string v;
    if (set("seed")) {
        if (!valueOf("seed", v) || !ParseUnsigned(v, o.seed)) return needs("seed");
        o.seedGiven = true;
    }
    if (set("scale")) {
        uint64_t n = 0;
        if (!valueOf("scale", v) || !ParseUnsigned(v, n) || n < 1 || n > kMaxScale)
            return needs("scale");
        o.scale = static_cast<int>(n);
        o.scaleGiven = true;
    }
    if (set("records-dir") && !valueOf("records-dir", o.recordsDir)) return needs("records-dir");
    if (set("record") && !valueOf("record", o.record)) return needs("record");
    if (set("replay") && !valueOf("replay", o.watch)) return needs("replay");
    if (set("verify-replay") && !valueOf("verify-replay", o.verify)) return needs("verify-replay");
    if (set("export-video") && !valueOf("export-video", o.exportVideo))
        return needs("export-video");
    if (set("speed")) {
        bool ok = false;
        if (valueOf("speed", v)) o.speed = QString::fromStdString(v).toDouble(&ok);
        if (!ok || !(o.speed >= 0.25 && o.speed <= 16)) return needs("speed");
        o.speedGiven = true;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.size() > 1) return fail("unexpected argument '" + rest[1].toStdString() + "'");
    if (!rest.isEmpty()) o.script = rest[0].toStdString();

    if (!o.exportVideo.empty()) {
        if (o.script.empty()) return fail("--export-video needs the replay to export");
        if (o.headless || !o.record.empty() || !o.watch.empty() || !o.verify.empty() ||
            o.fullScreen || o.window || o.seedGiven || o.mute || o.noMusic || !o.recordsDir.empty())
            return fail("--export-video takes only --scale and --speed");
        o.exportFrom = std::move(o.script);
        o.script.clear();
        return -1;
    }
    if (o.speedGiven) return fail("--speed works only with --export-video");
    if (!o.verify.empty()) {
        if (o.headless || !o.script.empty() || !o.record.empty() || !o.watch.empty() ||
            o.scaleGiven || o.fullScreen || o.window)
            return fail("--verify-replay takes no other option");
        return -1;
    }
    if (!o.watch.empty() && (o.headless || !o.record.empty()))
        return fail("--replay is watched in a window");
    if (!o.headless) {
        if (!o.record.empty()) return fail("--record works only with --headless");
        if (o.seedGiven) return fail("--seed works only with --headless");
        // A replay named alone is watched, as a file manager opens one: quibblix GAME.qbr.
        if (!o.script.empty() && o.watch.empty() && IsReplayName(o.script)) {
            o.watch = std::move(o.script);
            o.script.clear();
        }
        if (!o.script.empty()) {
            if (IsReplayName(o.script)) return fail("unexpected argument '" + o.script + "'");
            return fail("a script runs only with --headless");
        }
        if (o.fullScreen && o.window) return fail("--fullscreen and --window exclude each other");
    } else if (o.scaleGiven) {
        return fail("--scale works only in a window");
    } else if (o.fullScreen) {
        return fail("--fullscreen works only in a window");
    } else if (o.window) {
        return fail("--window works only in a window");
    } else if (o.noDemo) {
        return fail("--no-demo works only in a window");
    }
    return -1;
}

}  // namespace qbx
