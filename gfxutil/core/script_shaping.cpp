// Shaping with the script layer (ProcessText step 2): itemise, break into word runs, shape and
// place each run; a run the font cannot show becomes strips of a fallback rendering.
#include <algorithm>

#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"
#include "platform/kernel/code_pages.h"

namespace gfxutil::core {
namespace {

DWORD runFlagsOf(WCHAR first, const SCRIPT_ANALYSIS& analysis) {
    DWORD flags = 0;
    if (first == 13) {
        flags |= kRunCarriageReturn;
    } else if (first == 10) {
        flags |= kRunLineFeed;
    } else if (first == 9) {
        flags |= kRunTab;
    }
    if (analysis.fLayoutRTL) {
        flags |= kRunRightToLeft;
    }
    return flags;
}

}  // namespace

bool TextureFont::growRuns(UINT count) { return m_runs.grow(count, true) && m_runExtents.grow(count, true); }

HRESULT TextureFont::shapeWithScript(const void* text, INT length, bool wide, bool rtl) {
    const FontProcess& process = fontProcess();
    // 1. Narrow text is read in the system's ANSI code page.
    const WCHAR* wideText = static_cast<const WCHAR*>(text);
    if (!wide) {
        const INT needed = MultiByteToWideChar(CP_ACP, 0, static_cast<LPCSTR>(text), length, nullptr, 0);
        if (needed <= 0) {
            return E_FAIL;
        }
        if (!m_wideText.grow(static_cast<UINT>(needed), false)) {
            return E_OUTOFMEMORY;
        }
        length = MultiByteToWideChar(CP_ACP, 0, static_cast<LPCSTR>(text), length, m_wideText.data(), needed);
        if (length <= 0) {
            return E_FAIL;
        }
        wideText = m_wideText.data();
    }
    // 2. State and digit substitution; an rtl paragraph starts at bidi level 1.
    m_scriptState = SCRIPT_STATE{};
    m_scriptControl = SCRIPT_CONTROL{};
    HRESULT hr = process.scriptApplyDigitSubstitution(&process.digitSubstitution, &m_scriptControl, &m_scriptState);
    if (FAILED(hr)) {
        return hr;
    }
    if (rtl) {
        m_scriptState.uBidiLevel = 1;
    }
    // 3. Items.
    UINT glyphRoom = glyphRoomFor(length);
    if (!m_items.grow(static_cast<UINT>(length) + 1, false)) {
        return E_OUTOFMEMORY;
    }
    INT itemCount = 0;
    while ((hr = process.scriptItemize(wideText, length, static_cast<INT>(m_items.capacity()), &m_scriptControl,
                                       &m_scriptState, m_items.data(), &itemCount)) == E_OUTOFMEMORY) {
        if (!m_items.grow(m_items.capacity() * 2, false)) {
            return E_OUTOFMEMORY;
        }
    }
    if (FAILED(hr)) {
        return hr;
    }
    // 4. Word breaks; a run starts at each item and at each word stop.
    if (!m_logAttrs.grow(static_cast<UINT>(length), false) || !m_clusters.grow(static_cast<UINT>(length), false)) {
        return E_OUTOFMEMORY;
    }
    m_runCount = 0;
    for (INT it = 0; it < itemCount; ++it) {
        const INT begin = m_items[it].iCharPos;
        const INT end = m_items[it + 1].iCharPos;
        hr = process.scriptBreak(wideText + begin, end - begin, &m_items[it].a, m_logAttrs.data() + begin);
        if (FAILED(hr)) {
            return hr;
        }
        for (INT c = begin; c < end; ++c) {
            if (c != begin && !m_logAttrs[c].fWordStop) {
                continue;
            }
            if (!growRuns(m_runCount + 2)) {
                return E_OUTOFMEMORY;
            }
            m_runs[m_runCount++] = TextRun{static_cast<DWORD>(it), static_cast<DWORD>(c), 0,
                                           runFlagsOf(wideText[c], m_items[it].a)};
        }
    }
    if (!growRuns(m_runCount + 1)) {
        return E_OUTOFMEMORY;
    }
    m_runs[m_runCount] = TextRun{static_cast<DWORD>(itemCount), static_cast<DWORD>(length), 0, 0};
    // 5 to 7. Each run becomes glyphs, or strips.
    m_wideTextOfRuns = wideText;
    m_glyphCount = 0;
    for (UINT r = 0; r < m_runCount; ++r) {
        if (FAILED(hr = shapeRun(r, rtl, glyphRoom))) {
            return hr;
        }
    }
    // 8. The sentinel.
    m_runs[m_runCount].firstGlyph = m_glyphCount;
    return S_OK;
}

// Steps 5 to 7 for run r: shape and place it, or render it as strips when the font lacks one of
// its characters.
HRESULT TextureFont::shapeRun(UINT r, bool rtl, UINT& glyphRoom) {
    const FontProcess& process = fontProcess();
    TextRun& run = m_runs[r];
    const UINT d = m_glyphCount;
    const WCHAR* runText = m_wideTextOfRuns + run.firstChar;
    const INT runLength = static_cast<INT>(m_runs[r + 1].firstChar - run.firstChar);
    SCRIPT_ANALYSIS* analysis = &m_items[run.item].a;
    run.firstGlyph = d;
    // 5. Shape, with more room while the glyphs do not fit.
    INT count = 0;
    HRESULT hr;
    for (;;) {
        if (!m_glyphs.grow(glyphRoom, true) || !m_visAttrs.grow(glyphRoom, true)) {
            return E_OUTOFMEMORY;
        }
        // The room is what both arrays the shaper writes per glyph can hold.
        const UINT room = std::min(m_glyphs.capacity(), m_visAttrs.capacity()) - d;
        hr = process.scriptShape(m_dc, &m_scriptCache, runText, runLength, static_cast<INT>(room),
                                 analysis, m_glyphs.data() + d, m_clusters.data() + run.firstChar,
                                 m_visAttrs.data() + d, &count);
        if (hr != E_OUTOFMEMORY) {
            break;
        }
        glyphRoom = m_glyphs.capacity() * 2;
    }
    const bool shaped = SUCCEEDED(hr) && std::none_of(m_glyphs.data() + d, m_glyphs.data() + d + count,
                                                      [&](WORD g) { return g == m_fontProperties.wgDefault; });
    // 6. Place and cache; a run that cannot be placed contributes nothing and measures nothing.
    if (shaped) {
        const UINT placed = std::max(glyphRoom, d + static_cast<UINT>(count));
        if (!m_advances.grow(placed, true) || !m_offsets.grow(placed, true) || !m_glyphRecords.grow(placed, true)) {
            return E_OUTOFMEMORY;
        }
        m_runExtents[r] = ABC{};
        hr = process.scriptPlace(m_dc, &m_scriptCache, m_glyphs.data() + d, count, m_visAttrs.data() + d, analysis,
                                 m_advances.data() + d, m_offsets.data() + d, &m_runExtents[r]);
        if (FAILED(hr)) {
            m_runExtents[r] = ABC{};
            return S_OK;
        }
        if (FAILED(hr = CacheGlyphs(m_glyphs.data() + d, static_cast<UINT>(count), m_glyphRecords.data() + d))) {
            return hr;
        }
        m_glyphCount = d + static_cast<UINT>(count);
        return S_OK;
    }
    // 7. Strips of the whole run, drawn with the fallback fonts.
    UINT k = 0;
    GlyphRecord* strips = nullptr;
    INT* widths = nullptr;
    if (FAILED(hr = RenderStrips(runText, runLength, rtl, &k, &strips, &widths))) {
        return hr;
    }
    glyphRoom = std::max(glyphRoom, d + k);
    if (!m_glyphs.grow(glyphRoom, true) || !m_visAttrs.grow(glyphRoom, true) || !m_advances.grow(glyphRoom, true) ||
        !m_offsets.grow(glyphRoom, true) || !m_glyphRecords.grow(glyphRoom, true)) {
        return E_OUTOFMEMORY;
    }
    INT sum = 0;
    for (UINT i = 0; i < k; ++i) {
        m_glyphs[d + i] = 0xFFFF;
        m_glyphRecords[d + i] = &strips[i];
        m_advances[d + i] = widths[i];
        m_offsets[d + i] = GOFFSET{0, 0};
        sum += widths[i];
    }
    m_runExtents[r] = ABC{0, static_cast<UINT>(sum), 0};
    m_glyphCount = d + k;
    return S_OK;
}

}  // namespace gfxutil::core
