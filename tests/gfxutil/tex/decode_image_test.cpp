#include "gfxutil/tex/decoded_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <locale.h>
#include <random>
#include <vector>

#include <png.h>

#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/format_table.h"
#include "image_fixtures.h"

namespace gfxutil::tex {
namespace {

using testing::Bytes;
using testing::JpegKind;
using testing::PngOptions;
using testing::encodeJpeg;
using testing::encodePng;

std::uint8_t pattern(int x, int y, int c) { return static_cast<std::uint8_t>(x * 3 + y * 2 + c * 40); }

void expectEmpty(const DecodedImage& r) {
    EXPECT_EQ(r.pixels, nullptr);
    EXPECT_EQ(r.palette, nullptr);
    EXPECT_EQ(r.ownedPixels, nullptr);
    EXPECT_EQ(r.ownedPalette, nullptr);
    EXPECT_EQ(r.nextLevel, nullptr);
    EXPECT_EQ(r.nextFace, nullptr);
}

TEST(DecodeImage, JpegKinds) {
    struct Case {
        const char* name;
        JpegKind kind;
        HRESULT status;
        D3DFORMAT format;
        UINT bytesPerPixel;
    };
    constexpr Case kCases[] = {
        {"grey", JpegKind::Grey, S_OK, D3DFMT_L8, 1},
        {"colour", JpegKind::Colour, S_OK, D3DFMT_X8R8G8B8, 4},
        {"cmyk", JpegKind::Cmyk, D3DXERR_INVALIDDATA, D3DFMT_UNKNOWN, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Bytes file = encodeJpeg(c.kind, 37, 21, pattern);
        DiagnosticCapture capture;
        DecodedImage record;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(DecodeImage(record, file.data(), static_cast<UINT>(file.size()), &info, true), c.status);
        if (FAILED(c.status)) {
            expectEmpty(record);
            EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unsupported file format"});
            continue;
        }
        EXPECT_TRUE(capture.lines().empty());
        EXPECT_EQ(record.format, c.format);
        EXPECT_EQ(record.width, 37u);
        EXPECT_EQ(record.height, 21u);
        EXPECT_EQ(record.depth, 1u);
        EXPECT_EQ(record.rowPitch, 37u * c.bytesPerPixel);
        EXPECT_EQ(record.slicePitch, 0u);
        EXPECT_EQ(record.fileFormat, D3DXIFF_JPG);
        EXPECT_EQ(record.box.right, 37u);
        EXPECT_EQ(record.box.bottom, 21u);
        EXPECT_EQ(record.box.back, 1u);
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
        EXPECT_EQ(info.MipLevels, 1u);
        ASSERT_NE(record.pixels, nullptr);
        // Quality 100 keeps every sample within a few steps of the source.
        for (int y = 0; y < 21; ++y) {
            for (int x = 0; x < 37; ++x) {
                const BYTE* p = record.pixels + y * record.rowPitch + x * c.bytesPerPixel;
                if (c.kind == JpegKind::Grey) {
                    ASSERT_NEAR(p[0], pattern(x, y, 0), 4) << x << "," << y;
                } else {
                    ASSERT_NEAR(p[2], pattern(x, y, 0), 8);
                    ASSERT_NEAR(p[1], pattern(x, y, 1), 8);
                    ASSERT_NEAR(p[0], pattern(x, y, 2), 8);
                    ASSERT_EQ(p[3], 0) << "top byte of every colour pixel is 0";
                }
            }
        }
    }
}

TEST(DecodeImage, InfoOnlyDecodingOfAJpeg) {
    const Bytes file = encodeJpeg(JpegKind::Colour, 300, 200, pattern);
    D3DXIMAGE_INFO info;
    std::memset(&info, 0xCD, sizeof info);
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), static_cast<UINT>(file.size()), &info), S_OK);
    EXPECT_EQ(info.Width, 300u);
    EXPECT_EQ(info.Height, 200u);
    EXPECT_EQ(info.Depth, 1u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);

    DecodedImage record;
    ASSERT_EQ(DecodeImage(record, file.data(), static_cast<UINT>(file.size()), nullptr, false), S_OK);
    EXPECT_EQ(record.pixels, nullptr) << "with neither info nor pixels asked for, nothing is decoded";
}

TEST(DecodeImage, FastTransformWhenMmxIsSwitchedOff) {
    std::mt19937 rng(5);
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (auto& v : noise) {
        v = static_cast<std::uint8_t>(rng());
    }
    const Bytes file = encodeJpeg(JpegKind::Colour, 64, 64,
                                  [&](int x, int y, int c) { return noise[static_cast<std::size_t>((y * 64 + x) * 3 + c)]; });
    DecodedImage accurate;
    DecodedImage fast;
    overrideMmxForTesting(1);
    ASSERT_EQ(DecodeImage(accurate, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
    overrideMmxForTesting(0);
    ASSERT_EQ(DecodeImage(fast, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
    overrideMmxForTesting(-1);
    ASSERT_EQ(accurate.rowPitch * accurate.height, fast.rowPitch * fast.height);
    EXPECT_NE(std::memcmp(accurate.pixels, fast.pixels, accurate.rowPitch * accurate.height), 0)
        << "the integer fast transform rounds differently from the accurate one";
}

struct PngCase {
    const char* name;
    PngOptions options;
    D3DFORMAT format;
    D3DFORMAT reported;
    UINT bytesPerPixel;
};

TEST(DecodeImage, PngFormatsAndPitches) {
    constexpr int G = 0, RGB = 2, P = 3, GA = 4, RGBA = 6;
    const PngCase kCases[] = {
        {"grey 1", {G, 1}, D3DFMT_L8, D3DFMT_L8, 1},
        {"grey 2", {G, 2}, D3DFMT_L8, D3DFMT_L8, 1},
        {"grey 4", {G, 4}, D3DFMT_L8, D3DFMT_L8, 1},
        {"grey 8", {G, 8}, D3DFMT_L8, D3DFMT_L8, 1},
        {"grey 16", {G, 16}, D3DFMT_L16, D3DFMT_L16, 2},
        {"grey 8 tRNS", {G, 8, true}, D3DFMT_A8L8, D3DFMT_A8L8, 2},
        {"grey 16 tRNS", {G, 16, true}, kFormatAL16, D3DFMT_A8L8, 4},
        {"grey 2 tRNS", {G, 2, true}, D3DFMT_A8L8, D3DFMT_A8L8, 2},
        {"rgb 8", {RGB, 8}, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 4},
        {"rgb 16", {RGB, 16}, kFormatR16, D3DFMT_R8G8B8, 6},
        {"rgb 8 tRNS", {RGB, 8, true}, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, 4},
        {"rgb 16 tRNS", {RGB, 16, true}, D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16, 8},
        {"palette 1", {P, 1}, D3DFMT_P8, D3DFMT_P8, 1},
        {"palette 2", {P, 2}, D3DFMT_P8, D3DFMT_P8, 1},
        {"palette 4", {P, 4}, D3DFMT_P8, D3DFMT_P8, 1},
        {"palette 8", {P, 8}, D3DFMT_P8, D3DFMT_P8, 1},
        {"palette 8 tRNS", {P, 8, true}, D3DFMT_P8, D3DFMT_P8, 1},
        {"grey+alpha 8", {GA, 8}, D3DFMT_A8L8, D3DFMT_A8L8, 2},
        {"grey+alpha 16", {GA, 16}, kFormatAL16, D3DFMT_A8L8, 4},
        {"rgba 8", {RGBA, 8}, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, 4},
        {"rgba 16", {RGBA, 16}, D3DFMT_A16B16G16R16, D3DFMT_A16B16G16R16, 8},
        {"rgb 8 gAMA", {RGB, 8, false, 0.45455}, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 4},
        {"rgb 8 sRGB", {RGB, 8, false, 0.0, true}, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 4},
    };
    for (const PngCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t maxValue = (1u << c.options.bitDepth) - 1;
        const Bytes file = encodePng(13, 5, c.options, [&](int x, int y, int ch) {
            return static_cast<std::uint32_t>(x * 5 + y * 3 + ch) % (maxValue + 1);
        });
        DecodedImage record;
        D3DXIMAGE_INFO info{};
        DiagnosticCapture capture;
        ASSERT_EQ(DecodeImage(record, file.data(), static_cast<UINT>(file.size()), &info, true), S_OK);
        EXPECT_TRUE(capture.lines().empty()) << capture.lines().front();
        EXPECT_EQ(record.format, c.format);
        EXPECT_EQ(info.Format, c.reported);
        EXPECT_EQ(record.fileFormat, D3DXIFF_PNG);
        EXPECT_EQ(record.width, 13u);
        EXPECT_EQ(record.height, 5u);
        EXPECT_EQ(record.rowPitch, 13u * c.bytesPerPixel);
        EXPECT_EQ(record.palette != nullptr, c.format == D3DFMT_P8);
    }
}

// libpng's own road to X8R8G8B8 for an RGB file: blue-green-red order, a 0xFF filler after, and
// the gamma correction to a 2.2 screen when the file has a gAMA chunk.
std::vector<BYTE> decodeWithLibpngTransformations(const Bytes& file, UINT& width, UINT& height) {
    struct Reader {
        const Bytes* file;
        std::size_t at;
    } reader{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t length) {
        auto* r = static_cast<Reader*>(png_get_io_ptr(p));
        std::memcpy(out, r->file->data() + r->at, length);
        r->at += length;
    });
    png_read_info(png, info);
    double gamma = 0.0;
    if (png_get_gAMA(png, info, &gamma) != 0) {
        png_set_gamma(png, 2.2, gamma);
    }
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * 4);
    std::vector<png_bytep> rows(height);
    for (UINT y = 0; y < height; ++y) {
        rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * 4;
    }
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels;
}

// Our RGB rows (read as stored, then expanded in one pass) give exactly libpng's bytes, at widths
// around the four-pixel steps and their tail, with and without gamma correction.
TEST(DecodeImage, PngRgbRowsMatchLibpngTransformations) {
    std::mt19937 random(7);
    for (const double gamma : {0.0, 0.45455, 0.8}) {
        for (const int width : {1, 2, 5, 6, 7, 8, 13, 64, 301}) {
            SCOPED_TRACE(::testing::Message() << "width " << width << " gamma " << gamma);
            PngOptions options{2, 8};
            options.gamma = gamma;
            std::vector<std::uint32_t> samples(static_cast<std::size_t>(width) * 3 * 3);
            for (std::uint32_t& v : samples) {
                v = random() & 0xFF;
            }
            const Bytes file = encodePng(width, 3, options, [&](int x, int y, int c) {
                return samples[(static_cast<std::size_t>(y) * width + x) * 3 + c];
            });
            DecodedImage record;
            ASSERT_EQ(DecodeImage(record, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
            ASSERT_EQ(record.format, D3DFMT_X8R8G8B8);
            UINT w = 0;
            UINT h = 0;
            const std::vector<BYTE> expected = decodeWithLibpngTransformations(file, w, h);
            ASSERT_EQ(record.width, w);
            ASSERT_EQ(record.height, h);
            ASSERT_EQ(record.rowPitch, w * 4);
            EXPECT_EQ(std::vector<BYTE>(record.pixels, record.pixels + expected.size()), expected);
        }
    }
}

TEST(DecodeImage, PngSampleLayouts) {
    // RGB 8: blue, green, red, 0xFF.
    {
        const Bytes file = encodePng(3, 1, {2, 8}, [](int x, int, int c) { return static_cast<std::uint32_t>(x * 40 + c * 10); });
        DecodedImage r;
        ASSERT_EQ(DecodeImage(r, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
        for (int x = 0; x < 3; ++x) {
            const BYTE* p = r.pixels + 4 * x;
            EXPECT_EQ(p[0], x * 40 + 20);
            EXPECT_EQ(p[1], x * 40 + 10);
            EXPECT_EQ(p[2], x * 40);
            EXPECT_EQ(p[3], 0xFF);
        }
    }
    // Grey 2-bit expands to 0, 85, 170, 255.
    {
        const Bytes file = encodePng(4, 1, {0, 2}, [](int x, int, int) { return static_cast<std::uint32_t>(x); });
        DecodedImage r;
        ASSERT_EQ(DecodeImage(r, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(r.pixels[x], x * 85);
        }
    }
    // RGB 16: little-endian blue, green, red.
    {
        const Bytes file = encodePng(1, 1, {2, 16}, [](int, int, int c) { return 0x1234u + static_cast<std::uint32_t>(c) * 0x1111u; });
        DecodedImage r;
        ASSERT_EQ(DecodeImage(r, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
        const std::uint16_t* p = reinterpret_cast<const std::uint16_t*>(r.pixels);
        EXPECT_EQ(p[0], 0x1234u + 2 * 0x1111u);
        EXPECT_EQ(p[1], 0x1234u + 0x1111u);
        EXPECT_EQ(p[2], 0x1234u);
    }
    // RGB 8 with a transparent colour (1, 2, 3): that pixel gets alpha 0, the others 255.
    {
        const Bytes file = encodePng(2, 1, {2, 8, true}, [](int x, int, int c) { return x == 0 ? static_cast<std::uint32_t>(c + 1) : 9u; });
        DecodedImage r;
        ASSERT_EQ(DecodeImage(r, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
        EXPECT_EQ(r.pixels[3], 0);
        EXPECT_EQ(r.pixels[7], 255);
    }
}

TEST(DecodeImage, PngPaletteWithTransparencyAndGamma) {
    struct Case {
        const char* name;
        int bitDepth;
        int entries;
        bool transparency;
        double gamma;
    };
    constexpr Case kCases[] = {
        {"8-bit, tRNS", 8, 200, true, 0.0},
        {"4-bit, no tRNS", 4, 16, false, 0.0},
        {"8-bit, gamma 1.0", 8, 256, false, 1.0},
        {"8-bit, gamma 0.45455", 8, 64, true, 0.45455},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PngOptions o{3, c.bitDepth, c.transparency, c.gamma};
        o.paletteEntries = c.entries;
        const Bytes file = encodePng(4, 2, o, [&](int x, int y, int) { return static_cast<std::uint32_t>(x + 4 * y) % c.entries; });
        DecodedImage r;
        ASSERT_EQ(DecodeImage(r, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
        ASSERT_NE(r.palette, nullptr);
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = r.palette[i];
            if (i >= c.entries) {
                ASSERT_EQ(std::memcmp(&e, "\xFF\xFF\xFF\xFF", 4), 0) << "entry " << i << " past PLTE";
                continue;
            }
            auto corrected = [&](std::uint8_t v) {
                if (c.gamma <= 0.0) {
                    return static_cast<int>(v);
                }
                return static_cast<int>(std::floor(std::pow(v / 255.0, 1.0 / (c.gamma * 2.2)) * 255.0 + 0.5));
            };
            ASSERT_EQ(e.peRed, corrected(testing::paletteChannel(i, 0))) << i;
            ASSERT_EQ(e.peGreen, corrected(testing::paletteChannel(i, 1))) << i;
            ASSERT_EQ(e.peBlue, corrected(testing::paletteChannel(i, 2))) << i;
            ASSERT_EQ(e.peFlags, c.transparency ? testing::paletteAlpha(i, c.entries) : 255) << i;
        }
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(r.pixels[x], x % c.entries) << "indices are unpacked one per byte";
        }
    }
}

TEST(DecodeImage, Refusals) {
    struct Case {
        const char* name;
        Bytes data;
        bool nullData;
        HRESULT status;
        const char* message;
    };
    const Bytes jpeg = encodeJpeg(JpegKind::Colour, 16, 16, pattern);
    const Case kCases[] = {
        {"null data", {1, 2, 3}, true, D3DERR_INVALIDCALL, "Source image data (pvSrcData or cbSrcData) is invalid"},
        {"zero size", {}, false, D3DERR_INVALIDCALL, "Source image data (pvSrcData or cbSrcData) is invalid"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, false, D3DXERR_INVALIDDATA, "Unsupported file format"},
        {"first half of a JPEG header", Bytes(jpeg.begin(), jpeg.begin() + 20), false, D3DXERR_INVALIDDATA, nullptr},
        {"PNG signature only", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, false, D3DXERR_INVALIDDATA, nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        DecodedImage record;
        D3DXIMAGE_INFO info{};
        const void* data = c.nullData ? nullptr : c.data.data();
        EXPECT_EQ(DecodeImage(record, data, static_cast<UINT>(c.data.size()), &info, true), c.status);
        expectEmpty(record);
        ASSERT_FALSE(capture.lines().empty());
        if (c.message != nullptr) {
            EXPECT_EQ(capture.lines(), std::vector<std::string>{c.message});
        }
        EXPECT_EQ(capture.lines().back(), c.status == D3DERR_INVALIDCALL ? std::string(c.message)
                                                                           : std::string("Unsupported file format"));
    }
}

TEST(DecodeImage, PngLibraryErrorsAreReportedAndContained) {
    Bytes file = encodePng(8, 8, {2, 8}, [](int x, int y, int c) { return static_cast<std::uint32_t>(x * y + c); });
    file[16 + 8] ^= 0x40;  // inside IHDR data: the chunk's CRC no longer matches
    DiagnosticCapture capture;
    DecodedImage record;
    EXPECT_EQ(DecodeImage(record, file.data(), static_cast<UINT>(file.size()), nullptr, true), D3DXERR_INVALIDDATA);
    expectEmpty(record);
    ASSERT_GE(capture.lines().size(), 2u);
    EXPECT_EQ(capture.lines().front().rfind("LoadPNG: ", 0), 0u) << capture.lines().front();
    EXPECT_EQ(capture.lines().back(), "Unsupported file format");
}

TEST(DecodeImage, OversizedJpegHeaderIsRefusedWithoutAllocating) {
    Bytes file = encodeJpeg(JpegKind::Colour, 8, 8, pattern);
    // Rewrite the frame header's height and width (SOF0: FF C0, length, precision, height, width).
    for (std::size_t i = 0; i + 8 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = 0xFF;
            file[i + 6] = 0x00;
            file[i + 7] = 0xFF;
            file[i + 8] = 0x00;
            break;
        }
    }
    DiagnosticCapture capture;
    DecodedImage record;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), static_cast<UINT>(file.size()), &info), S_OK)
        << "the header alone is fine";
    EXPECT_EQ(info.Width, 0xFF00u);
    EXPECT_EQ(info.Height, 0xFF00u);
    EXPECT_EQ(DecodeImage(record, file.data(), static_cast<UINT>(file.size()), nullptr, true), D3DXERR_INVALIDDATA);
    expectEmpty(record);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unsupported file format"});
}

// Every prefix of a valid file, and the file with bytes flipped, either decodes or fails cleanly.
TEST(DecodeImage, DamagedFilesNeverCrashOrLeak) {
    const Bytes jpeg = encodeJpeg(JpegKind::Colour, 24, 17, pattern);
    const Bytes png = encodePng(24, 17, {6, 8}, [](int x, int y, int c) { return static_cast<std::uint32_t>(x + y + c); });
    std::mt19937 rng(11);
    DiagnosticCapture quiet;
    for (const Bytes* original : {&jpeg, &png}) {
        for (std::size_t cut = 1; cut < original->size(); cut += 7) {
            DecodedImage record;
            const HRESULT hr = DecodeImage(record, original->data(), static_cast<UINT>(cut), nullptr, true);
            ASSERT_TRUE(hr == S_OK || hr == D3DXERR_INVALIDDATA) << cut;
            if (FAILED(hr)) {
                expectEmpty(record);
            }
        }
        for (int round = 0; round < 200; ++round) {
            Bytes damaged = *original;
            for (int flips = 0; flips < 4; ++flips) {
                damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            }
            DecodedImage record;
            const HRESULT hr = DecodeImage(record, damaged.data(), static_cast<UINT>(damaged.size()), nullptr, true);
            ASSERT_TRUE(hr == S_OK || hr == D3DXERR_INVALIDDATA) << round;
        }
    }
    for (int round = 0; round < 200; ++round) {
        Bytes noise(1 + rng() % 600);
        for (auto& b : noise) {
            b = static_cast<std::uint8_t>(rng());
        }
        DecodedImage record;
        EXPECT_EQ(DecodeImage(record, noise.data(), static_cast<UINT>(noise.size()), nullptr, true), D3DXERR_INVALIDDATA);
    }
}

// Fuzzer finds, replayed: each must end in a status, leaving nothing behind on failure.
TEST(DecodeImage, FuzzerRegressionInputs) {
    constexpr const char* kFiles[] = {"jpeg-tall-frame-in-tiny-file.jpg"};
    for (const char* name : kFiles) {
        SCOPED_TRACE(name);
        std::FILE* f = std::fopen((std::string(GFX_SOURCE_DIR "/tests/gfxutil/tex/fixtures/") + name).c_str(), "rb");
        ASSERT_NE(f, nullptr);
        Bytes data;
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            data.push_back(static_cast<std::uint8_t>(c));
        }
        std::fclose(f);
        DiagnosticCapture quiet;
        DecodedImage record;
        const HRESULT hr = DecodeImage(record, data.data(), static_cast<UINT>(data.size()), nullptr, true);
        EXPECT_TRUE(hr == S_OK || hr == D3DXERR_INVALIDDATA);
        if (FAILED(hr)) {
            expectEmpty(record);
        } else {
            EXPECT_NE(record.pixels, nullptr);
        }
    }
}

TEST(DecodeImage, TruncatedJpegIsFedAgainFromItsStart) {
    const Bytes jpeg = encodeJpeg(JpegKind::Grey, 64, 64, pattern);
    // Cut inside the entropy-coded data: the header is complete.
    const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 3 / 4));
    DiagnosticCapture capture;
    DecodedImage record;
    const HRESULT hr = DecodeImage(record, cut.data(), static_cast<UINT>(cut.size()), nullptr, true);
    EXPECT_TRUE(hr == S_OK || hr == D3DXERR_INVALIDDATA);
    bool libraryMessage = false;
    for (const std::string& line : capture.lines()) {
        libraryMessage = libraryMessage || line.rfind("LoadJPG: ", 0) == 0;
    }
    EXPECT_TRUE(libraryMessage) << "the library's complaint about the data is written";
}

TEST(DecodeImage, NumericLocaleOfTheThreadIsRestored) {
    const locale_t before = uselocale(static_cast<locale_t>(nullptr));
    const Bytes jpeg = encodeJpeg(JpegKind::Grey, 8, 8, pattern);
    DecodedImage record;
    ASSERT_EQ(DecodeImage(record, jpeg.data(), static_cast<UINT>(jpeg.size()), nullptr, true), S_OK);
    EXPECT_EQ(uselocale(static_cast<locale_t>(nullptr)), before);
}

}  // namespace
}  // namespace gfxutil::tex
