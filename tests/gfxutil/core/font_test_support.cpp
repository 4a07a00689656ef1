#include "tests/gfxutil/core/font_test_support.h"

#include <cstring>

#include "platform/d3d9/controls.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace font_test {

namespace {
LRESULT plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HeadlessDevice::HeadlessDevice(UINT width, UINT height) : m_width(width), m_height(height) {
    platform::win32::resetWindowSystem();
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    platform::win32::setInputSchedule({});
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = "FontTestClass";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "FontTestClass", "font test", WS_OVERLAPPEDWINDOW, 0, 0,
                                  static_cast<int>(width) + 64, static_cast<int>(height) + 64, nullptr, nullptr,
                                  nullptr, nullptr);
    m_d3d = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    if (!m_d3d || window == nullptr) {
        ADD_FAILURE() << "no Direct3D root object or window";
        return;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    const HRESULT hr = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, m_device.put());
    if (FAILED(hr)) {
        ADD_FAILURE() << "CreateDevice failed: 0x" << std::hex << hr;
        return;
    }
    platform::d3d9::setCallLogging(m_device.get(), true);
}

HeadlessDevice::~HeadlessDevice() {
    m_device.reset();
    m_d3d.reset();
    platform::win32::resetWindowSystem();
}

std::vector<std::string> HeadlessDevice::takeCalls() { return platform::d3d9::takeCallLog(m_device.get()); }

std::vector<uint32_t> HeadlessDevice::readBackBuffer() {
    std::vector<uint32_t> pixels;
    ComPtr<IDirect3DSurface9> target;
    ComPtr<IDirect3DSurface9> copy;
    D3DSURFACE_DESC desc{};
    if (FAILED(m_device->GetRenderTarget(0, target.put())) || FAILED(target->GetDesc(&desc)) ||
        FAILED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                     copy.put(), nullptr)) ||
        FAILED(m_device->GetRenderTargetData(target.get(), copy.get()))) {
        ADD_FAILURE() << "cannot read the render target back";
        return pixels;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        ADD_FAILURE() << "cannot lock the copy";
        return pixels;
    }
    pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        std::memcpy(pixels.data() + static_cast<size_t>(y) * desc.Width,
                    static_cast<const std::byte*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    desc.Width * sizeof(uint32_t));
    }
    copy->UnlockRect();
    for (uint32_t& p : pixels) {
        p &= 0x00FFFFFFu;
    }
    return pixels;
}

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
