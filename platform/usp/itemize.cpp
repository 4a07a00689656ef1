// ScriptItemize: the text's items, where each item is one script at one embedding level.
//
// Steps: code points out of the UTF-16 text; their levels (bidi_levels); their scripts from
// HarfBuzz's Unicode functions, with characters of no particular script joined to a neighbour at
// the same level; digits that digit substitution replaces marked with their national digit set;
// then an item wherever the (script, level) pair changes. The results are built in scratch arrays
// and copied out only when they fit.
#include <algorithm>
#include <vector>

#include "platform/usp/bidi_levels.h"
#include "platform/usp/refusal.h"
#include "platform/usp/script_table.h"
#include "platform/usp/text_units.h"

namespace {

using namespace platform::usp;

struct Scratch {
    std::vector<char32_t> codePoints;
    std::vector<int> firstUnit;  // index of each code point's first unit in the text
    std::vector<std::uint8_t> levels;
    std::vector<hb_script_t> scripts;
    std::vector<WORD> ids;
    std::vector<SCRIPT_ITEM> items;
};

void decode(const WCHAR* text, int length, Scratch& s) {
    s.codePoints.clear();
    s.firstUnit.clear();
    for (int i = 0; i < length;) {
        char32_t c;
        int units = codePointAt(text, length, i, &c);
        s.codePoints.push_back(c);
        s.firstUnit.push_back(i);
        i += units;
    }
}

bool hasOwnScript(hb_script_t script) {
    return script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED && script != HB_SCRIPT_UNKNOWN;
}

// Characters of no script of their own (spaces, punctuation, digits, combining marks) take the
// script of the character before them at the same level, or failing that the one after them.
void resolveScripts(Scratch& s) {
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    const std::size_t n = s.codePoints.size();
    s.scripts.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        hb_script_t script = hb_unicode_script(unicode, s.codePoints[i]);
        if (!hasOwnScript(script)) {
            script = i > 0 && s.levels[i - 1] == s.levels[i] ? s.scripts[i - 1] : HB_SCRIPT_COMMON;
        }
        s.scripts[i] = script;
    }
    for (std::size_t i = n; i-- > 1;) {
        if (!hasOwnScript(s.scripts[i - 1]) && s.levels[i - 1] == s.levels[i]) {
            s.scripts[i - 1] = s.scripts[i];
        }
    }
}

bool isEuropeanDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Script ids per code point; substituted digits get their national digit set. With context
// digits only digits after a letter of the digit set's script are replaced (at the start of the
// text, when the state says the context is Arabic).
void assignIds(const SCRIPT_CONTROL* control, const SCRIPT_STATE* state, Scratch& s) {
    const std::size_t n = s.codePoints.size();
    s.ids.resize(n);
    hb_script_t lastScript = HB_SCRIPT_INVALID;
    ScriptId lastId = kScriptUndefined;
    for (std::size_t i = 0; i < n; ++i) {
        if (s.scripts[i] != lastScript) {
            lastScript = s.scripts[i];
            lastId = scriptIdOf(lastScript);
        }
        s.ids[i] = lastId;
    }
    if (state == nullptr || !state->fDigitSubstitute || control == nullptr) {
        return;
    }
    ScriptId digits = digitScriptOfLanguage(static_cast<WORD>(control->uDefaultLanguage));
    if (digits == kScriptUndefined) {
        return;
    }
    hb_script_t digitScript = scriptEntry(digits).hbScript;
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    hb_script_t context = state->fArabicNumContext ? HB_SCRIPT_ARABIC : HB_SCRIPT_INVALID;
    for (std::size_t i = 0; i < n; ++i) {
        hb_script_t own = hb_unicode_script(unicode, s.codePoints[i]);
        if (hasOwnScript(own)) {
            context = own;
        } else if (isEuropeanDigit(s.codePoints[i]) && (!control->fContextDigits || context == digitScript)) {
            s.ids[i] = digits;
        }
    }
}

SCRIPT_ANALYSIS analysisOf(WORD id, int level, int baseLevel, const SCRIPT_STATE* state) {
    SCRIPT_ANALYSIS a{};
    if (state != nullptr) {
        a.s = *state;
    }
    a.eScript = id;
    a.fRTL = level & 1;
    a.fLayoutRTL = std::min(level, baseLevel + 1) & 1;
    a.s.uBidiLevel = static_cast<WORD>(std::min(level, 31));
    return a;
}

void buildItems(int length, int baseLevel, const SCRIPT_STATE* state, Scratch& s) {
    s.items.clear();
    const std::size_t n = s.codePoints.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || s.ids[i] != s.ids[i - 1] || s.levels[i] != s.levels[i - 1]) {
            s.items.push_back({s.firstUnit[i], analysisOf(s.ids[i], s.levels[i], baseLevel, state)});
        }
    }
    SCRIPT_ITEM sentinel{};
    sentinel.iCharPos = length;
    s.items.push_back(sentinel);
}

}  // namespace

HRESULT ScriptItemize(const WCHAR* text, int length, int maxItems, const SCRIPT_CONTROL* control,
                      const SCRIPT_STATE* state, SCRIPT_ITEM* items, int* itemCount) {
    USP_REFUSE_IF(text == nullptr || length <= 0, E_INVALIDARG, "no text (length %d)", length);
    USP_REFUSE_IF(items == nullptr, E_INVALIDARG, "items is null");
    USP_REFUSE_IF(maxItems < 2, E_INVALIDARG, "room for %d items; an item and the sentinel need 2", maxItems);
    thread_local Scratch s;
    decode(text, length, s);
    int baseLevel = state != nullptr ? state->uBidiLevel : 0;
    resolveLevels(s.codePoints, baseLevel, state != nullptr && state->fOverrideDirection, s.levels);
    resolveScripts(s);
    assignIds(control, state, s);
    buildItems(length, baseLevel, state, s);
    int count = static_cast<int>(s.items.size()) - 1;
    if (count + 1 > maxItems) {
        return E_OUTOFMEMORY;  // the caller grows its array and asks again; not a misuse
    }
    std::copy(s.items.begin(), s.items.end(), items);
    if (itemCount != nullptr) {
        *itemCount = count;
    }
    return S_OK;
}
