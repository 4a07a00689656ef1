// ScriptJustify: spreads a width change over a run's glyphs.
//
// The change goes to the blanks first (SCRIPT_JUSTIFY_BLANK and ARABIC_BLANK), else to the
// cluster starts that may take space (CHARACTER, ARABIC_NORMAL and the kashida classes), evenly,
// the remainder one pixel at a time from the first such glyph. A narrowing never makes a glyph's
// advance negative; what cannot be taken is left. Kashidas are not inserted: an Arabic run is
// widened at its glyphs as a whole, so minKashida has no effect.
#include <algorithm>
#include <vector>

#include "platform/usp/refusal.h"
#include "platform/usp/usp.h"

namespace {

bool isBlank(WORD j) { return j == SCRIPT_JUSTIFY_BLANK || j == SCRIPT_JUSTIFY_ARABIC_BLANK; }

bool takesSpace(WORD j) {
    return j == SCRIPT_JUSTIFY_CHARACTER || j == SCRIPT_JUSTIFY_ARABIC_NORMAL || j >= SCRIPT_JUSTIFY_ARABIC_KASHIDA;
}

}  // namespace

HRESULT ScriptJustify(const SCRIPT_VISATTR* visAttrs, const int* advances, int glyphCount, int dx, int minKashida,
                      int* justified) {
    (void)minKashida;
    USP_REFUSE_IF(visAttrs == nullptr || advances == nullptr || justified == nullptr, E_INVALIDARG,
                  "an array is null");
    USP_REFUSE_IF(glyphCount <= 0, E_INVALIDARG, "no glyphs (count %d)", glyphCount);
    std::vector<int> takers;
    for (int i = 0; i < glyphCount; ++i) {
        if (isBlank(visAttrs[i].uJustification)) {
            takers.push_back(i);
        }
    }
    if (takers.empty()) {
        for (int i = 0; i < glyphCount; ++i) {
            if (takesSpace(visAttrs[i].uJustification)) {
                takers.push_back(i);
            }
        }
    }
    std::copy(advances, advances + glyphCount, justified);
    const int n = static_cast<int>(takers.size());
    for (int k = 0; k < n; ++k) {
        int share = dx / n + (k < std::abs(dx % n) ? (dx < 0 ? -1 : 1) : 0);
        justified[takers[k]] = std::max(0, justified[takers[k]] + share);
    }
    return S_OK;
}
