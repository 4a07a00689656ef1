// The size, level-count and format adjustment shared by texture creation and
// D3DXCheckTextureRequirements.
#pragma once

#include "gfxutil/tex/tex_platform.h"

namespace gfxutil::tex {

struct TextureRequest {
    UINT width;
    UINT height;
    UINT depth;
    UINT mipLevels;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
};

// Usage with the query flags (bits 15 to 20) removed, as a texture is created with.
inline constexpr DWORD kUsageWithoutQueries = 0xFFE07FFFu;

// Adjusts `request` in place for a 2D texture on `device`; refusals write their diagnostic.
HRESULT checkTextureRequirements(IDirect3DDevice9* device, TextureRequest& request);

}  // namespace gfxutil::tex
