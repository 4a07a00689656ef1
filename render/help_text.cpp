// The eight lines of help text in the top-left corner of every frame: what the demonstration
// integrates, its constants, a caution, the date of the last revision and how to restart.
//
// The texts are kept as the program always kept them, multibyte text in code page 949 (the
// unified Hangul code; the sign at the start of lines 1, 4 and 7 is its character 0xA2B9,
// U+25B7). DrawTextA widens them with the system's ANSI code page, so they read correctly where
// that code page is 949, which is the window layer's default (WIN32_CODEPAGE names another). Each
// line is written in the original Korean in the comment above its bytes.
#include "render/help_text.h"

#include "app/app_context.h"
#include "gfxutil/core/font.h"

namespace {

// The gaps between the tops, 20, 20, 25, 20, 20, 25 and 20 pixels, group the lines as 1-3, 4-6
// and 7-8.
constexpr HelpLine kHelpLines[kHelpLineCount] = {
    // ▷ 적용식; Verlet Intergrator (객체 간의 충돌은 무시)
    {5, "\xA2\xB9 \xC0\xFB\xBF\xEB\xBD\xC4; Verlet Intergrator (\xB0\xB4\xC3\xBC \xB0\xA3\xC0\xC7 \xC3\xE6\xB5\xB9\xC0\xBA \xB9\xAB\xBD\xC3)"},
    //   가변 조건; 무게 m = 5~10, 초기힘 F = ( 10.f, -30 ~ -35.0f, 0.0f )
    {25, "  \xB0\xA1\xBA\xAF \xC1\xB6\xB0\xC7; \xB9\xAB\xB0\xD4 m = 5~10, \xC3\xCA\xB1\xE2\xC8\xFB F = ( 10.f, -30 ~ -35.0f, 0.0f )"},
    //   동일 조건; 스프링상수 ks = 30.0f, 감쇠상수 kd = 5.0f
    {45, "  \xB5\xBF\xC0\xCF \xC1\xB6\xB0\xC7; \xBD\xBA\xC7\xC1\xB8\xB5\xBB\xF3\xBC\xF6 ks = 30.0f, \xB0\xA8\xBC\xE8\xBB\xF3\xBC\xF6 kd = 5.0f"},
    // ▷ Euler's Method에 비해 안정성이 있지만
    {70, "\xA2\xB9 Euler's Method\xBF\xA1 \xBA\xF1\xC7\xD8 \xBE\xC8\xC1\xA4\xBC\xBA\xC0\xCC \xC0\xD6\xC1\xF6\xB8\xB8 "},
    //    비교적 큰 탄성으로 폭발하는 객체도 보인다.
    {90, "   \xBA\xF1\xB1\xB3\xC0\xFB \xC5\xAB \xC5\xBA\xBC\xBA\xC0\xB8\xB7\xCE \xC6\xF8\xB9\xDF\xC7\xCF\xB4\xC2 \xB0\xB4\xC3\xBC\xB5\xB5 \xBA\xB8\xC0\xCE\xB4\xD9.  "},
    //    진동이 폭발로 이어지지 않도록 주의!!
    {110, "   \xC1\xF8\xB5\xBF\xC0\xCC \xC6\xF8\xB9\xDF\xB7\xCE \xC0\xCC\xBE\xEE\xC1\xF6\xC1\xF6 \xBE\xCA\xB5\xB5\xB7\xCF \xC1\xD6\xC0\xC7!!  "},
    // ▷ 수정일; 2004. 08. 30
    {135, "\xA2\xB9 \xBC\xF6\xC1\xA4\xC0\xCF; 2004. 08. 30"},
    //    Restart = 마우스 왼쪽 버튼 클릭
    {155, "   Restart = \xB8\xB6\xBF\xEC\xBD\xBA \xBF\xDE\xC2\xCA \xB9\xF6\xC6\xB0 \xC5\xAC\xB8\xAF  "},
};

constexpr LONG kHelpLeft = 5;
constexpr D3DCOLOR kHelpColour = 0xFFFFDC00;  // opaque; red 255, green 220, blue 0

}  // namespace

const HelpLine* helpLines() { return kHelpLines; }

void drawHelpText() {
    for (const HelpLine& line : kHelpLines) {
        // Right and bottom 0 with DT_NOCLIP: the text starts at (5, top) and is neither wrapped nor
        // clipped, left- and top-aligned, one line each.
        RECT rect{kHelpLeft, line.top, 0, 0};
        helpFont->DrawTextA(nullptr, line.text, -1, &rect, DT_NOCLIP, kHelpColour);
    }
}
