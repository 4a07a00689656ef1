// Font creation: the four creation functions, the initialisation of a TextureFont from its
// descriptor (steps 1 to 11) and its destruction.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"
#include "gfxutil/tex/texture_loader.h"
#include "platform/kernel/code_pages.h"

using gfxutil::core::TextureFont;

namespace {

template <class Desc>
HRESULT createFontIndirect(IDirect3DDevice9* pDevice, const Desc* pDesc, ID3DXFont** ppFont, bool wide) {
    if (ppFont == nullptr) {
        DebugMessage(0, "ppFont pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    auto* font = new (std::nothrow) TextureFont();
    if (font == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = font->initialize(pDevice, pDesc, wide);
    if (FAILED(hr)) {
        font->Release();
        return hr;
    }
    *ppFont = font;
    return S_OK;
}

template <class Desc>
Desc descriptorOf(INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic, DWORD CharSet,
                  DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily) {
    Desc desc{};
    desc.Height = Height;
    desc.Width = Width;
    desc.Weight = Weight;
    desc.MipLevels = MipLevels;
    desc.Italic = Italic;
    desc.CharSet = static_cast<BYTE>(CharSet);
    desc.OutputPrecision = static_cast<BYTE>(OutputPrecision);
    desc.Quality = static_cast<BYTE>(Quality);
    desc.PitchAndFamily = static_cast<BYTE>(PitchAndFamily);
    return desc;
}

// The smallest power of two at least as large as both.
UINT cellFor(LONG a, LONG b) {
    const LONG need = std::max<LONG>({a, b, 1});
    UINT cell = 1;
    while (cell < static_cast<UINT>(need)) {
        cell <<= 1;
    }
    return cell;
}

UINT levelsOf(UINT cell) {
    UINT levels = 1;
    while ((1u << (levels - 1)) < cell) {
        ++levels;
    }
    return levels;
}

gfxutil::core::GlyphCellPool poolOf(UINT cellSize, UINT levels, UINT textureSize) {
    return {nullptr, textureSize * textureSize, cellSize, cellSize * cellSize, levels, textureSize,
            textureSize * textureSize};
}

// At most 32 units of the name (null: none) into the zeroed descriptor, the last unit always 0, so
// a longer name is cut rather than left unterminated.
template <class Char>
void copyFaceName(Char (&faceName)[LF_FACESIZE], const Char* name) {
    for (int i = 0; name != nullptr && i < LF_FACESIZE && name[i] != 0; ++i) {
        faceName[i] = name[i];
    }
    faceName[LF_FACESIZE - 1] = 0;
}

}  // namespace

HRESULT D3DXCreateFontA(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCSTR pFaceName,
                        ID3DXFont** ppFont) {
    auto desc = descriptorOf<D3DXFONT_DESCA>(Height, Width, Weight, MipLevels, Italic, CharSet, OutputPrecision,
                                             Quality, PitchAndFamily);
    copyFaceName(desc.FaceName, pFaceName);
    return D3DXCreateFontIndirectA(pDevice, &desc, ppFont);
}

HRESULT D3DXCreateFontW(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCWSTR pFaceName,
                        ID3DXFont** ppFont) {
    auto desc = descriptorOf<D3DXFONT_DESCW>(Height, Width, Weight, MipLevels, Italic, CharSet, OutputPrecision,
                                             Quality, PitchAndFamily);
    copyFaceName(desc.FaceName, pFaceName);
    return D3DXCreateFontIndirectW(pDevice, &desc, ppFont);
}

HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc, ID3DXFont** ppFont) {
    return createFontIndirect(pDevice, pDesc, ppFont, false);
}

HRESULT D3DXCreateFontIndirectW(IDirect3DDevice9* pDevice, const D3DXFONT_DESCW* pDesc, ID3DXFont** ppFont) {
    return createFontIndirect(pDevice, pDesc, ppFont, true);
}

namespace gfxutil::core {

HRESULT TextureFont::refuseNullQueryOutput() {
    DebugMessage(0, "Invalid pointer to recieve interface");
    return D3DERR_INVALIDCALL;
}

HRESULT TextureFont::initialize(IDirect3DDevice9* device, const void* desc, bool wide) {
    // 1. Arguments.
    if (device == nullptr) {
        DebugMessage(0, "pDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (desc == nullptr) {
        DebugMessage(0, "pDesc pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    m_device = ComPtr<IDirect3DDevice9>::share(device);
    // 2. The first font of the process sets up the process-wide state.
    HRESULT hr = setUpFontProcess();
    if (FAILED(hr)) {
        return hr;
    }
    const FontProcess& process = fontProcess();
    // 3. The memory DC.
    m_dc = CreateCompatibleDC(nullptr);
    if (m_dc == nullptr) {
        return E_OUTOFMEMORY;
    }
    SetMapMode(m_dc, MM_TEXT);
    if (!process.isNT) {
        SetTextAlign(m_dc, TA_UPDATECP);  // drawing advances the current position, which gives widths
    }
    // 4, 5. The GDI font and its metrics.
    if (FAILED(hr = createFontObject(desc, wide))) {
        return hr;
    }
    // 6. The DIB section.
    if (FAILED(hr = createBitmap())) {
        return hr;
    }
    // 7 to 10. Cells, textures and pools.
    D3DXFONT_DESCW sizes{};
    sizes.MipLevels = wide ? static_cast<const D3DXFONT_DESCW*>(desc)->MipLevels
                           : static_cast<const D3DXFONT_DESCA*>(desc)->MipLevels;
    if (FAILED(hr = chooseCellSizes(sizes))) {
        return hr;
    }
    // 11. The default and blank glyphs.
    return findFontGlyphs();
}

// Steps 4 and 5.
HRESULT TextureFont::createFontObject(const void* desc, bool wide) {
    const FontProcess& process = fontProcess();
    D3DXFONT_DESCA narrow{};
    if (wide && !process.isNT) {
        const auto* w = static_cast<const D3DXFONT_DESCW*>(desc);
        std::memcpy(&narrow, w, 24);
        WideCharToMultiByte(CP_ACP, 0, w->FaceName, -1, narrow.FaceName, LF_FACESIZE, nullptr, nullptr);
        narrow.FaceName[LF_FACESIZE - 1] = 0;
        desc = &narrow;
        wide = false;
    }
    auto fill = [](auto& logFont, const auto& d) {
        logFont.lfHeight = d.Height;
        logFont.lfWidth = static_cast<LONG>(d.Width);
        logFont.lfWeight = static_cast<LONG>(d.Weight);
        logFont.lfItalic = static_cast<BYTE>(d.Italic);
        logFont.lfCharSet = d.CharSet;
        logFont.lfOutPrecision = d.OutputPrecision;
        logFont.lfQuality = d.Quality;
        logFont.lfPitchAndFamily = d.PitchAndFamily;
        std::memcpy(logFont.lfFaceName, d.FaceName, sizeof logFont.lfFaceName);
        // Default quality means antialiased glyphs: the cache keeps coverage, not bits.
        if ((logFont.lfQuality & 7) == 0) {
            logFont.lfQuality |= ANTIALIASED_QUALITY;
        }
    };
    if (wide) {
        LOGFONTW logFont{};
        fill(logFont, *static_cast<const D3DXFONT_DESCW*>(desc));
        m_gdiFont = CreateFontIndirectW(&logFont);
        m_mipLevels = static_cast<const D3DXFONT_DESCW*>(desc)->MipLevels;
    } else {
        LOGFONTA logFont{};
        fill(logFont, *static_cast<const D3DXFONT_DESCA*>(desc));
        m_gdiFont = CreateFontIndirectA(&logFont);
        m_mipLevels = static_cast<const D3DXFONT_DESCA*>(desc)->MipLevels;
    }
    if (m_gdiFont == nullptr) {
        return E_OUTOFMEMORY;
    }
    m_previousFont = SelectObject(m_dc, m_gdiFont);
    m_languageInfo = GetFontLanguageInfo(m_dc);

    if (process.isNT) {
        ::GetTextMetricsW(m_dc, &m_metrics);
    } else {
        TEXTMETRICA a{};
        ::GetTextMetricsA(m_dc, &a);
        std::memcpy(&m_metrics, &a, offsetof(TEXTMETRICA, tmFirstChar));
        m_metrics.tmFirstChar = a.tmFirstChar;
        m_metrics.tmLastChar = a.tmLastChar;
        m_metrics.tmDefaultChar = a.tmDefaultChar;
        m_metrics.tmBreakChar = a.tmBreakChar;
        m_metrics.tmItalic = a.tmItalic;
        m_metrics.tmUnderlined = a.tmUnderlined;
        m_metrics.tmStruckOut = a.tmStruckOut;
        m_metrics.tmPitchAndFamily = a.tmPitchAndFamily;
        m_metrics.tmCharSet = a.tmCharSet;
    }
    return S_OK;
}

// Step 6. The DIB is as wide as the widest glyph and as tall as the cell.
HRESULT TextureFont::createBitmap() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_metrics.tmMaxCharWidth;
    info.bmiHeader.biHeight = -m_metrics.tmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_bitmap == nullptr) {
        return E_OUTOFMEMORY;
    }
    m_bitmapWidth = m_metrics.tmMaxCharWidth;
    m_bitmapHeight = m_metrics.tmHeight;
    m_bitmapBits = static_cast<BYTE*>(bits);
    SetBkMode(m_dc, OPAQUE);
    SetBkColor(m_dc, RGB(0, 0, 0));
    SetTextColor(m_dc, RGB(255, 255, 255));
    m_previousBitmap = SelectObject(m_dc, m_bitmap);
    m_pagesUsed = 0;
    m_glyphPages.fill(nullptr);
    m_textureFormat = D3DFMT_A8R8G8B8;
    m_textures.clear();
    return S_OK;
}

// Steps 7 to 10.
HRESULT TextureFont::chooseCellSizes(const D3DXFONT_DESCW& sizes) {
    const TEXTMETRICW& tm = m_metrics;
    // 7. Cells: a small one holds an average glyph, a large one the widest.
    const UINT smallCell = cellFor(tm.tmHeight, tm.tmAveCharWidth);
    const UINT largeCell = cellFor(tm.tmHeight, tm.tmMaxCharWidth);
    UINT smallLevels = levelsOf(smallCell);
    UINT largeLevels = levelsOf(largeCell);
    if (sizes.MipLevels != 0) {
        smallLevels = std::min(smallLevels, sizes.MipLevels);
        largeLevels = std::min(largeLevels, sizes.MipLevels);
    }
    // 8. Textures: room for 16 small cells (fewer for a font with fewer characters), but the
    // doubling stops once the edge reaches 256.
    const UINT k = std::min<UINT>(16, std::max<INT>(INT{tm.tmLastChar} - INT{tm.tmFirstChar} + 1, 1));
    UINT smallTexture = smallCell;
    while (smallTexture < 256 && smallTexture * smallTexture < smallCell * smallCell * k) {
        smallTexture *= 2;
    }
    UINT largeTexture = std::max(largeCell, smallTexture);
    // 9. What the device can have.
    HRESULT hr = D3DXCheckTextureRequirements(m_device.get(), &smallTexture, &smallTexture, &smallLevels, 0,
                                              &m_textureFormat, D3DPOOL_MANAGED);
    if (FAILED(hr)) {
        return hr;
    }
    hr = D3DXCheckTextureRequirements(m_device.get(), &largeTexture, &largeTexture, &largeLevels, 0, &m_textureFormat,
                                      D3DPOOL_MANAGED);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_textureFormat != D3DFMT_A8R8G8B8) {
        DebugMessage(0, "Device does not support A8R8G8B8 textures");
        return D3DXERR_INVALIDDATA;
    }
    if (smallTexture < smallCell || largeTexture < largeCell) {
        DebugMessage(0, "Font exceeds maximum texture size");
        return D3DXERR_INVALIDDATA;
    }
    // 10. The pools, each starting "full" so that its first cell creates its first texture.
    m_smallPool = poolOf(smallCell, smallLevels, smallTexture);
    m_largePool = poolOf(largeCell, largeLevels, largeTexture);
    m_stripPool = m_smallPool;
    if (m_largePool.levels > 1 || m_smallPool.levels > 1) {
        try {
            m_mipScratch.resize(m_largePool.cellArea);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

// Step 11.
HRESULT TextureFont::findFontGlyphs() {
    const FontProcess& process = fontProcess();
    if (process.uniscribeAvailable) {
        m_fontProperties = SCRIPT_FONTPROPERTIES{};
        m_fontProperties.cBytes = sizeof(SCRIPT_FONTPROPERTIES);
        return process.scriptGetFontProperties(m_dc, &m_scriptCache, &m_fontProperties);
    }
    auto glyphOf = [&](WCHAR c) -> WORD {
        WCHAR glyph = 0;
        if (process.isNT) {
            GCP_RESULTSW results{};
            results.lStructSize = sizeof results;
            results.lpGlyphs = &glyph;
            results.nGlyphs = 1;
            GetCharacterPlacementW(m_dc, &c, 1, 0, &results, 0);
        } else {
            GCP_RESULTSA results{};
            results.lStructSize = sizeof results;
            results.lpGlyphs = &glyph;
            results.nGlyphs = 1;
            const CHAR narrow = static_cast<CHAR>(c);
            GetCharacterPlacementA(m_dc, &narrow, 1, 0, &results, 0);
        }
        return glyph;
    };
    m_fontProperties.wgDefault = glyphOf(m_metrics.tmDefaultChar);
    m_fontProperties.wgBlank = glyphOf(m_metrics.tmBreakChar);
    return S_OK;
}

TextureFont::~TextureFont() {
    m_device.reset();
    m_sprite.reset();
    if (m_dc != nullptr) {
        if (m_previousFont != nullptr) {
            SelectObject(m_dc, m_previousFont);
        }
        if (m_previousBitmap != nullptr) {
            SelectObject(m_dc, m_previousBitmap);
        }
    }
    if (m_gdiFont != nullptr) {
        DeleteObject(m_gdiFont);
    }
    if (m_bitmap != nullptr) {
        DeleteObject(m_bitmap);
    }
    std::free(m_unicodeRanges);
    if (m_dc != nullptr) {
        DeleteDC(m_dc);
    }
    for (UINT i = 0; i < m_pagesUsed; ++i) {
        delete m_glyphPages[i];
    }
    m_textures.clear();
    if (m_scriptCache != nullptr && fontProcess().scriptFreeCache != nullptr) {
        fontProcess().scriptFreeCache(&m_scriptCache);
    }
    freeStringCache();
}

}  // namespace gfxutil::core
