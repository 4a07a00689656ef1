#include "platform/gdi/sized_face.h"

#include FT_TRUETYPE_TABLES_H

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace platform::gdi {
namespace {

std::mutex& faceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<FT_Face, SizedFace*>& facesByHandle() {
    static std::map<FT_Face, SizedFace*> faces;
    return faces;
}

FT_Face openFace(const FaceLocation& location) {
    FT_Face face = nullptr;
    if (FT_New_Face(freeTypeLibrary(), location.file.c_str(), location.index, &face) != 0) {
        return nullptr;
    }
    return face;
}

// The average width of text: lowercase letters and the space weighted by how often they occur in
// English, the OS/2 table's original definition of xAvgCharWidth. Fonts made since store an
// average over all their glyphs there instead, which for a face with wide accented and symbol
// glyphs no longer says how wide text runs; GDI programs size text by it. A face without those
// letters keeps its stored value.
int weightedAverageWidth(FT_Face face, int stored) {
    static constexpr int kWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6,  35, 20,
                                         56, 56, 17, 4,  49, 56,  71, 31, 10, 18, 3,  18, 2};
    constexpr int kSpaceWeight = 166;
    long long sum = 0;
    for (int i = 0; i <= 26; ++i) {
        const FT_ULong c = i < 26 ? static_cast<FT_ULong>('a' + i) : ' ';
        const FT_UInt glyph = FT_Get_Char_Index(face, c);
        if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) != 0) {
            return stored;
        }
        sum += static_cast<long long>(face->glyph->metrics.horiAdvance) * (i < 26 ? kWeights[i] : kSpaceWeight);
    }
    return static_cast<int>(sum / 1000);
}

void readTables(FT_Face face, FaceDesign& d) {
    d.face = face;
    d.unitsPerEm = face->units_per_EM != 0 ? face->units_per_EM : 2048;
    d.hheaAscent = face->ascender;
    d.hheaDescent = -face->descender;
    d.lineGap = face->height - (face->ascender - face->descender);
    d.maxAdvance = face->max_advance_width;
    d.maxRight = static_cast<int>(face->bbox.xMax);
    d.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    d.fixedPitch = FT_IS_FIXED_WIDTH(face);
    d.trueType = FT_IS_SFNT(face) && FT_IS_SCALABLE(face);
    d.weightClass = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? FW_BOLD : FW_NORMAL;
    d.ascent = d.hheaAscent;
    d.descent = d.hheaDescent;
    d.averageWidth = d.unitsPerEm / 2;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            d.ascent = os2->usWinAscent;
            d.descent = os2->usWinDescent;
        }
        if (os2->xAvgCharWidth > 0) {
            d.averageWidth = os2->xAvgCharWidth;
        }
        d.weightClass = os2->usWeightClass;
        d.panoseFamily = os2->panose[0];
        d.panoseSerif = os2->panose[1];
        d.firstChar = os2->usFirstCharIndex;
        d.lastChar = os2->usLastCharIndex;
    }
    d.averageWidth = weightedAverageWidth(face, d.averageWidth);
}

// Copies FreeType's bitmap into the coverage convention: one byte per pixel, 0 ... 255.
void copyCoverage(const FT_Bitmap& bitmap, RenderedGlyph& out) {
    out.width = static_cast<int>(bitmap.width);
    out.rows = static_cast<int>(bitmap.rows);
    out.coverage.assign(static_cast<std::size_t>(out.width) * out.rows, 0);
    const int greys = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 1;
    for (int r = 0; r < out.rows; ++r) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch;
        std::uint8_t* dst = out.coverage.data() + static_cast<std::size_t>(r) * out.width;
        for (int c = 0; c < out.width; ++c) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                dst[c] = (row[c >> 3] & (0x80 >> (c & 7))) != 0 ? 255 : 0;
            } else if (greys == 255) {
                dst[c] = row[c];
            } else {
                dst[c] = static_cast<std::uint8_t>(row[c] * 255 / greys);
            }
        }
    }
}

}  // namespace

RenderedGlyph renderGlyph(FT_Face face, UINT index, FT_Int32 loadFlags) {
    RenderedGlyph out;
    if (index >= static_cast<UINT>(face->num_glyphs) || FT_Load_Glyph(face, index, loadFlags) != 0) {
        return out;
    }
    FT_GlyphSlot slot = face->glyph;
    out.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    FT_Render_Mode mode = FT_LOAD_TARGET_MODE(loadFlags);
    if (mode != FT_RENDER_MODE_MONO && mode != FT_RENDER_MODE_LIGHT) {
        mode = FT_RENDER_MODE_NORMAL;  // sub-pixel targets would triple the width
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, mode) != 0) {
        return out;
    }
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    copyCoverage(slot->bitmap, out);
    return out;
}

FT_Library freeTypeLibrary() {
    static FT_Library library = [] {
        FT_Library created = nullptr;
        FT_Init_FreeType(&created);
        return created;
    }();
    return library;
}

SizedFace::SizedFace(FT_Face face, const FaceDesign& design, const FaceLocation& location)
    : m_face(face), m_design(design), m_location(location) {}

const RenderedGlyph& SizedFace::glyph(UINT index, FT_Int32 loadFlags) {
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(loadFlags)) << 32) | index;
    auto found = m_glyphs.find(key);
    if (found == m_glyphs.end()) {
        found = m_glyphs.emplace(key, renderGlyph(m_face, index, loadFlags)).first;
    }
    return found->second;
}

const FaceDesign* faceDesign(const FaceLocation& location) {
    static std::map<std::pair<std::string, int>, std::unique_ptr<FaceDesign>> designs;
    std::lock_guard lock(faceMutex());
    auto& slot = designs[{location.file, location.index}];
    if (slot == nullptr) {
        FT_Face face = openFace(location);
        if (face == nullptr) {
            return nullptr;
        }
        slot = std::make_unique<FaceDesign>();
        readTables(face, *slot);
    }
    return slot.get();
}

SizedFace* sizedFace(const FaceLocation& location, int xPixels, int yPixels) {
    const FaceDesign* design = faceDesign(location);
    if (design == nullptr) {
        return nullptr;
    }
    using Key = std::tuple<std::string, int, int, int>;
    static std::map<Key, std::unique_ptr<SizedFace>> faces;
    std::lock_guard lock(faceMutex());
    auto& slot = faces[Key{location.file, location.index, xPixels, yPixels}];
    if (slot == nullptr) {
        FT_Face face = openFace(location);
        if (face == nullptr) {
            return nullptr;
        }
        if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(xPixels), static_cast<FT_UInt>(yPixels)) != 0) {
            FT_Done_Face(face);
            return nullptr;
        }
        slot = std::make_unique<SizedFace>(face, *design, location);
        facesByHandle()[face] = slot.get();
    }
    return slot.get();
}

SizedFace* sizedFaceOf(FT_Face face) {
    std::lock_guard lock(faceMutex());
    const auto found = facesByHandle().find(face);
    return found == facesByHandle().end() ? nullptr : found->second;
}

const UnicodeCoverage& unicodeCoverage(const FaceDesign& design) {
    static std::map<const FaceDesign*, UnicodeCoverage> coverages;
    std::lock_guard lock(faceMutex());
    auto [entry, added] = coverages.try_emplace(&design);
    UnicodeCoverage& coverage = entry->second;
    if (!added) {
        return coverage;
    }
    FT_UInt glyph = 0;
    for (FT_ULong c = FT_Get_First_Char(design.face, &glyph); glyph != 0 && c <= 0xFFFF;
         c = FT_Get_Next_Char(design.face, c, &glyph)) {
        WCRANGE* last = coverage.ranges.empty() ? nullptr : &coverage.ranges.back();
        if (last != nullptr && last->wcLow + last->cGlyphs == c && last->cGlyphs < 0xFFFF) {
            ++last->cGlyphs;
        } else {
            coverage.ranges.push_back(WCRANGE{static_cast<WCHAR>(c), 1});
        }
        ++coverage.characterCount;
    }
    return coverage;
}

}  // namespace platform::gdi
