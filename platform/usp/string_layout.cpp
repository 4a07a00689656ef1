// Laying out a whole string for the string functions: items, then pieces of one font within each
// item (font fallback), then the pieces in visual order with their glyphs and character edges.
#include <algorithm>
#include <map>

#include "platform/usp/string_analysis.h"
#include "platform/usp/text_units.h"

namespace platform::usp {

namespace {

// Part of one item that one font shows.
struct Piece {
    int start;
    int end;
    int item;
    ShapingFont* font;
};

// Characters that never choose a font of their own: they follow the character before them.
bool followsPrevious(char32_t c) {
    switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_FORMAT:
    case HB_UNICODE_GENERAL_CATEGORY_CONTROL:
        return true;
    default:
        return false;
    }
}

// The fonts of one analysis: the selected one and the fallback faces found so far.
class FontChooser {
public:
    FontChooser(HDC dc, std::shared_ptr<ShapingFont> primary, bool fallback)
        : m_dc(dc), m_primary(std::move(primary)), m_fallback(fallback) {}

    ShapingFont* primary() const { return m_primary.get(); }

    ShapingFont* fontFor(char32_t c, ShapingFont* previous) {
        if (previous != nullptr && followsPrevious(c)) {
            return previous;
        }
        if (!m_fallback || m_primary->hasGlyph(c)) {
            return m_primary.get();
        }
        auto found = m_byCharacter.find(c);
        if (found != m_byCharacter.end()) {
            return found->second;
        }
        ShapingFont* chosen = m_primary.get();  // nothing installed has it: the default glyph shows
        if (FT_Face face = gdi::fallbackFace(m_dc, c)) {
            std::shared_ptr<ShapingFont> font = ShapingFont::forFace(face, m_primary->loadFlags());
            chosen = font.get();
            m_used.push_back(std::move(font));
        }
        m_byCharacter.emplace(c, chosen);
        return chosen;
    }

    std::shared_ptr<ShapingFont> shared(ShapingFont* font) const {
        if (font == m_primary.get()) {
            return m_primary;
        }
        for (const auto& f : m_used) {
            if (f.get() == font) {
                return f;
            }
        }
        return m_primary;
    }

private:
    HDC m_dc;
    std::shared_ptr<ShapingFont> m_primary;
    bool m_fallback;
    std::map<char32_t, ShapingFont*> m_byCharacter;
    std::vector<std::shared_ptr<ShapingFont>> m_used;
};

void splitByFont(std::u16string_view text, const std::vector<SCRIPT_ITEM>& items, FontChooser& fonts,
                 std::vector<Piece>& pieces) {
    const int length = static_cast<int>(text.size());
    for (std::size_t k = 0; k + 1 < items.size(); ++k) {
        ShapingFont* previous = nullptr;
        for (int i = items[k].iCharPos; i < items[k + 1].iCharPos;) {
            char32_t c;
            int units = codePointAt(text.data(), length, i, &c);
            ShapingFont* font = fonts.fontFor(c, previous);
            if (font != previous) {
                pieces.push_back({i, i + units, static_cast<int>(k), font});
            } else {
                pieces.back().end = i + units;
            }
            previous = font;
            i += units;
        }
    }
}

// The pieces in visual order: from the highest level down to the lowest odd one, every maximal
// sequence of pieces at that level or above is reversed.
void orderVisually(const std::vector<SCRIPT_ITEM>& items, std::vector<Piece>& pieces) {
    auto level = [&](const Piece& p) { return static_cast<int>(items[p.item].a.s.uBidiLevel); };
    int highest = 0, lowestOdd = 64;
    for (const Piece& p : pieces) {
        highest = std::max(highest, level(p));
        if (level(p) & 1) {
            lowestOdd = std::min(lowestOdd, level(p));
        }
    }
    for (int l = highest; l >= lowestOdd; --l) {
        for (auto it = pieces.begin(); it != pieces.end();) {
            if (level(*it) < l) {
                ++it;
                continue;
            }
            auto end = std::find_if(it, pieces.end(), [&](const Piece& p) { return level(p) < l; });
            std::reverse(it, end);
            it = end;
        }
    }
}

// Edges of the characters of one shaped piece whose glyphs start at pen x `left`. A cluster's
// width is shared evenly by its characters, in their reading direction.
void recordEdges(const Piece& piece, const ShapedRun& run, const std::vector<int>& pens, bool rtl,
                 StringAnalysis& out) {
    const int n = static_cast<int>(run.glyphs.size());
    const std::vector<int>& advances = run.placement->advances;
    for (int i = piece.start; i < piece.end;) {
        WORD g = run.clusters[i - piece.start];
        int j = i;
        while (j < piece.end && run.clusters[j - piece.start] == g) {
            ++j;
        }
        // The cluster's glyphs: its first glyph in logical order and those that follow it up to
        // the next cluster start (to the right when left to right, to the left when right to left).
        int lo = g, hi = g;
        if (rtl) {
            while (lo > 0 && !run.visAttrs[lo - 1].fClusterStart) {
                --lo;
            }
        } else {
            while (hi + 1 < n && !run.visAttrs[hi + 1].fClusterStart) {
                ++hi;
            }
        }
        int x0 = pens[lo], width = pens[hi] + advances[hi] - x0, m = j - i;
        for (int k = 0; k < m; ++k) {
            int a = x0 + width * k / m, b = x0 + width * (k + 1) / m;
            out.edges[i + k] = rtl ? CharacterEdges{x0 + width - (b - x0), x0 + width - (a - x0), true}
                                   : CharacterEdges{a, b, false};
        }
        i = j;
    }
}

}  // namespace

HRESULT layOutString(HDC dc, std::u16string_view text, bool fallback, const SCRIPT_CONTROL* control,
                     const SCRIPT_STATE* state, StringAnalysis& out) {
    FT_Face face = gdi::selectedFace(dc);
    TEXTMETRICW metrics{};
    if (face == nullptr || !GetTextMetricsW(dc, &metrics)) {
        return E_INVALIDARG;
    }
    const int length = static_cast<int>(text.size());
    std::vector<SCRIPT_ITEM> items(text.size() + 1);
    int itemCount = 0;
    HRESULT hr = ScriptItemize(text.data(), length, length + 1, control, state, items.data(), &itemCount);
    if (FAILED(hr)) {
        return hr;
    }
    items.resize(itemCount + 1);
    FontChooser fonts(dc, ShapingFont::forFace(face, gdi::selectedLoadFlags(dc)), fallback);
    std::vector<Piece> pieces;
    splitByFont(text, items, fonts, pieces);
    orderVisually(items, pieces);

    out.dc = dc;
    out.ascent = metrics.tmAscent;
    out.edges.assign(text.size(), CharacterEdges{0, 0, false});
    int x = 0, below = metrics.tmHeight - metrics.tmAscent;
    std::vector<int> pens;
    for (const Piece& piece : pieces) {
        const SCRIPT_ANALYSIS& analysis = items[piece.item].a;
        const ShapedRun& run = piece.font->shape(text.substr(piece.start, piece.end - piece.start), analysis);
        if (run.placement == nullptr) {
            continue;  // nothing to draw (HarfBuzz gave no glyphs); its characters keep empty edges
        }
        StringGlyphRun glyphs{fonts.shared(piece.font), {}};
        pens.clear();
        for (std::size_t j = 0; j < run.glyphs.size(); ++j) {
            const GOFFSET& offset = run.placement->offsets[j];
            pens.push_back(x);
            glyphs.glyphs.push_back({run.glyphs[j], x + offset.du, offset.dv});
            x += run.placement->advances[j];
        }
        recordEdges(piece, run, pens, analysis.fRTL, out);
        if (piece.font != fonts.primary()) {
            below = std::max(below, piece.font->descent());
        }
        out.glyphCount += static_cast<int>(run.glyphs.size());
        out.runs.push_back(std::move(glyphs));
    }
    out.size = SIZE{x, out.ascent + below};
    out.rtlParagraph = state != nullptr && (state->uBidiLevel & 1);
    return S_OK;
}

}  // namespace platform::usp
