// The fixture of the sprite's tests: the device tests' headless device (64 x 64 unless a test
// recreates it), a sprite on it, the device's call log switched on, and the library's diagnostic
// lines captured from a fresh process's diagnostic state.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfxutil/core/sprite_batch.h"
#include "tests/platform/d3d9/device_fixture.h"
#include "tests/platform/kernel/kernel_test_support.h"
#include "tests/support/library_messages.h"

namespace sprite_test {

using MessageCapture = testsupport::LibraryMessages;

class SpriteTest : public d3d9_test::DeviceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new device (and a new sprite on it) with these behaviour flags and this back buffer.
    void recreateWith(DWORD behavior, UINT width = 64, UINT height = 64);
    gfxutil::core::SpriteBatch* batch() const { return static_cast<gfxutil::core::SpriteBatch*>(m_sprite.get()); }
    // The device's calls since the last take.
    std::vector<std::string> calls();
    // An A8R8G8B8 managed texture of one colour, or of 2 x 2 texel checks of two colours.
    ComPtr<IDirect3DTexture9> texture(UINT width, UINT height, D3DCOLOR a, D3DCOLOR b);
    // The vertices of the sprite's vertex buffer from `firstVertex` on (the buffer bound to stream 0).
    std::vector<gfxutil::core::SpriteVertex> ringVertices(UINT firstVertex, UINT count);

    MessageCapture m_messages;
    ComPtr<ID3DXSprite> m_sprite;
};

// Calls of a log that match `prefix`.
std::vector<std::string> matching(const std::vector<std::string>& log, const std::string& prefix);

}  // namespace sprite_test
