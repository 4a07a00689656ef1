// Line layout (ProcessText step 5) and EmitLine: breaking the shaped runs into lines, the visual
// order of each line's glyphs and their x positions.
//
// Choices made here, where the plain reading of the rules would go wrong:
// - A glyph wider than the wrap width on an empty line stays on that line instead of first
//   emitting an empty line before it.
// - With a tab width of 0 (a font whose average width is 0) a tab advances nothing.
// - When a clipped block stops taking runs at its height limit, the line in progress ends with
//   the last run taken, instead of swallowing the untreated rest of the text (line feeds still
//   unbroken, tabs unexpanded).
// - A carriage return inside a line is drawn as the blank glyph its index says, not as the glyph
//   it was shaped to; and when a right-to-left run is split at a wrap, its glyph indices move with
//   their records, so the trailing-blank test sees the glyphs it measures.
#include <algorithm>
#include <climits>

#include "gfxutil/core/texture_font.h"

namespace gfxutil::core {
namespace {

constexpr DWORD kNoHeightLimit = DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE;

}  // namespace

HRESULT TextureFont::layOutLines(DWORD format, const RECT* rect) {
    const UINT n = m_glyphCount;
    if (!m_glyphOrder.grow(n, true) || !m_glyphX.grow(n, false)) {
        return E_OUTOFMEMORY;
    }
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    m_maxWidth = 0;
    m_totalHeight = 0;
    m_lineCount = 0;
    INT wrapWidth = INT_MAX;
    INT maxHeight = INT_MAX;
    const bool wrapping = (format & DT_WORDBREAK) != 0 && rect != nullptr && rect->left < rect->right && !singleLine;
    if (wrapping) {
        wrapWidth = rect->right - rect->left;
    }
    if (rect != nullptr && (format & kNoHeightLimit) == 0) {
        maxHeight = rect->bottom - rect->top;
    }
    const WORD blank = m_fontProperties.wgBlank;
    INT x = 0;
    UINT lineStart = 0;
    UINT lineStartRun = 0;
    UINT runsTaken = 0;
    HRESULT hr = S_OK;
    for (UINT r = 0; r < m_runCount; ++r) {
        const TextRun& run = m_runs[r];
        const UINT s = run.firstGlyph;
        const UINT e = m_runs[r + 1].firstGlyph;
        runsTaken = r + 1;
        if (s == e) {
            // A run that contributed no glyphs (placing failed).
        } else if ((run.flags & kRunCarriageReturn) != 0 && !singleLine) {
            // 1. A carriage return takes no room.
            m_advances[s] = 0;
            m_glyphs[s] = blank;
            if (FAILED(hr = CacheGlyphs(&m_glyphs[s], 1, &m_glyphRecords[s]))) {
                return hr;
            }
        } else if ((run.flags & kRunLineFeed) != 0 && !singleLine) {
            // 2. A line feed ends the line (and is dropped from it).
            m_advances[s] = 0;
            m_glyphs[s] = blank;
            if (FAILED(hr = EmitLine(lineStart, e, lineStartRun, r + 1))) {
                return hr;
            }
            x = 0;
            lineStart = e;
            lineStartRun = r + 1;
        } else if ((run.flags & kRunTab) != 0 && (format & DT_EXPANDTABS) != 0) {
            // 3. A tab advances to the next multiple of eight average widths.
            if (wrapping && x >= wrapWidth) {
                if (FAILED(hr = EmitLine(lineStart, s, lineStartRun, r))) {
                    return hr;
                }
                x = 0;
                lineStart = s;
                lineStartRun = r;
            }
            const INT tab = 8 * m_metrics.tmAveCharWidth;
            INT adv = tab > 0 ? tab - (x % tab) : 0;
            if (wrapping && x + adv > wrapWidth) {
                adv = wrapWidth - x;
            }
            m_advances[s] = adv;
            m_glyphs[s] = blank;
            if (FAILED(hr = CacheGlyphs(&m_glyphs[s], 1, &m_glyphRecords[s]))) {
                return hr;
            }
            x += adv;
        } else {
            // 4. A word: moved whole to a new line when it does not fit, split between glyphs when
            // it is longer than a line.
            const ABC& extent = m_runExtents[r];
            if (wrapping && x > 0 &&
                static_cast<std::int64_t>(x) + extent.abcA + extent.abcB + extent.abcC > wrapWidth) {
                if (FAILED(hr = EmitLine(lineStart, s, lineStartRun, r))) {
                    return hr;
                }
                x = 0;
                lineStart = s;
                lineStartRun = r;
            }
            const bool rightToLeft = (run.flags & kRunRightToLeft) != 0;
            for (UINT g = s; g < e; ++g) {
                // A right-to-left run is consumed from its last glyph.
                const INT adv = m_advances[rightToLeft ? e - 1 - (g - s) : g];
                if (wrapping && x > 0 && static_cast<std::int64_t>(x) + adv > wrapWidth) {
                    if (rightToLeft) {
                        // The k glyphs already placed (its last k) move to the front, in order.
                        const UINT k = g - s;
                        std::rotate(&m_glyphRecords[s], &m_glyphRecords[e - k], &m_glyphRecords[s] + (e - s));
                        std::rotate(&m_advances[s], &m_advances[e - k], &m_advances[s] + (e - s));
                        std::rotate(&m_offsets[s], &m_offsets[e - k], &m_offsets[s] + (e - s));
                        std::rotate(&m_glyphs[s], &m_glyphs[e - k], &m_glyphs[s] + (e - s));
                    }
                    if (FAILED(hr = EmitLine(lineStart, g, lineStartRun, r + 1))) {
                        return hr;
                    }
                    x = 0;
                    lineStart = g;
                    lineStartRun = r;
                }
                x += adv;
            }
        }
        // 5. A clipped block takes no runs beyond its height.
        if (m_totalHeight > maxHeight) {
            break;
        }
    }
    if (x > 0) {
        return EmitLine(lineStart, m_runs[runsTaken].firstGlyph, lineStartRun, runsTaken);
    }
    return S_OK;
}

HRESULT TextureFont::EmitLine(UINT start, UINT end, UINT firstRun, UINT endRun) {
    // 1. A closing carriage return or line feed is not part of the line.
    while (firstRun < endRun && end > start && (m_runs[endRun - 1].flags & (kRunCarriageReturn | kRunLineFeed)) != 0) {
        --end;
        --endRun;
    }
    // 2. Visual order: groups of runs of one direction, left to right (right to left in an rtl
    // paragraph); a right-to-left group lists its runs from last to first.
    auto isRtl = [&](UINT r) { return (m_runs[r].flags & kRunRightToLeft) != 0; };
    auto glyphStart = [&](UINT r) { return std::clamp<UINT>(m_runs[r].firstGlyph, start, end); };
    UINT pos = m_rtl ? end : start;
    for (UINT r = firstRun; r < endRun;) {
        UINT groupEnd = r + 1;
        while (groupEnd < endRun && isRtl(groupEnd) == isRtl(r)) {
            ++groupEnd;
        }
        const UINT gs = glyphStart(r);
        const UINT ge = groupEnd < endRun ? glyphStart(groupEnd) : end;
        const UINT length = ge - gs;
        if (m_rtl) {
            pos -= length;
        }
        if (!isRtl(r)) {
            for (UINT g = gs; g < ge; ++g) {
                m_glyphOrder[pos++] = g;
            }
        } else {
            for (UINT k = groupEnd; k-- > r;) {
                const UINT s = glyphStart(k);
                const UINT e = k + 1 < groupEnd ? glyphStart(k + 1) : ge;
                for (UINT g = s; g < e; ++g) {
                    m_glyphOrder[pos++] = g;
                }
            }
        }
        if (m_rtl) {
            pos -= length;
        }
        r = groupEnd;
    }
    // 3. Blanks at the line's logical end take no width.
    if (firstRun < endRun && start < end) {
        const WORD blank = m_fontProperties.wgBlank;
        auto zeroFromLeft = [&] {
            for (UINT i = start; i < end && m_glyphs[m_glyphOrder[i]] == blank; ++i) {
                m_advances[m_glyphOrder[i]] = 0;
            }
        };
        auto zeroFromRight = [&] {
            for (UINT i = end; i > start && m_glyphs[m_glyphOrder[i - 1]] == blank; --i) {
                m_advances[m_glyphOrder[i - 1]] = 0;
            }
        };
        const bool firstRtl = isRtl(firstRun);
        const bool lastRtl = isRtl(endRun - 1);
        if (!m_rtl) {
            if (firstRtl) {
                zeroFromLeft();
            }
            if (!lastRtl) {
                zeroFromRight();
            }
        } else {
            if (!firstRtl) {
                zeroFromRight();
            }
            if (lastRtl) {
                zeroFromLeft();
            }
        }
    }
    // 4. Pen positions.
    INT width = 0;
    for (UINT i = start; i < end; ++i) {
        m_glyphX[m_glyphOrder[i]] = width;
        width += m_advances[m_glyphOrder[i]];
    }
    // 5. The line.
    if (!m_lines.grow(m_lineCount + 1, true)) {
        return E_OUTOFMEMORY;
    }
    m_lines[m_lineCount++] = TextLine{start, end, width};
    m_maxWidth = std::max(m_maxWidth, width);
    m_totalHeight += m_metrics.tmHeight;
    return S_OK;
}

}  // namespace gfxutil::core
