// The JPEG decoder: drives libjpeg over the file image in memory.
//
// Library errors never escape: the error manager jumps back into the decoder, which releases the
// decompressor and fails. Messages of the library are written on the diagnostic channel once the
// header has been read ("LoadJPG: ..."); before that a failure only means "not a JPEG", and the
// next decoder is tried silently.
//
// The decoding function below holds no object with a destructor between setjmp and the end of
// decoding, so the jump back skips nothing that needs to run.
//
// Rows are decoded one at a time (colour through the library's blue-green-red-X output, into a
// staging row that stays in the cache; grey straight into the image). The image is the record's
// target when it offers memory (the texture being loaded), so a large photograph is written once,
// where it will stay.
//
// Choices of ours: a skip request past the end of the data ends the data there; when the library
// asks for more data than the file holds, the whole block is presented again from its start (the
// library then finds the start-of-image marker where it expected more of the scan and reacts as
// to damaged data), but at most kMaxRefills times: after that it is given an end-of-image marker,
// so no truncated or hostile file can keep the decoder reading.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "gfxutil/tex/decoded_image.h"
#include "gfxutil/tex/diagnostics.h"

// After our headers: libjpeg defines TRUE and FALSE as macros when they are not macros already.
#include <jpeglib.h>

namespace gfxutil::tex {
namespace {

constexpr int kMaxRefills = 8;
constexpr JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

struct MemorySource {
    jpeg_source_mgr base;
    const JOCTET* data;
    std::size_t size;
    int refills;
};

void silentOutput(j_common_ptr) {}

void printingOutput(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    report("LoadJPG: %s", text);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// The value red << 16 | green << 8 | blue has a top byte of 0, where the library writes 0xFF:
// copies one decoded row from the staging row to the image with that byte cleared.
//
// Why the staging row: libjpeg-turbo's SIMD colour conversion writes a 16-byte-aligned output row
// with non-temporal stores, which bypass the cache, and image rows are aligned; clearing the bytes
// in place therefore read every row back from memory (profiled: a fifth of a large load's time,
// nearly all of it on that load). The staging row is kept off that alignment so it stays in the
// first-level cache, and this copy writes each row to the image once. (Streaming stores for that
// write measured no faster than plain ones.) Four pixels at a time where SSE2 is there (always on
// x86-64); the tail pixel by pixel.
void copyWithoutTopBytes(const BYTE* from, BYTE* to, UINT width) {
    UINT x = 0;
#ifdef __SSE2__
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    for (; x + 4 <= width; x += 4) {
        const std::size_t at = 4 * static_cast<std::size_t>(x);
        const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at)), mask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), v);
    }
#endif
    for (; x < width; ++x) {
        std::uint32_t v;
        std::memcpy(&v, from + 4 * static_cast<std::size_t>(x), 4);
        v &= 0x00FFFFFFu;
        std::memcpy(to + 4 * static_cast<std::size_t>(x), &v, 4);
    }
}

// A staging row of `bytes` in the decompressor's pool (freed with it), 4 bytes past a 16-byte
// boundary; see copyWithoutTopBytes.
JSAMPROW stagingRow(jpeg_decompress_struct& cinfo, std::size_t bytes) {
    auto* block = static_cast<BYTE*>((*cinfo.mem->alloc_large)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                               bytes + 32));
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block);
    return block + (16 - address % 16) % 16 + 4;
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (src->refills++ < kMaxRefills) {
        src->base.next_input_byte = src->data;
        src->base.bytes_in_buffer = src->size;
    } else {
        src->base.next_input_byte = kEndOfImage;
        src->base.bytes_in_buffer = sizeof kEndOfImage;
    }
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (count <= 0) {
        return;
    }
    const auto n = static_cast<std::size_t>(count);
    if (n >= src->base.bytes_in_buffer) {
        src->base.next_input_byte += src->base.bytes_in_buffer;
        src->base.bytes_in_buffer = 0;
        return;
    }
    src->base.next_input_byte += n;
    src->base.bytes_in_buffer -= n;
}

void useMemorySource(j_decompress_ptr cinfo, const BYTE* data, UINT size) {
    auto* src = static_cast<MemorySource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
    src->base.init_source = initSource;
    src->base.fill_input_buffer = fillInputBuffer;
    src->base.skip_input_data = skipInputData;
    src->base.resync_to_restart = jpeg_resync_to_restart;
    src->base.term_source = termSource;
    src->base.next_input_byte = nullptr;
    src->base.bytes_in_buffer = 0;
    src->data = data;
    src->size = size;
    src->refills = 0;
    cinfo->src = &src->base;
}

// Returns the status; the caller destroys the decompressor on every path.
HRESULT decodeWith(jpeg_decompress_struct& cinfo, ErrorManager& errors, DecodedImage& record, const BYTE* data,
                   UINT size) {
    if (setjmp(errors.jump) != 0) {
        return E_FAIL;
    }
    jpeg_create_decompress(&cinfo);
    useMemorySource(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    if (!mmxEnabled()) {
        cinfo.dct_method = JDCT_IFAST;
    }
    // Colour is decoded straight into blue, green, red, X order, each row in place in the image;
    // only the X byte needs clearing afterwards.
    const bool colour = cinfo.out_color_space == JCS_RGB;
    if (colour) {
        cinfo.out_color_space = JCS_EXT_BGRX;
    }
    errors.base.output_message = printingOutput;
    jpeg_start_decompress(&cinfo);

    const UINT width = cinfo.output_width;
    const UINT height = cinfo.output_height;
    if (cinfo.output_components == 1 && !colour) {
        record.format = D3DFMT_L8;
        record.rowPitch = width;
    } else if (cinfo.output_components == 4 && colour) {
        record.format = D3DFMT_X8R8G8B8;
        record.rowPitch = 4 * width;
    } else {
        return E_FAIL;  // four-component CMYK and YCCK files
    }
    record.width = width;
    record.height = height;
    record.depth = 1;
    record.slicePitch = 0;
    if (!record.decodePixels) {
        return S_OK;
    }
    BYTE* pixels = nullptr;
    UINT targetPitch = 0;
    if (record.target != nullptr) {
        pixels = record.target->provide(record.format, width, height, targetPitch);
    }
    if (pixels != nullptr) {
        record.pixels = pixels;
        record.rowPitch = targetPitch;
    } else if (!allocatePixels(record, record.rowPitch, height)) {
        return E_OUTOFMEMORY;
    } else {
        pixels = record.ownedPixels.get();
    }
    JSAMPROW staging = colour ? stagingRow(cinfo, record.rowPitch) : nullptr;
    while (cinfo.output_scanline < height) {
        BYTE* out = pixels + static_cast<std::size_t>(cinfo.output_scanline) * record.rowPitch;
        JSAMPROW row = colour ? staging : out;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            return E_FAIL;
        }
        if (colour) {
            copyWithoutTopBytes(staging, out, width);
        }
    }
    jpeg_finish_decompress(&cinfo);
    return S_OK;
}

}  // namespace

HRESULT decodeJpeg(DecodedImage& record, const BYTE* data, UINT size) {
    if (data == nullptr || size == 0) {
        return E_FAIL;
    }
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    ErrorManager errors;
    std::memset(&errors, 0, sizeof errors);
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.output_message = silentOutput;
    const HRESULT hr = decodeWith(cinfo, errors, record, data, size);
    jpeg_destroy_decompress(&cinfo);
    return hr;
}

}  // namespace gfxutil::tex
