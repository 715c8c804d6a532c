// Well-formed UTF-8, by one rule everywhere: overlong forms, surrogates and values beyond
// U+10FFFF are not.
#pragma once

#include <cstddef>
#include <string_view>

namespace qbx {

// Length of the well-formed sequence at s[i] (1 to 4), or 0 when there is none.
size_t Utf8SequenceLength(std::string_view s, size_t i);
bool ValidUtf8(std::string_view s);

}  // namespace qbx
