// The demo's eight help lines drawn as the demo draws them (DrawTextA, multibyte text of the ANSI
// code page, count -1, a rectangle at (5, y), DT_NOCLIP, 0xFFFFDC00, the font's own sprite) on a
// black back buffer. Latin words come from the Arial twin's glyphs, Hangul words from cached
// strips of the fallback font. Depends on Debian 12's FreeType, HarfBuzz and fonts.
#include <gtest/gtest.h>

#include <string>

#include "platform/kernel/code_pages.h"
#include "tests/gfxutil/core/font_test_support.h"
#include "tests/support/golden_image.h"

namespace font_test {
namespace {

class HelpTextGolden : public testing::Test {
protected:
    HelpTextGolden() : m_device(400, 180) { gfxutil::core::resetFontProcessForTesting(); }
    ~HelpTextGolden() override { gfxutil::core::resetFontProcessForTesting(); }
    MessageCapture m_messages;
    HeadlessDevice m_device;
};

TEST_F(HelpTextGolden, TheEightHelpLines) {
    const std::pair<LONG, std::u16string> lines[] = {
        {5, u"\u25B7 적용식; Verlet Intergrator (객체 간의 충돌은 무시)"},
        {25, u"  가변 조건; 무게 m = 5~10, 초기힘 F = ( 10.f, -30 ~ -35.0f, 0.0f )"},
        {45, u"  동일 조건; 스프링상수 ks = 30.0f, 감쇠상수 kd = 5.0f"},
        {70, u"\u25B7 Euler's Method에 비해 안정성이 있지만 "},
        {90, u"   비교적 큰 탄성으로 폭발하는 객체도 보인다.  "},
        {110, u"   진동이 폭발로 이어지지 않도록 주의!!  "},
        {135, u"\u25B7 수정일; 2004. 08. 30"},
        {155, u"   Restart = 마우스 왼쪽 버튼 클릭  "},
    };
    ComPtr<ID3DXFont> font = createHelpFont(m_device.get());
    ASSERT_TRUE(font);
    IDirect3DDevice9* device = m_device.get();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    for (const auto& [y, text] : lines) {
        std::string narrow(text.size() * 2 + 1, '\0');
        const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                                          static_cast<int>(narrow.size()), nullptr, nullptr);
        ASSERT_GT(n, 0);
        narrow.resize(static_cast<size_t>(n));
        RECT rect{5, y, 0, 0};
        EXPECT_EQ(font->DrawTextA(nullptr, narrow.c_str(), -1, &rect, DT_NOCLIP, 0xFFFFDC00),
                  textureFont(font.get())->metrics().tmHeight);
    }
    device->EndScene();
    testsupport::Image image;
    image.width = static_cast<int>(m_device.width());
    image.height = static_cast<int>(m_device.height());
    image.pixels = m_device.readBackBuffer();
    EXPECT_TRUE(testsupport::matchesGolden(image, "tests/gfxutil/core/golden/font_help_lines.png"));
}

}  // namespace
}  // namespace font_test
