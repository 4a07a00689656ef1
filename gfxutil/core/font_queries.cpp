// The font's non-drawing operations: its device, its descriptor as GDI reports it, its metrics,
// and the device-loss notifications of its internal sprite.
#include <cstring>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"
#include "platform/kernel/code_pages.h"

namespace gfxutil::core {
namespace {

template <class Desc, class LogFont>
void fillDesc(Desc& desc, const LogFont& logFont, UINT mipLevels) {
    desc.Height = logFont.lfHeight;
    desc.Width = static_cast<UINT>(logFont.lfWidth);
    desc.Weight = static_cast<UINT>(logFont.lfWeight);
    desc.MipLevels = mipLevels;
    desc.Italic = logFont.lfItalic;
    desc.CharSet = logFont.lfCharSet;
    desc.OutputPrecision = logFont.lfOutPrecision;
    desc.Quality = logFont.lfQuality;
    desc.PitchAndFamily = logFont.lfPitchAndFamily;
}

}  // namespace

HRESULT TextureFont::GetDevice(IDirect3DDevice9** ppDevice) {
    if (ppDevice == nullptr) {
        DebugMessage(0, "ppDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    *ppDevice = ComPtr<IDirect3DDevice9>(m_device).detach();
    return S_OK;
}

HRESULT TextureFont::GetDescA(D3DXFONT_DESCA* pDesc) {
    if (pDesc == nullptr) {
        DebugMessage(0, "pDesc pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    LOGFONTA logFont{};
    if (GetObjectA(m_gdiFont, sizeof logFont, &logFont) == 0) {
        DebugMessage(0, "hFont handle is invalid");
        return D3DERR_INVALIDCALL;
    }
    fillDesc(*pDesc, logFont, m_mipLevels);
    std::memcpy(pDesc->FaceName, logFont.lfFaceName, sizeof pDesc->FaceName);
    return S_OK;
}

HRESULT TextureFont::GetDescW(D3DXFONT_DESCW* pDesc) {
    if (pDesc == nullptr) {
        DebugMessage(0, "pDesc pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (fontProcess().isNT) {
        LOGFONTW logFont{};
        if (GetObjectW(m_gdiFont, sizeof logFont, &logFont) == 0) {
            DebugMessage(0, "hFont handle is invalid");
            return D3DERR_INVALIDCALL;
        }
        fillDesc(*pDesc, logFont, m_mipLevels);
        std::memcpy(pDesc->FaceName, logFont.lfFaceName, sizeof pDesc->FaceName);
        return S_OK;
    }
    LOGFONTA logFont{};
    if (GetObjectA(m_gdiFont, sizeof logFont, &logFont) == 0) {
        DebugMessage(0, "hFont handle is invalid");
        return D3DERR_INVALIDCALL;
    }
    fillDesc(*pDesc, logFont, m_mipLevels);
    std::memset(pDesc->FaceName, 0, sizeof pDesc->FaceName);
    MultiByteToWideChar(CP_ACP, 0, logFont.lfFaceName, -1, pDesc->FaceName, LF_FACESIZE);
    pDesc->FaceName[LF_FACESIZE - 1] = 0;
    return S_OK;
}

HRESULT TextureFont::OnLostDevice() { return m_sprite ? m_sprite->OnLostDevice() : S_OK; }

HRESULT TextureFont::OnResetDevice() { return m_sprite ? m_sprite->OnResetDevice() : S_OK; }

// Metrics come from GDI on each call, as the DC has them; GetTextMetricsW answers from the copy
// taken at creation, which is what the layout uses.
BOOL TextureFont::GetTextMetricsA(TEXTMETRICA* pTextMetrics) {
    if (pTextMetrics == nullptr) {
        DebugMessage(0, "pTextMetrics pointer is invalid");
        return FALSE;
    }
    return ::GetTextMetricsA(m_dc, pTextMetrics);
}

BOOL TextureFont::GetTextMetricsW(TEXTMETRICW* pTextMetrics) {
    if (pTextMetrics == nullptr) {
        DebugMessage(0, "pTextMetrics pointer is invalid");
        return FALSE;
    }
    *pTextMetrics = m_metrics;
    return TRUE;
}

}  // namespace gfxutil::core
