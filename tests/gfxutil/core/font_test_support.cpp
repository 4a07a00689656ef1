#include "tests/gfxutil/core/font_test_support.h"

#include <cstring>

#include "platform/d3d9/controls.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace font_test {

ULONG refCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

std::vector<uint32_t> readLevel(IDirect3DTexture9* texture, UINT level, UINT* width) {
    std::vector<uint32_t> texels;
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->GetLevelDesc(level, &desc)) || FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) {
        ADD_FAILURE() << "cannot read level " << level;
        return texels;
    }
    texels.resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        std::memcpy(texels.data() + static_cast<size_t>(y) * desc.Width,
                    static_cast<const std::byte*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    desc.Width * sizeof(uint32_t));
    }
    texture->UnlockRect(level);
    *width = desc.Width;
    return texels;
}

ComPtr<ID3DXFont> createHelpFont(IDirect3DDevice9* device, UINT mipLevels, DWORD quality) {
    ComPtr<ID3DXFont> font;
    const HRESULT hr = D3DXCreateFontA(device, 18, 0, FW_BOLD, mipLevels, FALSE, DEFAULT_CHARSET, 0, quality, 0,
                                       "Arial", font.put());
    EXPECT_EQ(hr, S_OK);
    return font;
}

std::vector<WORD> glyphsOf(ID3DXFont* font, const std::u16string& text) {
    std::vector<WCHAR> glyphs(text.size());
    GCP_RESULTSW results{};
    results.lStructSize = sizeof results;
    results.lpGlyphs = glyphs.data();
    results.nGlyphs = static_cast<UINT>(text.size());
    GetCharacterPlacementW(font->GetDC(), text.data(), static_cast<int>(text.size()), 0, &results, 0);
    return std::vector<WORD>(glyphs.begin(), glyphs.begin() + results.nGlyphs);
}

UINT renderedRecords(ID3DXFont* font) {
    UINT count = 0;
    for (UINT g = 0; g <= 0xFFFF; ++g) {
        const gfxutil::core::GlyphRecord* record = textureFont(font)->findRecord(g);
        count += record != nullptr && record->texture != nullptr ? 1 : 0;
    }
    return count;
}

}  // namespace font_test
