// Device contexts, objects and DIB sections: defaults, selection and deletion rules, refusals.
#include <functional>

#include "gdi_test_support.h"
#include "platform/kernel/modules.h"

namespace {

using gdi_test::helpFont;
using gdi_test::TextDc;

BITMAPINFO dibInfo(LONG width, LONG height, WORD bits = 32) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

TEST(Dc, SettersReturnThePreviousValue) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetTextAlign(dc, TA_UPDATECP), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    EXPECT_EQ(SetTextAlign(dc, TA_BASELINE), TA_UPDATECP);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkColor(dc, 0), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(dc, RGB(9, 9, 9)), RGB(0, 0, 0));
    POINT previous{-1, -1};
    EXPECT_TRUE(MoveToEx(dc, 5, 6, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_TRUE(MoveToEx(dc, 0, 0, &previous));
    EXPECT_EQ(previous.x, 5);
    EXPECT_EQ(previous.y, 6);
    EXPECT_TRUE(DeleteDC(dc));
}

// Every call on something that is not one of our DCs fails with GDI's failure value, notes the
// refusal, and changes nothing.
TEST(Dc, MisuseTable) {
    HDC dc = CreateCompatibleDC(nullptr);
    HDC bogus = reinterpret_cast<HDC>(&dc);
    struct Case {
        const char* name;
        std::function<bool()> failed;
    };
    const Case kCases[] = {
        {"SetMapMode unknown mode", [&] { return SetMapMode(dc, 8) == 0; }},
        {"SetMapMode bad dc", [&] { return SetMapMode(bogus, MM_TEXT) == 0; }},
        {"SetTextAlign unknown bits", [&] { return SetTextAlign(dc, 0x100) == GDI_ERROR; }},
        {"SetBkMode unknown mode", [&] { return SetBkMode(dc, 3) == 0; }},
        {"SetBkColor bad dc", [&] { return SetBkColor(bogus, 0) == CLR_INVALID; }},
        {"SetTextColor bad dc", [&] { return SetTextColor(nullptr, 0) == CLR_INVALID; }},
        {"MoveToEx bad dc", [&] { return MoveToEx(bogus, 1, 1, nullptr) == FALSE; }},
        {"ExtTextOutW null text", [&] { return ExtTextOutW(dc, 0, 0, 0, nullptr, nullptr, 3, nullptr) == FALSE; }},
        {"ExtTextOutA bad dc", [&] { return ExtTextOutA(bogus, 0, 0, 0, nullptr, "a", 1, nullptr) == FALSE; }},
        {"GetFontLanguageInfo bad dc", [&] { return GetFontLanguageInfo(bogus) == GCP_ERROR; }},
        {"SelectObject foreign object", [&] { return SelectObject(dc, bogus) == nullptr; }},
        {"DeleteObject foreign object", [&] { return DeleteObject(bogus) == FALSE; }},
        {"DeleteObject a dc", [&] { return DeleteObject(dc) == FALSE; }},
        {"DeleteDC bad dc", [&] { return DeleteDC(bogus) == FALSE; }},
        {"CreateCompatibleDC of a dc", [&] { return CreateCompatibleDC(dc) == nullptr; }},
        {"GetObjectW not a font", [&] { return GetObjectW(dc, 0, nullptr) == 0; }},
        {"GetTextMetricsW bad dc", [&] {
             TEXTMETRICW tm{};
             return GetTextMetricsW(bogus, &tm) == FALSE;
         }},
    };
    gdi_test::TraceCapture trace;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::size_t before = trace.notes().size();
        EXPECT_TRUE(c.failed());
        ASSERT_EQ(trace.notes().size(), before + 1);
        EXPECT_EQ(trace.notes().back().rfind("gdi: ", 0), 0u) << trace.notes().back();
    }
    // Nothing changed.
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetTextAlign(dc, 0), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), OPAQUE);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Dc, SelectedObjectsCannotBeDeletedUntilReleased) {
    HDC dc = CreateCompatibleDC(nullptr);
    const LOGFONTW request = helpFont();
    HFONT font = CreateFontIndirectW(&request);
    const BITMAPINFO info = dibInfo(4, -4);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    HGDIOBJ defaultFont = SelectObject(dc, font);
    HGDIOBJ defaultBitmap = SelectObject(dc, bitmap);
    ASSERT_NE(defaultFont, nullptr);
    ASSERT_NE(defaultBitmap, nullptr);
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(bitmap));
    // A bitmap lives in one DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    EXPECT_TRUE(DeleteDC(other));

    EXPECT_EQ(SelectObject(dc, defaultFont), font);
    EXPECT_EQ(SelectObject(dc, defaultBitmap), bitmap);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(font)) << "a deleted handle is no longer ours";
    EXPECT_TRUE(DeleteObject(defaultFont)) << "stock objects are never deleted";
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Dc, DeletingTheDcReleasesItsSelections) {
    HDC dc = CreateCompatibleDC(nullptr);
    const BITMAPINFO info = dibInfo(2, -2);
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    SelectObject(dc, bitmap);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(DibSection, TopDownAndBottomUpRows) {
    struct Case {
        const char* name;
        LONG height;
        int firstRowInMemory;
    };
    constexpr Case kCases[] = {{"top-down", -3, 0}, {"bottom-up", 3, 2}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HDC dc = CreateCompatibleDC(nullptr);
        const BITMAPINFO info = dibInfo(4, c.height);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        auto* pixels = static_cast<std::uint8_t*>(bits);
        for (int i = 0; i < 4 * 3 * 4; ++i) {
            EXPECT_EQ(pixels[i], 0) << "pixels start black";
        }
        SelectObject(dc, bitmap);
        SetBkColor(dc, RGB(7, 8, 9));
        const RECT topRow{0, 0, 4, 1};
        const WCHAR none = 0;
        ASSERT_TRUE(ExtTextOutW(dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &topRow, &none, 0, nullptr));
        const std::uint8_t* row = pixels + c.firstRowInMemory * 16;
        EXPECT_EQ(row[0], 9);
        EXPECT_EQ(row[1], 8);
        EXPECT_EQ(row[2], 7);
        EXPECT_EQ(row[3], 0);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
}

TEST(DibSection, RefusesWhatItDoesNotMake) {
    struct Case {
        const char* name;
        BITMAPINFO info;
    };
    BITMAPINFO shortHeader = dibInfo(4, -4);
    shortHeader.bmiHeader.biSize = 12;
    const Case kCases[] = {
        {"24 bits", dibInfo(4, -4, 24)}, {"zero width", dibInfo(0, -4)},        {"zero height", dibInfo(4, 0)},
        {"huge", dibInfo(100000, -100000)}, {"short header", shortHeader},
    };
    gdi_test::TraceCapture trace;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, &c.info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
        EXPECT_EQ(bits, nullptr);
    }
    EXPECT_EQ(trace.notes().size(), std::size(kCases));
}

TEST(Gdi32Module, GlyphFunctionsAreFoundAtRunTime) {
    HMODULE gdi = GetModuleHandleA("gdi32.dll");
    ASSERT_NE(gdi, nullptr);
    EXPECT_EQ(reinterpret_cast<decltype(&GetCharABCWidthsI)>(GetProcAddress(gdi, "GetCharABCWidthsI")),
              &GetCharABCWidthsI);
    EXPECT_EQ(reinterpret_cast<decltype(&GetCharWidthI)>(GetProcAddress(gdi, "GetCharWidthI")), &GetCharWidthI);
    EXPECT_EQ(reinterpret_cast<decltype(&GetFontUnicodeRanges)>(GetProcAddress(gdi, "GetFontUnicodeRanges")),
              &GetFontUnicodeRanges);
}

}  // namespace
