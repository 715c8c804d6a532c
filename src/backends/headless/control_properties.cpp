// The property tables: what a dump shows of each kind of control and what a script may set.
#include "backends/headless/control_properties.h"

#include <string>

#include "backends/headless/driver.h"
#include "backends/headless/driver_internal.h"
#include "engine/utf8.h"

namespace qbx::driver {
namespace {

PropValue Flag(bool b) {
    PropValue v;
    v.flag = b;
    return v;
}

PropValue Number(float f) {
    PropValue v;
    v.number = f;
    return v;
}

PropValue Text(const std::string& s) {
    PropValue v;
    v.text = s;
    return v;
}

// Every control has a place and a visibility, though only the drawn ones show them.
template <float Control::*Field>
PropValue ReadPlace(const Control& c) {
    return Number(c.*Field);
}
template <float Control::*Field>
void WritePlace(Control& c, const PropValue& v) {
    c.*Field = v.number;
}

constexpr Property kVisible{"Visible", PropType::Bool,
                            [](const Control& c) { return Flag(c.Visible); },
                            [](Control& c, const PropValue& v) { c.Visible = v.flag; }};
constexpr Property kLeft{"Left", PropType::Number, ReadPlace<&Control::Left>,
                         WritePlace<&Control::Left>};
constexpr Property kTop{"Top", PropType::Number, ReadPlace<&Control::Top>,
                        WritePlace<&Control::Top>};
constexpr Property kWidth{"Width", PropType::Number, ReadPlace<&Control::Width>,
                          WritePlace<&Control::Width>};
constexpr Property kHeight{"Height", PropType::Number, ReadPlace<&Control::Height>,
                           WritePlace<&Control::Height>};

// The same property, which a script may set but a dump does not show.
constexpr Property Unseen(const Property& p) {
    return {p.name, p.type, nullptr, p.write};
}

template <class C>
PropValue ReadCaption(const Control& c) {
    return Text(static_cast<const C&>(c).Caption);
}
template <class C>
void WriteCaption(Control& c, const PropValue& v) {
    static_cast<C&>(c).Caption = v.text;
}

template <class C>
PropValue ReadEnabled(const Control& c) {
    return Flag(static_cast<const C&>(c).Enabled);
}
template <class C>
void WriteEnabled(Control& c, const PropValue& v) {
    static_cast<C&>(c).Enabled = v.flag;
}

const Property kImage[] = {
    kVisible,
    kLeft,
    kTop,
    kWidth,
    kHeight,
    {"Picture", PropType::Picture,
     [](const Control& c) {
         PropValue v;
         v.picture = static_cast<const Image&>(c).Picture;
         return v;
     },
     // The image takes the picture's natural size.
     [](Control& c, const PropValue& v) { static_cast<Image&>(c).SetPicture(v.picture); }},
};

const Property kLabel[] = {
    kVisible, kLeft,   kTop,
    kWidth,   kHeight, {"Caption", PropType::Text, ReadCaption<Label>, WriteCaption<Label>},
};

const Property kButton[] = {
    kVisible,
    kLeft,
    kTop,
    kWidth,
    kHeight,
    {"Caption", PropType::Text, ReadCaption<Button>, WriteCaption<Button>},
    {"Enabled", PropType::Bool, ReadEnabled<Button>, WriteEnabled<Button>},
};

const Property kShape[] = {kVisible, kLeft, kTop, kWidth, kHeight};

const Property kTimer[] = {
    {"Enabled", PropType::Bool,
     [](const Control& c) { return Flag(static_cast<const Timer&>(c).Enabled()); },
     // Switching a timer on or off schedules or cancels its ticks.
     [](Control& c, const PropValue& v) { static_cast<Timer&>(c).SetEnabled(v.flag); }},
    {"Interval", PropType::Integer,
     [](const Control& c) {
         PropValue v;
         v.integer = static_cast<const Timer&>(c).Interval;
         return v;
     },
     nullptr},
    Unseen(kVisible),
    Unseen(kLeft),
    Unseen(kTop),
    Unseen(kWidth),
    Unseen(kHeight),
};

const Property kMenu[] = {
    {"Caption", PropType::Text, ReadCaption<MenuItem>, WriteCaption<MenuItem>},
    {"Enabled", PropType::Bool, nullptr, WriteEnabled<MenuItem>},
    // Only a command with a check mark shows whether it is checked.
    {"Checked", PropType::Bool,
     [](const Control& c) { return Flag(static_cast<const MenuItem&>(c).Checked); },
     [](Control& c, const PropValue& v) { static_cast<MenuItem&>(c).Checked = v.flag; },
     [](const Control& c) { return static_cast<const MenuItem&>(c).checkable; }},
    Unseen(kVisible),
    Unseen(kLeft),
    Unseen(kTop),
    Unseen(kWidth),
    Unseen(kHeight),
};

constexpr Kind kKinds[] = {Kind::Image, Kind::Label, Kind::Button,
                           Kind::Shape, Kind::Timer, Kind::Menu};

}  // namespace

std::span<const Property> PropertiesOf(Kind kind) {
    switch (kind) {
        case Kind::Image:
            return kImage;
        case Kind::Label:
            return kLabel;
        case Kind::Button:
            return kButton;
        case Kind::Shape:
            return kShape;
        case Kind::Timer:
            return kTimer;
        case Kind::Menu:
            return kMenu;
    }
    return {};
}

const Property* FindProperty(Kind kind, std::string_view name) {
    for (const Property& p : PropertiesOf(kind))
        if (name == p.name) return &p;
    return nullptr;
}

bool SettableType(std::string_view name, PropType& type) {
    for (Kind kind : kKinds) {
        const Property* p = FindProperty(kind, name);
        if (p && p->write) {
            type = p->type;
            return true;
        }
    }
    return false;
}

std::string ValueJson(PropType type, const PropValue& v) {
    switch (type) {
        case PropType::Bool:
            return v.flag ? "true" : "false";
        case PropType::Number:
            return JsonFloat(v.number);
        case PropType::Integer:
            return std::to_string(v.integer);
        case PropType::Text:
            return JsonString(v.text);
        case PropType::Picture:
            return v.picture ? JsonString(v.picture->name) : "null";
    }
    return "null";
}

std::string ValueText(PropType type, const PropValue& v) {
    switch (type) {
        case PropType::Text:
            return ReplaceInvalidUtf8(v.text);
        case PropType::Picture:
            return v.picture ? ReplaceInvalidUtf8(v.picture->name) : "null";
        default:
            return ValueJson(type, v);
    }
}

}  // namespace qbx::driver
