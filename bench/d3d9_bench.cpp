// The software device's own costs, apart from the rasteriser's filling: state calls, state-block
// apply, the demo's per-line lock-copy-draw pattern, and Clear + Present of an 800 x 600 frame on
// the headless backend. BM_D3d9_DrawOverhead and its baseline BM_D3d9_RasterDirect draw the same
// tiny triangle, through the device and straight into the rasteriser; the ratio of their medians
// is what the device adds per draw call.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/raster/raster.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace {

struct ColorVertex {
    float x, y, z, nx, ny, nz;
    D3DCOLOR color;
};

// A headless window with a device of the demo's presentation parameters.
class Scene {
public:
    Scene(UINT width, UINT height) {
        platform::win32::resetWindowSystem();
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "d3d9_bench";
        RegisterClassA(&wc);
        m_window = CreateWindowExA(0, "d3d9_bench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, static_cast<int>(width),
                                   static_cast<int>(height), nullptr, nullptr, nullptr, nullptr);
        m_root = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = width;
        p.BackBufferHeight = height;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, device.put());
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    }
    ~Scene() {
        device.reset();
        m_root.reset();
        DestroyWindow(m_window);
        platform::win32::resetWindowSystem();
    }
    ComPtr<IDirect3DDevice9> device;

private:
    HWND m_window = nullptr;
    ComPtr<IDirect3D9> m_root;
};

void BM_D3d9_SetRenderState(benchmark::State& state) {
    Scene scene(64, 64);
    DWORD cull = D3DCULL_CW;
    for (auto _ : state) {
        cull = cull == D3DCULL_CW ? D3DCULL_CCW : D3DCULL_CW;
        benchmark::DoNotOptimize(scene.device->SetRenderState(D3DRS_CULLMODE, cull));
    }
}
BENCHMARK(BM_D3d9_SetRenderState);

// A block of the size the sprite batcher records: about thirty states.
void BM_D3d9_StateBlockApply(benchmark::State& state) {
    Scene scene(64, 64);
    IDirect3DDevice9* d = scene.device.get();
    d->BeginStateBlock();
    for (DWORD s : {D3DRS_FILLMODE, D3DRS_SHADEMODE, D3DRS_CULLMODE, D3DRS_CLIPPING, D3DRS_LIGHTING,
                    D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_ALPHATESTENABLE, D3DRS_FOGENABLE}) {
        DWORD v = 0;
        d->GetRenderState(static_cast<D3DRENDERSTATETYPE>(s), &v);
        d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s), v);
    }
    for (DWORD t = D3DTSS_COLOROP; t <= D3DTSS_ALPHAARG2; ++t) {
        DWORD v = 0;
        d->GetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(t), &v);
        d->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(t), v);
    }
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetTexture(0, nullptr);
    d->SetStreamSource(0, nullptr, 0, 0);
    ComPtr<IDirect3DStateBlock9> block;
    d->EndStateBlock(block.put());
    for (auto _ : state) {
        benchmark::DoNotOptimize(block->Apply());
    }
}
BENCHMARK(BM_D3d9_StateBlockApply);

// The demo's spring pass: forty times lock the two-vertex buffer, copy a line, unlock and draw it.
void BM_D3d9_SpringLines(benchmark::State& state) {
    Scene scene(800, 600);
    IDirect3DDevice9* d = scene.device.get();
    ComPtr<IDirect3DVertexBuffer9> vb;
    d->CreateVertexBuffer(56, 0, 0x52, D3DPOOL_DEFAULT, vb.put(), nullptr);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetStreamSource(0, vb.get(), 0, 28);
    d->SetFVF(0x52);
    d->BeginScene();
    for (auto _ : state) {
        for (int i = 0; i < 40; ++i) {
            const float x = -0.9f + 0.045f * static_cast<float>(i);
            const ColorVertex line[2] = {{x, -0.5f, 0.5f, 0, 0, -1, 0xFF3882FF},
                                         {x + 0.05f, 0.5f, 0.5f, 0, 0, -1, 0xFF3882FF}};
            void* p = nullptr;
            vb->Lock(0, 56, &p, 0);
            std::memcpy(p, line, sizeof line);
            vb->Unlock();
            d->DrawPrimitive(D3DPT_LINELIST, 0, 1);
        }
    }
    d->EndScene();
    state.SetItemsProcessed(state.iterations() * 40);
}
BENCHMARK(BM_D3d9_SpringLines);

void BM_D3d9_ClearPresent800x600(benchmark::State& state) {
    Scene scene(800, 600);
    IDirect3DDevice9* d = scene.device.get();
    for (auto _ : state) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, D3DCOLOR_XRGB(111, 147, 191), 1.0f,
                 0);
        d->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.SetBytesProcessed(state.iterations() * 800 * 600 * 4);
}
BENCHMARK(BM_D3d9_ClearPresent800x600);

// One pretransformed triangle covering a single pixel: almost no filling, so what is measured is
// the cost of getting a draw to the rasteriser.
const ColorVertex kTinyTriangle[3] = {{0.0f, 0.0f, 0.5f, 0, 0, -1, 0xFFFFFFFF},
                                      {0.01f, 0.0f, 0.5f, 0, 0, -1, 0xFFFFFFFF},
                                      {0.0f, -0.01f, 0.5f, 0, 0, -1, 0xFFFFFFFF}};

void BM_D3d9_DrawOverhead(benchmark::State& state) {
    Scene scene(64, 64);
    IDirect3DDevice9* d = scene.device.get();
    ComPtr<IDirect3DVertexBuffer9> vb;
    d->CreateVertexBuffer(sizeof kTinyTriangle, D3DUSAGE_WRITEONLY, 0x52, D3DPOOL_MANAGED, vb.put(), nullptr);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, kTinyTriangle, sizeof kTinyTriangle);
    vb->Unlock();
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetStreamSource(0, vb.get(), 0, 28);
    d->SetFVF(0x52);
    d->BeginScene();
    for (auto _ : state) {
        benchmark::DoNotOptimize(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    }
    d->EndScene();
}
BENCHMARK(BM_D3d9_DrawOverhead);

void BM_D3d9_RasterDirect(benchmark::State& state) {
    using namespace platform::d3d9;
    std::vector<uint32_t> color(64 * 64), depth(64 * 64);
    raster::Targets targets;
    targets.color = raster::ColorTarget{color.data(), 64 * 4, 64, 64, raster::ColorFormat::X8R8G8B8};
    targets.depth = raster::DepthTarget{depth.data(), 64 * 4, 64, 64, raster::DepthFormat::D24S8};
    raster::PipelineState ps;
    ps.viewport = raster::Viewport{0, 0, 64, 64, 0.0f, 1.0f};
    ps.lighting = false;
    ps.cullMode = raster::CullMode::None;
    ps.layout.position = raster::VertexElement{true, 0, 0, raster::ElementType::Float3};
    ps.layout.normal = raster::VertexElement{true, 0, 12, raster::ElementType::Float3};
    ps.layout.diffuse = raster::VertexElement{true, 0, 24, raster::ElementType::D3DColor};
    raster::DrawCall call;
    call.type = raster::PrimitiveType::TriangleList;
    call.primitiveCount = 1;
    call.streams[0] = raster::VertexStream{reinterpret_cast<const std::byte*>(kTinyTriangle), 28, 3};
    for (auto _ : state) {
        raster::draw(ps, call, targets);
        benchmark::DoNotOptimize(color.data());
    }
}
BENCHMARK(BM_D3d9_RasterDirect);

}  // namespace

BENCHMARK_MAIN();
