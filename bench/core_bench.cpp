// The sprite batcher, in the shape of the help text: 300 screen-space 12 x 18-pixel sprites from
// one 128 x 128 texture per Begin ... End, alpha-blended, sorted by texture, on an 800 x 600
// headless device.
//
// BM_Sprite_BatchCpu is the batcher's own work: Begin (capture and apply the blocks, the pixel
// projection), 300 Draws, Flush (sort check, ring lock and copy) and End (restore), on a device
// wrapper that passes every call on except DrawIndexedPrimitive, which returns at once. It leaves
// out rasterisation and nothing else of the device's bookkeeping.
//
// BM_Sprite_BatchDrawn is the whole batch drawn by the software device, EndScene included so that
// draws the device holds back are finished inside the timed loop. Its peer figure is llvmpipe's
// cost of the same 300 glyph quads in ../shared/peers/glscene (its "scene" mode minus its
// "notext" mode, LP_NUM_THREADS=0, the same run).
//
// Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gfxutil/core/sprite.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/raster/workers.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"
#include "tests/gfxutil/mesh/forwarding_device.h"

namespace {

constexpr UINT kWidth = 800, kHeight = 600, kGlyphs = 300;

// A device whose indexed draws cost nothing.
class NoDrawDevice final : public mesh_test::ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return D3D_OK; }
};

struct Scene {
    Scene() {
        platform::win32::resetWindowSystem();
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "core_bench";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "core_bench", "core bench", WS_OVERLAPPEDWINDOW, 0, 0, kWidth + 64, kHeight + 64,
                                 nullptr, nullptr, nullptr, nullptr);
        root = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = kWidth;
        p.BackBufferHeight = kHeight;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        root->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, device.put());
        // The demo's fixed state: a depth buffer exists but is never tested (the sprite leaves
        // the depth states as it finds them).
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->CreateTexture(128, 128, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, atlas.put(), nullptr);
        D3DLOCKED_RECT locked{};
        atlas->LockRect(0, &locked, nullptr, 0);
        for (UINT y = 0; y < 128; ++y) {
            auto* row = reinterpret_cast<D3DCOLOR*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch);
            for (UINT x = 0; x < 128; ++x) {
                row[x] = ((x * 7 + y * 3) % 5 < 2) ? 0xFFFFFFFF : 0x00FFFFFF;  // glyph-like coverage
            }
        }
        atlas->UnlockRect(0);
        // Eight lines of help text: 12 x 18 cells from the atlas's 10 x 7 grid.
        for (UINT i = 0; i < kGlyphs; ++i) {
            const UINT cell = (i * 13) % 70;
            const LONG u = static_cast<LONG>((cell % 10) * 12), v = static_cast<LONG>((cell / 10) * 18);
            rects.push_back(RECT{u, v, u + 12, v + 18});
            positions.emplace_back(static_cast<float>(8 + (i % 38) * 12), static_cast<float>(8 + (i / 38) * 20), 0.0f);
        }
    }
    ~Scene() {
        device.reset();
        root.reset();
        DestroyWindow(window);
        platform::win32::resetWindowSystem();
    }

    void batch(ID3DXSprite* sprite) const {
        sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        for (UINT i = 0; i < kGlyphs; ++i) {
            sprite->Draw(atlas.get(), &rects[i], nullptr, &positions[i], 0xFFFFDC00);
        }
        sprite->End();
    }

    HWND window = nullptr;
    ComPtr<IDirect3D9> root;
    ComPtr<IDirect3DDevice9> device;
    ComPtr<IDirect3DTexture9> atlas;
    std::vector<RECT> rects;
    std::vector<D3DXVECTOR3> positions;
};

void BM_Sprite_BatchCpu(benchmark::State& state) {
    Scene scene;
    NoDrawDevice noDraw(scene.device.get());
    ComPtr<ID3DXSprite> sprite;
    if (FAILED(D3DXCreateSprite(&noDraw, sprite.put()))) {
        state.SkipWithError("no sprite");
        return;
    }
    scene.device->BeginScene();
    scene.batch(sprite.get());  // records the blocks and creates the buffers
    for (auto _ : state) {
        scene.batch(sprite.get());
    }
    scene.device->EndScene();
    sprite.reset();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kGlyphs);
}
BENCHMARK(BM_Sprite_BatchCpu)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Argument: the rasteriser's thread count. /1 is the figure set beside llvmpipe with
// LP_NUM_THREADS=0; on a loaded machine compare CPU time, which the one thread makes complete.
void BM_Sprite_BatchDrawn(benchmark::State& state) {
    platform::d3d9::raster::setThreadCount(static_cast<int>(state.range(0)));
    Scene scene;
    ComPtr<ID3DXSprite> sprite;
    if (FAILED(D3DXCreateSprite(scene.device.get(), sprite.put()))) {
        state.SkipWithError("no sprite");
        return;
    }
    scene.device->BeginScene();
    scene.batch(sprite.get());
    scene.device->EndScene();
    for (auto _ : state) {
        scene.device->BeginScene();
        scene.batch(sprite.get());
        scene.device->EndScene();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kGlyphs);
    platform::d3d9::raster::setThreadCount(2);
}
BENCHMARK(BM_Sprite_BatchDrawn)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
