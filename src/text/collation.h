#pragma once
// Alphabetical order of Windows-1252 texts, as a sorted list shows them: letters compare
// without regard to case or accents first ("água" sorts with "agua", before "b"), then
// accented after plain, then small before capital, so the order is total and stable.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::text {

// Negative, zero or positive as `a` sorts before, with or after `b`.
int compareText(std::string_view a, std::string_view b);

// The places of `texts` in that order (equal texts in their order): the first is the place
// of the text that sorts first.
std::vector<std::uint32_t> sortedOrder(const std::vector<std::string>& texts);

// Puts `texts` in that order; equal texts keep their order.
void sortTexts(std::vector<std::string>& texts);

// Puts texts[order[i]] at place i, for every i, in place; `order` is sortedOrder's kind.
void permute(std::vector<std::string>& texts, const std::vector<std::uint32_t>& order);

}  // namespace vintrel::text
