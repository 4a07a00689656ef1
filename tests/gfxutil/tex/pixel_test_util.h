// Helpers for building transfer requests over small in-memory images.
#pragma once

#include <cstring>
#include <vector>

#include "gfxutil/tex/blit_request.h"

namespace gfxutil::tex::testing {

struct Image {
    D3DFORMAT format;
    UINT width;
    UINT height;
    UINT bytesPerPixel;
    std::vector<BYTE> bytes;

    Image(D3DFORMAT f, UINT w, UINT h, UINT bpp)
        : format(f), width(w), height(h), bytesPerPixel(bpp), bytes(static_cast<std::size_t>(w) * h * bpp) {}

    UINT pitch() const { return width * bytesPerPixel; }
    BYTE* at(UINT x, UINT y) { return bytes.data() + static_cast<std::size_t>(y) * pitch() + x * bytesPerPixel; }
    DWORD get32(UINT x, UINT y) {
        DWORD v = 0;
        std::memcpy(&v, at(x, y), bytesPerPixel < 4 ? bytesPerPixel : 4);
        return v;
    }
    void set32(UINT x, UINT y, DWORD v) { std::memcpy(at(x, y), &v, bytesPerPixel < 4 ? bytesPerPixel : 4); }

    BlitRequest request() {
        BlitRequest r;
        r.pixels = bytes.data();
        r.format = format;
        r.rowPitch = pitch();
        r.slicePitch = 0;
        r.extent = {0, 0, width, height, 0, 1};
        r.region = r.extent;
        return r;
    }
};

}  // namespace gfxutil::tex::testing
