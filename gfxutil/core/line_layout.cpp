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
// - A run without glyphs (placing failed, or empty strips) writes no glyph of another run; a line
//   feed run without glyphs still ends its line, and closing a line drops the closing run's own
//   glyphs rather than one glyph, whatever run it belongs to.
// - A carriage return inside a line is drawn as the blank glyph its index says, not as the glyph
//   it was shaped to; and when a right-to-left run is split at a wrap, its glyph indices move with
//   their records, so the trailing-blank test sees the glyphs it measures.
// - A right-to-left run split at a wrap goes on with the part still to place: its mirror glyphs and
//   the next rotation are taken within that part, not within the whole run, so each glyph's
//   advance is counted once and every line holds the glyphs it measured.
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
    LineCursor line{0, 0, 0, INT_MAX, false};
    INT maxHeight = INT_MAX;
    if ((format & DT_WORDBREAK) != 0 && rect != nullptr && rect->left < rect->right && !singleLine) {
        line.wrapWidth = rect->right - rect->left;
        line.wrapping = true;
    }
    if (rect != nullptr && (format & kNoHeightLimit) == 0) {
        maxHeight = rect->bottom - rect->top;
    }
    const WORD blank = m_fontProperties.wgBlank;
    UINT runsTaken = 0;
    HRESULT hr = S_OK;
    for (UINT r = 0; r < m_runCount && SUCCEEDED(hr); ++r) {
        const TextRun& run = m_runs[r];
        const UINT s = run.firstGlyph;
        const UINT e = m_runs[r + 1].firstGlyph;
        runsTaken = r + 1;
        // A run may have no glyph at all (its placing failed, or its strips are empty): it then
        // changes no glyph, and only a line feed still ends the line.
        if ((run.flags & kRunCarriageReturn) != 0 && !singleLine) {
            // 1. A carriage return takes no room.
            if (s < e) {
                m_advances[s] = 0;
                m_glyphs[s] = blank;
                hr = CacheGlyphs(&m_glyphs[s], 1, &m_glyphRecords[s]);
            }
        } else if ((run.flags & kRunLineFeed) != 0 && !singleLine) {
            // 2. A line feed ends the line (and is dropped from it).
            if (s < e) {
                m_advances[s] = 0;
                m_glyphs[s] = blank;
            }
            hr = breakLine(line, e, r + 1, e, r + 1);
        } else if ((run.flags & kRunTab) != 0 && (format & DT_EXPANDTABS) != 0) {
            if (s < e) {
                hr = expandTab(r, line);  // 3.
            }
        } else {
            hr = placeWord(r, line);  // 4.
        }
        // 5. A clipped block takes no runs beyond its height.
        if (m_totalHeight > maxHeight) {
            break;
        }
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (line.x > 0) {
        return EmitLine(line.lineStart, m_runs[runsTaken].firstGlyph, line.lineStartRun, runsTaken);
    }
    return S_OK;
}

// Ends the current line at glyph `end` (runs before `endRun`) and starts the next one at
// `nextStart`, run `nextRun`.
HRESULT TextureFont::breakLine(LineCursor& line, UINT end, UINT endRun, UINT nextStart, UINT nextRun) {
    const HRESULT hr = EmitLine(line.lineStart, end, line.lineStartRun, endRun);
    line.x = 0;
    line.lineStart = nextStart;
    line.lineStartRun = nextRun;
    return hr;
}

// Step 5.3: a tab advances to the next multiple of eight average widths, cut at the wrap width.
HRESULT TextureFont::expandTab(UINT r, LineCursor& line) {
    const UINT s = m_runs[r].firstGlyph;
    if (line.wrapping && line.x >= line.wrapWidth) {
        const HRESULT hr = breakLine(line, s, r, s, r);
        if (FAILED(hr)) {
            return hr;
        }
    }
    const INT tab = 8 * m_metrics.tmAveCharWidth;
    INT adv = tab > 0 ? tab - (line.x % tab) : 0;
    if (line.wrapping && line.x + adv > line.wrapWidth) {
        adv = line.wrapWidth - line.x;
    }
    m_advances[s] = adv;
    m_glyphs[s] = m_fontProperties.wgBlank;
    line.x += adv;
    return CacheGlyphs(&m_glyphs[s], 1, &m_glyphRecords[s]);
}

// Step 5.4: a word moves whole to a new line when it does not fit, and is split between glyphs
// when it is longer than a line. A right-to-left run is consumed from its last glyph.
HRESULT TextureFont::placeWord(UINT r, LineCursor& line) {
    const UINT s = m_runs[r].firstGlyph;
    const UINT e = m_runs[r + 1].firstGlyph;
    const ABC& extent = m_runExtents[r];
    HRESULT hr = S_OK;
    if (line.wrapping && line.x > 0 &&
        static_cast<std::int64_t>(line.x) + extent.abcA + extent.abcB + extent.abcC > line.wrapWidth) {
        if (FAILED(hr = breakLine(line, s, r, s, r))) {
            return hr;
        }
    }
    const bool rightToLeft = (m_runs[r].flags & kRunRightToLeft) != 0;
    // The part of the run not on an earlier line: [segment, e). A right-to-left run is consumed
    // from the last glyph of that part.
    UINT segment = s;
    for (UINT g = s; g < e; ++g) {
        const INT adv = m_advances[rightToLeft ? e - 1 - (g - segment) : g];
        if (line.wrapping && line.x > 0 && static_cast<std::int64_t>(line.x) + adv > line.wrapWidth) {
            if (rightToLeft) {
                // The k glyphs already placed (the part's last k) move to its front, in order.
                const UINT k = g - segment;
                std::rotate(&m_glyphRecords[segment], &m_glyphRecords[e - k], &m_glyphRecords[segment] + (e - segment));
                std::rotate(&m_advances[segment], &m_advances[e - k], &m_advances[segment] + (e - segment));
                std::rotate(&m_offsets[segment], &m_offsets[e - k], &m_offsets[segment] + (e - segment));
                std::rotate(&m_glyphs[segment], &m_glyphs[e - k], &m_glyphs[segment] + (e - segment));
                segment = g;
            }
            // The run continues on the next line.
            if (FAILED(hr = breakLine(line, g, r + 1, g, r))) {
                return hr;
            }
        }
        line.x += adv;
    }
    return S_OK;
}

HRESULT TextureFont::EmitLine(UINT start, UINT end, UINT firstRun, UINT endRun) {
    // 1. A closing carriage return or line feed is not part of the line: the run and its glyphs
    // (one, normally; none when it could not be shaped) are dropped.
    while (firstRun < endRun && (m_runs[endRun - 1].flags & (kRunCarriageReturn | kRunLineFeed)) != 0) {
        end = std::max(start, std::min<UINT>(end, m_runs[endRun - 1].firstGlyph));
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
