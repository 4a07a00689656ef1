// Mesh library benchmarks: sphere generation, normal computation, the adjacency conversions and
// the cost of DrawSubset's call path, all on the software device behind a headless window.
//
// Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "gfxutil/mesh/mesh.h"
#include "platform/kernel/debug_output.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace {

LRESULT plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// One device for the whole program, on a small headless window.
IDirect3DDevice9* benchDevice() {
    static IDirect3DDevice9* device = [] {
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainProc;
        wc.lpszClassName = "MeshBench";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, "MeshBench", "mesh bench", WS_OVERLAPPEDWINDOW, 0, 0, 96, 96, nullptr,
                                      nullptr, nullptr, nullptr);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 32;
        pp.BackBufferHeight = 32;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        IDirect3DDevice9* created = nullptr;
        if (d3d == nullptr || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &created))) {
            created = nullptr;
        }
        return created;
    }();
    return device;
}

void BM_Mesh_CreateSphere(benchmark::State& state) {
    IDirect3DDevice9* device = benchDevice();
    const UINT n = static_cast<UINT>(state.range(0));
    for (auto _ : state) {
        ComPtr<ID3DXMesh> sphere;
        if (FAILED(D3DXCreateSphere(device, 1.0f, n, n, sphere.put(), nullptr))) {
            state.SkipWithError("D3DXCreateSphere failed");
            break;
        }
        benchmark::DoNotOptimize(sphere.get());
    }
    state.counters["faces"] = 2.0 * n * (n - 1);
}
BENCHMARK(BM_Mesh_CreateSphere)->Arg(8)->Arg(64)->Arg(128);

void BM_Mesh_ComputeNormals(benchmark::State& state) {
    const UINT n = static_cast<UINT>(state.range(0));
    ComPtr<ID3DXMesh> sphere;
    if (FAILED(D3DXCreateSphere(benchDevice(), 1.0f, n, n, sphere.put(), nullptr))) {
        state.SkipWithError("D3DXCreateSphere failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(D3DXComputeNormals(sphere.get(), nullptr));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * sphere->GetNumFaces());
}
BENCHMARK(BM_Mesh_ComputeNormals)->Arg(8)->Arg(64)->Arg(128);

void BM_Mesh_ComputeNormalsWithAdjacency(benchmark::State& state) {
    const UINT n = static_cast<UINT>(state.range(0));
    ComPtr<ID3DXMesh> sphere;
    ComPtr<ID3DXBuffer> adjacency;
    if (FAILED(D3DXCreateSphere(benchDevice(), 1.0f, n, n, sphere.put(), adjacency.put()))) {
        state.SkipWithError("D3DXCreateSphere failed");
        return;
    }
    const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (auto _ : state) {
        benchmark::DoNotOptimize(D3DXComputeNormals(sphere.get(), a));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * sphere->GetNumFaces());
}
BENCHMARK(BM_Mesh_ComputeNormalsWithAdjacency)->Arg(8)->Arg(64);

void BM_Mesh_PointRepsToAdjacency(benchmark::State& state) {
    const UINT n = static_cast<UINT>(state.range(0));
    ComPtr<ID3DXMesh> sphere;
    if (FAILED(D3DXCreateSphere(benchDevice(), 1.0f, n, n, sphere.put(), nullptr))) {
        state.SkipWithError("D3DXCreateSphere failed");
        return;
    }
    std::vector<DWORD> adjacency(3 * size_t{sphere->GetNumFaces()});
    for (auto _ : state) {
        benchmark::DoNotOptimize(sphere->ConvertPointRepsToAdjacency(nullptr, adjacency.data()));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * sphere->GetNumFaces());
}
BENCHMARK(BM_Mesh_PointRepsToAdjacency)->Arg(8)->Arg(64);

// DrawSubset of the application's sphere with every triangle culled (cull mode clockwise), so
// the figure is the mesh's call path and the device's set-up, not the rasteriser's fill.
void BM_Mesh_DrawSubsetCulled(benchmark::State& state) {
    IDirect3DDevice9* device = benchDevice();
    ComPtr<ID3DXMesh> sphere;
    if (FAILED(D3DXCreateSphere(device, 1.0f, 8, 8, sphere.put(), nullptr))) {
        state.SkipWithError("D3DXCreateSphere failed");
        return;
    }
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->BeginScene();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sphere->DrawSubset(0));
    }
    device->EndScene();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}
BENCHMARK(BM_Mesh_DrawSubsetCulled);

}  // namespace

int main(int argc, char** argv) {
    platform::kernel::setDebugOutputHook([](std::string_view) {});  // refusals are not the figure
    benchmark::Initialize(&argc, argv);
    if (benchDevice() == nullptr) {
        std::fprintf(stderr, "mesh_bench: no device\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
