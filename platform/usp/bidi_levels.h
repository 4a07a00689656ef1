// Embedding levels of a paragraph, from fribidi.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::usp {

// levels[i] = the resolved embedding level of codePoints[i] in a paragraph whose base level is
// `baseLevel` (its parity gives the paragraph's direction; an even amount above 0 or 1 is added
// to every level). With `override` every character gets baseLevel. Text with nothing right to
// left in a left-to-right paragraph skips fribidi: every level is then the base level.
void resolveLevels(const std::vector<char32_t>& codePoints, int baseLevel, bool override,
                   std::vector<std::uint8_t>& levels);

}  // namespace platform::usp
