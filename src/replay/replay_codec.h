// What the replay reader and writer share: the file's constants and the encodings of numbers.
// Not for use outside src/replay.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/input.h"

namespace qbx::replay::detail {

inline constexpr char kMagic[8] = {'Q', 'B', 'X', 'R', 'E', 'P', 'L', 'Y'};
inline constexpr size_t kChunkHeadBytes = 12;
// Tick codes with the top bit set carry the timer's name number in the low seven bits.
inline constexpr uint8_t kShortTick = 0x80;
inline constexpr uint8_t kRepeatFlag = 0x20;
inline constexpr uint8_t kKindMask = 0x1f;
// Kind codes in the chunk bytes: 0 defines a name, the rest are the inputs' kinds plus one.
inline constexpr uint8_t kDefineName = 0;
// A difference in time beyond this (about 35 years) is corrupt.
inline constexpr uint64_t kMaxDeltaMs = uint64_t{1} << 40;

inline void PutLE(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

inline uint64_t GetLE(std::string_view in, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint64_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    return v;
}

inline void PutVar(std::string& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

inline uint64_t ZigZag(int64_t v) {
    return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}

inline int64_t UnZigZag(uint64_t v) {
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

inline void PutText(std::string& out, const std::string& text, size_t field) {
    // Cut on a character boundary, leaving room for the closing zero.
    size_t n = std::min(text.size(), field - 1);
    while (n > 0 && n < text.size() && (static_cast<uint8_t>(text[n]) & 0xc0) == 0x80) --n;
    out.append(text, 0, n);
    out.append(field - n, '\0');
}

inline std::string GetText(std::string_view in, size_t at, size_t field) {
    std::string_view f = in.substr(at, field);
    return std::string(f.substr(0, f.find('\0')));
}

inline uint32_t Crc(std::string_view bytes) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

}  // namespace qbx::replay::detail
