// Speed of the math functions the scene uses most: normalisation, matrix product and the array
// transform. Each reports nanoseconds per call.
#include <benchmark/benchmark.h>

#include <vector>

#include "gfxutil/math/math_types.h"

namespace {

std::vector<D3DXVECTOR3> makePoints(int n) {
    std::vector<D3DXVECTOR3> points;
    points.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        points.emplace_back(static_cast<float>(i % 97) - 48.5f, static_cast<float>(i % 31) * 2.5f,
                            static_cast<float>(i % 13) + 0.25f);
    }
    return points;
}

void BM_Math_Vec3Normalize(benchmark::State& state) {
    const std::vector<D3DXVECTOR3> points = makePoints(256);
    D3DXVECTOR3 out;
    std::size_t k = 0;
    for (auto _ : state) {
        D3DXVec3Normalize(&out, &points[k]);
        benchmark::DoNotOptimize(out);
        k = (k + 1) & 255;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Math_Vec3Normalize);

void BM_Math_MatrixMultiply(benchmark::State& state) {
    D3DXMATRIX a, b, out;
    const D3DXVECTOR3 eye(-40, 40, -120), at(20, 40, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&a, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&b, 0.785398f, 1.333333f, 1.0f, 1000.0f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(D3DXMatrixMultiply(&out, &a, &b));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Math_MatrixMultiply);

void BM_Math_Vec3TransformCoordArray(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<D3DXVECTOR3> in = makePoints(n);
    std::vector<D3DXVECTOR3> out(in.size());
    D3DXMATRIX view, proj, viewProj;
    const D3DXVECTOR3 eye(-40, 40, -120), at(20, 40, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, 0.785398f, 1.333333f, 1.0f, 1000.0f);
    D3DXMatrixMultiply(&viewProj, &view, &proj);
    for (auto _ : state) {
        benchmark::DoNotOptimize(D3DXVec3TransformCoordArray(out.data(), sizeof(D3DXVECTOR3), in.data(),
                                                             sizeof(D3DXVECTOR3), &viewProj, static_cast<UINT>(n)));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * n * static_cast<int64_t>(sizeof(D3DXVECTOR3)));
}
BENCHMARK(BM_Math_Vec3TransformCoordArray)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
