// libFuzzer target for the image decoders. Built three times: the whole dispatcher, and the JPEG
// and PNG decoders alone (GFX_FUZZ_DECODER selects). Any input must end in a status, never in a
// crash, a hang, a leak or a sanitizer report; a successful decode must describe pixels that are
// all readable.
#include <cstddef>
#include <cstdint>

#include "gfxutil/tex/decoded_image.h"
#include "gfxutil/tex/diagnostics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace gfxutil::tex;
    if (size == 0 || size > 0xFFFFFFFFu) {
        return 0;
    }
    MuteScope quiet;
    DecodedImage record;
    record.decodePixels = true;
#if defined(GFX_FUZZ_DECODER_JPEG)
    const HRESULT hr = decodeJpeg(record, data, static_cast<UINT>(size));
#elif defined(GFX_FUZZ_DECODER_PNG)
    const HRESULT hr = decodePng(record, data, static_cast<UINT>(size));
#else
    D3DXIMAGE_INFO info{};
    const HRESULT hr = DecodeImage(record, data, static_cast<UINT>(size), &info, true);
#endif
    if (SUCCEEDED(hr) && record.pixels != nullptr && record.height > 0) {
        // Touch the last byte of the last row, so a short buffer shows up under the sanitizer.
        volatile std::uint8_t last = record.pixels[static_cast<std::size_t>(record.rowPitch) * record.height - 1];
        (void)last;
    }
    return 0;
}
