// Checks of a screen's state, read through the same tables a dump writes from.
#include "backends/headless/state_check.h"

#include <bit>
#include <cstdio>
#include <vector>

#include "backends/headless/control_properties.h"
#include "backends/headless/driver.h"
#include "engine/screen.h"

namespace qbx::driver {

namespace {

// FNV-1a, 32 bits: a byte at a time, which texts need, and plenty fast for a screen's worth.
class Hash {
public:
    void Bytes(const void* data, size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h_ = (h_ ^ p[i]) * 16777619u;
    }
    void Word(uint32_t v) { Bytes(&v, sizeof v); }
    void Text(const std::string& s) {
        Word(static_cast<uint32_t>(s.size()));
        Bytes(s.data(), s.size());
    }
    uint32_t Value() const { return h_; }

private:
    uint32_t h_ = 2166136261u;
};

void HashVar(Hash& h, const VarRef& v) {
    switch (v.type) {
        case VarRef::I16:
        case VarRef::Bool16:
            h.Word(static_cast<uint16_t>(*static_cast<int16_t*>(v.ptr)));
            break;
        case VarRef::I32:
            h.Word(static_cast<uint32_t>(*static_cast<int32_t*>(v.ptr)));
            break;
        case VarRef::F32:
            h.Word(std::bit_cast<uint32_t>(*static_cast<float*>(v.ptr)));
            break;
        case VarRef::Str:
            h.Text(*static_cast<std::string*>(v.ptr));
            break;
    }
}

void HashControl(Hash& h, const Control& c) {
    h.Text(c.name);
    h.Word(static_cast<uint32_t>(c.index));
    for (const Property& p : PropertiesOf(c.kind)) {
        if (!p.read || !p.On(c)) continue;
        const PropValue v = p.read(c);
        switch (p.type) {
            case PropType::Bool:
                h.Word(v.flag ? 1 : 0);
                break;
            case PropType::Number:
                h.Word(std::bit_cast<uint32_t>(v.number));
                break;
            case PropType::Integer:
                h.Word(static_cast<uint32_t>(v.integer));
                break;
            case PropType::Text:
                h.Text(v.text);
                break;
            case PropType::Picture:
                // By name: the same picture is another object in another program.
                if (v.picture)
                    h.Text(v.picture->name);
                else
                    h.Word(0xffffffffu);
                break;
        }
    }
}

// The loop counters a screen keeps between its handlers: what they hold between two inputs is
// whatever the last loop left there, which a game begun afresh (as its replay is) need not share
// with one begun after another.
bool Counter(const VarRef& v) {
    return v.name.size() > 5 && v.name.compare(v.name.size() - 5, 5, "Index") == 0;
}

bool Scalar(const VarRef& v) {
    return v.type != VarRef::Str && !Counter(v);
}

int32_t ScalarValue(const VarRef& v) {
    switch (v.type) {
        case VarRef::I16:
        case VarRef::Bool16:
            return *static_cast<int16_t*>(v.ptr);
        case VarRef::I32:
            return *static_cast<int32_t*>(v.ptr);
        case VarRef::F32:
            return std::bit_cast<int32_t>(*static_cast<float*>(v.ptr));
        case VarRef::Str:
            break;
    }
    return 0;
}

// A recorded value as the dump shows a variable of that type.
std::string ValueJson(const VarRef& type, int32_t value) {
    switch (type.type) {
        case VarRef::Bool16:
            return value != 0 ? "true" : "false";
        case VarRef::F32:
            return JsonFloat(std::bit_cast<float>(value));
        default:
            return std::to_string(value);
    }
}

std::string HexJson(uint64_t hash) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"%08x\"", static_cast<unsigned>(hash & 0xffffffffu));
    return buf;
}

}  // namespace

uint32_t StateHash(Screen& s) {
    Hash h;
    h.Word((s.IsLoaded() ? 1 : 0) | (s.IsVisible() ? 2 : 0));
    h.Word(static_cast<uint32_t>(s.MousePointer()));
    const Button* focus = s.IsLoaded() ? s.FocusedButton() : nullptr;
    if (focus) {
        h.Text(focus->name);
        h.Word(static_cast<uint32_t>(focus->index));
    } else {
        h.Word(0xffffffffu);
    }
    for (const VarRef& v : s.Vars())
        if (!Counter(v)) HashVar(h, v);
    for (const RecordSet& rs : s.Records())
        for (int i = 0; i < rs.count; ++i)
            for (const VarRef& v : rs.fields(i)) HashVar(h, v);
    if (s.IsLoaded()) {
        for (const MenuItem* m : s.MenuItems()) HashControl(h, *m);
        for (const Timer* t : s.Timers()) HashControl(h, *t);
        // In drawing order, which is state of its own.
        for (const Control* c : s.ZOrder()) HashControl(h, *c);
    }
    return h.Value();
}

void TakeCheck(Screen& s, InputEvent& check) {
    check.seed = StateHash(s);
    check.values.clear();
    for (const VarRef& v : s.Vars())
        if (Scalar(v)) check.values.push_back(ScalarValue(v));
}

std::optional<CheckDifference> CompareCheck(Screen& s, const InputEvent& recorded) {
    const uint32_t hash = StateHash(s);
    size_t i = 0;
    for (const VarRef& v : s.Vars()) {
        if (!Scalar(v)) continue;
        // A check of another length: another kind of game, which the hash tells.
        if (i >= recorded.values.size()) break;
        const int32_t now = ScalarValue(v);
        if (now != recorded.values[i])
            return CheckDifference{s.Name() + "." + v.name, ValueJson(v, recorded.values[i]),
                                   ValueJson(v, now)};
        ++i;
    }
    if (hash != (recorded.seed & 0xffffffffu))
        return CheckDifference{"state", HexJson(recorded.seed), HexJson(hash)};
    return std::nullopt;
}

}  // namespace qbx::driver
