// The one UTF-8 check.
#include "engine/utf8.h"

namespace qbx {

size_t Utf8SequenceLength(std::string_view s, size_t i) {
    if (i >= s.size()) return 0;
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return 1;
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    return len;
}

bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t len = Utf8SequenceLength(s, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string ReplaceInvalidUtf8(std::string_view s) {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            out += s[i++];
        } else if (const size_t len = Utf8SequenceLength(s, i)) {
            out.append(s, i, len);
            i += len;
        } else {
            out += kReplacementCharacter;
            ++i;
        }
    }
    return out;
}

}  // namespace qbx
