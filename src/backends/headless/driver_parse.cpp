// The driver's command language: a script line becomes a Command, checked against the program's
// screens and routines before anything runs.
#include <charconv>
#include <cmath>
#include <sstream>

#include "backends/headless/driver.h"
#include "backends/headless/driver_internal.h"
#include "engine/screen.h"

namespace qbx {

namespace {

using driver::ParseFloat;
using driver::ParseLong;
using driver::Trim;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseKey(const std::string& keyName, int16_t& code, int16_t& shift) {
    std::string rest = keyName;
    shift = 0;
    for (;;) {
        std::string l = Lower(rest);
        if (l.rfind("ctrl+", 0) == 0) {
            shift |= vk::CtrlMask;
            rest = rest.substr(5);
        } else if (l.rfind("shift+", 0) == 0) {
            shift |= vk::ShiftMask;
            rest = rest.substr(6);
        } else if (l.rfind("alt+", 0) == 0) {
            shift |= vk::AltMask;
            rest = rest.substr(4);
        } else {
            break;
        }
    }
    std::string l = Lower(rest);
    if (rest.size() == 1) {
        char ch = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
        if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) {
            code = ch;
            return true;
        }
        return false;
    }
    static const std::pair<const char*, int16_t> named[] = {
        {"left", vk::Left},     {"right", vk::Right},       {"up", vk::Up},
        {"down", vk::Down},     {"space", vk::Space},       {"escape", vk::Escape},
        {"esc", vk::Escape},    {"enter", vk::Enter},       {"tab", vk::Tab},
        {"pageup", vk::PageUp}, {"pagedown", vk::PageDown}, {"home", vk::Home},
        {"end", vk::End},
    };
    for (auto& [n, c] : named)
        if (l == n) {
            code = c;
            return true;
        }
    return false;
}

// The optional word after a key or a button: "down" presses it only, "up" releases it only,
// nothing does both.
bool ParsePress(const std::string& command, const std::string& tail, bool& down, bool& up,
                std::string& error) {
    if (tail == "down") {
        up = false;
    } else if (tail == "up") {
        down = false;
    } else if (!tail.empty()) {
        error = command + " takes 'down' or 'up', not '" + tail + "'";
        return false;
    }
    return true;
}

// A value given on a script line: a JSON-style quoted string (with \r \n \t \" \\ escapes) or
// the rest of the line as it stands.
bool ParseValue(const std::string& raw, std::string& out) {
    std::string s = Trim(raw);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        out.clear();
        for (size_t i = 1; i + 1 < s.size(); ++i) {
            char ch = s[i];
            if (ch == '\\' && i + 2 < s.size()) {
                char e = s[++i];
                switch (e) {
                    case 'r':
                        out += '\r';
                        break;
                    case 'n':
                        out += '\n';
                        break;
                    case 't':
                        out += '\t';
                        break;
                    case '"':
                        out += '"';
                        break;
                    case '\\':
                        out += '\\';
                        break;
                    default:
                        return false;
                }
            } else {
                out += ch;
            }
        }
        return true;
    }
    out = s;
    return true;
}

}  // namespace

namespace driver {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool ParseLong(const std::string& s, long long& v) {
    if (s.empty()) return false;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

bool ParseFloat(const std::string& s, float& v) {
    if (s.empty()) return false;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size() && std::isfinite(v);
}

bool ParseBool(const std::string& s, bool& v) {
    std::string l = Lower(s);
    if (l == "true" || l == "-1") return v = true, true;
    if (l == "false" || l == "0") return v = false, true;
    return false;
}

bool SplitIndexed(const std::string& path, std::string& base, int& index, std::string& rest) {
    size_t open = path.find('(');
    size_t close = path.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    base = path.substr(0, open);
    long long i = 0;
    if (!ParseLong(path.substr(open + 1, close - open - 1), i) || i < 0 || i > 100000) return false;
    index = static_cast<int>(i);
    rest = close + 1 < path.size() && path[close + 1] == '.' ? path.substr(close + 2) : "";
    return close + 1 == path.size() || path[close + 1] == '.';
}

}  // namespace driver

bool Driver::Parse(const std::string& rawLine, Command& cmd, std::string& error) {
    std::string line = Trim(rawLine);
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in, rest);
    rest = Trim(rest);
    auto splitForm = [&](const std::string& target, bool needName) {
        size_t dot = target.find('.');
        cmd.form = dot == std::string::npos ? target : target.substr(0, dot);
        cmd.path = dot == std::string::npos ? "" : target.substr(dot + 1);
        if (!program_.Find(cmd.form)) {
            error = "unknown screen '" + cmd.form + "'";
            return false;
        }
        if (needName && cmd.path.empty()) {
            error = "expected FORM.NAME, got '" + target + "'";
            return false;
        }
        return true;
    };
    auto firstWord = [](const std::string& s, std::string& w, std::string& tail) {
        size_t sp = s.find_first_of(" \t");
        w = s.substr(0, sp);
        tail = sp == std::string::npos ? "" : Trim(s.substr(sp));
    };

    if (word == "wait") {
        cmd.op = Command::Wait;
        long long ms = 0;
        if (!ParseLong(rest, ms) || ms < 0 || ms > 100000000) {
            error = "wait needs a number of milliseconds";
            return false;
        }
        cmd.ms = ms;
        return true;
    }
    if (word == "key") {
        cmd.op = Command::Key;
        std::string keyName, tail;
        firstWord(rest, keyName, tail);
        if (!ParseKey(keyName, cmd.code, cmd.shift)) {
            error = "unknown key '" + keyName + "'";
            return false;
        }
        return ParsePress(word, tail, cmd.down, cmd.up, error);
    }
    if (word == "click" || word == "dblclick" || word == "menu" || word == "close") {
        cmd.op = word == "click"      ? Command::Click
                 : word == "dblclick" ? Command::DblClick
                 : word == "menu"     ? Command::Menu
                                      : Command::Close;
        if (rest.find_first_of(" \t") != std::string::npos) {
            error = word + " takes one name";
            return false;
        }
        return splitForm(rest, cmd.op != Command::Close);
    }
    if (word == "set" || word == "expect") {
        cmd.op = word == "set" ? Command::Set : Command::Expect;
        std::string target, tail;
        firstWord(rest, target, tail);
        if (tail.empty()) {
            error = word + " needs a name and a value";
            return false;
        }
        if (!ParseValue(tail, cmd.value)) {
            error = "bad value '" + tail + "'";
            return false;
        }
        if (cmd.op == Command::Expect && (target == "active" || target == "ended" ||
                                          target == "clock" || target.rfind("message", 0) == 0 ||
                                          target == "music.piece" || target == "music.state")) {
            cmd.form.clear();
            cmd.path = target;
            return true;
        }
        return splitForm(target, true);
    }
    if (word == "call") {
        cmd.op = Command::Call;
        if (!splitForm(rest, true)) return false;
        auto routines = program_.Find(cmd.form)->Routines();
        if (!routines.count(cmd.path)) {
            error = "unknown routine '" + rest + "'";
            return false;
        }
        return true;
    }
    if (word == "post") {
        cmd.op = Command::Post;
        cmd.posted = std::make_unique<Command>();
        if (!Parse(rest, *cmd.posted, error)) return false;
        auto op = cmd.posted->op;
        if (op != Command::Key && op != Command::Click && op != Command::DblClick &&
            op != Command::Menu && op != Command::Close && op != Command::Answer) {
            error = "post takes a key, click, dblclick, menu, close or answer command";
            return false;
        }
        return true;
    }
    if (word == "answer") {
        // The text typed into the next name box, up to the end of the line.
        cmd.op = Command::Answer;
        cmd.value = rest;
        return true;
    }
    if (word == "dump") {
        cmd.op = Command::Dump;
        if (!rest.empty() && !program_.Find(rest)) {
            error = "unknown screen '" + rest + "'";
            return false;
        }
        cmd.form = rest;
        return true;
    }
    if (word == "shot") {
        cmd.op = Command::Shot;
        std::string name, tail, file, ratio;
        firstWord(rest, name, tail);
        firstWord(tail, file, ratio);
        if (!program_.Find(name) || file.empty()) {
            error = "shot needs a screen and a file";
            return false;
        }
        cmd.form = name;
        cmd.file = file;
        cmd.ratio = 1.0f;
        if (!ratio.empty() &&
            (!ParseFloat(ratio, cmd.ratio) || cmd.ratio < 0.5f || cmd.ratio > 4)) {
            error = "shot takes a pixel ratio from 0.5 to 4";
            return false;
        }
        return true;
    }
    if (word == "pad") {
        cmd.op = Command::Pad;
        std::string name, tail;
        firstWord(rest, name, tail);
        // "pad 2 a" is the second pad's; without a number it is the first's.
        if (name == "1" || name == "2") {
            cmd.padIndex = name == "2" ? 1 : 0;
            const std::string more = tail;
            firstWord(more, name, tail);
        }
        if (auto axis = PadAxisNamed(name)) {
            long long v = 0;
            if (!ParseLong(tail, v) || v < -32768 || v > 32767) {
                error = "pad " + name + " takes a number from -32768 to 32767";
                return false;
            }
            cmd.padAxis = true;
            cmd.padInput = static_cast<int>(*axis);
            cmd.padValue = static_cast<int>(v);
            return true;
        }
        auto button = PadButtonNamed(name);
        if (!button) {
            error = "unknown pad button '" + name + "'";
            return false;
        }
        cmd.padInput = static_cast<int>(*button);
        return ParsePress(word, tail, cmd.down, cmd.up, error);
    }
    if (word == "replay") {
        cmd.op = Command::Replay;
        std::string count;
        firstWord(rest, cmd.file, count);
        cmd.ms = -1;
        long long n = 0;
        if (cmd.file.empty() || (!count.empty() && (!ParseLong(count, n) || n < 0))) {
            error = "replay needs a file and, if any, a number of events";
            return false;
        }
        if (!count.empty()) cmd.ms = n;
        return true;
    }
    if (word == "rnd") {
        cmd.op = Command::Rnd;
        std::istringstream vs(rest);
        std::string v;
        while (vs >> v) {
            float f = 0;
            if (!ParseFloat(v, f) || f < 0 || f >= 1) {
                error = "rnd takes numbers in [0, 1)";
                return false;
            }
            cmd.values.push_back(f);
        }
        if (cmd.values.empty()) {
            error = "rnd takes numbers in [0, 1)";
            return false;
        }
        return true;
    }
    error = "unknown command '" + word + "'";
    return false;
}

}  // namespace qbx
