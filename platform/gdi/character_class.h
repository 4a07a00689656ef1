// The character classes GetCharacterPlacement reports (GCPCLASS_*), from the code point alone.
//
// Right-to-left letters (Hebrew, Arabic, Syriac, Thaana, N'Ko and the right-to-left blocks beyond
// them, with their marks) are GCPCLASS_HEBREW (= GCPCLASS_ARABIC); ASCII digits
// GCPCLASS_LATINNUMBER; other decimal digits GCPCLASS_LOCALNUMBER; currency and percent-like signs
// GCPCLASS_LATINNUMERICTERMINATOR; + - , . / : GCPCLASS_LATINNUMERICSEPARATOR; Arabic number
// separators GCPCLASS_NUMERICSEPARATOR; white space, controls, other punctuation and symbols
// GCPCLASS_NEUTRAL; everything else, letters of every left-to-right script, GCPCLASS_LATIN.
#pragma once

#include "platform/gdi/gdi.h"

namespace platform::gdi {

BYTE characterClass(char32_t c);

// Classes that only take a direction from the text around them.
constexpr bool isWeakClass(BYTE cls) {
    return cls == GCPCLASS_NEUTRAL || cls == GCPCLASS_LATINNUMERICTERMINATOR ||
           cls == GCPCLASS_LATINNUMERICSEPARATOR || cls == GCPCLASS_NUMERICSEPARATOR;
}

}  // namespace platform::gdi
