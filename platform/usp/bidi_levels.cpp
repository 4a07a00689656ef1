#include "platform/usp/bidi_levels.h"

#include <fribidi.h>

namespace platform::usp {

namespace {

// True when the text needs the bidi algorithm in a left-to-right paragraph: it has a
// right-to-left character, an Arabic number or an explicit embedding, override or isolate.
bool needsBidi(const std::vector<FriBidiCharType>& types) {
    for (FriBidiCharType t : types) {
        if (FRIBIDI_IS_RTL(t) || FRIBIDI_IS_EXPLICIT(t) || FRIBIDI_IS_ISOLATE(t) || t == FRIBIDI_TYPE_AN) {
            return true;
        }
    }
    return false;
}

}  // namespace

void resolveLevels(const std::vector<char32_t>& codePoints, int baseLevel, bool override,
                   std::vector<std::uint8_t>& levels) {
    const int n = static_cast<int>(codePoints.size());
    levels.assign(codePoints.size(), static_cast<std::uint8_t>(baseLevel));
    if (override || n == 0) {
        return;
    }
    thread_local std::vector<FriBidiCharType> types;
    thread_local std::vector<FriBidiBracketType> brackets;
    thread_local std::vector<FriBidiLevel> fribidiLevels;
    types.resize(codePoints.size());
    const auto* text = reinterpret_cast<const FriBidiChar*>(codePoints.data());
    fribidi_get_bidi_types(text, n, types.data());
    bool rtlParagraph = (baseLevel & 1) != 0;
    if (!rtlParagraph && !needsBidi(types)) {
        return;
    }
    brackets.resize(codePoints.size());
    fribidi_get_bracket_types(text, n, types.data(), brackets.data());
    fribidiLevels.resize(codePoints.size());
    FriBidiParType direction = rtlParagraph ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction, fribidiLevels.data()) == 0) {
        return;  // fribidi could not allocate: keep the base level, the text still shows left to right
    }
    const int raise = baseLevel & ~1;
    for (int i = 0; i < n; ++i) {
        levels[i] = static_cast<std::uint8_t>(fribidiLevels[i] + raise);
    }
}

}  // namespace platform::usp
