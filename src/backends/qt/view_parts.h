// What the pieces of the client area share: a control's rectangle in pixels and the digest that
// tells whether a control looks the same as it did.
#pragma once

#include <QRect>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "backends/qt/screen_view.h"
#include "engine/controls.h"

namespace qbx {

inline QRect PxRect(const Control& c) {
    return QRect(TwipsToPx(c.Left), TwipsToPx(c.Top), TwipsToPx(c.Width), TwipsToPx(c.Height));
}

// A 64-bit FNV-1a digest, fed field by field.
struct Digest {
    uint64_t h = 0xcbf29ce484222325ULL;
    Digest& Bytes(const void* data, size_t n) {
        const auto* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 0x100000001b3ULL;
        return *this;
    }
    template <class T>
    Digest& Add(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        return Bytes(&v, sizeof v);
    }
    Digest& Add(const std::string& s) { return Add(s.size()).Bytes(s.data(), s.size()); }
    Digest& Add(const char* s) {
        const size_t n = s ? std::strlen(s) : 0;
        return Add(n).Bytes(s, n);
    }
    Digest& Add(const Rgb& c) { return Add(c.r).Add(c.g).Add(c.b); }
    Digest& Add(const FontSetting& f) { return Add(f.family).Add(f.points).Add(f.bold); }
    Digest& Add(const QRect& r) { return Add(r.x()).Add(r.y()).Add(r.width()).Add(r.height()); }
};

}  // namespace qbx
