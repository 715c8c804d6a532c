// Short constructors for design-table rows, so the tables read like the screens' layouts.
#pragma once

#include "engine/screen.h"

namespace qbx::design {

// A row for a control of that kind, name and array index (-1 for none), in its place.
inline ControlDesign Placed(Kind kind, const char* name, int index, float l, float t, float w,
                            float h, bool visible) {
    ControlDesign d;
    d.kind = kind;
    d.name = name;
    d.index = index;
    d.left = l;
    d.top = t;
    d.width = w;
    d.height = h;
    d.visible = visible;
    return d;
}

inline ControlDesign Img(const char* name, int index, float l, float t, float w, float h,
                         bool visible, const char* picture) {
    ControlDesign d = Placed(Kind::Image, name, index, l, t, w, h, visible);
    d.picture = picture;
    return d;
}

inline ControlDesign Lbl(const char* name, int index, float l, float t, float w, float h,
                         bool visible, const char* caption, FontSetting font, Rgb fore,
                         bool backOpaque = false, Rgb back = {}, Align align = Align::Left,
                         bool border = false) {
    ControlDesign d = Placed(Kind::Label, name, index, l, t, w, h, visible);
    d.caption = caption;
    d.font = font;
    d.fore = fore;
    d.backOpaque = backOpaque;
    d.back = back;
    d.align = align;
    d.border = border;
    return d;
}

inline ControlDesign Btn(const char* name, float l, float t, float w, float h, const char* caption,
                         FontSetting font, Rgb back, int tabIndex, bool visible = true) {
    ControlDesign d = Placed(Kind::Button, name, -1, l, t, w, h, visible);
    d.caption = caption;
    d.font = font;
    d.back = back;
    d.tabIndex = tabIndex;
    return d;
}

inline ControlDesign Shp(const char* name, int index, float l, float t, float w, float h,
                         bool visible, ShapeKind shape, Rgb border, int borderPx, bool fillSolid,
                         Rgb fill) {
    ControlDesign d = Placed(Kind::Shape, name, index, l, t, w, h, visible);
    d.shape = shape;
    d.borderColor = border;
    d.borderWidthPx = borderPx;
    d.fillSolid = fillSolid;
    d.fillColor = fill;
    return d;
}

inline ControlDesign Tmr(const char* name, int intervalMs) {
    ControlDesign d;
    d.kind = Kind::Timer;
    d.name = name;
    d.visible = false;
    d.interval = intervalMs;
    return d;
}

inline ControlDesign Mnu(const char* name, const char* caption, const char* parent,
                         int shortcutKey = 0) {
    ControlDesign d;
    d.kind = Kind::Menu;
    d.name = name;
    d.caption = caption;
    d.menuParent = parent;
    d.shortcutKey = shortcutKey;
    return d;
}

// A menu command with a check mark.
inline ControlDesign CheckMnu(const char* name, const char* caption, const char* parent,
                              int shortcutKey = 0) {
    ControlDesign d = Mnu(name, caption, parent, shortcutKey);
    d.checkable = true;
    return d;
}

}  // namespace qbx::design
