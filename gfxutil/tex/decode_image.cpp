// The image dispatcher: tries the decoders in a fixed order until one accepts the data.
//
// The order is part of the behaviour (a file that is a valid BMP and something else is a BMP), and
// the decoders never look at a file name. Decoding runs with the "C" numeric locale so that the
// text formats read their numbers the same way whatever the application's locale; we switch the
// calling thread's locale only (uselocale), which has the same effect for the decoders without
// touching other threads.
#include <cstring>
#include <locale.h>
#include <new>

#include "gfxutil/tex/decoded_image.h"
#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/format_table.h"

namespace gfxutil::tex {
namespace {

using Decoder = HRESULT (*)(DecodedImage&, const BYTE*, UINT);

struct DecoderSlot {
    Decoder decode;
    D3DXIMAGE_FILEFORMAT fileFormat;
};

constexpr DecoderSlot kDecoders[] = {
    {decodeBmp, D3DXIFF_BMP}, {decodePpm, D3DXIFF_PPM}, {decodeDds, D3DXIFF_DDS},
    {decodeJpeg, D3DXIFF_JPG}, {decodePng, D3DXIFF_PNG}, {decodePfm, D3DXIFF_PFM},
    {decodeHdr, D3DXIFF_HDR}, {decodeTga, D3DXIFF_TGA}, {decodeDib, D3DXIFF_DIB},
};

// Holds the "C" numeric locale on this thread for its lifetime and restores what was in force.
class NumericLocaleGuard {
public:
    NumericLocaleGuard() {
        const locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
        if (base == static_cast<locale_t>(nullptr)) {
            return;  // no copy could be made: decode in the locale as it stands
        }
        m_c = newlocale(LC_NUMERIC_MASK, "C", base);
        if (m_c == static_cast<locale_t>(nullptr)) {
            freelocale(base);
            return;
        }
        m_previous = uselocale(m_c);
    }
    ~NumericLocaleGuard() {
        if (m_c != static_cast<locale_t>(nullptr)) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    NumericLocaleGuard(const NumericLocaleGuard&) = delete;
    NumericLocaleGuard& operator=(const NumericLocaleGuard&) = delete;

private:
    locale_t m_c = static_cast<locale_t>(nullptr);
    locale_t m_previous = static_cast<locale_t>(nullptr);
};

void setWholeBox(DecodedImage* face) {
    for (; face != nullptr; face = face->nextFace.get()) {
        for (DecodedImage* level = face; level != nullptr; level = level->nextLevel.get()) {
            level->box = {0, 0, level->width, level->height, 0, level->depth};
        }
    }
}

}  // namespace

void DecodedImage::clear() {
    const bool keepDecodePixels = decodePixels;
    DecodeTarget* keepTarget = target;
    *this = DecodedImage{};
    decodePixels = keepDecodePixels;
    target = keepTarget;
}

UINT DecodedImage::levelCount() const {
    UINT count = 1;
    for (const DecodedImage* level = nextLevel.get(); level != nullptr; level = level->nextLevel.get()) {
        ++count;
    }
    return count;
}

bool allocatePixels(DecodedImage& record, std::size_t rowPitch, std::size_t height) {
    if (height != 0 && rowPitch > SIZE_MAX / height) {
        return false;
    }
    const std::size_t bytes = rowPitch * height;
    if (bytes > kMaxDecodedBytes) {
        return false;
    }
    record.ownedPixels.reset(new (std::nothrow) BYTE[bytes == 0 ? 1 : bytes]);
    record.pixels = record.ownedPixels.get();
    return record.ownedPixels != nullptr;
}

HRESULT DecodeImage(DecodedImage& record, const void* pvSrcData, UINT cbSrcData, D3DXIMAGE_INFO* pSrcInfo,
                    bool decodePixels) {
    if (pvSrcData == nullptr || cbSrcData == 0) {
        report("Source image data (pvSrcData or cbSrcData) is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (pSrcInfo == nullptr && !decodePixels) {
        return S_OK;
    }
    const auto* data = static_cast<const BYTE*>(pvSrcData);
    bool decoded = false;
    {
        NumericLocaleGuard locale;
        for (const DecoderSlot& slot : kDecoders) {
            record.clear();
            record.decodePixels = decodePixels;
            record.resourceType = D3DRTYPE_TEXTURE;
            record.fileFormat = slot.fileFormat;
            HRESULT hr = E_FAIL;
            try {
                hr = slot.decode(record, data, cbSrcData);
            } catch (const std::bad_alloc&) {
                hr = E_OUTOFMEMORY;
            }
            if (SUCCEEDED(hr)) {
                decoded = true;
                break;
            }
        }
    }
    if (!decoded) {
        record.clear();
        report("Unsupported file format");
        return D3DXERR_INVALIDDATA;
    }
    if (pSrcInfo != nullptr) {
        std::memset(pSrcInfo, 0, sizeof *pSrcInfo);
        pSrcInfo->Width = record.width;
        pSrcInfo->Height = record.height;
        pSrcInfo->Depth = record.depth;
        pSrcInfo->MipLevels = record.levelCount();
        pSrcInfo->Format = mapInternalFormat(record.format);
        pSrcInfo->ResourceType = record.resourceType;
        pSrcInfo->ImageFileFormat = record.fileFormat;
    }
    setWholeBox(&record);
    return S_OK;
}

}  // namespace gfxutil::tex

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo) {
    gfxutil::tex::DecodedImage record;
    const HRESULT hr = gfxutil::tex::DecodeImage(record, pSrcData, SrcDataSize, pSrcInfo, false);
    return FAILED(hr) ? hr : S_OK;
}
