// Number conversions shared by the screens: 16-bit integers rounded half to even, and sums
// rounded to single precision before they are compared.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace qbx {

// Converts to a 16-bit integer, rounding half to even; out-of-range values saturate instead of
// overflowing.
inline int16_t ToInt16(double v) {
    if (std::isnan(v)) return 0;
    double r = std::nearbyint(v);  // the default rounding mode rounds half to even
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return static_cast<int16_t>(r);
}

// A sum rounded to single precision, as compared by the game's rules.
inline float F(double v) {
    return static_cast<float>(v);
}

inline std::string Dec(long long v) {
    return std::to_string(v);
}

// A caption of a heading, a line break (CR LF) and a number: "Score:\r\n120".
inline std::string HeadedNumber(const char* heading, long long v) {
    std::string s(heading);
    s += "\r\n";
    s += std::to_string(v);
    return s;
}

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

}  // namespace qbx
