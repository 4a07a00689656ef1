// Shaping with GDI alone (ProcessText step 3), when no script layer could be loaded: glyphs and
// advances from GetCharacterPlacement, runs from character classes, right-to-left blocks put in
// display order.
#include <algorithm>
#include <clocale>
#include <cwctype>
#include <locale.h>

#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"
#include "platform/kernel/code_pages.h"

namespace gfxutil::core {
namespace {

// Character classes of the C runtime's wide functions, read from Unicode's tables whatever the
// process's locale is, so that Hangul counts as letters even in the "C" locale a program starts in.
class UnicodeClasses {
public:
    UnicodeClasses() : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
    ~UnicodeClasses() {
        if (m_locale != static_cast<locale_t>(nullptr)) {
            freelocale(m_locale);
        }
    }
    bool space(WCHAR c) const { return test(c, std::iswspace, iswspace_l); }
    bool alpha(WCHAR c) const { return test(c, std::iswalpha, iswalpha_l); }
    bool digit(WCHAR c) const { return test(c, std::iswdigit, iswdigit_l); }
    bool punct(WCHAR c) const { return test(c, std::iswpunct, iswpunct_l); }

private:
    template <class Plain, class WithLocale>
    bool test(WCHAR c, Plain plain, WithLocale withLocale) const {
        return m_locale != static_cast<locale_t>(nullptr) ? withLocale(c, m_locale) != 0 : plain(c) != 0;
    }
    locale_t m_locale;
};

const UnicodeClasses& unicodeClasses() {
    static const UnicodeClasses classes;
    return classes;
}

}  // namespace

HRESULT TextureFont::shapeWithGdi(const void* text, INT length, bool wide, bool rtl) {
    const FontProcess& process = fontProcess();
    // 1. Off NT, wide text is narrowed and treated as narrow.
    if (wide && !process.isNT) {
        const auto* w = static_cast<const WCHAR*>(text);
        const INT needed = WideCharToMultiByte(CP_ACP, 0, w, length, nullptr, 0, nullptr, nullptr);
        if (needed <= 0 || !m_narrowText.grow(static_cast<UINT>(needed), false)) {
            return needed <= 0 ? E_FAIL : E_OUTOFMEMORY;
        }
        length = WideCharToMultiByte(CP_ACP, 0, w, length, m_narrowText.data(), needed, nullptr, nullptr);
        text = m_narrowText.data();
        wide = false;
    }
    // 2. Arrays; the first class fixes the paragraph's direction.
    const UINT units = static_cast<UINT>(length);
    if (!m_glyphs.grow(units, false) || !m_glyphOrder.grow(units, false) || !m_classes.grow(units, false) ||
        !m_advances.grow(units, false) || !m_wideText.grow(units, false)) {
        return E_OUTOFMEMORY;
    }
    std::fill_n(m_classes.data(), units, CHAR{0});
    m_classes[0] = static_cast<CHAR>(rtl ? GCPCLASS_PREBOUNDRTL : GCPCLASS_PREBOUNDLTR);
    // 3. Glyphs, order and advances, with what the font offers of diacritics, ligatures, shaping,
    // kerning and reordering.
    const DWORD flags = (m_languageInfo & 0x13A) | GCP_CLASSIN;
    UINT n = 0;
    DWORD placed = 0;
    if (wide) {
        GCP_RESULTSW results{sizeof(GCP_RESULTSW), nullptr, m_glyphOrder.data(), m_advances.data(), nullptr,
                             m_classes.data(), reinterpret_cast<LPWSTR>(m_glyphs.data()), units, 0};
        placed = GetCharacterPlacementW(m_dc, static_cast<LPCWSTR>(text), length, 0, &results, flags);
        n = results.nGlyphs;
    } else {
        GCP_RESULTSA results{sizeof(GCP_RESULTSA), nullptr, m_glyphOrder.data(), m_advances.data(), nullptr,
                             m_classes.data(), reinterpret_cast<LPWSTR>(m_glyphs.data()), units, 0};
        placed = GetCharacterPlacementA(m_dc, static_cast<LPCSTR>(text), length, 0, &results, flags);
        n = results.nGlyphs;
    }
    if (placed == 0) {
        return E_FAIL;
    }
    n = std::min(n, units);
    // 4. No offsets on this path; the character of each glyph is kept in wideText.
    if (!m_offsets.grow(n, false)) {
        return E_OUTOFMEMORY;
    }
    std::fill_n(m_offsets.data(), n, GOFFSET{0, 0});
    for (UINT i = 0; i < n; ++i) {
        const UINT c = m_glyphOrder[i];
        if (c >= units) {
            m_wideText[i] = 0;
        } else if (wide) {
            m_wideText[i] = static_cast<const WCHAR*>(text)[c];
        } else {
            m_wideText[i] = static_cast<WCHAR>(static_cast<std::int16_t>(static_cast<const signed char*>(text)[c]));
        }
    }
    m_glyphCount = n;
    // 5, 6. Runs, and right-to-left blocks in display order.
    HRESULT hr = splitGdiRuns(static_cast<INT>(n));
    if (FAILED(hr)) {
        return hr;
    }
    reverseRightToLeftBlocks();
    // 7. Extents and cache records.
    for (UINT r = 0; r < m_runCount; ++r) {
        INT sum = 0;
        for (UINT g = m_runs[r].firstGlyph; g < m_runs[r + 1].firstGlyph; ++g) {
            sum += m_advances[g];
        }
        m_runExtents[r] = ABC{0, static_cast<UINT>(sum), 0};
    }
    if (!m_glyphRecords.grow(n, false)) {
        return E_OUTOFMEMORY;
    }
    return CacheGlyphs(m_glyphs.data(), n, m_glyphRecords.data());
}

// Step 5: one run per step over the glyphs.
HRESULT TextureFont::splitGdiRuns(INT n) {
    const UnicodeClasses& is = unicodeClasses();
    const WCHAR* c = m_wideText.data();
    auto classOf = [&](INT j) { return static_cast<BYTE>(m_classes[j]); };
    m_runCount = 0;
    INT j = 0;
    while (j < n) {
        DWORD flags = 0;
        INT end = j + 1;
        bool single = false;
        if (c[j] == ' ') {
            while (end < n && c[end] == ' ') {
                ++end;
            }
        } else if (c[j] == 13 || c[j] == 10 || c[j] == 9) {
            flags = c[j] == 13 ? kRunCarriageReturn : c[j] == 10 ? kRunLineFeed : kRunTab;
            single = true;
        } else if (classOf(j) == GCPCLASS_HEBREW) {
            while (end < n && classOf(end) == GCPCLASS_HEBREW && !is.space(c[end])) {
                ++end;
            }
            flags = kRunRightToLeft;
        } else if (is.alpha(c[j])) {
            while (end < n && (is.alpha(c[end]) || is.digit(c[end]) || c[end] == '_')) {
                ++end;
            }
        } else if (is.digit(c[j])) {
            while (end < n && is.digit(c[end])) {
                ++end;
            }
        } else if (is.punct(c[j])) {
            while (end < n && is.punct(c[end])) {
                ++end;
            }
        } else {
            single = true;
        }
        if (!single) {
            while (end < n && c[end] == ' ') {
                ++end;
            }
        }
        if (!growRuns(m_runCount + 2)) {
            return E_OUTOFMEMORY;
        }
        m_runs[m_runCount++] = TextRun{0, m_glyphOrder[j], static_cast<DWORD>(j), flags};
        j = end;
    }
    if (!growRuns(m_runCount + 1)) {
        return E_OUTOFMEMORY;
    }
    m_runs[m_runCount] = TextRun{0, 0, static_cast<DWORD>(n), 0};
    return S_OK;
}

// Step 6: each maximal block of right-to-left runs appears in reverse order, each run keeping
// its own glyphs in their order.
void TextureFont::reverseRightToLeftBlocks() {
    UINT a = 0;
    while (a < m_runCount) {
        if ((m_runs[a].flags & kRunRightToLeft) == 0) {
            ++a;
            continue;
        }
        UINT b = a;
        while (b < m_runCount && (m_runs[b].flags & kRunRightToLeft) != 0) {
            ++b;
        }
        const DWORD first = m_runs[a].firstGlyph;
        const DWORD end = m_runs[b].firstGlyph;
        for (UINT k = a; k < b; ++k) {
            m_runs[k].firstGlyph = end - m_runs[k + 1].firstGlyph + first;  // run k+1 still has its old start
        }
        std::reverse(m_runs.data() + a, m_runs.data() + b);
        std::reverse(m_glyphs.data() + first, m_glyphs.data() + end);
        std::reverse(m_advances.data() + first, m_advances.data() + end);
        for (UINT k = a; k < b; ++k) {
            const DWORD s = m_runs[k].firstGlyph;
            const DWORD e = k + 1 < b ? m_runs[k + 1].firstGlyph : end;
            std::reverse(m_glyphs.data() + s, m_glyphs.data() + e);
            std::reverse(m_advances.data() + s, m_advances.data() + e);
        }
        a = b;
    }
}

}  // namespace gfxutil::core
