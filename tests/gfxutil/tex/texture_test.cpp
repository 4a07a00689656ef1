#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>

#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/decoded_image.h"
#include "gfxutil/tex/diagnostics.h"
#include "image_fixtures.h"
#include "test_device.h"

namespace gfxutil::tex {
namespace {

using testing::Bytes;
using testing::JpegKind;
using testing::TestDevice;
using testing::encodeJpeg;
using testing::levelBytes;

std::uint8_t smooth(int x, int y, int c) { return static_cast<std::uint8_t>((x * 2 + y * 3 + c * 60) & 0xFF); }

struct Loaded {
    HRESULT hr = E_FAIL;
    ComPtr<IDirect3DTexture9> texture;
    D3DSURFACE_DESC top{};
    DWORD levels = 0;
};

Loaded load(IDirect3DDevice9* device, const Bytes& file, UINT width = D3DX_DEFAULT, UINT height = D3DX_DEFAULT,
            UINT mipLevels = D3DX_DEFAULT, D3DFORMAT format = D3DFMT_UNKNOWN, D3DCOLOR key = 0,
            PALETTEENTRY* palette = nullptr, D3DXIMAGE_INFO* info = nullptr) {
    Loaded l;
    l.hr = D3DXCreateTextureFromFileInMemoryEx(device, file.data(), static_cast<UINT>(file.size()), width, height,
                                               mipLevels, 0, format, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, key,
                                               info, palette, l.texture.put());
    if (SUCCEEDED(l.hr)) {
        l.texture->GetLevelDesc(0, &l.top);
        l.levels = l.texture->GetLevelCount();
    }
    return l;
}

TEST(TextureFromFile, DefaultSizesAndLevelCounts) {
    TestDevice device;
    struct Case {
        int imageWidth, imageHeight;
        UINT width, height, mipLevels;
        UINT expectWidth, expectHeight, expectLevels;
    };
    constexpr Case kCases[] = {
        {256, 256, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 256, 256, 9},
        {300, 200, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 512, 256, 10},
        {300, 200, 0, 0, 0, 512, 256, 10},
        {300, 200, D3DX_DEFAULT, D3DX_DEFAULT, 1, 512, 256, 1},
        {300, 200, D3DX_DEFAULT, D3DX_DEFAULT, 40, 512, 256, 10},
        {300, 200, 64, 32, D3DX_DEFAULT, 64, 32, 7},
        // Keeping 300 wide: the device's power-of-two rule still rounds it unless one level is asked
        // for, which its conditional non-power-of-two support allows.
        {300, 200, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT, 512, 256, 10},
        {300, 200, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 300, 200, 1},
        {1, 1, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 1, 1, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.imageWidth << "x" << c.imageHeight << " asked " << c.width << "x"
                                          << c.height << " levels " << c.mipLevels);
        const Bytes file = encodeJpeg(JpegKind::Colour, c.imageWidth, c.imageHeight, smooth);
        const Loaded l = load(device.get(), file, c.width, c.height, c.mipLevels);
        ASSERT_EQ(l.hr, S_OK);
        EXPECT_EQ(l.top.Width, c.expectWidth);
        EXPECT_EQ(l.top.Height, c.expectHeight);
        EXPECT_EQ(l.levels, c.expectLevels);
        EXPECT_EQ(l.top.Format, D3DFMT_X8R8G8B8);
        EXPECT_EQ(l.top.Pool, D3DPOOL_MANAGED);
    }
}

// Same size and format: the rows are copied; the smaller levels are 2 x 2 integer box averages.
TEST(TextureFromFile, CopiedTopLevelAndBoxFilteredChain) {
    TestDevice device;
    const Bytes file = encodeJpeg(JpegKind::Colour, 64, 32, smooth);
    DecodedImage image;
    ASSERT_EQ(DecodeImage(image, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
    const Loaded l = load(device.get(), file);
    ASSERT_EQ(l.hr, S_OK);
    ASSERT_EQ(l.levels, 7u);
    const std::vector<BYTE> top = levelBytes(l.texture.get(), 0, 4);
    ASSERT_EQ(top.size(), static_cast<std::size_t>(image.rowPitch) * image.height);
    EXPECT_EQ(std::memcmp(top.data(), image.pixels, top.size()), 0);
    std::vector<BYTE> above = top;
    UINT w = 64;
    UINT h = 32;
    for (UINT level = 1; level < l.levels; ++level) {
        SCOPED_TRACE(level);
        const UINT nw = w > 1 ? w / 2 : 1;
        const UINT nh = h > 1 ? h / 2 : 1;
        const std::vector<BYTE> got = levelBytes(l.texture.get(), level, 4);
        ASSERT_EQ(got.size(), static_cast<std::size_t>(nw) * nh * 4);
        if (w > 1 && h > 1) {
            for (UINT y = 0; y < nh; ++y) {
                for (UINT x = 0; x < nw; ++x) {
                    for (UINT c = 0; c < 3; ++c) {
                        auto at = [&](UINT sx, UINT sy) { return above[(static_cast<std::size_t>(sy) * w + sx) * 4 + c]; };
                        const UINT expected = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                               at(2 * x + 1, 2 * y + 1) + 2) >> 2;
                        ASSERT_EQ(got[(static_cast<std::size_t>(y) * nw + x) * 4 + c], expected) << x << "," << y;
                    }
                }
            }
        }
        above = got;
        w = nw;
        h = nh;
    }
}

TEST(TextureFromFile, TheWoodTextureLoadsThroughTheTriangleFilter) {
    TestDevice device;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(GFX_SOURCE_DIR "/data/062bois.jpg", &info), S_OK);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
    const bool widthPow2 = (info.Width & (info.Width - 1)) == 0;
    const bool heightPow2 = (info.Height & (info.Height - 1)) == 0;
    EXPECT_NE(widthPow2, heightPow2) << "one side, and only one, is not a power of two";

    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device.get(), GFX_SOURCE_DIR "/data/062bois.jpg", texture.put()), S_OK);
    D3DSURFACE_DESC top{};
    texture->GetLevelDesc(0, &top);
    UINT expectWidth = 1;
    while (expectWidth < info.Width) expectWidth <<= 1;
    UINT expectHeight = 1;
    while (expectHeight < info.Height) expectHeight <<= 1;
    EXPECT_EQ(top.Width, expectWidth);
    EXPECT_EQ(top.Height, expectHeight);
    EXPECT_EQ(top.Format, D3DFMT_X8R8G8B8);
    const std::vector<BYTE> bytes = levelBytes(texture.get(), 0, 4);
    bool allTopBytesZero = true;
    for (std::size_t i = 3; i < bytes.size(); i += 4) {
        allTopBytesZero = allTopBytesZero && bytes[i] == 0;
    }
    EXPECT_TRUE(allTopBytesZero);

    // A few filtered texels, worked out by hand for this image. Each source pixel spreads as a tent
    // one source pixel wide on either side of its centre, so a destination pixel's weight from a
    // source pixel is the tent's area over that destination pixel, in destination units.
    //   Columns, 512 to 512 (scale 1): the tent of column j covers columns j - 1 .. j + 1 with
    //   areas 1/8, 3/4, 1/8, so destination column c = 1/8 P(c-1) + 3/4 P(c) + 1/8 P(c+1); edges
    //   wrap (no mirror flag), so column 0 takes 1/8 of column 511 and column 511 1/8 of column 0.
    //   Rows, 384 to 512 (scale 4/3): source row j is a tent centred at (j + 1/2) * 4/3, 4/3 wide
    //   on each side. Destination row 0 ([0, 1]) gets 19/24 of row 0 (1/2 rising, 7/24 falling),
    //   1/24 of row 1 and, wrapped round from the bottom, 4/24 of row 383, whose tent ends at
    //   512 + 2/3. Row 1 ([1, 2]): 3/8 of row 0 and 5/8 of row 1. Row 2 ([2, 3]): 5/8 of row 1 and
    //   3/8 of row 2. Row 511 mirrors row 0: 1/24 of row 382, 19/24 of row 383, 4/24 of row 0.
    // The sums are encoded with the ordered dither: value * 255 plus the threshold of the 4 x 4
    // pattern (row y & 3, column k & 3, k counting pixels left to right on even rows and right to
    // left on odd ones), truncated.
    struct RowWeights {
        UINT row;
        std::pair<UINT, double> sources[3];
    };
    const RowWeights kRows[] = {
        {0, {{383, 4.0 / 24}, {0, 19.0 / 24}, {1, 1.0 / 24}}},
        {1, {{0, 3.0 / 8}, {1, 5.0 / 8}, {1, 0.0}}},
        {2, {{1, 5.0 / 8}, {2, 3.0 / 8}, {2, 0.0}}},
        {511, {{382, 1.0 / 24}, {383, 19.0 / 24}, {0, 4.0 / 24}}},
    };
    constexpr double kThresholds[4][4] = {{0.96875, 0.46875, 0.84375, 0.34375},
                                          {0.21875, 0.71875, 0.09375, 0.59375},
                                          {0.78125, 0.28125, 0.90625, 0.40625},
                                          {0.03125, 0.53125, 0.15625, 0.65625}};
    ASSERT_EQ(info.Width, 512u);
    ASSERT_EQ(info.Height, 384u);
    ASSERT_EQ(top.Width, 512u);
    ASSERT_EQ(top.Height, 512u);
    std::ifstream in(GFX_SOURCE_DIR "/data/062bois.jpg", std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DecodedImage image;
    ASSERT_EQ(DecodeImage(image, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
    ASSERT_EQ(image.format, D3DFMT_X8R8G8B8);
    auto source = [&](UINT x, UINT y, UINT channel) {
        return static_cast<double>(image.pixels[static_cast<std::size_t>(y) * image.rowPitch + x * 4 + channel]);
    };
    int exact = 0;
    for (const RowWeights& r : kRows) {
        for (UINT x : {0u, 1u, 255u, 511u}) {
            const UINT k = (r.row & 1) == 0 ? x : 511 - x;
            const double threshold = kThresholds[r.row & 3][k & 3];
            for (UINT channel = 0; channel < 3; ++channel) {
                SCOPED_TRACE(::testing::Message() << "texel (" << x << ", " << r.row << ") channel " << channel);
                double sum = 0.0;
                for (const auto& [sourceRow, wy] : r.sources) {
                    sum += wy * (source((x + 511) % 512, sourceRow, channel) / 8 + source(x, sourceRow, channel) * 3 / 4 +
                                 source((x + 1) % 512, sourceRow, channel) / 8);
                }
                const double dithered = sum + threshold;
                const int got = bytes[(static_cast<std::size_t>(r.row) * 512 + x) * 4 + channel];
                // The filter sums in single precision: where the dithered value lies within a
                // hair of a whole number, either side of it is right.
                EXPECT_GE(got, static_cast<int>(std::floor(dithered - 1e-3))) << "expected " << dithered;
                EXPECT_LE(got, static_cast<int>(std::floor(dithered + 1e-3))) << "expected " << dithered;
                exact += got == static_cast<int>(std::floor(dithered)) ? 1 : 0;
            }
        }
    }
    EXPECT_GE(exact, 44) << "of 48 channels, nearly all lie clear of a whole number";
}

TEST(TextureFromFile, GreyJpegGivesL8) {
    TestDevice device;
    ASSERT_TRUE(device.supportsTexture(D3DFMT_L8));
    const Bytes file = encodeJpeg(JpegKind::Grey, 32, 32, smooth);
    const Loaded l = load(device.get(), file);
    ASSERT_EQ(l.hr, S_OK);
    EXPECT_EQ(l.top.Format, D3DFMT_L8);
}

TEST(TextureFromFile, ColourKeyChoosesAnAlphaFormat) {
    TestDevice device;
    struct Case {
        const char* name;
        JpegKind kind;
        D3DFORMAT expected;
    };
    constexpr Case kCases[] = {
        {"X8R8G8B8 image", JpegKind::Colour, D3DFMT_A8R8G8B8},
        {"L8 image", JpegKind::Grey, D3DFMT_A8L8},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Bytes file = encodeJpeg(c.kind, 16, 16, [](int x, int, int) { return static_cast<std::uint8_t>(x < 8 ? 0 : 200); });
        const Loaded l = load(device.get(), file, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_UNKNOWN, 0xFF000000);
        ASSERT_EQ(l.hr, S_OK);
        EXPECT_EQ(l.top.Format, c.expected);
    }
}

TEST(TextureFromFile, PaletteImages) {
    TestDevice device;
    auto palettePng = [](const std::function<void(int i, BYTE rgb[3])>& entry, int index0) {
        testing::PngOptions o{3, 8};
        Bytes file = testing::encodePng(4, 4, o, [&](int x, int y, int) { return static_cast<std::uint32_t>((index0 + x + 4 * y) & 0xFF); });
        // Rewrite PLTE entries in place and fix its CRC.
        for (std::size_t i = 8; i + 8 < file.size();) {
            const std::uint32_t length = (file[i] << 24) | (file[i + 1] << 16) | (file[i + 2] << 8) | file[i + 3];
            if (std::memcmp(&file[i + 4], "PLTE", 4) == 0) {
                for (int e = 0; e < static_cast<int>(length / 3); ++e) {
                    entry(e, &file[i + 8 + 3 * static_cast<std::size_t>(e)]);
                }
                std::uint32_t crc = 0xFFFFFFFFu;
                for (std::size_t k = i + 4; k < i + 8 + length; ++k) {
                    crc ^= file[k];
                    for (int bit = 0; bit < 8; ++bit) {
                        crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
                    }
                }
                crc ^= 0xFFFFFFFFu;
                const std::size_t at = i + 8 + length;
                file[at] = static_cast<BYTE>(crc >> 24);
                file[at + 1] = static_cast<BYTE>(crc >> 16);
                file[at + 2] = static_cast<BYTE>(crc >> 8);
                file[at + 3] = static_cast<BYTE>(crc);
                break;
            }
            i += 12 + length;
        }
        return file;
    };
    const Bytes greyRamp = palettePng([](int i, BYTE rgb[3]) { rgb[0] = rgb[1] = rgb[2] = static_cast<BYTE>(i); }, 0);
    const Bytes threeThreeTwo = palettePng(
        [](int i, BYTE rgb[3]) {
            constexpr BYTE kB4[4] = {0, 85, 170, 255};
            constexpr BYTE kB8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
            rgb[0] = kB8[i >> 5];
            rgb[1] = kB8[(i >> 2) & 7];
            rgb[2] = kB4[i & 3];
        },
        0);
    const Bytes ordinary = palettePng([](int i, BYTE rgb[3]) { rgb[0] = static_cast<BYTE>(i); rgb[1] = 7; rgb[2] = 9; }, 0);

    // Where the device lacks the format the image really has, the closest one it supports.
    D3DFORMAT r3g3b2 = D3DFMT_R3G3B2;
    ASSERT_EQ(D3DXCheckTextureRequirements(device.get(), nullptr, nullptr, nullptr, 0, &r3g3b2, D3DPOOL_MANAGED), S_OK);
    struct Case {
        const char* name;
        const Bytes* file;
        D3DCOLOR key;
        bool wantPalette;
        D3DFORMAT expected;
    };
    const Case kCases[] = {
        {"opaque grey ramp", &greyRamp, 0, false, D3DFMT_L8},
        {"3-3-2 palette", &threeThreeTwo, 0, false, r3g3b2},
        {"ordinary opaque palette", &ordinary, 0, false, D3DFMT_X8R8G8B8},
        // Asking for the palette keeps the image a P8 image; the device's closest format to P8
        // (eight bits of every channel) is A8R8G8B8.
        {"ordinary palette, palette asked for", &ordinary, 0, true, D3DFMT_A8R8G8B8},
        {"key equal to entry 5", &ordinary, 0xFF050709, true, D3DFMT_A8R8G8B8},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PALETTEENTRY palette[256];
        const Loaded l = load(device.get(), *c.file, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_UNKNOWN, c.key,
                              c.wantPalette ? palette : nullptr);
        ASSERT_EQ(l.hr, S_OK);
        EXPECT_EQ(l.top.Format, c.expected);
        if (c.key != 0) {
            EXPECT_EQ(palette[5].peFlags, 0) << "the keyed entry is transparent black";
            EXPECT_EQ(palette[5].peRed, 0);
            EXPECT_EQ(palette[6].peFlags, 255);
            const std::vector<BYTE> bytes = levelBytes(l.texture.get(), 0, 4);
            EXPECT_EQ(bytes[5 * 4 + 3], 0) << "pixel with index 5 is transparent";
            EXPECT_EQ(bytes[6 * 4 + 3], 255);
        }
    }
}

TEST(TextureFromFile, Refusals) {
    TestDevice device;
    const std::string dir = GFX_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(dir);
    const std::string empty = dir + "/empty.jpg";
    { std::ofstream(empty, std::ios::binary); }
    const std::string noise = dir + "/noise.bmp";
    {
        std::ofstream out(noise, std::ios::binary);
        out << "this is no image at all";
    }
    const std::string missing = dir + "/no-such-file.jpg";
    std::filesystem::remove(missing);
    const Bytes jpeg = encodeJpeg(JpegKind::Colour, 8, 8, smooth);

    struct Case {
        const char* name;
        std::function<HRESULT(IDirect3DTexture9**)> call;
        HRESULT status;
        const char* message;  // null: the system's text, checked to be non-empty
    };
    IDirect3DDevice9* d = device.get();
    const Case kCases[] = {
        {"null file name", [&](IDirect3DTexture9** t) { return D3DXCreateTextureFromFileA(d, nullptr, t); },
         D3DERR_INVALIDCALL, "Invalid file name"},
        {"missing file", [&](IDirect3DTexture9** t) { return D3DXCreateTextureFromFileA(d, missing.c_str(), t); },
         D3DXERR_INVALIDDATA, nullptr},
        {"empty file", [&](IDirect3DTexture9** t) { return D3DXCreateTextureFromFileA(d, empty.c_str(), t); },
         D3DERR_INVALIDCALL, "pvSrcData pointer is invalid"},
        {"not an image", [&](IDirect3DTexture9** t) { return D3DXCreateTextureFromFileA(d, noise.c_str(), t); },
         D3DXERR_INVALIDDATA, "Unsupported file format"},
        {"null device", [&](IDirect3DTexture9** t) { return D3DXCreateTextureFromFileA(nullptr, noise.c_str(), t); },
         D3DERR_INVALIDCALL, "pDevice pointer is invalid"},
        {"zero size",
         [&](IDirect3DTexture9** t) {
             return D3DXCreateTextureFromFileInMemoryEx(d, jpeg.data(), 0, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                        nullptr, nullptr, t);
         },
         D3DERR_INVALIDCALL, "cbSrcData value is invalid"},
        {"bad usage",
         [&](IDirect3DTexture9** t) {
             return D3DXCreateTextureFromFileInMemoryEx(d, jpeg.data(), static_cast<UINT>(jpeg.size()), D3DX_DEFAULT,
                                                        D3DX_DEFAULT, D3DX_DEFAULT, 0x4, D3DFMT_UNKNOWN,
                                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                                        nullptr, t);
         },
         D3DERR_INVALIDCALL, "Usage parameter is invalid"},
        {"bad pool",
         [&](IDirect3DTexture9** t) {
             return D3DXCreateTextureFromFileInMemoryEx(d, jpeg.data(), static_cast<UINT>(jpeg.size()), D3DX_DEFAULT,
                                                        D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                        static_cast<D3DPOOL>(7), D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                        nullptr, nullptr, t);
         },
         D3DERR_INVALIDCALL, "Pool parameter is invalid"},
        {"format nobody supports",
         [&](IDirect3DTexture9** t) {
             return D3DXCreateTextureFromFileInMemoryEx(d, jpeg.data(), static_cast<UINT>(jpeg.size()), D3DX_DEFAULT,
                                                        D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_D24S8, D3DPOOL_MANAGED,
                                                        D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, t);
         },
         D3DERR_NOTAVAILABLE, "Device does not support this Usage/ResType"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        IDirect3DTexture9* sentinel = reinterpret_cast<IDirect3DTexture9*>(0x1234);
        IDirect3DTexture9* texture = sentinel;
        EXPECT_EQ(c.call(&texture), c.status);
        EXPECT_EQ(texture, sentinel) << "the output is written only on success";
        ASSERT_EQ(capture.lines().size(), 1u);
        if (c.message != nullptr) {
            EXPECT_EQ(capture.lines()[0], c.message);
        } else {
            EXPECT_FALSE(capture.lines()[0].empty());
        }
    }
    DiagnosticCapture capture;
    EXPECT_EQ(D3DXCreateTextureFromFileA(d, missing.c_str(), nullptr), D3DXERR_INVALIDDATA)
        << "the file is opened before the output is checked";
}

}  // namespace
}  // namespace gfxutil::tex

namespace gfxutil::tex {
namespace {

// A texture in the default pool is filled through a system-memory staging texture.
TEST(TextureFromFile, DefaultPoolGoesThroughStaging) {
    TestDevice device;
    const Bytes file = encodeJpeg(JpegKind::Colour, 32, 16, smooth);
    ComPtr<IDirect3DTexture9> managed;
    ComPtr<IDirect3DTexture9> video;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device.get(), file.data(), static_cast<UINT>(file.size()),
                                                  D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                  managed.put()),
              S_OK);
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device.get(), file.data(), static_cast<UINT>(file.size()),
                                                  D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                  video.put()),
              S_OK);
    D3DSURFACE_DESC desc{};
    video->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    ASSERT_EQ(video->GetLevelCount(), managed->GetLevelCount());
    // Read the default-pool levels back through a surface-to-surface load into system memory.
    for (UINT level = 0; level < managed->GetLevelCount(); ++level) {
        SCOPED_TRACE(level);
        D3DSURFACE_DESC ld{};
        video->GetLevelDesc(level, &ld);
        ComPtr<IDirect3DTexture9> readBack;
        ASSERT_EQ(device.get()->CreateTexture(ld.Width, ld.Height, 1, 0, ld.Format, D3DPOOL_SYSTEMMEM, readBack.put(),
                                              nullptr),
                  S_OK);
        ComPtr<IDirect3DSurface9> from;
        ComPtr<IDirect3DSurface9> to;
        video->GetSurfaceLevel(level, from.put());
        readBack->GetSurfaceLevel(0, to.put());
        ASSERT_EQ(D3DXLoadSurfaceFromSurface(to.get(), nullptr, nullptr, from.get(), nullptr, nullptr,
                                             D3DX_FILTER_NONE, 0),
                  S_OK);
        EXPECT_EQ(levelBytes(readBack.get(), 0, 4), levelBytes(managed.get(), level, 4));
    }
}

}  // namespace
}  // namespace gfxutil::tex

