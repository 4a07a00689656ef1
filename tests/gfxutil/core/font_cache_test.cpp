// The font object and its glyph cache on the GDI path (this program links no script layer):
// creation from the installed fonts' real metrics, cells and textures, rasterisation with its mip
// levels, the preload operations, the queries and every caller error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>

#include "gfxutil/core/font_process.h"
#include "gfxutil/tex/srgb.h"
#include "platform/kernel/modules.h"
#include "tests/gfxutil/core/font_test_support.h"
#include "tests/gfxutil/mesh/forwarding_device.h"

namespace font_test {
namespace {

using gfxutil::core::GlyphCellPool;
using gfxutil::core::GlyphRecord;
using gfxutil::core::noPixels;

UINT powerOfTwoAtLeast(LONG a, LONG b) {
    UINT p = 1;
    while (p < static_cast<UINT>(std::max<LONG>({a, b, 1}))) {
        p *= 2;
    }
    return p;
}

UINT log2Levels(UINT cell) { return static_cast<UINT>(std::log2(cell)) + 1; }

// A glyph index whose GDI width (A + B) is at most `limit` wide and which has pixels, found by
// walking the printable ASCII characters.
std::vector<WORD> visibleGlyphs(ID3DXFont* font, UINT widthLimit, size_t wanted) {
    std::u16string ascii;
    for (char16_t c = u'!'; c <= u'~'; ++c) {
        ascii.push_back(c);
    }
    std::vector<WORD> out;
    for (WORD g : glyphsOf(font, ascii)) {
        ABC abc{};
        WORD index = g;
        GetCharABCWidthsI(font->GetDC(), 0, 1, &index, &abc);
        const int width = abc.abcA + static_cast<int>(abc.abcB);
        if (width > 0 && static_cast<UINT>(width) <= widthLimit && out.size() < wanted &&
            std::find(out.begin(), out.end(), g) == out.end()) {
            out.push_back(g);
        }
    }
    return out;
}

TEST(FontProcessTest, IsNtWithTheGdiEntryPointsAndNoScriptLayerInThisProgram) {
    gfxutil::core::resetFontProcessForTesting();
    ASSERT_EQ(gfxutil::core::setUpFontProcess(), S_OK);
    const auto& p = gfxutil::core::fontProcess();
    EXPECT_TRUE(p.isNT);
    EXPECT_NE(p.getCharABCWidthsI, nullptr);
    EXPECT_NE(p.getFontUnicodeRanges, nullptr);
    EXPECT_FALSE(p.uniscribeAvailable);
    gfxutil::core::resetFontProcessForTesting();
}

// Cells and textures follow from the metrics GDI reports for each installed face and size.
TEST_F(FontTest, CellAndTextureSizesComeFromTheRealMetrics) {
    struct Case {
        const char* name;
        INT height;
        UINT weight;
        UINT mipLevels;
        const char* face;
    };
    constexpr Case kCases[] = {
        {"help font", 18, FW_BOLD, 0, "Arial"},
        {"small", 9, FW_NORMAL, 0, "Arial"},
        {"large", 40, FW_NORMAL, 0, "Arial"},
        {"character height", -30, FW_NORMAL, 3, "Arial"},
        {"Korean", 18, FW_NORMAL, 0, "NanumGothic"},
        {"one level", 18, FW_BOLD, 1, "Arial"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXFont> font;
        ASSERT_EQ(D3DXCreateFontA(device(), c.height, 0, c.weight, c.mipLevels, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                                  c.face, font.put()),
                  S_OK);
        const TEXTMETRICW& tm = textureFont(font.get())->metrics();
        const UINT smallCell = powerOfTwoAtLeast(tm.tmHeight, tm.tmAveCharWidth);
        const UINT largeCell = powerOfTwoAtLeast(tm.tmHeight, tm.tmMaxCharWidth);
        UINT smallLevels = log2Levels(smallCell);
        UINT largeLevels = log2Levels(largeCell);
        if (c.mipLevels != 0) {
            smallLevels = std::min(smallLevels, c.mipLevels);
            largeLevels = std::min(largeLevels, c.mipLevels);
        }
        const UINT k = std::min(16, tm.tmLastChar - tm.tmFirstChar + 1);
        UINT smallTexture = smallCell;
        while (smallTexture < 256 && smallTexture * smallTexture < smallCell * smallCell * k) {
            smallTexture *= 2;
        }
        const GlyphCellPool& small = textureFont(font.get())->smallPool();
        const GlyphCellPool& large = textureFont(font.get())->largePool();
        const GlyphCellPool& strip = textureFont(font.get())->stripPool();
        EXPECT_EQ(small.cellSize, smallCell);
        EXPECT_EQ(small.levels, smallLevels);
        EXPECT_EQ(small.textureSize, smallTexture);
        EXPECT_EQ(large.cellSize, largeCell);
        EXPECT_EQ(large.levels, largeLevels);
        EXPECT_EQ(large.textureSize, std::max(largeCell, smallTexture));
        EXPECT_EQ(strip.cellSize, small.cellSize);
        EXPECT_EQ(strip.textureSize, small.textureSize);
        // Every pool starts full, so its first cell creates its first texture.
        EXPECT_EQ(small.used, small.textureArea);
        EXPECT_EQ(large.used, large.textureArea);
        EXPECT_EQ(textureFont(font.get())->textureCount(), 0u);
        EXPECT_EQ(textureFont(font.get())->hasMipScratch(), largeLevels > 1);
        EXPECT_EQ(textureFont(font.get())->bitmapHeight(), tm.tmHeight);
    }
}

// The help font's numbers as this machine's Liberation Sans Bold gives them, written out so that
// a change of the installed fonts or of the GDI layer's sizing shows here first.
TEST_F(FontTest, HelpFontMetricsAndCells) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    ASSERT_TRUE(font);
    const TEXTMETRICW& tm = textureFont(font.get())->metrics();
    std::printf("help font: tmHeight %d, tmAveCharWidth %d, tmMaxCharWidth %d, chars %u..%u\n", tm.tmHeight,
                tm.tmAveCharWidth, tm.tmMaxCharWidth, tm.tmFirstChar, tm.tmLastChar);
    EXPECT_EQ(tm.tmHeight, 18);  // a positive height is the cell height
    EXPECT_EQ(textureFont(font.get())->smallPool().cellSize, 32u);
    EXPECT_EQ(textureFont(font.get())->smallPool().levels, 6u);
    EXPECT_EQ(textureFont(font.get())->smallPool().textureSize, 128u);
}

// Morton order fills a small texture with exactly textureArea / cellArea cells; one more glyph
// opens a second texture, and the first cell of each is at its corner.
TEST_F(FontTest, TheGlyphAfterAFullSmallTextureOpensASecondOne) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    const UINT perTexture = tf->smallPool().textureArea / tf->smallPool().cellArea;
    ASSERT_EQ(perTexture, 16u);
    std::vector<WORD> glyphs = visibleGlyphs(font.get(), tf->smallPool().cellSize, perTexture + 1);
    ASSERT_EQ(glyphs.size(), perTexture + 1);
    std::vector<GlyphRecord*> records(glyphs.size());
    ASSERT_EQ(tf->CacheGlyphs(glyphs.data(), perTexture, records.data()), S_OK);
    EXPECT_EQ(tf->textureCount(), 1u);
    std::set<std::pair<UINT, UINT>> cells;
    for (UINT i = 0; i < perTexture; ++i) {
        EXPECT_EQ(records[i]->texture, tf->texture(0));
        const UINT cell = tf->smallPool().cellSize;
        cells.insert({records[i]->left / cell, records[i]->top / cell});
        // The record lies inside one cell.
        EXPECT_EQ((records[i]->right - 1) / cell, records[i]->left / cell);
        EXPECT_EQ((records[i]->bottom - 1) / cell, records[i]->top / cell);
    }
    EXPECT_EQ(cells.size(), perTexture) << "every glyph has its own cell";
    ASSERT_EQ(tf->CacheGlyphs(&glyphs[perTexture], 1, &records[perTexture]), S_OK);
    EXPECT_EQ(tf->textureCount(), 2u);
    EXPECT_EQ(records[perTexture]->texture, tf->texture(1));
    EXPECT_LT(records[perTexture]->left, tf->smallPool().cellSize);
    EXPECT_LT(records[perTexture]->top, tf->smallPool().cellSize);
}

// A glyph wider than a small cell goes to the large pool, whose textures hold no small glyph.
TEST_F(FontTest, LargeGlyphsNeverShareATextureWithSmallOnes) {
    // A font stretched to a large average width makes its wide glyphs wider than a small cell.
    ComPtr<ID3DXFont> font;
    ASSERT_EQ(D3DXCreateFontA(device(), 16, 30, FW_NORMAL, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", font.put()),
              S_OK);
    auto* tf = textureFont(font.get());
    const UINT smallCell = tf->smallPool().cellSize;
    std::vector<WORD> narrow = visibleGlyphs(font.get(), smallCell, 3);
    std::vector<WORD> all = visibleGlyphs(font.get(), 1000, 94);
    std::vector<WORD> wide;
    for (WORD g : all) {
        if (std::find(narrow.begin(), narrow.end(), g) == narrow.end() && wide.size() < 2) {
            ABC abc{};
            WORD index = g;
            GetCharABCWidthsI(font->GetDC(), 0, 1, &index, &abc);
            if (abc.abcA + static_cast<int>(abc.abcB) > static_cast<int>(smallCell)) {
                wide.push_back(g);
            }
        }
    }
    ASSERT_EQ(narrow.size(), 3u);
    ASSERT_EQ(wide.size(), 2u) << "no glyph wider than the small cell " << smallCell;
    const WORD order[] = {narrow[0], wide[0], narrow[1], wide[1], narrow[2]};
    GlyphRecord* records[5] = {};
    ASSERT_EQ(tf->CacheGlyphs(order, 5, records), S_OK);
    std::set<IDirect3DTexture9*> smallTextures{records[0]->texture, records[2]->texture, records[4]->texture};
    std::set<IDirect3DTexture9*> largeTextures{records[1]->texture, records[3]->texture};
    EXPECT_EQ(smallTextures.size(), 1u) << "the small glyphs fill one texture, in order";
    for (IDirect3DTexture9* t : largeTextures) {
        EXPECT_EQ(smallTextures.count(t), 0u);
        D3DSURFACE_DESC desc{};
        t->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, tf->largePool().textureSize);
    }
    EXPECT_EQ(tf->textureCount(), smallTextures.size() + largeTextures.size());
    EXPECT_EQ(records[3]->texture, tf->largePool().texture);
    EXPECT_EQ(tf->smallPool().used, 3 * tf->smallPool().cellArea);
}

// A blank glyph and a zero-width glyph get the no-pixels marker without being drawn, take no
// cell, and are not rendered again when asked for again.
TEST_F(FontTest, BlankAndZeroWidthGlyphsTakeNoCell) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    const WORD space = glyphsOf(font.get(), u" ").at(0);
    WORD zeroWidth = 0xFFFF;
    for (UINT g = 1; g < 3000 && zeroWidth == 0xFFFF; ++g) {
        WORD index = static_cast<WORD>(g);
        ABC abc{};
        if (index != space && GetCharABCWidthsI(font->GetDC(), 0, 1, &index, &abc) &&
            abc.abcA + static_cast<int>(abc.abcB) <= 0) {
            zeroWidth = index;
        }
    }
    ASSERT_NE(zeroWidth, 0xFFFF) << "the face has no zero-width glyph";
    struct Case {
        const char* name;
        WORD glyph;
    };
    const Case kCases[] = {{"space", space}, {"zero width", zeroWidth}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        m_device.takeCalls();
        GlyphRecord* record = nullptr;
        ASSERT_EQ(tf->CacheGlyphs(&c.glyph, 1, &record), S_OK);
        EXPECT_EQ(record->texture, noPixels());
        EXPECT_EQ(tf->textureCount(), 0u);
        EXPECT_EQ(tf->smallPool().used, tf->smallPool().textureArea) << "no cell was consumed";
        EXPECT_TRUE(m_device.takeCalls().empty());
        ASSERT_EQ(tf->CacheGlyphs(&c.glyph, 1, &record), S_OK);
        EXPECT_EQ(record->texture, noPixels()) << "looked up again without re-rendering";
    }
}

// A cell whose pixels are all dark gives the no-pixels marker and is not consumed: the next glyph
// takes the same cell.
TEST_F(FontTest, ACellWithoutLitPixelsIsNotConsumed) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    const WCHAR space = glyphsOf(font.get(), u" ").at(0);
    ExtTextOutW(font->GetDC(), 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, &space, 1, nullptr);
    GlyphCellPool pool = tf->smallPool();
    GlyphRecord blank{};
    ASSERT_EQ(tf->RasterizeCell(0, 8, tf->metrics().tmHeight, pool, blank), S_OK);
    EXPECT_EQ(blank.texture, noPixels());
    EXPECT_EQ(pool.used, 0u) << "the texture was opened, its first cell is still free";
    EXPECT_EQ(tf->textureCount(), 1u);
}

// GetGlyphData reads its index through the font's character ranges: an index outside them gives
// the default glyph's cell.
TEST_F(FontTest, GlyphDataOutsideTheFontsRangesIsTheDefaultGlyph) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    EXPECT_EQ(tf->MapGlyphToFont(0x41), 0x41u);
    EXPECT_EQ(tf->MapGlyphToFont(0x05), tf->defaultGlyph());
    ComPtr<IDirect3DTexture9> texture;
    RECT box{};
    POINT inc{};
    ASSERT_EQ(font->GetGlyphData(0x05, texture.put(), &box, &inc), S_OK);
    const GlyphRecord* record = tf->findRecord(tf->defaultGlyph());
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->texture, noPixels());
    EXPECT_EQ(texture.get(), record->texture);
    EXPECT_EQ(box.right, record->right);
}

// Quality 0 becomes antialiased (grey coverage); non-antialiased quality keeps bi-level pixels.
TEST_F(FontTest, DefaultQualityIsAntialiasedAndQualityThreeIsBiLevel) {
    struct Case {
        const char* name;
        DWORD quality;
        BYTE reported;
        bool grey;
    };
    constexpr Case kCases[] = {
        {"default", DEFAULT_QUALITY, ANTIALIASED_QUALITY, true},
        {"non-antialiased", NONANTIALIASED_QUALITY, NONANTIALIASED_QUALITY, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXFont> font = createHelpFont(device(), 1, c.quality);
        D3DXFONT_DESCA desc{};
        ASSERT_EQ(font->GetDescA(&desc), S_OK);
        EXPECT_EQ(desc.Quality, c.reported);
        ASSERT_EQ(font->PreloadCharacters('A', 'Z'), S_OK);
        UINT width = 0;
        std::vector<uint32_t> texels = readLevel(textureFont(font.get())->texture(0), 0, &width);
        std::set<uint32_t> alphas;
        for (uint32_t t : texels) {
            alphas.insert(t >> 24);
            EXPECT_EQ(t & 0x00FFFFFFu, 0x00FFFFFFu) << "colour is always white";
        }
        EXPECT_TRUE(alphas.count(0) && alphas.count(255));
        EXPECT_EQ(alphas.size() > 2, c.grey);
    }
}

// Levels below 0 are the weighted linear-light average of the glyph's own box: recomputed here
// from level 0 and the record, they must match texel for texel.
TEST_F(FontTest, MipLevelsAverageTheGlyphBoxInLinearLight) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    const WORD g = glyphsOf(font.get(), u"W").at(0);
    GlyphRecord* record = nullptr;
    ASSERT_EQ(tf->CacheGlyphs(&g, 1, &record), S_OK);
    const UINT cell = tf->smallPool().cellSize;
    UINT width = 0;
    const std::vector<uint32_t> level0 = readLevel(record->texture, 0, &width);
    const UINT cx = record->left / cell * cell;
    const UINT cy = record->top / cell * cell;
    // The bounding box of lit texels (the record is it, widened by a transparent border).
    UINT minX = cell, minY = cell, maxX = 0, maxY = 0;
    std::vector<std::pair<float, float>> scratch(cell * cell);
    for (UINT y = 0; y < cell; ++y) {
        for (UINT x = 0; x < cell; ++x) {
            const uint32_t a = level0[(cy + y) * width + cx + x] >> 24;
            if (a != 0) {
                minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
                scratch[y * cell + x].first = gfxutil::tex::srgbToLinear(a / 255.0f);
            }
        }
    }
    ASSERT_LE(minX, maxX);
    EXPECT_EQ(record->left, cx + minX - 1);
    EXPECT_EQ(record->right, cx + maxX + 2);
    for (UINT y = minY; y <= maxY; ++y) {
        for (UINT x = minX; x <= maxX; ++x) {
            scratch[y * cell + x].second = 1.0f;
        }
    }
    int halfCoverageTexels = 0;
    for (UINT level = 1; level < tf->smallPool().levels; ++level) {
        SCOPED_TRACE(level);
        const UINT s = cell >> level;
        UINT levelWidth = 0;
        const std::vector<uint32_t> texels = readLevel(record->texture, level, &levelWidth);
        std::vector<std::pair<float, float>> next(s * s);
        const UINT previous = s * 2;
        for (UINT r = 0; r < s; ++r) {
            for (UINT q = 0; q < s; ++q) {
                float coverage = 0, weight = 0;
                for (UINT dy = 0; dy < 2; ++dy) {
                    for (UINT dx = 0; dx < 2; ++dx) {
                        coverage += scratch[(2 * r + dy) * previous + 2 * q + dx].first;
                        weight += scratch[(2 * r + dy) * previous + 2 * q + dx].second;
                    }
                }
                next[r * s + q] = {coverage * 0.25f, weight * 0.25f};
                const uint32_t texel = texels[((cy >> level) + r) * levelWidth + (cx >> level) + q];
                uint32_t expected = 0x00FFFFFF;
                if (weight != 0.0f) {
                    const float linear = (coverage * 0.25f) / (weight * 0.25f);
                    expected |= static_cast<uint32_t>(gfxutil::tex::linearToSrgb(linear) * 255.0f + 0.5f) << 24;
                    halfCoverageTexels += std::fabs(linear - 0.5f) < 0.05f;
                }
                ASSERT_EQ(texel, expected) << "texel (" << q << ", " << r << ")";
            }
        }
        scratch = std::move(next);
    }
    EXPECT_GT(halfCoverageTexels, 0) << "no texel tells linear-light from plain averaging";
}

// MipLevels 1 gives single-level textures and no scratch buffer; 0 gives a cell's full chain.
TEST_F(FontTest, MipLevelsOneMeansSingleLevelTexturesAndNoScratch) {
    struct Case {
        const char* name;
        UINT mipLevels;
        DWORD textureLevels;
        bool scratch;
    };
    constexpr Case kCases[] = {{"one level", 1, 1, false}, {"full chain", 0, 6, true}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXFont> font = createHelpFont(device(), c.mipLevels);
        EXPECT_EQ(textureFont(font.get())->hasMipScratch(), c.scratch);
        ASSERT_EQ(font->PreloadCharacters('a', 'c'), S_OK);
        ASSERT_EQ(textureFont(font.get())->textureCount(), 1u);
        EXPECT_EQ(textureFont(font.get())->texture(0)->GetLevelCount(), c.textureLevels);
        D3DXFONT_DESCW desc{};
        ASSERT_EQ(font->GetDescW(&desc), S_OK);
        EXPECT_EQ(desc.MipLevels, c.mipLevels);
    }
}

// A device whose textures cannot hold a large cell refuses the font.
class SmallTextureDevice : public mesh_test::ForwardingDevice {
public:
    SmallTextureDevice(IDirect3DDevice9* inner, DWORD maxSize) : ForwardingDevice(inner), m_maxSize(maxSize) {}
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
        const HRESULT hr = ForwardingDevice::GetDeviceCaps(caps);
        caps->MaxTextureWidth = m_maxSize;
        caps->MaxTextureHeight = m_maxSize;
        return hr;
    }

private:
    DWORD m_maxSize;
};

TEST_F(FontTest, ADeviceLimitedBelowTheLargeCellRefusesTheFont) {
    ComPtr<ID3DXFont> probe = createHelpFont(device());
    const UINT largeCell = textureFont(probe.get())->largePool().cellSize;
    probe.reset();
    SmallTextureDevice limited(device(), largeCell / 2);
    const ULONG before = refCount(device());
    m_messages.clear();
    ComPtr<ID3DXFont> font;
    EXPECT_EQ(D3DXCreateFontA(&limited, 18, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", font.put()),
              D3DXERR_INVALIDDATA);
    EXPECT_FALSE(font);
    EXPECT_EQ(m_messages.texts(), std::vector<std::string>{"Font exceeds maximum texture size"});
    EXPECT_EQ(refCount(device()), before) << "the half-built font released the device";
    SmallTextureDevice enough(device(), largeCell);
    EXPECT_EQ(D3DXCreateFontA(&enough, 18, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", font.put()), S_OK);
    font.reset();  // before the wrapper it holds goes out of scope
}

// Preload ranges are clipped to the font's characters (and glyph indices to 16 bits).
TEST_F(FontTest, PreloadRangesAreClippedToTheFont) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    const TEXTMETRICW tm = textureFont(font.get())->metrics();
    ASSERT_GT(tm.tmFirstChar, 0);
    struct Case {
        const char* name;
        UINT first, last;
        UINT newlyRendered;
    };
    const Case kCases[] = {
        {"below the first character", 0, tm.tmFirstChar - 1u, 0},
        {"reaching the first character", 0, tm.tmFirstChar, 1},
        {"from the last character on", tm.tmLastChar, 0xFFFFFFFFu, 1},
        {"backwards", 'z', 'a', 0},
    };
    UINT rendered = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(font->PreloadCharacters(c.first, c.last), S_OK);
        const UINT now = renderedRecords(font.get());
        EXPECT_EQ(now - rendered, c.newlyRendered);
        rendered = now;
    }
    EXPECT_EQ(font->PreloadGlyphs(5, 2), S_OK);
    EXPECT_EQ(renderedRecords(font.get()), rendered);
    // The last index is 0xFFFF; each index goes through the font's ranges first.
    auto* tf = textureFont(font.get());
    const std::set<UINT> mapped{tf->MapGlyphToFont(0xFFFE), tf->MapGlyphToFont(0xFFFF)};
    UINT fresh = 0;
    for (UINT g : mapped) {
        fresh += tf->findRecord(g) == nullptr || tf->findRecord(g)->texture == nullptr ? 1 : 0;
    }
    EXPECT_EQ(font->PreloadGlyphs(0xFFFE, 0x12345), S_OK);
    EXPECT_EQ(renderedRecords(font.get()), rendered + fresh);
    EXPECT_GT(fresh, 0u);
}

// PreloadGlyphs maps indices the font does not have to its default glyph.
TEST_F(FontTest, GlyphDataOfACachedGlyph) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    const WORD g = glyphsOf(font.get(), u"g").at(0);
    ComPtr<IDirect3DTexture9> texture;
    RECT box{};
    POINT inc{};
    ASSERT_EQ(font->GetGlyphData(g, texture.put(), &box, &inc), S_OK);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture.get(), textureFont(font.get())->texture(0));
    EXPECT_EQ(refCount(texture.get()), 2u) << "the font's reference and ours";
    const GlyphRecord* record = textureFont(font.get())->findRecord(g);
    EXPECT_EQ(box.left, record->left);
    EXPECT_EQ(box.bottom, record->bottom);
    EXPECT_EQ(inc.x, record->originX);
    EXPECT_EQ(inc.y, record->originY);
    // 'g' has a descender: its box reaches below the baseline (tmAscent from the top).
    EXPECT_GT(inc.y + (box.bottom - box.top), textureFont(font.get())->metrics().tmAscent);
    // All parameters may be null.
    EXPECT_EQ(font->GetGlyphData(g, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(FontTest, DescriptorsAndMetricsReportTheFont) {
    ComPtr<ID3DXFont> font;
    ASSERT_EQ(D3DXCreateFontW(device(), -20, 0, FW_NORMAL, 2, TRUE, DEFAULT_CHARSET, 0, PROOF_QUALITY, 0,
                              u"A face name that is much longer than thirty-two units", font.put()),
              S_OK);
    D3DXFONT_DESCW w{};
    ASSERT_EQ(font->GetDescW(&w), S_OK);
    EXPECT_EQ(w.Height, -20);
    EXPECT_EQ(w.Weight, static_cast<UINT>(FW_NORMAL));
    EXPECT_EQ(w.MipLevels, 2u);
    EXPECT_EQ(w.Italic, TRUE);
    EXPECT_EQ(w.Quality, PROOF_QUALITY);
    EXPECT_EQ(std::u16string(w.FaceName), u"A face name that is much longer");  // 31 units and the zero
    D3DXFONT_DESCA a{};
    ASSERT_EQ(font->GetDescA(&a), S_OK);
    EXPECT_STREQ(a.FaceName, "A face name that is much longer");
    TEXTMETRICW tmw{};
    TEXTMETRICA tma{};
    ASSERT_TRUE(font->GetTextMetricsW(&tmw));
    ASSERT_TRUE(font->GetTextMetricsA(&tma));
    EXPECT_EQ(tmw.tmHeight, tma.tmHeight);
    EXPECT_EQ(tmw.tmHeight - tmw.tmInternalLeading, 20);
    EXPECT_NE(font->GetDC(), nullptr);
}

TEST_F(FontTest, TheFontHoldsItsDeviceAndTexturesUntilItsLastRelease) {
    const ULONG deviceBefore = refCount(device());
    ComPtr<ID3DXFont> font = createHelpFont(device());
    EXPECT_EQ(refCount(device()), deviceBefore + 1);
    ASSERT_EQ(font->PreloadCharacters('0', '9'), S_OK);
    ComPtr<IDirect3DTexture9> texture = ComPtr<IDirect3DTexture9>::share(textureFont(font.get())->texture(0));
    ComPtr<IDirect3DDevice9> got;
    ASSERT_EQ(font->GetDevice(got.put()), S_OK);
    EXPECT_EQ(got.get(), device());
    got.reset();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(font->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.put())), S_OK);
    ComPtr<ID3DXFont> again;
    ASSERT_EQ(font->QueryInterface(IID_ID3DXFont, reinterpret_cast<void**>(again.put())), S_OK);
    EXPECT_EQ(refCount(font.get()), 3u);
    unknown.reset();
    again.reset();
    EXPECT_EQ(font->OnLostDevice(), S_OK);  // no internal sprite yet
    EXPECT_EQ(font->OnResetDevice(), S_OK);
    font.reset();
    EXPECT_EQ(refCount(device()), deviceBefore);
    EXPECT_EQ(refCount(texture.get()), 1u) << "only our reference is left";
}

// Every caller error: its status, its one diagnostic line, and nothing written.
TEST_F(FontTest, CallerErrorsGetTheirStatusAndMessage) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    ID3DXFont* untouched = reinterpret_cast<ID3DXFont*>(0x1234);
    auto status = [](HRESULT hr) { return hr; };
    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT expected;
        const char* message;
    };
    const Case kCases[] = {
        {"CreateFontA without ppFont",
         [&] { return D3DXCreateFontA(device(), 18, 0, 0, 0, 0, 0, 0, 0, 0, "Arial", nullptr); }, D3DERR_INVALIDCALL,
         "ppFont pointer is invalid"},
        {"CreateFontW without device",
         [&] { return D3DXCreateFontW(nullptr, 18, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial", &untouched); },
         D3DERR_INVALIDCALL, "pDevice pointer is invalid"},
        {"CreateFontIndirectA without descriptor",
         [&] { return D3DXCreateFontIndirectA(device(), nullptr, &untouched); }, D3DERR_INVALIDCALL,
         "pDesc pointer is invalid"},
        {"CreateFontIndirectW without ppFont",
         [&] { return D3DXCreateFontIndirectW(device(), nullptr, nullptr); }, D3DERR_INVALIDCALL,
         "ppFont pointer is invalid"},
        {"QueryInterface without out pointer", [&] { return font->QueryInterface(IID_ID3DXFont, nullptr); },
         D3DERR_INVALIDCALL, "Invalid pointer to recieve interface"},
        {"QueryInterface of another interface",
         [&] {
             void* out = &untouched;
             const HRESULT hr = font->QueryInterface(IID_ID3DXSprite, &out);
             return out == nullptr ? hr : E_FAIL;
         },
         E_NOINTERFACE, nullptr},
        {"GetDevice without out pointer", [&] { return font->GetDevice(nullptr); }, D3DERR_INVALIDCALL,
         "ppDevice pointer is invalid"},
        {"GetDescA without descriptor", [&] { return font->GetDescA(nullptr); }, D3DERR_INVALIDCALL,
         "pDesc pointer is invalid"},
        {"GetDescW without descriptor", [&] { return font->GetDescW(nullptr); }, D3DERR_INVALIDCALL,
         "pDesc pointer is invalid"},
        {"GetTextMetricsA without record", [&] { return status(font->GetTextMetricsA(nullptr) ? S_OK : E_FAIL); },
         E_FAIL, "pTextMetrics pointer is invalid"},
        {"GetTextMetricsW without record", [&] { return status(font->GetTextMetricsW(nullptr) ? S_OK : E_FAIL); },
         E_FAIL, "pTextMetrics pointer is invalid"},
        {"PreloadTextA without string", [&] { return font->PreloadTextA(nullptr, 3); }, D3DERR_INVALIDCALL,
         "pString pointer is invalid"},
        {"PreloadTextW without string", [&] { return font->PreloadTextW(nullptr, -1); }, D3DERR_INVALIDCALL,
         "pString pointer is invalid"},
        {"DrawTextA without string", [&] { return font->DrawTextA(nullptr, nullptr, 3, nullptr, 0, 0) == 0 ? D3DERR_INVALIDCALL : S_OK; },
         D3DERR_INVALIDCALL, "pString pointer is invalid"},
        {"DrawTextW with an unknown format bit",
         [&] { return font->DrawTextW(nullptr, u"x", 1, nullptr, 0x80, 0) == 0 ? D3DERR_INVALIDCALL : S_OK; },
         D3DERR_INVALIDCALL, "Format contains unsupported flags"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        EXPECT_EQ(c.call(), c.expected);
        EXPECT_EQ(untouched, reinterpret_cast<ID3DXFont*>(0x1234));
        EXPECT_EQ(m_messages.texts(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
    EXPECT_EQ(refCount(font.get()), 1u);
}

// A script layer that lacks an entry point fails the creation, and every later creation fails
// the same way instead of calling what was never found.
TEST_F(FontTest, AFailedProcessSetUpIsRememberedAndNeverUsesMissingEntries) {
    platform::kernel::registerModule("usp10.dll", platform::kernel::ModuleLoading::OnDemand,
                                     {{"ScriptItemize", platform::kernel::exportAddress(&GetCharWidthI)}});
    ComPtr<ID3DXFont> font;
    EXPECT_EQ(D3DXCreateFontA(device(), 18, 0, 0, 0, 0, 0, 0, 0, 0, "Arial", font.put()), E_OUTOFMEMORY);
    EXPECT_EQ(D3DXCreateFontA(device(), 18, 0, 0, 0, 0, 0, 0, 0, 0, "Arial", font.put()), E_OUTOFMEMORY);
    EXPECT_FALSE(gfxutil::core::fontProcess().uniscribeAvailable);
    platform::kernel::unregisterModule("usp10.dll");
    gfxutil::core::resetFontProcessForTesting();
    EXPECT_EQ(D3DXCreateFontA(device(), 18, 0, 0, 0, 0, 0, 0, 0, 0, "Arial", font.put()), S_OK);
}

}  // namespace
}  // namespace font_test
