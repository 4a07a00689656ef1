#include "image_fixtures.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace gfxutil::tex::testing {

Bytes encodeJpeg(JpegKind kind, int width, int height,
                 const std::function<std::uint8_t(int x, int y, int c)>& sample) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    const int components = kind == JpegKind::Grey ? 1 : kind == JpegKind::Colour ? 3 : 4;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = kind == JpegKind::Grey ? JCS_GRAYSCALE : kind == JpegKind::Colour ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) {
                row[static_cast<std::size_t>(x * components + c)] = sample(x, y, c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::uint8_t paletteChannel(int index, int channel) {
    switch (channel) {
        case 0: return static_cast<std::uint8_t>(index * 3);
        case 1: return static_cast<std::uint8_t>(255 - index);
        default: return static_cast<std::uint8_t>(index * 7);
    }
}

std::uint8_t paletteAlpha(int index, int entries) {
    return index < entries / 2 ? static_cast<std::uint8_t>(255 - 2 * index) : 255;
}

namespace {

void appendData(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

int channelsOf(int colourType) {
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY: return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        case PNG_COLOR_TYPE_RGB: return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
        default: return 1;
    }
}

}  // namespace

Bytes encodePng(int width, int height, const PngOptions& o,
                const std::function<std::uint32_t(int x, int y, int c)>& sample) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png encode failed");
    }
    png_set_write_fn(png, &out, appendData, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), o.bitDepth,
                 o.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte alpha[256];
    if (o.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = o.paletteEntries > 0 ? o.paletteEntries : 1 << o.bitDepth;
        for (int i = 0; i < entries; ++i) {
            palette[i] = {paletteChannel(i, 0), paletteChannel(i, 1), paletteChannel(i, 2)};
            alpha[i] = paletteAlpha(i, entries);
        }
        png_set_PLTE(png, info, palette, entries);
        if (o.transparency) {
            png_set_tRNS(png, info, alpha, entries / 2, nullptr);
        }
    } else if (o.transparency) {
        png_color_16 key{};
        key.gray = 1;
        key.red = 1;
        key.green = 2;
        key.blue = 3;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    if (o.srgb) {
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    }
    if (o.gamma > 0.0) {
        png_set_gAMA(png, info, o.gamma);
    }
    png_write_info(png, info);
    const int channels = channelsOf(o.colourType);
    const int bitsPerPixel = channels * o.bitDepth;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
    std::vector<png_byte> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), png_byte{0});
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const std::uint32_t v = sample(x, y, c);
                const std::size_t bit = static_cast<std::size_t>(x * channels + c) * o.bitDepth;
                if (o.bitDepth == 16) {
                    row[bit / 8] = static_cast<png_byte>(v >> 8);  // PNG stores big-endian
                    row[bit / 8 + 1] = static_cast<png_byte>(v);
                } else if (o.bitDepth == 8) {
                    row[bit / 8] = static_cast<png_byte>(v);
                } else {
                    const int shift = 8 - o.bitDepth - static_cast<int>(bit % 8);
                    row[bit / 8] = static_cast<png_byte>(row[bit / 8] | (v << shift));
                }
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace gfxutil::tex::testing
