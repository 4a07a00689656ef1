#include "gfxutil/tex/transfer_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/pixel_codec.h"
#include "gfxutil/tex/transfer_routines.h"
#include "pixel_test_util.h"

namespace gfxutil::tex {
namespace {

using testing::Image;

Image randomImage(D3DFORMAT format, UINT w, UINT h, UINT bpp, unsigned seed) {
    Image img(format, w, h, bpp);
    std::mt19937 rng(seed);
    for (BYTE& b : img.bytes) {
        b = static_cast<BYTE>(rng());
    }
    return img;
}

TEST(TransferPixels, SameFormatAndSizeCopiesEveryByte) {
    Image src = randomImage(D3DFMT_X8R8G8B8, 7, 5, 4, 1);
    Image dst(D3DFMT_X8R8G8B8, 7, 5, 4);
    ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterTriangle | kFilterDither), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::Copy);
    EXPECT_EQ(dst.bytes, src.bytes);  // fourth bytes included
}

TEST(TransferPixels, FormatChangeConvertsWithOpaqueAlpha) {
    Image src = randomImage(D3DFMT_X8R8G8B8, 9, 6, 4, 2);
    Image dst(D3DFMT_A8R8G8B8, 9, 6, 4);
    ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterTriangle | kFilterDither), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::Conversion);
    for (UINT y = 0; y < 6; ++y) {
        for (UINT x = 0; x < 9; ++x) {
            ASSERT_EQ(dst.get32(x, y), src.get32(x, y) | 0xFF000000u) << x << "," << y;
        }
    }
}

TEST(TransferPixels, ColourKeyBlocksTheCopyAndClearsKeyedPixels) {
    Image src(D3DFMT_A8R8G8B8, 2, 1, 4);
    src.set32(0, 0, 0xFFFF00FF);
    src.set32(1, 0, 0xFF00FF00);
    Image dst(D3DFMT_A8R8G8B8, 2, 1, 4);
    BlitRequest sr = src.request();
    sr.colorKey = 0xFFFF00FF;
    ASSERT_EQ(TransferPixels(dst.request(), sr, kFilterNone), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::Conversion);
    EXPECT_EQ(dst.get32(0, 0), 0u);
    EXPECT_EQ(dst.get32(1, 0), 0xFF00FF00u);
}

TEST(TransferPixels, TwoByTwoBoxValues) {
    struct Case {
        const char* name;
        BYTE reds[4];
        BYTE expected;
    };
    constexpr Case kCases[] = {
        {"0,1,1,1 -> (3 + 2) >> 2", {0, 1, 1, 1}, 1},
        {"0,0,0,1 -> 0", {0, 0, 0, 1}, 0},
        {"0,0,1,1 -> 1", {0, 0, 1, 1}, 1},
        {"255,255,255,254 -> 255", {255, 255, 255, 254}, 255},
        {"10,20,30,41 -> 25", {10, 20, 30, 41}, 25},
    };
    for (int simd : {1, 0}) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(::testing::Message() << c.name << (simd ? " simd" : " plain"));
            Image src(D3DFMT_X8R8G8B8, 2, 2, 4);
            for (int i = 0; i < 4; ++i) {
                src.set32(static_cast<UINT>(i % 2), static_cast<UINT>(i / 2), static_cast<DWORD>(c.reds[i]) << 16);
            }
            Image dst(D3DFMT_X8R8G8B8, 1, 1, 4);
            ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterBox), S_OK);
            EXPECT_TRUE(lastTransferRoutine() == TransferRoutine::BoxInteger ||
                        lastTransferRoutine() == TransferRoutine::BoxSimd);
            EXPECT_EQ(dst.get32(0, 0) >> 16 & 0xFF, c.expected);
        }
    }
}

TEST(TransferPixels, BoxRoadDependsOnSize) {
    Image big = randomImage(D3DFMT_X8R8G8B8, 512, 256, 4, 3);
    Image half(D3DFMT_X8R8G8B8, 256, 128, 4);
    ASSERT_EQ(TransferPixels(half.request(), big.request(), kFilterBox), S_OK);
    EXPECT_TRUE(lastTransferRoutine() == TransferRoutine::BoxInteger ||
                lastTransferRoutine() == TransferRoutine::BoxSimd);

    Image line(D3DFMT_X8R8G8B8, 2, 1, 4);
    line.set32(0, 0, 0x00000000);
    line.set32(1, 0, 0x00030201);
    Image one(D3DFMT_X8R8G8B8, 1, 1, 4);
    ASSERT_EQ(TransferPixels(one.request(), line.request(), kFilterBox), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::Box2D);
    // Float box: ((0 + c) + 0 + c) / 4 = c / 2, stored with threshold 0.5.
    auto expected = [](float c) { return static_cast<DWORD>(std::trunc(c / 2.0f / 255.0f * 255.0f + 0.5f)); };
    EXPECT_EQ(one.get32(0, 0), (expected(3) << 16) | (expected(2) << 8) | expected(1));

    // With dithering asked for, the float box runs even where the shortcut could.
    Image ditheredHalf(D3DFMT_X8R8G8B8, 256, 128, 4);
    ASSERT_EQ(TransferPixels(ditheredHalf.request(), big.request(), kFilterBox | kFilterDither), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::Box2D);
}

TEST(TransferPixels, IntegerBoxAveragesEachFieldOfSmallFormats) {
    struct Case {
        D3DFORMAT format;
        UINT bpp;
        DWORD pixels[4];
        DWORD expected;
    };
    constexpr Case kCases[] = {
        {D3DFMT_R5G6B5, 2, {0xF800, 0x0000, 0x0000, 0x0000}, 0x4000},  // red (31 + 2) >> 2 = 8
        {D3DFMT_A4R4G4B4, 2, {0xF00F, 0xF00F, 0x000F, 0x0000}, 0x800B},  // A (30+2)>>2, B (45+2)>>2
        {D3DFMT_R3G3B2, 1, {0xFF, 0xFF, 0xFF, 0x00}, 0xB6},  // R, G (21+2)>>2=5; B (9+2)>>2=2
        {D3DFMT_X1R5G5B5, 2, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, 0x7FFF},  // the X bit is written as 0
        {D3DFMT_A8L8, 2, {0x10FF, 0x20FF, 0x30FF, 0x41FF}, 0x28FF},  // A (161+2)>>2 = 40
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.format);
        Image src(c.format, 2, 2, c.bpp);
        for (UINT i = 0; i < 4; ++i) {
            src.set32(i % 2, i / 2, c.pixels[i]);
        }
        Image dst(c.format, 1, 1, c.bpp);
        ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterBox), S_OK);
        EXPECT_EQ(lastTransferRoutine(), TransferRoutine::BoxInteger);
        EXPECT_EQ(dst.get32(0, 0), c.expected);
    }
}

TEST(TransferPixels, SimdBoxGivesThePlainRoutinesBytes) {
    constexpr UINT kWidths[] = {1, 2, 3, 4, 7, 8, 33, 256};
    for (UINT w : kWidths) {
        SCOPED_TRACE(w);
        Image rows = randomImage(D3DFMT_A8R8G8B8, 2 * w, 2, 4, w);
        std::vector<BYTE> plain(4 * w);
        std::vector<BYTE> simd(4 * w);
        boxRowFourBytes(rows.at(0, 0), rows.at(0, 1), plain.data(), w);
        boxRowFourBytesSimd(rows.at(0, 0), rows.at(0, 1), simd.data(), w);
        EXPECT_EQ(plain, simd);
    }
}

TEST(TransferPixels, XFormatsWithoutMmxWriteZeroFourthByte) {
    // The choice is made once per process, so it is only observable through the routine taken:
    // whichever was chosen, a four-channel format keeps its averaged fourth byte.
    Image src(D3DFMT_A8R8G8B8, 2, 2, 4);
    for (UINT i = 0; i < 4; ++i) {
        src.set32(i % 2, i / 2, 0x80402010u * (i + 1) / 4);
    }
    Image dst(D3DFMT_A8R8G8B8, 1, 1, 4);
    ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterBox), S_OK);
    DWORD expected = 0;
    for (int c = 0; c < 4; ++c) {
        DWORD sum = 2;
        for (UINT i = 0; i < 4; ++i) {
            sum += (src.get32(i % 2, i / 2) >> (8 * c)) & 0xFF;
        }
        expected |= (sum >> 2) << (8 * c);
    }
    EXPECT_EQ(dst.get32(0, 0), expected);
}

TEST(TransferPixels, Refusals) {
    struct Case {
        const char* name;
        DWORD filter;
        D3DFORMAT srcFormat;
        bool invertRegion;
        HRESULT status;
        const char* message;
    };
    constexpr Case kCases[] = {
        {"filter 0", 0, D3DFMT_X8R8G8B8, false, D3DERR_INVALIDCALL, "Invalid image filter"},
        {"filter 6", 6, D3DFMT_X8R8G8B8, false, D3DERR_INVALIDCALL, "Invalid image filter"},
        {"unknown flag bit 23", kFilterBox | 0x800000, D3DFMT_X8R8G8B8, false, D3DERR_INVALIDCALL,
         "Invalid image filter"},
        {"unknown source format", kFilterNone, D3DFMT_UNKNOWN, false, E_FAIL, "Unsupported image format"},
        {"block format not yet decodable", kFilterNone, D3DFMT_DXT1, false, E_FAIL, "Unsupported image format"},
        {"inverted source region", kFilterNone, D3DFMT_X8R8G8B8, true, D3DERR_INVALIDCALL, "Invalid rect"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Image src(c.srcFormat, 4, 4, 4);
        Image dst(D3DFMT_X8R8G8B8, 4, 4, 4);
        std::fill(dst.bytes.begin(), dst.bytes.end(), BYTE{0x5A});
        const std::vector<BYTE> before = dst.bytes;
        BlitRequest sr = src.request();
        if (c.invertRegion) {
            sr.region = {3, 0, 1, 4, 0, 1};
        }
        DiagnosticCapture capture;
        EXPECT_EQ(TransferPixels(dst.request(), sr, c.filter), c.status);
        EXPECT_EQ(capture.lines(), std::vector<std::string>{c.message});
        EXPECT_EQ(dst.bytes, before) << "a refused transfer writes nothing";
    }
}

TEST(TransferPixels, FilterNoneCropsAndPads) {
    Image src(D3DFMT_X8R8G8B8, 2, 2, 4);
    src.set32(0, 0, 0x010203);
    src.set32(1, 0, 0x040506);
    src.set32(0, 1, 0x070809);
    src.set32(1, 1, 0x0A0B0C);
    Image dst(D3DFMT_A8R8G8B8, 3, 1, 4);
    std::fill(dst.bytes.begin(), dst.bytes.end(), BYTE{0x77});
    ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterNone), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::None);
    EXPECT_EQ(dst.get32(0, 0), 0xFF010203u);
    EXPECT_EQ(dst.get32(1, 0), 0xFF040506u);
    EXPECT_EQ(dst.get32(2, 0), 0x00000000u) << "padding is transparent black";
}

TEST(TransferPixels, PointPicksFixedPointIndices) {
    Image src(D3DFMT_L8, 4, 1, 1);
    for (UINT x = 0; x < 4; ++x) {
        *src.at(x, 0) = static_cast<BYTE>(10 * (x + 1));
    }
    Image down(D3DFMT_L8, 2, 1, 1);
    ASSERT_EQ(TransferPixels(down.request(), src.request(), kFilterPoint), S_OK);
    EXPECT_EQ(lastTransferRoutine(), TransferRoutine::Point);
    EXPECT_EQ(*down.at(0, 0), 10);
    EXPECT_EQ(*down.at(1, 0), 30);
    Image up(D3DFMT_L8, 6, 1, 1);
    ASSERT_EQ(TransferPixels(up.request(), src.request(), kFilterPoint), S_OK);
    // step = 4 * 65536 / 6 = 43690: indices 0, 0, 1, 1, 2, 3
    const BYTE expected[6] = {10, 10, 20, 20, 30, 40};
    for (UINT x = 0; x < 6; ++x) {
        EXPECT_EQ(*up.at(x, 0), expected[x]) << x;
    }
}

// Upsampling a two-pixel line: wrapping blends the left edge with the right column, clamping
// (the mirror flag) does not.
TEST(TransferPixels, EdgesWrapUnlessMirrored) {
    struct Case {
        const char* name;
        DWORD filter;
        TransferRoutine routine;
    };
    constexpr Case kCases[] = {
        {"triangle", kFilterTriangle, TransferRoutine::Triangle2D},
        {"linear", kFilterLinear, TransferRoutine::Linear2D},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Image src(D3DFMT_L8, 2, 1, 1);
        *src.at(0, 0) = 0;
        *src.at(1, 0) = 200;
        Image wrapped(D3DFMT_L8, 8, 1, 1);
        ASSERT_EQ(TransferPixels(wrapped.request(), src.request(), c.filter), S_OK);
        EXPECT_EQ(lastTransferRoutine(), c.routine);
        EXPECT_GT(*wrapped.at(0, 0), 0) << "left edge picks up the right column";
        Image clamped(D3DFMT_L8, 8, 1, 1);
        ASSERT_EQ(TransferPixels(clamped.request(), src.request(), c.filter | kFilterMirrorU), S_OK);
        EXPECT_EQ(*clamped.at(0, 0), 0);
        EXPECT_EQ(*clamped.at(7, 0), 200);
        for (UINT x = 1; x < 8; ++x) {
            EXPECT_GE(*clamped.at(x, 0), *clamped.at(x - 1, 0)) << "clamped ramp rises monotonically";
        }
    }
}

// The weights of every destination pixel sum to one, so a flat image stays flat at any scale.
TEST(TransferPixels, ResamplingKeepsFlatImagesFlat) {
    struct Case {
        UINT sw, sh, dw, dh;
        DWORD filter;
    };
    constexpr Case kCases[] = {
        {300, 200, 512, 256, kFilterTriangle}, {512, 384, 512, 512, kFilterTriangle | kFilterDither},
        {7, 5, 3, 2, kFilterTriangle},         {5, 3, 17, 9, kFilterTriangle | kFilterMirrorU | kFilterMirrorV},
        {1, 1, 4, 4, kFilterTriangle},         {9, 9, 4, 4, kFilterBox},  // not a halving: triangle
        {6, 4, 11, 7, kFilterLinear},          {6, 4, 11, 7, kFilterLinear | kFilterMirrorU | kFilterMirrorV},
        {6, 4, 11, 7, kFilterPoint},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " filter "
                                          << std::hex << c.filter);
        Image src(D3DFMT_X8R8G8B8, c.sw, c.sh, 4);
        for (UINT y = 0; y < c.sh; ++y) {
            for (UINT x = 0; x < c.sw; ++x) {
                src.set32(x, y, 0x00C86432);
            }
        }
        Image dst(D3DFMT_X8R8G8B8, c.dw, c.dh, 4);
        ASSERT_EQ(TransferPixels(dst.request(), src.request(), c.filter), S_OK);
        for (UINT y = 0; y < c.dh; ++y) {
            for (UINT x = 0; x < c.dw; ++x) {
                ASSERT_EQ(dst.get32(x, y), 0x00C86432u) << x << "," << y;
            }
        }
    }
}

TEST(TransferPixels, VolumeRoutinesResampleSlices) {
    struct Case {
        DWORD filter;
        UINT dd;
        TransferRoutine routine;
    };
    constexpr Case kCases[] = {
        {kFilterBox, 2, TransferRoutine::Box3D},
        {kFilterLinear, 3, TransferRoutine::Linear3D},
        {kFilterTriangle, 3, TransferRoutine::Triangle3D},
        {kFilterPoint, 2, TransferRoutine::Point},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.routine));
        constexpr UINT kSide = 4;
        std::vector<BYTE> src(kSide * kSide * kSide, 90);
        std::vector<BYTE> dst(2 * 2 * c.dd, 0);
        BlitRequest sr;
        sr.pixels = src.data();
        sr.format = D3DFMT_L8;
        sr.rowPitch = kSide;
        sr.slicePitch = kSide * kSide;
        sr.extent = sr.region = {0, 0, kSide, kSide, 0, kSide};
        BlitRequest dr;
        dr.pixels = dst.data();
        dr.format = D3DFMT_L8;
        dr.rowPitch = 2;
        dr.slicePitch = 4;
        dr.extent = dr.region = {0, 0, 2, 2, 0, c.dd};
        ASSERT_EQ(TransferPixels(dr, sr, c.filter), S_OK);
        EXPECT_EQ(lastTransferRoutine(), c.routine);
        EXPECT_EQ(dst, std::vector<BYTE>(dst.size(), 90));
    }
}

TEST(TransferPixels, EmptySourceRegionGivesTransparentBlack) {
    Image src(D3DFMT_A8R8G8B8, 4, 4, 4);
    BlitRequest sr = src.request();
    sr.region = {2, 2, 2, 4, 0, 1};
    Image dst(D3DFMT_A8R8G8B8, 3, 2, 4);
    std::fill(dst.bytes.begin(), dst.bytes.end(), BYTE{0x33});
    for (DWORD filter : {kFilterPoint, kFilterLinear, kFilterTriangle, kFilterBox}) {
        SCOPED_TRACE(filter);
        ASSERT_EQ(TransferPixels(dst.request(), sr, filter), S_OK);
        EXPECT_EQ(dst.bytes, std::vector<BYTE>(dst.bytes.size(), 0));
    }
}

TEST(TransferPixels, SrgbRoundTripBetweenSrgbSidesIsACopyOfValues) {
    Image src = randomImage(D3DFMT_A8R8G8B8, 16, 2, 4, 9);
    Image dst(D3DFMT_A8R8G8B8, 16, 2, 4);
    ASSERT_EQ(TransferPixels(dst.request(), src.request(), kFilterNone | kFilterSrgbIn | kFilterSrgbOut), S_OK);
    EXPECT_EQ(dst.bytes, src.bytes);
    // Only the input marked sRGB: values darken (v^2.2 <= v).
    Image linear(D3DFMT_A8R8G8B8, 16, 2, 4);
    ASSERT_EQ(TransferPixels(linear.request(), src.request(), kFilterNone | kFilterSrgbIn), S_OK);
    for (UINT x = 0; x < 16; ++x) {
        EXPECT_LE(linear.get32(x, 0) & 0xFF, src.get32(x, 0) & 0xFF);
    }
}

}  // namespace
}  // namespace gfxutil::tex
