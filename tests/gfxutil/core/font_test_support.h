// Helpers of the font's tests: a software device on a headless window, capture of the library's
// diagnostic lines, a fresh process-wide font set-up per test, and reading cache textures back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfxutil/core/font.h"
#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"
#include "tests/platform/kernel/kernel_test_support.h"
#include "tests/support/headless_device.h"
#include "tests/support/library_messages.h"

namespace font_test {

using MessageCapture = testsupport::LibraryMessages;

// A software device for a headless window, 128 x 64 by default, without a depth buffer.
class HeadlessDevice : public testsupport::HeadlessDevice {
public:
    explicit HeadlessDevice(UINT width = 128, UINT height = 64)
        : testsupport::HeadlessDevice(width, height, testsupport::DepthBuffer::None) {}
};

ULONG refCount(IUnknown* object);

// The object behind the interface.
inline gfxutil::core::TextureFont* textureFont(ID3DXFont* font) { return static_cast<gfxutil::core::TextureFont*>(font); }

// One level of a cache texture: width x width texels, 0xAARRGGBB.
std::vector<uint32_t> readLevel(IDirect3DTexture9* texture, UINT level, UINT* width);

// The help font of the demo: 18, 0, 700, MipLevels 0, not italic, DEFAULT_CHARSET, 0, 0, 0, "Arial".
ComPtr<ID3DXFont> createHelpFont(IDirect3DDevice9* device, UINT mipLevels = 0, DWORD quality = 0);

// Glyph indices of characters, through GDI on the font's own DC.
std::vector<WORD> glyphsOf(ID3DXFont* font, const std::u16string& text);

// Every record of the glyph table that has been rendered (visible or not).
UINT renderedRecords(ID3DXFont* font);

// A caller sprite that records the quads it is given (and draws nothing).
struct RecordedQuad {
    IDirect3DTexture9* texture;
    RECT source;
    D3DXVECTOR3 centre;
    D3DXVECTOR3 position;
    D3DCOLOR color;
    // The quad's corner on screen and its size.
    float left() const { return position.x - centre.x; }
    float top() const { return position.y - centre.y; }
    LONG width() const { return source.right - source.left; }
    LONG height() const { return source.bottom - source.top; }
};

class RecordingSprite final : public ComObject<RecordingSprite, ID3DXSprite> {
public:
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    HRESULT GetTransform(D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetTransform(const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetWorldViewRH(const D3DXMATRIX*, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetWorldViewLH(const D3DXMATRIX*, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT Begin(DWORD) override { return S_OK; }
    HRESULT Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR3* centre,
                 const D3DXVECTOR3* position, D3DCOLOR color) override {
        quads.push_back({texture, *source, *centre, *position, color});
        return failDraws ? E_FAIL : S_OK;
    }
    HRESULT Flush() override { return S_OK; }
    HRESULT End() override { return S_OK; }
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

    std::vector<RecordedQuad> quads;
    bool failDraws = false;
};

// A fresh device, captured messages and a process-wide font set-up that is looked up again.
class FontTest : public testing::Test {
protected:
    FontTest() { gfxutil::core::resetFontProcessForTesting(); }
    ~FontTest() override { gfxutil::core::resetFontProcessForTesting(); }
    IDirect3DDevice9* device() const { return m_device.get(); }

    MessageCapture m_messages;
    HeadlessDevice m_device;
};

}  // namespace font_test
