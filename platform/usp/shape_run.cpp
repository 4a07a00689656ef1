// Shaping one run with HarfBuzz and turning the result into what ScriptShape and ScriptPlace
// report: glyphs in visual order, the cluster map, visual attributes and the placement.
#include <hb-ot.h>

#include <vector>

#include "platform/usp/script_table.h"
#include "platform/usp/shaping_font.h"
#include "platform/usp/text_units.h"

namespace platform::usp {

namespace {

int wholePixels(hb_position_t v) { return (v + 32) >> 6; }

hb_unicode_general_category_t categoryOf(char32_t c) {
    return hb_unicode_general_category(hb_unicode_funcs_get_default(), c);
}

// Scripts that need no shaping are set as ExtTextOutW sets them: no kerning, no ligatures, no
// contextual forms. Composition and mark placement stay on.
constexpr hb_feature_t kPlainFeatures[] = {
    {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'a', 'l', 't'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
};

void fillBuffer(hb_buffer_t* buffer, std::u16string_view text, const SCRIPT_ANALYSIS& analysis) {
    const ScriptEntry& entry = scriptEntry(analysis.eScript);
    hb_buffer_clear_contents(buffer);
    thread_local std::u16string digits;
    const char16_t* units = text.data();
    if (entry.digitZero != 0) {  // national digits: the same digits in the script's own glyphs
        digits.assign(text);
        for (char16_t& u : digits) {
            if (u >= u'0' && u <= u'9') {
                u = static_cast<char16_t>(entry.digitZero + (u - u'0'));
            }
        }
        units = digits.data();
    }
    const int length = static_cast<int>(text.size());
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(units), length, 0, length);
    hb_buffer_set_direction(buffer, analysis.fRTL ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    if (entry.hbScript != HB_SCRIPT_INVALID) {
        hb_buffer_set_script(buffer, entry.hbScript);
    }
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_set_flags(buffer, static_cast<hb_buffer_flags_t>(HB_BUFFER_FLAG_BOT | HB_BUFFER_FLAG_EOT));
}

void shapeBuffer(hb_font_t* font, hb_buffer_t* buffer, const SCRIPT_ANALYSIS& analysis) {
    if (!scriptEntry(analysis.eScript).complex) {
        hb_shape(font, buffer, kPlainFeatures, std::size(kPlainFeatures));
    } else if (analysis.s.fInhibitLigate) {
        hb_shape(font, buffer, kPlainFeatures + 1, 2);  // liga and clig only
    } else {
        hb_shape(font, buffer, nullptr, 0);
    }
}

// Glyph order in logical order: ascending for left to right, descending for right to left.
struct LogicalOrder {
    int count;
    bool rtl;
    int at(int k) const { return rtl ? count - 1 - k : k; }
};

// clusters[i] = the logically first glyph of the cluster holding unit i; marks cluster starts.
void mapClusters(const hb_glyph_info_t* info, LogicalOrder order, int length, ShapedRun& run) {
    thread_local std::vector<int> firstGlyph;
    firstGlyph.assign(static_cast<std::size_t>(length), -1);
    for (int k = 0; k < order.count; ++k) {
        int j = order.at(k);
        bool start = k == 0 || info[j].cluster != info[order.at(k - 1)].cluster;
        run.visAttrs[j].fClusterStart = start;
        if (start && info[j].cluster < static_cast<unsigned>(length)) {
            firstGlyph[info[j].cluster] = j;
        }
    }
    int current = order.at(0);
    for (int i = 0; i < length; ++i) {
        if (firstGlyph[i] >= 0) {
            current = firstGlyph[i];
        }
        run.clusters[i] = static_cast<WORD>(current);
    }
}

}  // namespace

void ShapingFont::shapeInto(std::u16string_view text, const SCRIPT_ANALYSIS& analysis, ShapedRun& run) {
    fillBuffer(m_buffer, text, analysis);
    shapeBuffer(m_font, m_buffer, analysis);
    unsigned int n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(m_buffer, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(m_buffer, nullptr);
    const int count = static_cast<int>(n);
    const int length = static_cast<int>(text.size());
    if (count == 0) {  // nothing to show for the text (not expected of HarfBuzz): let the caller draw it otherwise
        run = ShapedRun{};
        run.missing = true;
        run.clusters.assign(text.size(), 0);
        return;
    }
    const bool arabic = scriptEntry(analysis.eScript).hbScript == HB_SCRIPT_ARABIC;
    const WORD blank = nominalGlyph(U' ');
    hb_face_t* face = hb_font_get_face(m_font);
    run.glyphs.resize(count);
    run.visAttrs.assign(count, SCRIPT_VISATTR{});
    run.clusters.resize(length);
    Placement placement;
    placement.advances.resize(count);
    placement.offsets.resize(count);
    run.missing = false;
    mapClusters(info, LogicalOrder{count, analysis.fRTL != 0}, length, run);
    for (int j = 0; j < count; ++j) {
        char32_t c;
        codePointAt(text.data(), length, static_cast<int>(info[j].cluster), &c);
        hb_unicode_general_category_t category = categoryOf(c);
        WORD glyph = static_cast<WORD>(info[j].codepoint);
        SCRIPT_VISATTR& v = run.visAttrs[j];
        bool control = category == HB_UNICODE_GENERAL_CATEGORY_CONTROL;
        if (control) {
            glyph = blank;  // never shown; layout gives it its own meaning
        } else if (glyph == 0) {
            run.missing = true;
        }
        v.fZeroWidth = control || (category == HB_UNICODE_GENERAL_CATEGORY_FORMAT && pos[j].x_advance == 0);
        v.fDiacritic = hb_ot_layout_get_glyph_class(face, glyph) == HB_OT_LAYOUT_GLYPH_CLASS_MARK ||
                       (!v.fClusterStart && pos[j].x_advance == 0);
        if (category == HB_UNICODE_GENERAL_CATEGORY_SPACE_SEPARATOR) {
            v.uJustification = arabic ? SCRIPT_JUSTIFY_ARABIC_BLANK : SCRIPT_JUSTIFY_BLANK;
        } else if (v.fClusterStart && !v.fDiacritic && !v.fZeroWidth) {
            v.uJustification = arabic ? SCRIPT_JUSTIFY_ARABIC_NORMAL : SCRIPT_JUSTIFY_CHARACTER;
        }
        run.glyphs[j] = glyph;
        placement.advances[j] = v.fZeroWidth ? 0 : wholePixels(pos[j].x_advance);
        placement.offsets[j] = GOFFSET{wholePixels(pos[j].x_offset), -wholePixels(pos[j].y_offset)};
    }
    placement.extent = extentOf(run.glyphs.data(), placement.advances);
    std::u16string key;
    placementKey(analysis, run.glyphs.data(), run.visAttrs.data(), count, key);
    run.placement = &remember(key, std::move(placement));
}

}  // namespace platform::usp
