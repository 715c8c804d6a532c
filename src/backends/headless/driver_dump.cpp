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
#include "engine/utf8.h"

namespace qbx {

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : ReplaceInvalidUtf8(s)) {
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
        if (!p.read || !p.On(c)) continue;
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
    o += ", \"mousePointer\": " + std::to_string(static_cast<int>(s.MousePointer()));
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
    // The sound effects asked for since the last dump, in order.
    o += "], \"sounds\": [";
    first = true;
    for (Sound effect : svc_.TakeSounds()) {
        if (!first) o += ", ";
        first = false;
        o += JsonString(std::string(SoundName(effect)));
    }
    o += "], \"music\": {\"piece\": ";
    o += JsonString(std::string(MusicName(svc_.MusicPiece())));
    o += ", \"state\": ";
    o += JsonString(std::string(svc_.MusicState()));
    o += "}, \"screens\": {";
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
