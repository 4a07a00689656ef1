// The PNG decoder: drives libpng over the file image in memory.
//
// The output formats follow the file's colour type and depth: grey L8 (L16 at 16 bits), grey with
// alpha A8L8 ("AL16"), RGB X8R8G8B8 with a filler byte 0xFF (" R16" at 16 bits), RGB with alpha
// A8R8G8B8 (A16B16G16R16), palette P8 with an owned 256-entry palette. Samples below 8 bits are
// unpacked to one byte; 16-bit samples are stored little-endian; transparency (tRNS) of a grey or
// RGB image becomes an alpha channel.
//
// Library errors never escape: libpng's error routine writes "LoadPNG: <text>" and jumps back into
// the decoder, which releases the library state and fails. The function that calls setjmp holds no
// object with a destructor; buffers live in a state record owned by the caller.
//
// RGB at 8 bits, the common photograph: libpng would swap to blue-green-red and add the filler in
// two passes over each row; instead the rows are read as the file stores them into a staging row
// and expanded to blue, green, red, 0xFF in one pass (SSSE3 shuffles where the processor has
// them), which gives the same bytes. Interlaced files keep libpng's transformations, since their
// rows are assembled over several passes.
//
// Gamma: a file with an sRGB chunk is taken as it is; otherwise a gAMA chunk asks libpng for the
// correction to a 2.2 screen. A palette image gets the same correction through a 256-entry table
// applied to its palette; we take the palette as the file stores it (before libpng's own
// transformations could touch it), so the correction is applied exactly once.
#include <cmath>
#include <csetjmp>
#include <cstring>

#include <png.h>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

#include "gfxutil/tex/decoded_image.h"
#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/format_table.h"

namespace gfxutil::tex {
namespace {

constexpr double kScreenGamma = 2.2;

struct Reader {
    const BYTE* data;
    std::size_t size;
    std::size_t position;
};

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Reader reader{};
    png_bytep* rows = nullptr;
    png_bytep staging = nullptr;  // one file row, when RGB rows are expanded by us
    bool expandRgb = false;
    double fileGamma = 0.0;
    double screenGamma = 0.0;
    PALETTEENTRY filePalette[256];
    int filePaletteCount = 0;
};

[[noreturn]] void pngError(png_structp png, png_const_charp message) {
    report("LoadPNG: %s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp message) { report("LoadPNG: %s", message); }

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position) {
        png_error(png, "read error");
    }
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

// Chooses the transformations and returns the format they produce.
D3DFORMAT requestTransformations(PngState& s, int colourType, int bitDepth) {
    png_structp png = s.png;
    png_infop info = s.info;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY: format = D3DFMT_L8; break;
        case PNG_COLOR_TYPE_RGB: format = D3DFMT_R8G8B8; break;
        case PNG_COLOR_TYPE_PALETTE: format = D3DFMT_P8; break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: format = D3DFMT_A8L8; break;
        case PNG_COLOR_TYPE_RGB_ALPHA: format = D3DFMT_A8R8G8B8; break;
        default: return D3DFMT_UNKNOWN;
    }
    if (bitDepth == 16) {
        png_set_swap(png);
        if (format == D3DFMT_R8G8B8) format = kFormatR16;
        else if (format == D3DFMT_A8R8G8B8) format = D3DFMT_A16B16G16R16;
        else if (format == D3DFMT_L8) format = D3DFMT_L16;
        else if (format == D3DFMT_A8L8) format = kFormatAL16;
    }
    if (bitDepth < 8) {
        png_set_packing(png);
        if (colourType == PNG_COLOR_TYPE_GRAY) {
            png_set_expand(png);
        }
    }
    // An sRGB chunk is already in force once read (libpng 1.6 keeps its intent in the image's
    // colour space; setting it again only draws a "duplicate sRGB" warning): no gamma correction.
    int intent = 0;
    double gamma = 0.0;
    if (png_get_sRGB(png, info, &intent) != 0) {
        // nothing to request
    } else if (png_get_gAMA(png, info, &gamma) != 0) {
        png_set_gamma(png, kScreenGamma, gamma);
        s.fileGamma = gamma;
        s.screenGamma = kScreenGamma;
    }
    if (colourType != PNG_COLOR_TYPE_PALETTE && png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_expand(png);
        if (format == D3DFMT_R8G8B8) format = D3DFMT_A8R8G8B8;
        else if (format == D3DFMT_L8) format = D3DFMT_A8L8;
        else if (format == D3DFMT_L16) format = kFormatAL16;
        else if (format == kFormatR16) format = D3DFMT_A16B16G16R16;
    }
    if (format == D3DFMT_R8G8B8 && png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
        s.expandRgb = true;  // the order and the filler are ours (expandRgbRow)
        return D3DFMT_X8R8G8B8;
    }
    if (format == D3DFMT_R8G8B8 || format == D3DFMT_A8R8G8B8 || format == kFormatR16) {
        png_set_bgr(png);
    }
    if (format == D3DFMT_R8G8B8) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        format = D3DFMT_X8R8G8B8;
    }
    return format;
}

void expandRgbRowPlain(const BYTE* rgb, BYTE* bgrx, UINT width) {
    for (UINT x = 0; x < width; ++x, rgb += 3, bgrx += 4) {
        bgrx[0] = rgb[2];
        bgrx[1] = rgb[1];
        bgrx[2] = rgb[0];
        bgrx[3] = 0xFF;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels per shuffle. Each load takes 16 bytes of which 12 are used, so the loop stops while
// 16 bytes remain in the row and the plain loop finishes it.
__attribute__((target("ssse3"))) void expandRgbRowSsse3(const BYTE* rgb, BYTE* bgrx, UINT width) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i filler = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    UINT x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * static_cast<std::size_t>(x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgrx + 4 * static_cast<std::size_t>(x)),
                         _mm_or_si128(_mm_shuffle_epi8(in, order), filler));
    }
    expandRgbRowPlain(rgb + 3 * static_cast<std::size_t>(x), bgrx + 4 * static_cast<std::size_t>(x), width - x);
}
#endif

// Red, green, blue of the file to blue, green, red, 0xFF of X8R8G8B8.
void expandRgbRow(const BYTE* rgb, BYTE* bgrx, UINT width) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        expandRgbRowSsse3(rgb, bgrx, width);
        return;
    }
#endif
    expandRgbRowPlain(rgb, bgrx, width);
}

// Reads the rows of a non-interlaced file as stored, expanding each into the image.
void readExpandedRows(PngState& s, BYTE* pixels, png_uint_32 width, png_uint_32 height, std::size_t pitch) {
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(s.png, s.staging, nullptr);
        expandRgbRow(s.staging, pixels + static_cast<std::size_t>(y) * pitch, width);
    }
}

int expectedChannels(D3DFORMAT format) {
    if (format == kFormatR16) {
        return 3;
    }
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A16B16G16R16) {
        return 4;
    }
    if (format == D3DFMT_A8L8 || format == kFormatAL16) {
        return 2;
    }
    return 1;  // P8, L8, L16
}

// The file's palette, kept before any transformation runs.
void keepFilePalette(PngState& s) {
    png_colorp plte = nullptr;
    int count = 0;
    if (png_get_PLTE(s.png, s.info, &plte, &count) == 0 || plte == nullptr) {
        return;
    }
    if (count > 256) {
        count = 256;
    }
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p transparent = nullptr;
    if (png_get_tRNS(s.png, s.info, &alpha, &alphaCount, &transparent) == 0 || alpha == nullptr) {
        alphaCount = 0;
    }
    for (int i = 0; i < count; ++i) {
        const BYTE a = i < alphaCount ? alpha[i] : BYTE{255};
        s.filePalette[i] = {plte[i].red, plte[i].green, plte[i].blue, a};
    }
    s.filePaletteCount = count;
}

void buildPalette(const PngState& s, PALETTEENTRY* out) {
    BYTE table[256];
    const bool correct = s.fileGamma > 0.000001 && s.screenGamma > 0.000001;
    for (int i = 0; i < 256; ++i) {
        table[i] = correct ? static_cast<BYTE>(std::floor(
                                 std::pow(i / 255.0, 1.0 / (s.fileGamma * s.screenGamma)) * 255.0 + 0.5))
                           : static_cast<BYTE>(i);
    }
    for (int i = 0; i < 256; ++i) {
        if (i < s.filePaletteCount) {
            const PALETTEENTRY& e = s.filePalette[i];
            out[i] = {table[e.peRed], table[e.peGreen], table[e.peBlue], e.peFlags};
        } else {
            out[i] = {255, 255, 255, 255};
        }
    }
}

HRESULT decodeWith(PngState& s, DecodedImage& record) {
    if (setjmp(png_jmpbuf(s.png)) != 0) {
        return E_FAIL;
    }
    png_set_read_fn(s.png, &s.reader, readFromMemory);
    png_read_info(s.png, s.info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    png_get_IHDR(s.png, s.info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        keepFilePalette(s);
    }
    const D3DFORMAT format = requestTransformations(s, colourType, bitDepth);
    if (format == D3DFMT_UNKNOWN) {
        return E_FAIL;
    }
    png_read_update_info(s.png, s.info);
    if (png_get_channels(s.png, s.info) != (s.expandRgb ? 3 : expectedChannels(format))) {
        return E_FAIL;
    }
    const png_size_t fileRowBytes = png_get_rowbytes(s.png, s.info);
    const png_size_t rowBytes = s.expandRgb ? fileRowBytes / 3 * 4 : fileRowBytes;
    if (rowBytes > 0xFFFFFFFFu) {
        return E_FAIL;
    }
    record.format = format;
    record.width = width;
    record.height = height;
    record.depth = 1;
    record.rowPitch = static_cast<UINT>(rowBytes);
    record.slicePitch = 0;
    if (record.decodePixels) {
        if (!allocatePixels(record, rowBytes, height)) {
            return E_OUTOFMEMORY;
        }
        if (s.expandRgb) {
            s.staging = static_cast<png_bytep>(png_malloc(s.png, fileRowBytes == 0 ? 1 : fileRowBytes));
            readExpandedRows(s, record.ownedPixels.get(), width, height, rowBytes);
            return S_OK;  // never a palette image
        }
        s.rows = static_cast<png_bytep*>(png_malloc(s.png, sizeof(png_bytep) * (height == 0 ? 1 : height)));
        for (png_uint_32 y = 0; y < height; ++y) {
            s.rows[y] = record.ownedPixels.get() + static_cast<std::size_t>(y) * rowBytes;
        }
        png_read_image(s.png, s.rows);
    }
    if (format == D3DFMT_P8) {
        record.ownedPalette.reset(new (std::nothrow) PALETTEENTRY[256]);
        if (record.ownedPalette == nullptr) {
            return E_OUTOFMEMORY;
        }
        buildPalette(s, record.ownedPalette.get());
        record.palette = record.ownedPalette.get();
    }
    return S_OK;
}

}  // namespace

HRESULT decodePng(DecodedImage& record, const BYTE* data, UINT size) {
    if (data == nullptr || size == 0 || png_sig_cmp(data, 0, size < 8 ? size : 8) != 0) {
        return E_FAIL;
    }
    PngState s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (s.png == nullptr) {
        return E_OUTOFMEMORY;
    }
    s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) {
        png_destroy_read_struct(&s.png, nullptr, nullptr);
        return E_OUTOFMEMORY;
    }
    s.reader = {data, size, 0};
    const HRESULT hr = decodeWith(s, record);
    if (s.rows != nullptr) {
        png_free(s.png, s.rows);
    }
    if (s.staging != nullptr) {
        png_free(s.png, s.staging);
    }
    png_destroy_read_struct(&s.png, &s.info, nullptr);
    return hr;
}

}  // namespace gfxutil::tex
