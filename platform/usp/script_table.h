// Our numbering of scripts: the values of SCRIPT_ANALYSIS::eScript and the index into the table
// ScriptGetProperties hands out. Each entry says how to shape the script with HarfBuzz and what
// the script's properties are. Ids are ours and stable within a build only; callers compare them
// with SCRIPT_UNDEFINED or look them up in the properties table, never hard-code them.
#pragma once

#include <hb.h>

#include "platform/usp/usp.h"

namespace platform::usp {

enum ScriptId : WORD {
    kScriptUndefined = SCRIPT_UNDEFINED,  // only characters of no particular script
    kScriptLatin,
    kScriptGreek,
    kScriptCyrillic,
    kScriptArmenian,
    kScriptHebrew,
    kScriptArabic,
    kScriptSyriac,
    kScriptThaana,
    kScriptDevanagari,
    kScriptBengali,
    kScriptGurmukhi,
    kScriptGujarati,
    kScriptOriya,
    kScriptTamil,
    kScriptTelugu,
    kScriptKannada,
    kScriptMalayalam,
    kScriptSinhala,
    kScriptThai,
    kScriptLao,
    kScriptTibetan,
    kScriptMyanmar,
    kScriptGeorgian,
    kScriptHangul,
    kScriptHiragana,
    kScriptKatakana,
    kScriptHan,
    kScriptEthiopic,
    kScriptKhmer,
    kScriptMongolian,
    kScriptOther,  // any script not listed: shaped with the script HarfBuzz finds in the text
    // National digit sets, used for digits that digit substitution replaces.
    kScriptArabicDigits,
    kScriptPersianDigits,
    kScriptDevanagariDigits,
    kScriptBengaliDigits,
    kScriptGurmukhiDigits,
    kScriptGujaratiDigits,
    kScriptOriyaDigits,
    kScriptTamilDigits,
    kScriptTeluguDigits,
    kScriptKannadaDigits,
    kScriptMalayalamDigits,
    kScriptThaiDigits,
    kScriptLaoDigits,
    kScriptTibetanDigits,
    kScriptMyanmarDigits,
    kScriptKhmerDigits,
    kScriptCount
};

struct ScriptEntry {
    hb_script_t hbScript;  // HB_SCRIPT_INVALID: let HarfBuzz find it in the text
    WORD langid;           // primary language most associated with the script
    BYTE charSet;          // the GDI character set of fonts for it
    bool complex;          // needs shaping beyond one glyph per character (kerning stays on)
    bool needsWordBreaking;
    char32_t digitZero;    // national digit sets: the code point of zero; else 0
};

const ScriptEntry& scriptEntry(WORD eScript);

// The id for a script HarfBuzz's Unicode functions report (never Common or Inherited here).
ScriptId scriptIdOf(hb_script_t script);

// The national digit set of a language (LANGID or primary language), or kScriptUndefined when the
// language writes European digits.
ScriptId digitScriptOfLanguage(WORD langid);

}  // namespace platform::usp
