// GDI stand-in benchmarks: what the font cache asks of GDI when a font is created and its first
// glyphs are cached.
//   BM_Gdi_CreateFontAndRender95   CreateFontIndirectW of the help font, a memory DC with its
//                                  tmMaxCharWidth x tmHeight DIB section, then for each of the 95
//                                  printable ASCII glyphs ExtTextOutW at the origin and
//                                  GetCharABCWidthsI, as the font cache does; then everything
//                                  deleted. Faces, fontconfig answers and rendered glyphs are kept
//                                  for the process, so this is the steady cost of a font made again.
//                                  The counter cold_ms is the first such round in the process
//                                  (fontconfig start-up, opening the face, rendering every glyph).
//   BM_Gdi_RenderCachedGlyph       one ExtTextOutW of a glyph already rendered: clear and blend.
// Goal: font creation plus 95 glyphs within 5 ms.
#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/gdi/gdi.h"

namespace {

LOGFONTW helpFont() {
    LOGFONTW lf{};
    lf.lfHeight = 18;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    const char16_t face[] = u"Arial";
    std::copy(face, face + 6, lf.lfFaceName);
    return lf;
}

// One round of what the font cache does; returns a checksum so the work cannot be dropped.
unsigned createFontAndRender95() {
    const LOGFONTW request = helpFont();
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&request);
    HGDIOBJ oldFont = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), tm.tmMaxCharWidth, -tm.tmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, 0);
    SetTextColor(dc, 0xFFFFFF);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    unsigned checksum = 0;
    for (WCHAR c = 0x20; c < 0x7F; ++c) {
        WORD glyph = 0;
        GCP_RESULTSW r{};
        r.lStructSize = sizeof r;
        r.lpGlyphs = reinterpret_cast<LPWSTR>(&glyph);
        r.nGlyphs = 1;
        GetCharacterPlacementW(dc, &c, 1, 0, &r, 0);
        ExtTextOutW(dc, 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, reinterpret_cast<LPCWSTR>(&glyph), 1, nullptr);
        ABC abc{};
        GetCharABCWidthsI(dc, 0, 1, &glyph, &abc);
        checksum += static_cast<unsigned>(abc.abcA) + abc.abcB + static_cast<const unsigned char*>(bits)[1];
    }
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(dc);
    return checksum;
}

double coldMilliseconds() {
    static const double cold = [] {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(createFontAndRender95());
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }();
    return cold;
}

void BM_Gdi_CreateFontAndRender95(benchmark::State& state) {
    const double cold = coldMilliseconds();
    for (auto _ : state) {
        benchmark::DoNotOptimize(createFontAndRender95());
    }
    state.counters["cold_ms"] = cold;
}
BENCHMARK(BM_Gdi_CreateFontAndRender95)->Unit(benchmark::kMicrosecond);

void BM_Gdi_RenderCachedGlyph(benchmark::State& state) {
    coldMilliseconds();
    const LOGFONTW request = helpFont();
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&request);
    HGDIOBJ oldFont = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), tm.tmMaxCharWidth, -tm.tmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const WORD glyph = 36;  // a capital letter in Liberation Sans
    for (auto _ : state) {
        ExtTextOutW(dc, 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, reinterpret_cast<LPCWSTR>(&glyph), 1, nullptr);
        benchmark::DoNotOptimize(static_cast<const unsigned char*>(bits)[1]);
    }
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(dc);
}
BENCHMARK(BM_Gdi_RenderCachedGlyph);

}  // namespace

BENCHMARK_MAIN();
