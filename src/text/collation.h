#pragma once
// Alphabetical order of Windows-1252 texts, as a sorted list shows them: letters compare
// without regard to case or accents first ("água" sorts with "agua", before "b"), then
// accented after plain, then small before capital, so the order is total and stable.

#include <string_view>

namespace vintrel::text {

// Negative, zero or positive as `a` sorts before, with or after `b`.
int compareText(std::string_view a, std::string_view b);

}  // namespace vintrel::text
