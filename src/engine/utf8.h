// Well-formed UTF-8, by one rule everywhere: overlong forms, surrogates and values beyond
// U+10FFFF are not.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qbx {

// Length of the well-formed sequence at s[i] (1 to 4), or 0 when there is none.
size_t Utf8SequenceLength(std::string_view s, size_t i);
bool ValidUtf8(std::string_view s);

// U+FFFD, which stands in for each byte that is not part of a well-formed sequence.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
// s with every such byte replaced: always well-formed, and unchanged when it already was.
std::string ReplaceInvalidUtf8(std::string_view s);

}  // namespace qbx
