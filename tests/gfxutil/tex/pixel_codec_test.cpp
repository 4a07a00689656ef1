#include "gfxutil/tex/pixel_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "gfxutil/tex/format_table.h"
#include "gfxutil/tex/half_float.h"
#include "gfxutil/tex/srgb.h"
#include "pixel_test_util.h"

namespace gfxutil::tex {
namespace {

using testing::Image;

Color4 decodeOne(D3DFORMAT format, std::uint64_t word) {
    const PixelLayout* layout = findPixelLayout(format);
    EXPECT_NE(layout, nullptr);
    Image img(format, 1, 1, layout->bytesPerPixel);
    std::memcpy(img.bytes.data(), &word, layout->bytesPerPixel < 8 ? layout->bytesPerPixel : 8);
    auto codec = PixelCodec::create(img.request());
    Color4 c;
    codec->decodeRow(0, 0, &c);
    return c;
}

TEST(PixelCodec, DecodesFieldsByTheirWidths) {
    struct Case {
        const char* name;
        D3DFORMAT format;
        std::uint64_t word;
        Color4 expected;
    };
    const Case kCases[] = {
        {"X8R8G8B8 ignores its top byte", D3DFMT_X8R8G8B8, 0x12FF8000, {1.0f, 128 / 255.0f, 0.0f, 1.0f}},
        {"A8R8G8B8", D3DFMT_A8R8G8B8, 0x40FF8000, {1.0f, 128 / 255.0f, 0.0f, 64 / 255.0f}},
        {"A8B8G8R8", D3DFMT_A8B8G8R8, 0x40FF8000, {0.0f, 128 / 255.0f, 1.0f, 64 / 255.0f}},
        {"R8G8B8 stored blue first", D3DFMT_R8G8B8, 0x102030, {16 / 255.0f, 32 / 255.0f, 48 / 255.0f, 1.0f}},
        {"R5G6B5", D3DFMT_R5G6B5, 0xF81F, {1.0f, 0.0f, 1.0f, 1.0f}},
        {"R5G6B5 green", D3DFMT_R5G6B5, 0x0020, {0.0f, 1 / 63.0f, 0.0f, 1.0f}},
        {"A1R5G5B5", D3DFMT_A1R5G5B5, 0x8000 | (3 << 10), {3 / 31.0f, 0.0f, 0.0f, 1.0f}},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, 0x7F00, {1.0f, 0.0f, 0.0f, 7 / 15.0f}},
        {"R3G3B2", D3DFMT_R3G3B2, 0xE3, {1.0f, 0.0f, 1.0f, 1.0f}},
        {"A8R3G3B2", D3DFMT_A8R3G3B2, 0x801C, {0.0f, 1.0f, 0.0f, 128 / 255.0f}},
        {"A2R10G10B10", D3DFMT_A2R10G10B10, 0xC00003FFu, {0.0f, 0.0f, 1.0f, 1.0f}},
        {"A2B10G10R10", D3DFMT_A2B10G10R10, 0x400003FFu, {1.0f, 0.0f, 0.0f, 1 / 3.0f}},
        {"A16B16G16R16", D3DFMT_A16B16G16R16, 0xFFFF00000000FFFFull, {1.0f, 0.0f, 0.0f, 1.0f}},
        {"A8 has black colour", D3DFMT_A8, 0x80, {0.0f, 0.0f, 0.0f, 128 / 255.0f}},
        {"G16R16 has blue 1", D3DFMT_G16R16, 0xFFFF0000u, {0.0f, 1.0f, 1.0f, 1.0f}},
        {"L8", D3DFMT_L8, 0x33, {0.2f, 0.2f, 0.2f, 1.0f}},
        {"A8L8", D3DFMT_A8L8, 0xFF33, {0.2f, 0.2f, 0.2f, 1.0f}},
        {"A4L4", D3DFMT_A4L4, 0x0F, {1.0f, 1.0f, 1.0f, 0.0f}},
        {"L16", D3DFMT_L16, 0xFFFF, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"AL16", kFormatAL16, 0x0000FFFFu, {1.0f, 1.0f, 1.0f, 0.0f}},
        {"' R16' stored blue first", kFormatR16, 0xFFFF00000000ull, {1.0f, 0.0f, 0.0f, 1.0f}},
        {"D16_LOCKABLE", D3DFMT_D16_LOCKABLE, 0xFFFF, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"V8U8 extremes", D3DFMT_V8U8, 0x7F81, {-1.0f, 1.0f, 1.0f, 1.0f}},
        {"V8U8 most negative reads -1", D3DFMT_V8U8, 0x0080, {-1.0f, 0.0f, 1.0f, 1.0f}},
        {"L6V5U5 luminance into alpha", D3DFMT_L6V5U5, 0xFC0F, {1.0f, 0.0f, 1.0f, 1.0f}},
        {"X8L8V8U8", D3DFMT_X8L8V8U8, 0x00FF0040, {64 / 127.0f, 0.0f, 1.0f, 1.0f}},
        {"Q8W8V8U8", D3DFMT_Q8W8V8U8, 0x817F0000u, {0.0f, 0.0f, 1.0f, -1.0f}},
        {"A2W10V10U10", D3DFMT_A2W10V10U10, 0x000001FFu, {1.0f, 0.0f, 0.0f, 0.0f}},
        {"R32F", D3DFMT_R32F, 0x40490FDBu, {3.14159274f, 1.0f, 1.0f, 1.0f}},
        {"G16R16F", D3DFMT_G16R16F, 0xC0003C00u, {1.0f, -2.0f, 1.0f, 1.0f}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Color4 got = decodeOne(c.format, c.word);
        EXPECT_FLOAT_EQ(got.r, c.expected.r);
        EXPECT_FLOAT_EQ(got.g, c.expected.g);
        EXPECT_FLOAT_EQ(got.b, c.expected.b);
        EXPECT_FLOAT_EQ(got.a, c.expected.a);
    }
}

TEST(PixelCodec, BlockAndPairFormatsHaveNoCodecYet) {
    constexpr D3DFORMAT kFormats[] = {D3DFMT_UNKNOWN, D3DFMT_DXT1, D3DFMT_DXT5, D3DFMT_UYVY, D3DFMT_YUY2, D3DFMT_D24S8};
    for (D3DFORMAT f : kFormats) {
        SCOPED_TRACE(f);
        EXPECT_EQ(findPixelLayout(f), nullptr);
    }
}

// Every stored value of the small integer formats reads and writes back to itself, with and
// without ordered dithering: the thresholds are all within (0, 1), far from the rounding edges.
TEST(PixelCodec, IntegerFormatsRoundTripEveryValue) {
    constexpr D3DFORMAT kFormats[] = {
        D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R3G3B2, D3DFMT_A8R3G3B2, D3DFMT_A8,
        D3DFMT_L8,       D3DFMT_A8L8,     D3DFMT_A4L4,     D3DFMT_L16,    D3DFMT_V8U8,     D3DFMT_L6V5U5,
        D3DFMT_X1R5G5B5, D3DFMT_X4R4G4B4,
    };
    for (D3DFORMAT format : kFormats) {
        for (bool dither : {false, true}) {
            SCOPED_TRACE(::testing::Message() << format << (dither ? " dithered" : ""));
            const PixelLayout* layout = findPixelLayout(format);
            ASSERT_NE(layout, nullptr);
            const UINT values = layout->bytesPerPixel == 1 ? 256u : 65536u;
            Image src(format, values, 1, layout->bytesPerPixel);
            for (UINT v = 0; v < values; ++v) {
                src.set32(v, 0, v);
            }
            Image dst = src;
            std::fill(dst.bytes.begin(), dst.bytes.end(), BYTE{0xAA});
            BlitRequest dr = dst.request();
            dr.dither = dither;
            auto in = PixelCodec::create(src.request());
            auto out = PixelCodec::create(dr);
            std::vector<Color4> row(values);
            in->decodeRow(0, 0, row.data());
            out->encodeRow(0, 0, row.data());
            UINT mismatches = 0;
            for (UINT v = 0; v < values; ++v) {
                DWORD expected = v;
                // Bits that are no field of the format (X bits) are written as 0; V8U8's most
                // negative value reads -1 and is written as -127; L6V5U5 likewise for U and V.
                DWORD mask = 0;
                for (const PixelField& field : layout->fields) {
                    if (field.bits != 0) {
                        mask |= ((1u << field.bits) - 1) << field.shift;
                    }
                }
                expected &= mask;
                for (const PixelField& field : layout->fields) {
                    if (field.isSigned && ((expected >> field.shift) & ((1u << field.bits) - 1)) == (1u << (field.bits - 1))) {
                        expected += 1u << field.shift;  // -2^(n-1) -> -(2^(n-1) - 1)
                    }
                }
                if (dst.get32(v, 0) != expected) {
                    ++mismatches;
                }
            }
            EXPECT_EQ(mismatches, 0u);
        }
    }
}

// The wider formats, on random pixels: every field reads and writes back to itself; X bits are
// written as 0 and a signed field's most negative value as its negation plus one step.
TEST(PixelCodec, WideFormatsRoundTripRandomPixels) {
    constexpr D3DFORMAT kFormats[] = {
        D3DFMT_A8R8G8B8,    D3DFMT_X8R8G8B8,    D3DFMT_A8B8G8R8,   D3DFMT_X8B8G8R8,  D3DFMT_R8G8B8,
        D3DFMT_A2R10G10B10, D3DFMT_A2B10G10R10, D3DFMT_G16R16,     D3DFMT_A16B16G16R16, kFormatAL16,
        kFormatR16,         D3DFMT_V16U16,      D3DFMT_Q8W8V8U8,   D3DFMT_X8L8V8U8,  D3DFMT_A2W10V10U10,
        D3DFMT_Q16W16V16U16, D3DFMT_CxV8U8,     D3DFMT_A8P8,
    };
    std::mt19937_64 rng(17);
    for (D3DFORMAT format : kFormats) {
        SCOPED_TRACE(format);
        const PixelLayout* layout = findPixelLayout(format);
        ASSERT_NE(layout, nullptr);
        constexpr UINT kCount = 4096;
        Image src(format, kCount, 1, layout->bytesPerPixel);
        for (BYTE& b : src.bytes) {
            b = static_cast<BYTE>(rng());
        }
        // A8P8 reads its colour from the palette; an identity-like palette makes every index distinct.
        PALETTEENTRY palette[256];
        for (int i = 0; i < 256; ++i) {
            palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 255};
        }
        BlitRequest sr = src.request();
        sr.palette = palette;
        Image dst(format, kCount, 1, layout->bytesPerPixel);
        BlitRequest dr = dst.request();
        dr.palette = palette;
        dr.dither = true;
        auto in = PixelCodec::create(sr);
        auto out = PixelCodec::create(dr);
        std::vector<Color4> row(kCount);
        in->decodeRow(0, 0, row.data());
        out->encodeRow(0, 0, row.data());
        UINT mismatches = 0;
        for (UINT x = 0; x < kCount; ++x) {
            std::uint64_t original = 0;
            std::uint64_t written = 0;
            std::memcpy(&original, src.at(x, 0), layout->bytesPerPixel);
            std::memcpy(&written, dst.at(x, 0), layout->bytesPerPixel);
            std::uint64_t expected = 0;
            for (const PixelField& field : layout->fields) {
                if (field.bits == 0) {
                    continue;
                }
                const std::uint64_t mask = (std::uint64_t{1} << field.bits) - 1;
                std::uint64_t v = (original >> field.shift) & mask;
                if (field.isSigned && v == (std::uint64_t{1} << (field.bits - 1))) {
                    v += 1;
                }
                expected |= v << field.shift;
            }
            if (written != expected) {
                ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

TEST(PixelCodec, FloatFormatsStoreValuesExactly) {
    struct Case {
        D3DFORMAT format;
        int channels;
        bool half;
    };
    constexpr Case kCases[] = {
        {D3DFMT_R32F, 1, false},  {D3DFMT_G32R32F, 2, false},   {D3DFMT_A32B32G32R32F, 4, false},
        {D3DFMT_R16F, 1, true},   {D3DFMT_G16R16F, 2, true},    {D3DFMT_A16B16G16R16F, 4, true},
    };
    const Color4 values[3] = {{-2.5f, 0.125f, 1000.0f, 0.5f}, {0.0f, -0.0f, 65504.0f, 1.0f}, {3.0f, 7.0f, 0.25f, 2.0f}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.format);
        const PixelLayout* layout = findPixelLayout(c.format);
        Image dst(c.format, 3, 1, layout->bytesPerPixel);
        auto out = PixelCodec::create(dst.request());
        out->encodeRow(0, 0, values);
        Color4 back[3];
        auto in = PixelCodec::create(dst.request());
        in->decodeRow(0, 0, back);
        for (int i = 0; i < 3; ++i) {
            const float expected[4] = {values[i].r, values[i].g, values[i].b, values[i].a};
            const float got[4] = {back[i].r, back[i].g, back[i].b, back[i].a};
            for (int ch = 0; ch < 4; ++ch) {
                EXPECT_EQ(got[ch], ch < c.channels ? expected[ch] : 1.0f) << i << "/" << ch;
            }
        }
    }
}

TEST(PixelCodec, EightBitChannelsSurviveDitheredConversion) {
    Image src(D3DFMT_X8R8G8B8, 256, 4, 4);
    for (UINT y = 0; y < 4; ++y) {
        for (UINT x = 0; x < 256; ++x) {
            src.set32(x, y, (x << 16) | ((255 - x) << 8) | ((x * 7) & 0xFF));
        }
    }
    Image dst(D3DFMT_A8R8G8B8, 256, 4, 4);
    BlitRequest dr = dst.request();
    dr.dither = true;
    auto in = PixelCodec::create(src.request());
    auto out = PixelCodec::create(dr);
    std::vector<Color4> row(256);
    for (UINT y = 0; y < 4; ++y) {
        in->decodeRow(y, 0, row.data());
        out->encodeRow(y, 0, row.data());
        for (UINT x = 0; x < 256; ++x) {
            ASSERT_EQ(dst.get32(x, y), src.get32(x, y) | 0xFF000000u) << x << "," << y;
        }
    }
}

// Odd rows are walked right to left, so pixel x of an odd row takes the threshold of column
// (width - 1 - x) & 3. Inputs with fractional part f store k + 1 exactly when f + t >= 1.
TEST(PixelCodec, DitherOrderOnEvenAndOddRows) {
    constexpr UINT kWidth = 6;
    constexpr float kFractions[] = {0.1f, 0.3f, 0.45f, 0.6f, 0.75f, 0.9f};
    for (UINT y = 0; y < 4; ++y) {
        for (float f : kFractions) {
            SCOPED_TRACE(::testing::Message() << "row " << y << " fraction " << f);
            Image dst(D3DFMT_L8, kWidth, 4, 1);
            BlitRequest dr = dst.request();
            dr.dither = true;
            auto out = PixelCodec::create(dr);
            std::vector<Color4> row(kWidth);
            for (UINT x = 0; x < kWidth; ++x) {
                const float v = (100.0f + f) / 255.0f;
                row[x] = {v, v, v, 1.0f};
            }
            out->encodeRow(y, 0, row.data());
            for (UINT x = 0; x < kWidth; ++x) {
                const UINT k = (y & 1) != 0 ? kWidth - 1 - x : x;
                const float t = kDitherThresholds[y & 3][k & 3];
                const float stored = std::trunc(((100.0f + f) / 255.0f) * 255.0f + t);
                EXPECT_EQ(*dst.at(x, y), static_cast<BYTE>(stored)) << "x=" << x;
            }
        }
    }
}

TEST(PixelCodec, DiffusionKeepsTheAverage) {
    constexpr UINT kWidth = 64;
    constexpr UINT kHeight = 16;
    constexpr float kLevels[] = {10.25f, 100.5f, 200.8f};
    for (float level : kLevels) {
        SCOPED_TRACE(level);
        Image dst(D3DFMT_R3G3B2, kWidth, kHeight, 1);  // coarse fields make the error large
        BlitRequest dr = dst.request();
        dr.diffusion = true;
        auto out = PixelCodec::create(dr);
        const float v = level / 255.0f;
        std::vector<Color4> row(kWidth, Color4{v, v, v, 1.0f});
        for (UINT y = 0; y < kHeight; ++y) {
            out->encodeRow(y, 0, row.data());
        }
        double sumRed = 0.0;
        bool varied = false;
        for (UINT y = 0; y < kHeight; ++y) {
            for (UINT x = 0; x < kWidth; ++x) {
                const UINT red = *dst.at(x, y) >> 5;
                sumRed += red;
                varied = varied || red != (*dst.at(0, 0) >> 5);
            }
        }
        EXPECT_NEAR(sumRed / (kWidth * kHeight) / 7.0, v, 0.01);
        EXPECT_TRUE(varied) << "diffusion should mix neighbouring levels";
    }
}

TEST(PixelCodec, ColourKeyIsQuantisedToTheSourceFormat) {
    struct Case {
        const char* name;
        D3DFORMAT format;
        DWORD pixel;
        DWORD key;
        bool keyed;
    };
    constexpr Case kCases[] = {
        {"exact 32-bit key", D3DFMT_A8R8G8B8, 0xFFFF00FF, 0xFFFF00FF, true},
        {"alpha differs on A8R8G8B8", D3DFMT_A8R8G8B8, 0xFFFF00FF, 0x00FF00FF, false},
        {"alpha quantised away on X8R8G8B8", D3DFMT_X8R8G8B8, 0x00FF00FF, 0x00FF00FF, true},
        {"near key equal after R5G6B5 quantisation", D3DFMT_R5G6B5, 0xF81F, 0xFFFC02FC, true},
        {"R5G6B5 pixel one step away", D3DFMT_R5G6B5, 0xF83F, 0xFFFF00FF, false},
        {"L8 grey key", D3DFMT_L8, 0x80, 0xFF808080, true},
        {"other colour", D3DFMT_X8R8G8B8, 0x00FE00FF, 0xFFFF00FF, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const PixelLayout* layout = findPixelLayout(c.format);
        Image img(c.format, 1, 1, layout->bytesPerPixel);
        img.set32(0, 0, c.pixel);
        BlitRequest r = img.request();
        r.colorKey = c.key;
        auto codec = PixelCodec::create(r);
        codec->quantiseColorKey();
        Color4 got;
        codec->decodeRow(0, 0, &got);
        const bool black = got.r == 0.0f && got.g == 0.0f && got.b == 0.0f && got.a == 0.0f;
        EXPECT_EQ(black, c.keyed);
    }
}

TEST(PixelCodec, ClassConversionBetweenSignedAndUnsigned) {
    // V8U8 -> X8R8G8B8: (c + 1) / 2 per channel; blue (absent) reads 1 -> 255.
    Image src(D3DFMT_V8U8, 3, 1, 2);
    src.set32(0, 0, 0x7F81);  // U -1, V +1
    src.set32(1, 0, 0x0000);  // 0, 0
    src.set32(2, 0, 0x8040);  // U 64/127, V -1
    Image dst(D3DFMT_X8R8G8B8, 3, 1, 4);
    auto in = PixelCodec::create(src.request());
    auto out = PixelCodec::create(dst.request());
    out->setConvertFrom(CodecClass::Signed);
    std::vector<Color4> row(3);
    in->decodeRow(0, 0, row.data());
    out->encodeRow(0, 0, row.data());
    auto channel = [](float c) { return static_cast<DWORD>(std::trunc((c + 1.0f) / 2.0f * 255.0f + 0.5f)); };
    EXPECT_EQ(dst.get32(0, 0), (0u << 16) | (255u << 8) | 255u);
    EXPECT_EQ(dst.get32(1, 0), (channel(0.0f) << 16) | (channel(0.0f) << 8) | 255u);
    EXPECT_EQ(dst.get32(2, 0), (channel(64 / 127.0f) << 16) | (0u << 8) | 255u);

    // And back: X8R8G8B8 -> V8U8 with 2c - 1.
    Image back(D3DFMT_V8U8, 3, 1, 2);
    auto out2 = PixelCodec::create(back.request());
    out2->setConvertFrom(CodecClass::Unsigned);
    auto in2 = PixelCodec::create(dst.request());
    in2->decodeRow(0, 0, row.data());
    out2->encodeRow(0, 0, row.data());
    EXPECT_EQ(back.get32(0, 0), 0x7F81u);
}

TEST(PixelCodec, PaletteEncodingPicksTheNearestLowestEntry) {
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = {static_cast<BYTE>(i), 0, 0, 255};
    }
    palette[7] = palette[3];  // a duplicate later in the palette never wins
    Image dst(D3DFMT_P8, 4, 1, 1);
    BlitRequest r = dst.request();
    r.palette = palette;
    r.dither = true;  // palettes are never dithered
    auto out = PixelCodec::create(r);
    const Color4 row[4] = {{3 / 255.0f, 0, 0, 1}, {200.4f / 255.0f, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}};
    out->encodeRow(0, 0, row);
    EXPECT_EQ(*dst.at(0, 0), 3);
    EXPECT_EQ(*dst.at(1, 0), 200);
    EXPECT_EQ(*dst.at(2, 0), 255);
    EXPECT_EQ(*dst.at(3, 0), 0);
}

TEST(Srgb, CurvesFollowThePowerLawAndInvertEachOther) {
    for (int i = 0; i <= 100; ++i) {
        const float v = static_cast<float>(i) / 100.0f;
        SCOPED_TRACE(v);
        EXPECT_NEAR(srgbToLinear(v), std::pow(v, 2.2f), 2e-3);
        EXPECT_NEAR(linearToSrgb(v), std::pow(v, 1.0f / 2.2f), 2e-3);
        EXPECT_NEAR(linearToSrgb(srgbToLinear(v)), v, 3e-3);
    }
    EXPECT_EQ(srgbToLinear(0.0f), 0.0f);
    EXPECT_EQ(srgbToLinear(1.0f), 1.0f);
    EXPECT_EQ(linearToSrgb(1.0f), 1.0f);
    EXPECT_EQ(linearToSrgb(2.0f), 1.0f);   // clamped
    EXPECT_EQ(srgbToLinear(-1.0f), 0.0f);  // clamped
    EXPECT_EQ(srgbToLinear(std::nanf("")), 0.0f);
}

TEST(HalfFloat, EveryHalfSurvivesTheRoundTrip) {
    for (UINT h = 0; h < 65536; ++h) {
        const float f = halfToFloat(static_cast<std::uint16_t>(h));
        if (std::isnan(f)) {
            EXPECT_TRUE(std::isnan(halfToFloat(floatToHalf(f))));
            continue;
        }
        ASSERT_EQ(floatToHalf(f), h) << h;
    }
    EXPECT_EQ(floatToHalf(1.0f + 1.0f / 2048.0f), 0x3C00);  // tie rounds to even
    EXPECT_EQ(floatToHalf(1.0f + 3.0f / 2048.0f), 0x3C02);
    EXPECT_EQ(floatToHalf(1e6f), 0x7C00);
}

}  // namespace
}  // namespace gfxutil::tex
