// The properties a script sees on each kind of control: one table per kind, in the order a dump
// lists them. A dump writes, `expect` compares and `set` assigns through these tables only.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/controls.h"

namespace qbx::driver {

// What a property holds; it says how a script writes the value and how a dump shows it.
enum class PropType : uint8_t { Bool, Number, Integer, Text, Picture };

// A property's value, read from a control or taken from a script; the member of its type is set.
struct PropValue {
    bool flag = false;
    float number = 0;
    int integer = 0;
    std::string text;
    PictureRef picture = nullptr;
};

struct Property {
    const char* name;
    PropType type;
    // Reads the value that a dump shows; null for a property a script may set but not see.
    PropValue (*read)(const Control&);
    // Assigns a script's value; null for a property a script may only read.
    void (*write)(Control&, const PropValue&);
    // Whether this control has the property at all; null when every control of the kind has.
    bool (*has)(const Control&) = nullptr;
    bool On(const Control& c) const { return !has || has(c); }
};

// The properties of one kind of control, in dump order.
std::span<const Property> PropertiesOf(Kind kind);
// A property of that kind by name, or null.
const Property* FindProperty(Kind kind, std::string_view name);
// The type of a property of that name that a script may set on some kind of control; false when
// no kind has one.
bool SettableType(std::string_view name, PropType& type);

// The value as a dump writes it (JSON), and as an expectation compares it: the same, but a text
// or a picture's name without its quotes and escapes.
std::string ValueJson(PropType type, const PropValue& v);
std::string ValueText(PropType type, const PropValue& v);

}  // namespace qbx::driver
