// ScriptBreak: character, word and line-break attributes from ICU's break iterators.
//
// Opening an ICU break iterator costs far more than a short string's whole analysis, so each
// thread opens its three iterators once and only hands them new text. Layout asks for the same
// few texts every frame, so the attributes of recent texts are also kept, keyed by the text alone
// (nothing here depends on the analysis): a repeat is one hash and one copy.
#include <unicode/ubrk.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/usp/refusal.h"
#include "platform/usp/usp.h"
#include "platform/usp/text_units.h"

namespace {

static_assert(sizeof(UChar) == sizeof(WCHAR), "ICU text is UTF-16 like ours");

struct Iterators {
    UBreakIterator* character = nullptr;
    UBreakIterator* word = nullptr;
    UBreakIterator* line = nullptr;
    bool ok = false;

    Iterators() {
        UErrorCode status = U_ZERO_ERROR;
        character = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
        word = ubrk_open(UBRK_WORD, "", nullptr, 0, &status);
        line = ubrk_open(UBRK_LINE, "", nullptr, 0, &status);
        ok = U_SUCCESS(status);
    }
    ~Iterators() {
        ubrk_close(character);
        ubrk_close(word);
        ubrk_close(line);
    }
    Iterators(const Iterators&) = delete;
    Iterators& operator=(const Iterators&) = delete;
};

// Calls mark(i) for every boundary i < length of `iterator` over the text.
template <class Mark>
bool forEachBoundary(UBreakIterator* iterator, const UChar* text, int length, Mark mark) {
    UErrorCode status = U_ZERO_ERROR;
    ubrk_setText(iterator, text, length, &status);
    if (U_FAILURE(status)) {
        return false;
    }
    for (int32_t i = ubrk_first(iterator); i != UBRK_DONE && i < length; i = ubrk_next(iterator)) {
        mark(i);
    }
    return true;
}

bool isSpaceSeparator(WCHAR c) { return u_charType(c) == U_SPACE_SEPARATOR; }

HRESULT analyse(const WCHAR* text, int length, std::vector<SCRIPT_LOGATTR>& out) {
    thread_local Iterators iterators;
    if (!iterators.ok) {
        return E_FAIL;
    }
    out.assign(static_cast<std::size_t>(length), SCRIPT_LOGATTR{});
    const auto* units = reinterpret_cast<const UChar*>(text);
    bool ok = forEachBoundary(iterators.character, units, length, [&](int i) { out[i].fCharStop = 1; });
    ok = ok && forEachBoundary(iterators.word, units, length, [&](int i) { out[i].fWordStop = 1; });
    ok = ok && forEachBoundary(iterators.line, units, length, [&](int i) { out[i].fSoftBreak = i > 0; });
    if (!ok) {
        return E_FAIL;
    }
    // A control character (tab, carriage return, line feed) stands alone: it is a word stop and so
    // is the character after it, so that layout sees a carriage return and a line feed as runs of
    // their own even where ICU keeps the pair together. A space separator is never a word stop:
    // the run of the word before it takes it in.
    for (int i = 0; i < length; ++i) {
        bool space = isSpaceSeparator(text[i]);
        if (u_charType(text[i]) == U_CONTROL_CHAR || (i > 0 && u_charType(text[i - 1]) == U_CONTROL_CHAR)) {
            out[i].fWordStop = 1;
        }
        if (space) {
            out[i].fWordStop = 0;
        }
        out[i].fWhiteSpace = text[i] == u'\t' || space;
    }
    return S_OK;
}

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>{}(text); }
};

struct TextEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const { return a == b; }
};

// Recent texts and their attributes. Cleared when it grows past kLimit texts: a program that
// breaks ever new text pays one analysis per text either way.
struct Memo {
    static constexpr std::size_t kLimit = 1024;
    std::unordered_map<std::u16string, std::vector<SCRIPT_LOGATTR>, TextHash, TextEqual> entries;
};

}  // namespace

HRESULT ScriptBreak(const WCHAR* text, int length, const SCRIPT_ANALYSIS* analysis, SCRIPT_LOGATTR* logAttrs) {
    USP_REFUSE_IF(text == nullptr || length <= 0, E_INVALIDARG, "no text (length %d)", length);
    USP_REFUSE_IF(analysis == nullptr || logAttrs == nullptr, E_INVALIDARG, "analysis or logAttrs is null");
    thread_local Memo memo;
    std::u16string_view key(text, static_cast<std::size_t>(length));
    auto found = memo.entries.find(key);
    if (found == memo.entries.end()) {
        std::vector<SCRIPT_LOGATTR> attrs;
        HRESULT hr = analyse(text, length, attrs);
        if (FAILED(hr)) {
            return hr;
        }
        if (memo.entries.size() >= Memo::kLimit) {
            memo.entries.clear();
        }
        found = memo.entries.emplace(std::u16string(key), std::move(attrs)).first;
    }
    std::copy(found->second.begin(), found->second.end(), logAttrs);
    return S_OK;
}
