// The cache texture of the demo's help font after the printable ASCII range, as pictures: the
// first texture's level 0 and its levels 1 and 2 side by side, coverage (alpha) as grey.
// They depend on Debian 12's FreeType and fonts, so they are kept apart from the other goldens.
#include <gtest/gtest.h>

#include "tests/gfxutil/core/font_test_support.h"
#include "tests/support/golden_image.h"

namespace font_test {
namespace {

TEST_F(FontTest, HelpFontCacheTextureAndTwoMipLevels) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    ASSERT_EQ(font->PreloadCharacters(0x20, 0x7E), S_OK);
    IDirect3DTexture9* texture = textureFont(font.get())->texture(0);
    ASSERT_NE(texture, nullptr);
    ASSERT_GE(texture->GetLevelCount(), 3u);
    UINT edge0 = 0;
    readLevel(texture, 0, &edge0);
    testsupport::Image image;
    image.width = static_cast<int>(edge0 + edge0 / 2 + edge0 / 4);
    image.height = static_cast<int>(edge0);
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0x00404040u);  // grey: outside levels
    int x0 = 0;
    for (UINT level = 0; level < 3; ++level) {
        UINT edge = 0;
        const std::vector<uint32_t> texels = readLevel(texture, level, &edge);
        for (UINT y = 0; y < edge; ++y) {
            for (UINT x = 0; x < edge; ++x) {
                const uint32_t a = texels[y * edge + x] >> 24;
                image.pixels[y * image.width + x0 + x] = a * 0x010101u;
            }
        }
        x0 += static_cast<int>(edge);
    }
    EXPECT_TRUE(testsupport::matchesGolden(image, "tests/gfxutil/core/golden/font_help_cache_texture.png"));
}

}  // namespace
}  // namespace font_test
