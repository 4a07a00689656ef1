// Texture loader benchmarks, each beside its baseline in the same program:
//   BM_Tex_RawJpegDecode/2048   libjpeg-turbo alone, scanline by scanline into an RGB buffer
//   BM_Tex_DecodeJpeg/2048      our JPEG decoder alone, to X8R8G8B8 pixels in memory
//   BM_Tex_LoadJpeg/2048        the same file to an X8R8G8B8 texture with its full mip chain
//   BM_Tex_MipChain/2048        the mip chain alone (D3DXFilterTexture with the box filter)
//   BM_Tex_RawPngRead/2048      libpng alone: png_read_image of an RGB file
//   BM_Tex_DecodePng/2048       our PNG decoder on the same file (to X8R8G8B8)
// Goals: LoadJpeg <= 1.5 x RawJpegDecode, MipChain <= 0.5 x RawJpegDecode, DecodePng <= 1.1 x
// RawPngRead. Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true and compare the medians.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/decoded_image.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int kSide = 2048;

std::uint8_t sample(int x, int y, int c) {
    // Smooth gradients with some texture, so the files compress like photographs rather than noise.
    const unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    return static_cast<std::uint8_t>((x / 8 + y / 5 + c * 70 + (h >> 28)) & 0xFF);
}

const std::vector<std::uint8_t>& jpegFile() {
    static const std::vector<std::uint8_t> file = [] {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr jerr{};
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_compress(&cinfo);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = kSide;
        cinfo.image_height = kSide;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<JSAMPLE> row(kSide * 3);
        while (cinfo.next_scanline < cinfo.image_height) {
            const int y = static_cast<int>(cinfo.next_scanline);
            for (int x = 0; x < kSide; ++x) {
                for (int c = 0; c < 3; ++c) {
                    row[static_cast<std::size_t>(x * 3 + c)] = sample(x, y, c);
                }
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_compress(&cinfo);
        std::vector<std::uint8_t> out(buffer, buffer + size);
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return out;
    }();
    return file;
}

void appendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

const std::vector<std::uint8_t>& pngFile() {
    static const std::vector<std::uint8_t> file = [] {
        std::vector<std::uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, appendPng, nullptr);
        png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(kSide * 3);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                for (int c = 0; c < 3; ++c) {
                    row[static_cast<std::size_t>(x * 3 + c)] = sample(x, y, c);
                }
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return out;
    }();
    return file;
}

LRESULT windowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

IDirect3DDevice9* device() {
    static IDirect3DDevice9* d = [] {
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.lpszClassName = "tex_bench";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, "tex_bench", "tex", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                      nullptr, nullptr);
        IDirect3D9* root = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS params{};
        params.Windowed = TRUE;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.BackBufferWidth = 64;
        params.BackBufferHeight = 64;
        IDirect3DDevice9* created = nullptr;
        root->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &created);
        root->Release();
        return created;
    }();
    return d;
}

void BM_Tex_RawJpegDecode(benchmark::State& state) {
    const auto& file = jpegFile();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * 3);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr jerr{};
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), file.size());
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = &pixels[static_cast<std::size_t>(cinfo.output_scanline) * kSide * 3];
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(BM_Tex_RawJpegDecode)->Arg(kSide)->Unit(benchmark::kMillisecond);

// Our decoder dispatch alone on one file: kSide x kSide pixels of bytesPerPixel each.
template <class File>
void decodeRepeatedly(benchmark::State& state, const File& file, int bytesPerPixel) {
    for (auto _ : state) {
        gfxutil::tex::DecodedImage image;
        if (FAILED(gfxutil::tex::DecodeImage(image, file.data(), static_cast<UINT>(file.size()), nullptr, true))) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * bytesPerPixel);
}

// Our JPEG decoder alone (to X8R8G8B8 in memory), to see where the load's time goes.
void BM_Tex_DecodeJpeg(benchmark::State& state) { decodeRepeatedly(state, jpegFile(), 4); }
BENCHMARK(BM_Tex_DecodeJpeg)->Arg(kSide)->Unit(benchmark::kMillisecond);

void BM_Tex_LoadJpeg(benchmark::State& state) {
    const auto& file = jpegFile();
    IDirect3DDevice9* d = device();
    for (auto _ : state) {
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
            d, file.data(), static_cast<UINT>(file.size()), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
            D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
        if (FAILED(hr)) {
            state.SkipWithError("texture creation failed");
            break;
        }
        texture->Release();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_Tex_LoadJpeg)->Arg(kSide)->Unit(benchmark::kMillisecond);

void BM_Tex_MipChain(benchmark::State& state) {
    const auto& file = jpegFile();
    IDirect3DDevice9* d = device();
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileInMemoryEx(d, file.data(), static_cast<UINT>(file.size()), D3DX_DEFAULT,
                                                   D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                                   D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture))) {
        state.SkipWithError("texture creation failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(D3DXFilterTexture(texture, nullptr, 0, D3DX_FILTER_BOX));
    }
    texture->Release();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_Tex_MipChain)->Arg(kSide)->Unit(benchmark::kMillisecond);

struct PngReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

void readPng(png_structp png, png_bytep out, png_size_t length) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
    std::memcpy(out, r->data + r->at, length);
    r->at += length;
}

void BM_Tex_RawPngRead(benchmark::State& state) {
    const auto& file = pngFile();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * 3);
    std::vector<png_bytep> rows(kSide);
    for (int y = 0; y < kSide; ++y) {
        rows[static_cast<std::size_t>(y)] = &pixels[static_cast<std::size_t>(y) * kSide * 3];
    }
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        PngReader reader{file.data(), file.size(), 0};
        png_set_read_fn(png, &reader, readPng);
        png_read_info(png, info);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(BM_Tex_RawPngRead)->Arg(kSide)->Unit(benchmark::kMillisecond);

void BM_Tex_DecodePng(benchmark::State& state) { decodeRepeatedly(state, pngFile(), 3); }
BENCHMARK(BM_Tex_DecodePng)->Arg(kSide)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
