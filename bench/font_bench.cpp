// Font benchmarks:
//   BM_Font_CreateHelpFontCacheAscii  create the demo's help font (18, 0, 700, 0, FALSE,
//                                     DEFAULT_CHARSET, 0, 0, 0, "Arial") and cache the printable
//                                     ASCII range, then release it. Goal <= 5 ms on one thread.
//   BM_Font_HelpLinesLayout           the demo's eight help lines per frame with a warm cache, as
//                                     the demo draws them (DrawTextA, count -1, DT_NOCLIP), into a
//                                     sprite that only counts its quads: conversion, shaping,
//                                     layout and quad emission, everything but rasterisation.
//                                     Goal <= 30 us per frame.
//   BM_Font_HelpLinesDraw             the same through the font's own sprite onto the device
//                                     (rasterisation included), for scale.
// The program links the script layer, so the font shapes as the demo does. Run with
// --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true and read the medians.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "gfxutil/core/font.h"
#include "gfxutil/core/texture_font.h"
#include "platform/kernel/code_pages.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace {

LRESULT windowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

IDirect3DDevice9* device() {
    static IDirect3DDevice9* d = [] {
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.lpszClassName = "font_bench";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, "font_bench", "font", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                      nullptr, nullptr);
        IDirect3D9* root = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS params{};
        params.Windowed = TRUE;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.BackBufferWidth = 800;
        params.BackBufferHeight = 600;
        IDirect3DDevice9* created = nullptr;
        root->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &created);
        root->Release();
        return created;
    }();
    return d;
}

ComPtr<ID3DXFont> createHelpFont() {
    ComPtr<ID3DXFont> font;
    D3DXCreateFontA(device(), 18, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", font.put());
    return font;
}

// The eight help lines and their y, as multibyte text of the system code page.
struct HelpLine {
    LONG y;
    std::string text;
};

const std::vector<HelpLine>& helpLines() {
    static const std::vector<HelpLine> lines = [] {
        const std::pair<LONG, std::u16string> wide[] = {
            {5, u"\u25B7 적용식; Verlet Intergrator (객체 간의 충돌은 무시)"},
            {25, u"  가변 조건; 무게 m = 5~10, 초기힘 F = ( 10.f, -30 ~ -35.0f, 0.0f )"},
            {45, u"  동일 조건; 스프링상수 ks = 30.0f, 감쇠상수 kd = 5.0f"},
            {70, u"\u25B7 Euler's Method에 비해 안정성이 있지만 "},
            {90, u"   비교적 큰 탄성으로 폭발하는 객체도 보인다.  "},
            {110, u"   진동이 폭발로 이어지지 않도록 주의!!  "},
            {135, u"\u25B7 수정일; 2004. 08. 30"},
            {155, u"   Restart = 마우스 왼쪽 버튼 클릭  "},
        };
        std::vector<HelpLine> out;
        for (const auto& [y, text] : wide) {
            std::string narrow(text.size() * 2 + 1, '\0');
            const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                                              static_cast<int>(narrow.size()), nullptr, nullptr);
            narrow.resize(static_cast<size_t>(n > 0 ? n : 0));
            out.push_back({y, narrow});
        }
        return out;
    }();
    return lines;
}

// A caller sprite that only counts the quads it is given.
class CountingSprite final : public ComObject<CountingSprite, ID3DXSprite> {
public:
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    HRESULT GetTransform(D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetTransform(const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetWorldViewRH(const D3DXMATRIX*, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetWorldViewLH(const D3DXMATRIX*, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT Begin(DWORD) override { return S_OK; }
    HRESULT Draw(IDirect3DTexture9*, const RECT*, const D3DXVECTOR3*, const D3DXVECTOR3*, D3DCOLOR) override {
        ++quads;
        return S_OK;
    }
    HRESULT Flush() override { return S_OK; }
    HRESULT End() override { return S_OK; }
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }
    long long quads = 0;
};

void drawHelpLines(ID3DXFont* font, ID3DXSprite* sprite) {
    for (const HelpLine& line : helpLines()) {
        RECT rect{5, line.y, 0, 0};
        benchmark::DoNotOptimize(font->DrawTextA(sprite, line.text.c_str(), -1, &rect, DT_NOCLIP, 0xFFFFDC00));
    }
}

void BM_Font_CreateHelpFontCacheAscii(benchmark::State& state) {
    for (auto _ : state) {
        ComPtr<ID3DXFont> font = createHelpFont();
        benchmark::DoNotOptimize(font->PreloadCharacters(0x20, 0x7E));
    }
    // What one iteration leaves in the cache.
    ComPtr<ID3DXFont> font = createHelpFont();
    font->PreloadCharacters(0x20, 0x7E);
    auto* cache = static_cast<gfxutil::core::TextureFont*>(font.get());
    state.counters["textures"] = cache->textureCount();
    state.counters["small_cells"] = static_cast<double>(cache->smallPool().used / cache->smallPool().cellArea +
                                                        (cache->textureCount() - 1) * 16);
}
BENCHMARK(BM_Font_CreateHelpFontCacheAscii)->Unit(benchmark::kMillisecond);

void BM_Font_HelpLinesLayout(benchmark::State& state) {
    ComPtr<ID3DXFont> font = createHelpFont();
    auto* sprite = new CountingSprite;
    drawHelpLines(font.get(), sprite);  // warm the cache
    sprite->quads = 0;
    for (auto _ : state) {
        drawHelpLines(font.get(), sprite);
    }
    state.counters["quads_per_frame"] =
        benchmark::Counter(static_cast<double>(sprite->quads) / static_cast<double>(state.iterations()));
    sprite->Release();
}
BENCHMARK(BM_Font_HelpLinesLayout)->Unit(benchmark::kMicrosecond);

void BM_Font_HelpLinesDraw(benchmark::State& state) {
    ComPtr<ID3DXFont> font = createHelpFont();
    device()->BeginScene();
    drawHelpLines(font.get(), nullptr);
    for (auto _ : state) {
        drawHelpLines(font.get(), nullptr);
    }
    device()->EndScene();
}
BENCHMARK(BM_Font_HelpLinesDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
