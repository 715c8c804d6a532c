// The JSON state a dump prints: the clock, the messages shown, and every screen with its
// variables, records and controls.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "backends/headless/control_properties.h"
#include "backends/headless/driver.h"
#include "backends/headless/driver_internal.h"
#include "engine/screen.h"

namespace qbx {

namespace {

// The length of the well-formed UTF-8 sequence that starts at s[i] (2 to 4 bytes), or 0 when
// none does. A lead byte 110xxxxx, 1110xxxx or 11110xxx is followed by one, two or three
// continuation bytes 10xxxxxx; only the bit patterns are checked, so overlong forms, surrogates
// and lead bytes F5 to F7 pass. A lone ASCII byte gives 0 too: the callers take it as it is.
int Utf8SequenceAt(const std::string& s, size_t i) {
    unsigned char ch = static_cast<unsigned char>(s[i]);
    int len = (ch >> 5) == 0x6 ? 2 : (ch >> 4) == 0xE ? 3 : (ch >> 3) == 0x1E ? 4 : 0;
    bool ok = len > 0 && i + static_cast<size_t>(len) <= s.size();
    for (int k = 1; ok && k < len; ++k)
        ok = (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) == 0x80;
    return ok ? len : 0;
}

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : driver::ShownText(s)) {
        unsigned char ch = static_cast<unsigned char>(c);
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
                    out += c;
                }
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

namespace driver {

std::string ShownText(const std::string& s) {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            out += s[i++];
        } else if (int len = Utf8SequenceAt(s, i)) {
            out.append(s, i, static_cast<size_t>(len));
            i += static_cast<size_t>(len);
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

std::string VarJson(const VarRef& v) {
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

}  // namespace driver

namespace {

// A control's properties, as its kind's table lists them.
void ControlJson(const Control& c, std::string& o) {
    o += "{";
    bool first = true;
    for (const driver::Property& p : driver::PropertiesOf(c.kind)) {
        if (!p.read) continue;
        if (!first) o += ", ";
        first = false;
        o += "\"";
        o += p.name;
        o += "\": " + driver::ValueJson(p.type, p.read(c));
    }
    o += "}";
}

void ScreenJson(Screen& s, std::string& o) {
    o += "{\"loaded\": ";
    o += s.IsLoaded() ? "true" : "false";
    o += ", \"visible\": ";
    o += s.IsVisible() ? "true" : "false";
    o += ", \"focus\": ";
    Button* f = s.IsLoaded() ? s.FocusedButton() : nullptr;
    o += f ? JsonString(f->DisplayName()) : "null";
    o += ", \"mousePointer\": " + std::to_string(s.MousePointer());
    o += ", \"vars\": {";
    bool first = true;
    for (const VarRef& v : s.Vars()) {
        if (!first) o += ", ";
        first = false;
        o += JsonString(v.name) + ": " + driver::VarJson(v);
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
                o += JsonString(v.name) + ": " + driver::VarJson(v);
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

}  // namespace

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

}  // namespace qbx
