// The headless driver's command language, its checks, and the JSON dump of every screen.
#include "backends/headless/driver.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <memory>
#include <ostream>
#include <sstream>

#include "engine/screen.h"

namespace qbx {

// ---- JSON helpers ----

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    size_t i = 0;
    while (i < s.size()) {
        unsigned char ch = static_cast<unsigned char>(s[i]);
        if (ch < 0x80) {
            switch (ch) {
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    if (ch < 0x20) {
                        char buf[8];
                        std::snprintf(buf, sizeof buf, "\\u%04x", ch);
                        out += buf;
                    } else {
                        out += static_cast<char>(ch);
                    }
            }
            ++i;
            continue;
        }
        // Copy a well-formed UTF-8 sequence; anything else becomes U+FFFD.
        int len = (ch >> 5) == 0x6 ? 2 : (ch >> 4) == 0xE ? 3 : (ch >> 3) == 0x1E ? 4 : 0;
        bool ok = len > 0 && i + static_cast<size_t>(len) <= s.size();
        for (int k = 1; ok && k < len; ++k)
            ok = (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) == 0x80;
        if (ok) {
            out.append(s, i, static_cast<size_t>(len));
            i += static_cast<size_t>(len);
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string JsonFloat(float v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

static std::string VarJson(const VarRef& v) {
    switch (v.type) {
        case VarRef::I16:
            return std::to_string(*static_cast<int16_t*>(v.ptr));
        case VarRef::I32:
            return std::to_string(*static_cast<int32_t*>(v.ptr));
        case VarRef::Bool16:
            return *static_cast<int16_t*>(v.ptr) != 0 ? "true" : "false";
        case VarRef::Str:
            return JsonString(*static_cast<std::string*>(v.ptr));
        case VarRef::F32:
            return JsonFloat(*static_cast<float*>(v.ptr));
    }
    return "null";
}

static void ControlJson(const Control& c, std::string& o) {
    auto geom = [&] {
        o += "\"Visible\": ";
        o += c.Visible ? "true" : "false";
        o += ", \"Left\": " + JsonFloat(c.Left) + ", \"Top\": " + JsonFloat(c.Top) +
             ", \"Width\": " + JsonFloat(c.Width) + ", \"Height\": " + JsonFloat(c.Height);
    };
    o += "{";
    switch (c.kind) {
        case Kind::Image: {
            geom();
            auto& i = static_cast<const Image&>(c);
            o += ", \"Picture\": " + (i.Picture ? JsonString(i.Picture->name) : "null");
            break;
        }
        case Kind::Label:
            geom();
            o += ", \"Caption\": " + JsonString(static_cast<const Label&>(c).Caption);
            break;
        case Kind::Button: {
            geom();
            auto& b = static_cast<const Button&>(c);
            o += ", \"Caption\": " + JsonString(b.Caption);
            o += ", \"Enabled\": ";
            o += b.Enabled ? "true" : "false";
            break;
        }
        case Kind::Shape:
            geom();
            break;
        case Kind::Timer: {
            auto& t = static_cast<const Timer&>(c);
            o += "\"Enabled\": ";
            o += t.Enabled() ? "true" : "false";
            o += ", \"Interval\": " + std::to_string(t.Interval);
            break;
        }
        case Kind::Menu: {
            auto& m = static_cast<const MenuItem&>(c);
            o += "\"Caption\": " + JsonString(m.Caption);
            break;
        }
    }
    o += "}";
}

static void ScreenJson(Screen& s, std::string& o) {
    o += "{\"loaded\": ";
    o += s.IsLoaded() ? "true" : "false";
    o += ", \"visible\": ";
    o += s.IsVisible() ? "true" : "false";
    o += ", \"focus\": ";
    Button* f = s.IsLoaded() ? s.FocusedButton() : nullptr;
    o += f ? JsonString(f->DisplayName()) : "null";
    o += ", \"mousePointer\": " + std::to_string(static_cast<int>(s.MousePointer()));
    o += ", \"vars\": {";
    bool first = true;
    for (const VarRef& v : s.Vars()) {
        if (!first) o += ", ";
        first = false;
        o += JsonString(v.name) + ": " + VarJson(v);
    }
    o += "}";
    for (const RecordSet& rs : s.Records()) {
        o += ", " + JsonString(rs.name) + ": [";
        for (int i = 0; i < rs.count; ++i) {
            if (i) o += ", ";
            o += "{";
            bool f2 = true;
            for (const VarRef& v : rs.fields(i)) {
                if (!f2) o += ", ";
                f2 = false;
                o += JsonString(v.name) + ": " + VarJson(v);
            }
            o += "}";
        }
        o += "]";
    }
    if (s.IsLoaded()) {
        o += ", \"controls\": {";
        bool fc = true;
        // Design order: menu items and timers first, then the drawn controls.
        std::vector<Control*> all;
        for (MenuItem* m : s.MenuItems()) all.push_back(m);
        for (Timer* t : s.Timers()) all.push_back(t);
        std::vector<Control*> drawn = s.ZOrder();
        std::stable_sort(drawn.begin(), drawn.end(), [](Control* a, Control* b) {
            if (a->name != b->name) return false;
            return a->index < b->index;
        });
        all.insert(all.end(), drawn.begin(), drawn.end());
        for (Control* c : all) {
            if (!fc) o += ", ";
            fc = false;
            o += JsonString(c->DisplayName()) + ": ";
            ControlJson(*c, o);
        }
        o += "}";
    }
    o += "}";
}

std::string Driver::Dump(const std::string& form) {
    std::string o = "{\"clock\": " + std::to_string(svc_.Clock()) + ", \"active\": ";
    Screen* a = program_.Active();
    o += a ? JsonString(a->Name()) : "null";
    o += ", \"ended\": ";
    o += svc_.Ended() ? "true" : "false";
    o += ", \"messages\": [";
    bool first = true;
    for (const MessageRecord& m : svc_.Messages()) {
        if (!first) o += ", ";
        first = false;
        o += "{\"title\": " + JsonString(m.title) + ", \"text\": " + JsonString(m.text) + "}";
    }
    o += "], \"screens\": {";
    first = true;
    for (Screen* s : program_.Screens()) {
        if (!form.empty() && s->Name() != form) continue;
        if (!first) o += ", ";
        first = false;
        o += JsonString(s->Name()) + ": ";
        ScreenJson(*s, o);
    }
    o += "}}";
    return o;
}

// ---- parsing ----

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

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
        {"left", vk::Left},  {"right", vk::Right}, {"up", vk::Up},
        {"down", vk::Down},  {"space", vk::Space}, {"escape", vk::Escape},
        {"esc", vk::Escape}, {"enter", vk::Enter}, {"tab", vk::Tab},
    };
    for (auto& [n, c] : named)
        if (l == n) {
            code = c;
            return true;
        }
    return false;
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

// "Bubbles(3).Size" -> base "Bubbles", index 3, rest "Size".
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

}  // namespace

struct Driver::Command {
    enum Op { Wait, Key, Click, Menu, Close, Set, Call, Post, Dump, Shot, Expect, Rnd } op;
    int64_t ms = 0;
    int16_t code = 0, shift = 0;
    bool down = true, up = true;
    std::string form, path, value, file;
    std::vector<float> values;
    float ratio = 1.0f;
    std::unique_ptr<Command> posted;
};

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
        if (tail == "down") {
            cmd.up = false;
        } else if (tail == "up") {
            cmd.down = false;
        } else if (!tail.empty()) {
            error = "key takes 'down' or 'up', not '" + tail + "'";
            return false;
        }
        return true;
    }
    if (word == "click" || word == "menu" || word == "close") {
        cmd.op = word == "click" ? Command::Click : word == "menu" ? Command::Menu : Command::Close;
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
                                          target == "clock" || target.rfind("message", 0) == 0)) {
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
        if (op != Command::Key && op != Command::Click && op != Command::Menu &&
            op != Command::Close) {
            error = "post takes a key, click, menu or close command";
            return false;
        }
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

// The current value of FORM.PATH, rendered as in a dump (strings without their quotes).
std::string Driver::ValueOf(const std::string& form, const std::string& path, bool& ok) {
    ok = true;
    if (form.empty()) {
        if (path == "active") {
            Screen* a = program_.Active();
            return a ? a->Name() : "null";
        }
        if (path == "ended") return svc_.Ended() ? "true" : "false";
        if (path == "clock") return std::to_string(svc_.Clock());
        if (path == "messages") return std::to_string(svc_.Messages().size());
        if (path == "message.title" || path == "message.text") {
            if (svc_.Messages().empty()) return "null";
            const MessageRecord& m = svc_.Messages().back();
            return path == "message.title" ? m.title : m.text;
        }
        ok = false;
        return "";
    }
    Screen& s = *program_.Find(form);
    if (path == "loaded") return s.IsLoaded() ? "true" : "false";
    if (path == "visible") return s.IsVisible() ? "true" : "false";
    if (path == "mousePointer") return std::to_string(static_cast<int>(s.MousePointer()));
    if (path == "caption") return s.caption;
    if (path == "focus") {
        Button* f = s.IsLoaded() ? s.FocusedButton() : nullptr;
        return f ? f->DisplayName() : "null";
    }
    auto unquote = [](const std::string& j) {
        return j.size() >= 2 && j.front() == '"' ? j.substr(1, j.size() - 2) : j;
    };
    for (const VarRef& v : s.Vars())
        if (v.name == path)
            return v.type == VarRef::Str ? *static_cast<std::string*>(v.ptr) : VarJson(v);
    std::string base, field;
    int index = -1;
    bool indexed = SplitIndexed(path, base, index, field);
    if (indexed)
        for (const RecordSet& rs : s.Records())
            if (rs.name == base && index < rs.count)
                for (const VarRef& v : rs.fields(index))
                    if (v.name == field)
                        return v.type == VarRef::Str ? *static_cast<std::string*>(v.ptr)
                                                     : VarJson(v);
    if (!s.IsLoaded()) {
        ok = false;
        return "";
    }
    size_t dot = indexed ? path.find('.', path.find(')')) : path.find('.');
    std::string cname = dot == std::string::npos ? path : path.substr(0, dot);
    std::string prop = dot == std::string::npos ? "" : path.substr(dot + 1);
    Control* c = s.Find(cname);
    if (!c) {
        ok = false;
        return "";
    }
    std::string json;
    ControlJson(*c, json);
    // Find "prop": value in the control's JSON.
    std::string key = "\"" + prop + "\": ";
    size_t at = json.find(key);
    if (prop.empty() || at == std::string::npos) {
        ok = false;
        return "";
    }
    size_t start = at + key.size();
    size_t end = start;
    if (json[start] == '"') {
        end = start + 1;
        while (end < json.size() && json[end] != '"') end += json[end] == '\\' ? 2 : 1;
        std::string quoted = json.substr(start, end - start + 1);
        // Undo the escapes the dump applied.
        std::string value;
        ParseValue(quoted, value);
        return value;
    }
    end = json.find_first_of(",}", start);
    return unquote(json.substr(start, end - start));
}

int Driver::Execute(Command& cmd, std::ostream& out, std::string& error) {
    switch (cmd.op) {
        case Command::Wait: {
            int64_t ms = cmd.ms;
            if (waitBudgetMs_ >= 0) {
                ms = std::min(ms, waitBudgetMs_);
                waitBudgetMs_ -= ms;
            }
            svc_.Advance(ms);
            return -1;
        }
        case Command::Key: {
            // A key already down goes down again only as the keyboard's auto-repeat.
            const bool repeat = held_.count(cmd.code) > 0;
            if (cmd.down) held_.insert(cmd.code);
            if (cmd.up) held_.erase(cmd.code);
            Screen* a = program_.Active();
            if (!a) return -1;  // no window has the keyboard
            if (cmd.down) a->KeyDown(cmd.code, cmd.shift, repeat);
            // No garbage is collected here: a posted key runs inside a handler's event pump,
            // and that handler's controls may be among the buried ones.
            if (cmd.up) {
                Screen* b = program_.Active();
                if (b) b->KeyUp(cmd.code, cmd.shift);
            }
            return -1;
        }
        case Command::Click: {
            Screen& s = *program_.Find(cmd.form);
            Control* c = s.IsVisible() ? s.Find(cmd.path) : nullptr;
            if (!c || c->kind != Kind::Button || !c->Visible) {
                error = "no visible button " + cmd.form + "." + cmd.path;
                return 2;
            }
            s.ClickButton(*static_cast<Button*>(c));
            return -1;
        }
        case Command::Menu: {
            Screen& s = *program_.Find(cmd.form);
            Control* c = s.IsVisible() ? s.Find(cmd.path) : nullptr;
            if (!c || c->kind != Kind::Menu || static_cast<MenuItem*>(c)->separator) {
                error = "no menu command " + cmd.form + "." + cmd.path;
                return 2;
            }
            s.ClickMenu(*static_cast<MenuItem*>(c));
            return -1;
        }
        case Command::Close: {
            Screen& s = *program_.Find(cmd.form);
            if (!s.IsVisible()) {
                error = "screen " + cmd.form + " has no open window";
                return 2;
            }
            s.CloseBox();
            return -1;
        }
        case Command::Set: {
            Screen& s = *program_.Find(cmd.form);
            const std::string& v = cmd.value;
            for (const VarRef& var : s.Vars())
                if (var.name == cmd.path) {
                    long long n = 0;
                    bool b = false;
                    float f = 0;
                    switch (var.type) {
                        case VarRef::I16:
                            if (!ParseLong(v, n) || n < -32768 || n > 32767) break;
                            *static_cast<int16_t*>(var.ptr) = static_cast<int16_t>(n);
                            return -1;
                        case VarRef::I32:
                            if (!ParseLong(v, n) || n < INT32_MIN || n > INT32_MAX) break;
                            *static_cast<int32_t*>(var.ptr) = static_cast<int32_t>(n);
                            return -1;
                        case VarRef::Bool16:
                            if (!ParseBool(v, b)) break;
                            *static_cast<int16_t*>(var.ptr) = b ? -1 : 0;
                            return -1;
                        case VarRef::Str:
                            *static_cast<std::string*>(var.ptr) = v;
                            return -1;
                        case VarRef::F32:
                            if (!ParseFloat(v, f)) break;
                            *static_cast<float*>(var.ptr) = f;
                            return -1;
                    }
                    error = "bad value '" + v + "' for " + cmd.path;
                    return 2;
                }
            std::string base, field;
            int index = -1;
            bool indexed = SplitIndexed(cmd.path, base, index, field);
            if (indexed)
                for (const RecordSet& rs : s.Records())
                    if (rs.name == base) {
                        if (index >= rs.count) {
                            error = "index out of range in " + cmd.path;
                            return 2;
                        }
                        for (const VarRef& var : rs.fields(index))
                            if (var.name == field) {
                                long long n = 0;
                                if (var.type == VarRef::Str) {
                                    *static_cast<std::string*>(var.ptr) = v;
                                    return -1;
                                }
                                if (!ParseLong(v, n) || n < -32768 || n > 32767) {
                                    error = "bad value '" + v + "' for " + cmd.path;
                                    return 2;
                                }
                                *static_cast<int16_t*>(var.ptr) = static_cast<int16_t>(n);
                                return -1;
                            }
                        error = "unknown field in " + cmd.path;
                        return 2;
                    }
            // A control property: check the name and the value before touching the screen,
            // since touching a control loads its screen.
            size_t dot = indexed ? cmd.path.find('.', cmd.path.find(')')) : cmd.path.find('.');
            if (dot == std::string::npos) {
                error = "unknown name " + cmd.form + "." + cmd.path;
                return 2;
            }
            std::string cname = cmd.path.substr(0, dot), prop = cmd.path.substr(dot + 1);
            std::string arrayBase = indexed ? base : cname;
            bool known = false;
            for (const ControlDesign& d : s.DesignTable())
                if (arrayBase == d.name && (d.index >= 0) == indexed) known = true;
            if (!known) {
                error = "unknown control " + cmd.form + "." + cname;
                return 2;
            }
            float f = 0;
            bool b = false;
            PictureRef pic = nullptr;
            bool numeric = prop == "Left" || prop == "Top" || prop == "Width" || prop == "Height";
            bool boolean = prop == "Visible" || prop == "Enabled";
            if ((numeric && !ParseFloat(v, f)) || (boolean && !ParseBool(v, b))) {
                error = "bad value '" + v + "' for " + cmd.path;
                return 2;
            }
            if (prop == "Picture" && !(pic = program_.FindPicture(v))) {
                error = "unknown picture '" + v + "'";
                return 2;
            }
            if (!numeric && !boolean && prop != "Picture" && prop != "Caption") {
                error = "unknown property " + prop;
                return 2;
            }
            if (s.IsLoaded() && !s.Find(cname)) {
                error = "no control " + cmd.form + "." + cname;
                return 2;
            }
            s.EnsureLoaded();
            Control* c = s.IsLoaded() ? s.Find(cname) : nullptr;
            if (!c) {
                error = "no control " + cmd.form + "." + cname;
                return 2;
            }
            if (numeric) {
                float* field_ = prop == "Left"    ? &c->Left
                                : prop == "Top"   ? &c->Top
                                : prop == "Width" ? &c->Width
                                                  : &c->Height;
                *field_ = f;
            } else if (prop == "Visible") {
                c->Visible = b;
            } else if (prop == "Enabled") {
                if (c->kind == Kind::Timer)
                    static_cast<Timer*>(c)->SetEnabled(b);
                else if (c->kind == Kind::Button)
                    static_cast<Button*>(c)->Enabled = b;
                else if (c->kind == Kind::Menu)
                    static_cast<MenuItem*>(c)->Enabled = b;
                else {
                    error = cname + " has no Enabled property";
                    return 2;
                }
            } else if (prop == "Picture") {
                if (c->kind != Kind::Image) {
                    error = cname + " has no Picture property";
                    return 2;
                }
                static_cast<Image*>(c)->SetPicture(pic);
            } else {
                if (c->kind == Kind::Label)
                    static_cast<Label*>(c)->Caption = v;
                else if (c->kind == Kind::Button)
                    static_cast<Button*>(c)->Caption = v;
                else if (c->kind == Kind::Menu)
                    static_cast<MenuItem*>(c)->Caption = v;
                else {
                    error = cname + " has no Caption property";
                    return 2;
                }
            }
            return -1;
        }
        case Command::Call: {
            auto routines = program_.Find(cmd.form)->Routines();
            routines.at(cmd.path)();
            return -1;
        }
        case Command::Post: {
            auto shared = std::make_shared<Command>(std::move(*cmd.posted));
            svc_.Post([this, shared] {
                std::string e;
                std::ostringstream sink;
                // A posted click on a control that is gone by then is dropped, as a click on a
                // closed window would be.
                Execute(*shared, sink, e);
            });
            return -1;
        }
        case Command::Dump:
            out << Dump(cmd.form) << "\n";
            return -1;
        case Command::Shot: {
            if (!hooks_.shot) {
                error = "shot is not available in this build";
                return 2;
            }
            std::string e = hooks_.shot(*program_.Find(cmd.form), cmd.file, cmd.ratio);
            if (!e.empty()) {
                error = e;
                return 2;
            }
            return -1;
        }
        case Command::Expect: {
            bool ok = true;
            std::string got = ValueOf(cmd.form, cmd.path, ok);
            if (!ok) {
                error = "unknown name " + (cmd.form.empty() ? "" : cmd.form + ".") + cmd.path;
                return 2;
            }
            if (got != cmd.value) {
                error = "expected " + cmd.path + " to be " + JsonString(cmd.value) + ", got " +
                        JsonString(got);
                return 1;
            }
            return -1;
        }
        case Command::Rnd:
            for (float f : cmd.values) program_.Rng().Force(f);
            return -1;
    }
    return -1;
}

int Driver::RunLine(const std::string& raw, int lineNo, std::ostream& out, std::ostream& err) {
    std::string line = raw;
    size_t hash = line.find('#');
    // A # inside a quoted value is part of the value.
    if (hash != std::string::npos && line.find('"') > hash) line = line.substr(0, hash);
    if (Trim(line).empty()) return -1;
    Command cmd;
    std::string error;
    if (!Parse(line, cmd, error)) {
        err << "line " << lineNo << ": " << error << "\n";
        return 2;
    }
    // Input posted by earlier lines waits for an event pump inside this command; whatever no
    // handler took arrives once the command is done.
    const bool posting = cmd.op == Command::Post;
    int rc = Execute(cmd, out, error);
    program_.CollectGarbage();
    if (rc < 0 && !posting) {
        svc_.DeliverPosted();
        program_.CollectGarbage();
    }
    if (rc >= 0) {
        err << "line " << lineNo << ": " << error << "\n";
        return rc;
    }
    return -1;
}

int Driver::Run(std::istream& script, std::ostream& out, std::ostream& err) {
    std::string line;
    int lineNo = 0;
    try {
        while (std::getline(script, line)) {
            ++lineNo;
            int rc = RunLine(line, lineNo, out, err);
            if (rc >= 0) return rc;
        }
        svc_.DeliverPosted();
    } catch (const ProgramEnded&) {
        program_.CollectGarbage();
        out << Dump() << "\n";
        return 0;
    }
    return 0;
}

}  // namespace qbx
