// DecodedImage: one decoded level of one face of an image, and the decoders that fill it.
//
// Levels are chained through nextLevel, faces through nextFace; the first record owns the rest of
// the chain. A decoder may point `pixels` into the caller's file data instead of copying it: such a
// record (ownedPixels empty) is valid only while that data is.
#pragma once

#include <memory>

#include "gfxutil/tex/blit_request.h"
#include "gfxutil/tex/texture_loader.h"

namespace gfxutil::tex {

// Memory offered to a decoder for a single-level 2D image, by a caller that has a better place for
// the pixels than a buffer of the decoder's own (the top level of the texture they will fill). A
// decoder that knows its output format and size before it writes a pixel may ask; one that asks
// and then fails leaves the memory in an unspecified state.
class DecodeTarget {
public:
    // Returns memory for `height` rows of the format's packed bytes, `pitch` apart (set on
    // success), or null: the decoder then allocates as usual.
    virtual BYTE* provide(D3DFORMAT format, UINT width, UINT height, UINT& pitch) = 0;

protected:
    ~DecodeTarget() = default;
};

// Test support: whether the last D3DXCreateTextureFromFileInMemoryEx on this thread that decoded
// an image had the decoder write the texture's top level in place.
bool lastTopLevelDecodedInPlace();

struct DecodedImage {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    const BYTE* pixels = nullptr;
    const PALETTEENTRY* palette = nullptr;  // 256 entries, palette formats only
    UINT width = 0;
    UINT height = 0;
    UINT depth = 0;
    PixelBox box;
    UINT rowPitch = 0;
    UINT slicePitch = 0;
    std::unique_ptr<BYTE[]> ownedPixels;
    std::unique_ptr<PALETTEENTRY[]> ownedPalette;
    bool decodePixels = false;  // when clear a decoder may stop after the header
    DecodeTarget* target = nullptr;  // not owned; kept by clear(), like decodePixels
    D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
    std::unique_ptr<DecodedImage> nextLevel;
    std::unique_ptr<DecodedImage> nextFace;

    // Frees everything the record holds and returns it to its empty state, keeping only the
    // decode-pixels request and the target.
    void clear();
    UINT levelCount() const;
};

// Fills `record` from the file image in memory; see DecodeImage's description in decode_image.cpp.
HRESULT DecodeImage(DecodedImage& record, const void* pvSrcData, UINT cbSrcData, D3DXIMAGE_INFO* pSrcInfo,
                    bool decodePixels);

// The decoders, in the order they are tried. Each: success fills the record; any failure means the
// data is not of its format or is damaged, and leaves freeing to the caller.
HRESULT decodeBmp(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodePpm(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodeDds(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodeJpeg(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodePng(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodePfm(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodeHdr(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodeTga(DecodedImage& record, const BYTE* data, UINT size);
HRESULT decodeDib(DecodedImage& record, const BYTE* data, UINT size);

// The largest decoded level we allocate. A damaged or hostile header can claim any size up to
// 65535 x 65535 (JPEG) or 2^31 x 2^31 (PNG); anything past this is refused before a byte is
// allocated, so a small file can never make the loader reserve or fill gigabytes.
inline constexpr std::size_t kMaxDecodedBytes = std::size_t{1} << 30;

// Allocates an owned pixel buffer of rowPitch x height bytes for a 2D record; false when the size
// overflows, exceeds kMaxDecodedBytes or memory is short.
bool allocatePixels(DecodedImage& record, std::size_t rowPitch, std::size_t height);

}  // namespace gfxutil::tex
