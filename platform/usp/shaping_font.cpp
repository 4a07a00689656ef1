#include "platform/usp/shaping_font.h"

#include <hb-ft.h>

#include <map>
#include <mutex>
#include <utility>


namespace platform::usp {

namespace {

int wholePixels(hb_position_t v) { return (v + 32) >> 6; }  // 26.6 to pixels, halves up

struct Registry {
    std::mutex mutex;
    std::map<std::pair<FT_Face, FT_Int32>, std::shared_ptr<ShapingFont>> fonts;
};

}  // namespace

std::shared_ptr<ShapingFont> ShapingFont::forFace(FT_Face face, FT_Int32 loadFlags) {
    // Never destroyed: faces must not be released after the GDI layer has shut FreeType down at exit.
    static Registry* registry = new Registry;
    std::lock_guard lock(registry->mutex);
    auto key = std::make_pair(face, loadFlags);
    if (auto found = registry->fonts.find(key); found != registry->fonts.end()) {
        return found->second;
    }
    constexpr std::size_t kFontLimit = 64;
    if (registry->fonts.size() >= kFontLimit) {
        std::erase_if(registry->fonts, [](const auto& entry) { return entry.second.use_count() == 1; });
    }
    auto font = std::make_shared<ShapingFont>(face, loadFlags);
    registry->fonts.emplace(key, font);
    return font;
}

ShapingFont::ShapingFont(FT_Face face, FT_Int32 loadFlags) : m_face(face), m_loadFlags(loadFlags) {
    m_font = hb_ft_font_create_referenced(face);
    hb_ft_font_set_load_flags(m_font, loadFlags);
    m_buffer = hb_buffer_create();
    hb_buffer_set_cluster_level(m_buffer, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_GRAPHEMES);
}

ShapingFont::~ShapingFont() {
    hb_buffer_destroy(m_buffer);
    hb_font_destroy(m_font);
}

const ShapedRun& ShapingFont::shape(std::u16string_view text, const SCRIPT_ANALYSIS& analysis) {
    m_key.assign(1, shapingBits(analysis));
    m_key.append(text);
    if (auto found = m_runs.find(m_key); found != m_runs.end()) {
        return found->second;
    }
    trimCaches();
    std::u16string key = m_key;
    ShapedRun& run = m_runs[key];
    shapeInto(text, analysis, run);
    return run;
}

const Placement& ShapingFont::place(const WORD* glyphs, int count, const SCRIPT_VISATTR* visAttrs,
                                    const SCRIPT_ANALYSIS& analysis) {
    placementKey(analysis, glyphs, visAttrs, count, m_key);
    if (auto found = m_placements.find(m_key); found != m_placements.end()) {
        return found->second;
    }
    Placement placement;
    placement.advances.resize(count);
    placement.offsets.assign(count, GOFFSET{0, 0});
    for (int i = 0; i < count; ++i) {
        placement.advances[i] = visAttrs[i].fZeroWidth ? 0 : advanceOf(glyphs[i]);
    }
    placement.extent = extentOf(glyphs, placement.advances);
    trimCaches();
    return remember(std::u16string(m_key), std::move(placement));
}

void ShapingFont::trimCaches() {
    if (m_runs.size() >= kCacheLimit || m_placements.size() >= kCacheLimit) {
        m_runs.clear();  // runs point into the placements: the two go together
        m_placements.clear();
    }
}

void placementKey(const SCRIPT_ANALYSIS& analysis, const WORD* glyphs, const SCRIPT_VISATTR* visAttrs, int count,
                  std::u16string& key) {
    key.assign(1, shapingBits(analysis));
    key.append(reinterpret_cast<const char16_t*>(glyphs), static_cast<std::size_t>(count));
    char16_t mask = 0;
    for (int i = 0; i < count; ++i) {
        mask = static_cast<char16_t>(mask | (visAttrs[i].fZeroWidth << (i & 15)));
        if ((i & 15) == 15 || i == count - 1) {
            key.push_back(mask);
            mask = 0;
        }
    }
}

const Placement& ShapingFont::remember(const std::u16string& key, Placement placement) {
    return m_placements.insert_or_assign(key, std::move(placement)).first->second;
}

bool ShapingFont::hasGlyph(char32_t codePoint) const {
    hb_codepoint_t glyph = 0;
    return hb_font_get_nominal_glyph(m_font, codePoint, &glyph) && glyph != 0;
}

WORD ShapingFont::nominalGlyph(char32_t codePoint) const {
    hb_codepoint_t glyph = 0;
    return hb_font_get_nominal_glyph(m_font, codePoint, &glyph) ? static_cast<WORD>(glyph) : 0;
}

int ShapingFont::advanceOf(WORD glyph) const { return wholePixels(hb_font_get_glyph_h_advance(m_font, glyph)); }

int ShapingFont::ascent() const { return static_cast<int>((m_face->size->metrics.ascender + 63) >> 6); }

int ShapingFont::descent() const { return static_cast<int>((-m_face->size->metrics.descender + 63) >> 6); }

// A: the space before the first glyph's ink; C: the space after the last one's; B: the rest.
ABC ShapingFont::extentOf(const WORD* glyphs, const std::vector<int>& advances) const {
    ABC abc{};
    int total = 0;
    for (int a : advances) {
        total += a;
    }
    const std::size_t n = advances.size();
    if (n == 0) {
        return abc;
    }
    hb_glyph_extents_t first{}, last{};
    hb_font_get_glyph_extents(m_font, glyphs[0], &first);
    hb_font_get_glyph_extents(m_font, glyphs[n - 1], &last);
    abc.abcA = first.width != 0 ? wholePixels(first.x_bearing) : 0;
    abc.abcC = last.width != 0 ? advances[n - 1] - wholePixels(last.x_bearing + last.width) : advances[n - 1];
    if (total - abc.abcA - abc.abcC < 0) {  // ink wider than the advances: C takes the difference
        abc.abcC = total - abc.abcA;
    }
    abc.abcB = static_cast<UINT>(total - abc.abcA - abc.abcC);
    return abc;
}

}  // namespace platform::usp
