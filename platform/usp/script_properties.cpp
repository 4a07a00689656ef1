// The script table and ScriptGetProperties.
//
// Every script HarfBuzz's Unicode functions report maps to one entry; the ones not listed share
// kScriptOther and are shaped with the script HarfBuzz guesses from the run's text. The
// properties handed out are derived from the same rows, so the two can never disagree.
#include <array>

#include "platform/usp/refusal.h"
#include "platform/usp/script_table.h"

namespace platform::usp {

namespace {

constexpr BYTE kAnsi = 0, kDefault = 1, kGreek = 161, kRussian = 204, kHebrew = 177, kArabic = 178, kThai = 222,
               kHangul = 129, kShiftJis = 128, kGb2312 = 134;

// Indexed by ScriptId; the order must follow the enumeration (checked below).
struct Row {
    ScriptId id;
    ScriptEntry entry;
};

constexpr Row kRows[] = {
    {kScriptUndefined, {HB_SCRIPT_COMMON, 0x00, kDefault, false, false, 0}},
    {kScriptLatin, {HB_SCRIPT_LATIN, 0x09, kAnsi, false, false, 0}},
    {kScriptGreek, {HB_SCRIPT_GREEK, 0x08, kGreek, false, false, 0}},
    {kScriptCyrillic, {HB_SCRIPT_CYRILLIC, 0x19, kRussian, false, false, 0}},
    {kScriptArmenian, {HB_SCRIPT_ARMENIAN, 0x2B, kDefault, false, false, 0}},
    {kScriptHebrew, {HB_SCRIPT_HEBREW, 0x0D, kHebrew, true, false, 0}},
    {kScriptArabic, {HB_SCRIPT_ARABIC, 0x01, kArabic, true, false, 0}},
    {kScriptSyriac, {HB_SCRIPT_SYRIAC, 0x5A, kDefault, true, false, 0}},
    {kScriptThaana, {HB_SCRIPT_THAANA, 0x65, kDefault, true, false, 0}},
    {kScriptDevanagari, {HB_SCRIPT_DEVANAGARI, 0x39, kDefault, true, false, 0}},
    {kScriptBengali, {HB_SCRIPT_BENGALI, 0x45, kDefault, true, false, 0}},
    {kScriptGurmukhi, {HB_SCRIPT_GURMUKHI, 0x46, kDefault, true, false, 0}},
    {kScriptGujarati, {HB_SCRIPT_GUJARATI, 0x47, kDefault, true, false, 0}},
    {kScriptOriya, {HB_SCRIPT_ORIYA, 0x48, kDefault, true, false, 0}},
    {kScriptTamil, {HB_SCRIPT_TAMIL, 0x49, kDefault, true, false, 0}},
    {kScriptTelugu, {HB_SCRIPT_TELUGU, 0x4A, kDefault, true, false, 0}},
    {kScriptKannada, {HB_SCRIPT_KANNADA, 0x4B, kDefault, true, false, 0}},
    {kScriptMalayalam, {HB_SCRIPT_MALAYALAM, 0x4C, kDefault, true, false, 0}},
    {kScriptSinhala, {HB_SCRIPT_SINHALA, 0x5B, kDefault, true, false, 0}},
    {kScriptThai, {HB_SCRIPT_THAI, 0x1E, kThai, true, true, 0}},
    {kScriptLao, {HB_SCRIPT_LAO, 0x54, kDefault, true, true, 0}},
    {kScriptTibetan, {HB_SCRIPT_TIBETAN, 0x51, kDefault, true, false, 0}},
    {kScriptMyanmar, {HB_SCRIPT_MYANMAR, 0x55, kDefault, true, true, 0}},
    {kScriptGeorgian, {HB_SCRIPT_GEORGIAN, 0x37, kDefault, false, false, 0}},
    {kScriptHangul, {HB_SCRIPT_HANGUL, 0x12, kHangul, false, false, 0}},
    {kScriptHiragana, {HB_SCRIPT_HIRAGANA, 0x11, kShiftJis, false, false, 0}},
    {kScriptKatakana, {HB_SCRIPT_KATAKANA, 0x11, kShiftJis, false, false, 0}},
    {kScriptHan, {HB_SCRIPT_HAN, 0x04, kGb2312, false, false, 0}},
    {kScriptEthiopic, {HB_SCRIPT_ETHIOPIC, 0x5E, kDefault, false, false, 0}},
    {kScriptKhmer, {HB_SCRIPT_KHMER, 0x53, kDefault, true, true, 0}},
    {kScriptMongolian, {HB_SCRIPT_MONGOLIAN, 0x50, kDefault, true, false, 0}},
    {kScriptOther, {HB_SCRIPT_INVALID, 0x00, kDefault, true, false, 0}},
    {kScriptArabicDigits, {HB_SCRIPT_ARABIC, 0x01, kArabic, false, false, 0x0660}},
    {kScriptPersianDigits, {HB_SCRIPT_ARABIC, 0x29, kArabic, false, false, 0x06F0}},
    {kScriptDevanagariDigits, {HB_SCRIPT_DEVANAGARI, 0x39, kDefault, false, false, 0x0966}},
    {kScriptBengaliDigits, {HB_SCRIPT_BENGALI, 0x45, kDefault, false, false, 0x09E6}},
    {kScriptGurmukhiDigits, {HB_SCRIPT_GURMUKHI, 0x46, kDefault, false, false, 0x0A66}},
    {kScriptGujaratiDigits, {HB_SCRIPT_GUJARATI, 0x47, kDefault, false, false, 0x0AE6}},
    {kScriptOriyaDigits, {HB_SCRIPT_ORIYA, 0x48, kDefault, false, false, 0x0B66}},
    {kScriptTamilDigits, {HB_SCRIPT_TAMIL, 0x49, kDefault, false, false, 0x0BE6}},
    {kScriptTeluguDigits, {HB_SCRIPT_TELUGU, 0x4A, kDefault, false, false, 0x0C66}},
    {kScriptKannadaDigits, {HB_SCRIPT_KANNADA, 0x4B, kDefault, false, false, 0x0CE6}},
    {kScriptMalayalamDigits, {HB_SCRIPT_MALAYALAM, 0x4C, kDefault, false, false, 0x0D66}},
    {kScriptThaiDigits, {HB_SCRIPT_THAI, 0x1E, kThai, false, false, 0x0E50}},
    {kScriptLaoDigits, {HB_SCRIPT_LAO, 0x54, kDefault, false, false, 0x0ED0}},
    {kScriptTibetanDigits, {HB_SCRIPT_TIBETAN, 0x51, kDefault, false, false, 0x0F20}},
    {kScriptMyanmarDigits, {HB_SCRIPT_MYANMAR, 0x55, kDefault, false, false, 0x1040}},
    {kScriptKhmerDigits, {HB_SCRIPT_KHMER, 0x53, kDefault, false, false, 0x17E0}},
};
static_assert(std::size(kRows) == kScriptCount);

constexpr bool rowsInOrder() {
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        if (kRows[i].id != i) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInOrder(), "kRows must list the scripts in ScriptId order");

// The properties each row implies, built once.
struct PropertiesTable {
    std::array<SCRIPT_PROPERTIES, kScriptCount> records{};
    std::array<const SCRIPT_PROPERTIES*, kScriptCount> pointers{};

    PropertiesTable() {
        for (std::size_t i = 0; i < std::size(kRows); ++i) {
            const ScriptEntry& e = kRows[i].entry;
            SCRIPT_PROPERTIES& p = records[i];
            p.langid = e.langid;
            p.fNumeric = e.digitZero != 0;
            p.fComplex = e.complex;
            p.fNeedsWordBreaking = e.needsWordBreaking;
            p.fNeedsCaretInfo = e.complex;
            p.bCharSet = e.charSet;
            p.fAmbiguousCharSet = i == kScriptUndefined || i == kScriptOther;
            p.fClusterSizeVaries = e.complex;
            pointers[i] = &p;
        }
    }
};

// LANGID primary language → national digit set.
struct LanguageDigits {
    WORD primaryLanguage;
    ScriptId digits;
};

constexpr LanguageDigits kLanguageDigits[] = {
    {0x01, kScriptArabicDigits},     {0x29, kScriptPersianDigits},    {0x20, kScriptPersianDigits},
    {0x39, kScriptDevanagariDigits}, {0x4E, kScriptDevanagariDigits}, {0x61, kScriptDevanagariDigits},
    {0x45, kScriptBengaliDigits},    {0x4D, kScriptBengaliDigits},    {0x46, kScriptGurmukhiDigits},
    {0x47, kScriptGujaratiDigits},   {0x48, kScriptOriyaDigits},      {0x49, kScriptTamilDigits},
    {0x4A, kScriptTeluguDigits},     {0x4B, kScriptKannadaDigits},    {0x4C, kScriptMalayalamDigits},
    {0x1E, kScriptThaiDigits},       {0x54, kScriptLaoDigits},        {0x51, kScriptTibetanDigits},
    {0x55, kScriptMyanmarDigits},    {0x53, kScriptKhmerDigits},
};

}  // namespace

const ScriptEntry& scriptEntry(WORD eScript) {
    return kRows[eScript < kScriptCount ? eScript : static_cast<WORD>(kScriptOther)].entry;
}

ScriptId scriptIdOf(hb_script_t script) {
    // Scripts and digit sets share hbScript values; only the script rows (before kScriptOther) count.
    for (std::size_t i = kScriptLatin; i < kScriptOther; ++i) {
        if (kRows[i].entry.hbScript == script) {
            return kRows[i].id;
        }
    }
    return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN
               ? kScriptUndefined
               : kScriptOther;
}

ScriptId digitScriptOfLanguage(WORD langid) {
    WORD primary = langid & 0x3FF;
    for (const LanguageDigits& l : kLanguageDigits) {
        if (l.primaryLanguage == primary) {
            return l.digits;
        }
    }
    return kScriptUndefined;
}

}  // namespace platform::usp

HRESULT ScriptGetProperties(const SCRIPT_PROPERTIES*** properties, int* scriptCount) {
    USP_REFUSE_IF(properties == nullptr && scriptCount == nullptr, E_INVALIDARG, "both outputs are null");
    static platform::usp::PropertiesTable table;  // the pointers are handed out as non-const arrays
    if (properties != nullptr) {
        *properties = table.pointers.data();
    }
    if (scriptCount != nullptr) {
        *scriptCount = static_cast<int>(table.pointers.size());
    }
    return S_OK;
}
