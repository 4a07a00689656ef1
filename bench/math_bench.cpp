// The dispatched math functions, portable against the forms the selection chose on this machine,
// with GLM's equivalents as the outside reference, and a copy of the array transform's bytes as
// its memory-bandwidth bound. Each reports time per call (per 1,000 points for the arrays).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_inverse.hpp>

#include "gfxutil/math/dispatch.h"
#include "gfxutil/math/sse2_forms.h"

namespace {

using namespace gfxutil::math;

std::vector<D3DXVECTOR3> makePoints(int n) {
    std::vector<D3DXVECTOR3> points;
    points.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        points.emplace_back(static_cast<float>(i % 97) - 48.5f, static_cast<float>(i % 31) * 2.5f,
                            static_cast<float>(i % 13) + 0.25f);
    }
    return points;
}

D3DXMATRIX viewProjection() {
    D3DXMATRIX view, proj, viewProj;
    const D3DXVECTOR3 eye(-40, 40, -120), at(20, 40, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, 0.785398f, 1.333333f, 1.0f, 1000.0f);
    D3DXMatrixMultiply(&viewProj, &view, &proj);
    return viewProj;
}

glm::mat4 toGlm(const D3DXMATRIX& m) {
    glm::mat4 g;
    // GLM is column-major: row vectors times M read the same sixteen floats as columns.
    for (int i = 0; i < 4; ++i) g[i] = glm::vec4(m.m[i][0], m.m[i][1], m.m[i][2], m.m[i][3]);
    return g;
}

// 0: the portable form (the fast set's where it has one), 1: the selected form.
template <class F>
F* formOf(int slot, bool selected) {
    selectMathImplementations(1);
    if (selected) return reinterpret_cast<F*>(dispatchedForm(slot));
    for (const SlotForm& f : portableFastSet()) {
        if (f.slot == slot) return reinterpret_cast<F*>(f.form);
    }
    return reinterpret_cast<F*>(portableTable()[slot]);
}

void BM_Math_MatrixMultiply(benchmark::State& state) {
    auto* multiply = formOf<D3DXMATRIX*(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*)>(3, state.range(0));
    D3DXMATRIX a = viewProjection(), b, out;
    D3DXMatrixTranslation(&b, 1, 2, 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(multiply(&out, &a, &b));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Math_MatrixMultiply)->ArgName("selected")->Arg(0)->Arg(1);

void BM_Glm_MatrixMultiply(benchmark::State& state) {
    D3DXMATRIX b;
    D3DXMatrixTranslation(&b, 1, 2, 3);
    glm::mat4 a = toGlm(viewProjection()), gb = toGlm(b), out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(gb);
        out = gb * a;  // row-vector A x B is column-major B * A
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Glm_MatrixMultiply);

void BM_Math_Vec3Normalize(benchmark::State& state) {
    auto* normalize = formOf<D3DXVECTOR3*(D3DXVECTOR3*, const D3DXVECTOR3*)>(7, state.range(0));
    const std::vector<D3DXVECTOR3> points = makePoints(256);
    D3DXVECTOR3 out;
    std::size_t k = 0;
    for (auto _ : state) {
        normalize(&out, &points[k]);
        benchmark::DoNotOptimize(out);
        k = (k + 1) & 255;
    }
}
BENCHMARK(BM_Math_Vec3Normalize)->ArgName("selected")->Arg(0)->Arg(1);

void BM_Glm_Vec3Normalize(benchmark::State& state) {
    const std::vector<D3DXVECTOR3> points = makePoints(256);
    std::size_t k = 0;
    for (auto _ : state) {
        const glm::vec3 v(points[k].x, points[k].y, points[k].z);
        glm::vec3 out = glm::normalize(v);
        benchmark::DoNotOptimize(out);
        k = (k + 1) & 255;
    }
}
BENCHMARK(BM_Glm_Vec3Normalize);

void BM_Math_MatrixInverse(benchmark::State& state) {
    auto* inverse = formOf<D3DXMATRIX*(D3DXMATRIX*, FLOAT*, const D3DXMATRIX*)>(18, state.range(0));
    D3DXMATRIX m = viewProjection(), out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m);
        benchmark::DoNotOptimize(inverse(&out, nullptr, &m));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Math_MatrixInverse)->ArgName("selected")->Arg(0)->Arg(1);

void BM_Glm_MatrixInverse(benchmark::State& state) {
    glm::mat4 m = toGlm(viewProjection()), out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m);
        out = glm::inverse(m);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Glm_MatrixInverse);

constexpr int kPoints = 1000;

void BM_Math_Vec3TransformCoordArray(benchmark::State& state) {
    auto* transform =
        formOf<D3DXVECTOR3*(D3DXVECTOR3*, UINT, const D3DXVECTOR3*, UINT, const D3DXMATRIX*, UINT)>(63, state.range(0));
    const std::vector<D3DXVECTOR3> in = makePoints(kPoints);
    std::vector<D3DXVECTOR3> out(in.size());
    const D3DXMATRIX m = viewProjection();
    for (auto _ : state) {
        benchmark::DoNotOptimize(transform(out.data(), 12, in.data(), 12, &m, kPoints));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * 24);
}
BENCHMARK(BM_Math_Vec3TransformCoordArray)->ArgName("selected")->Arg(0)->Arg(1);

// Each float-lane width of the array transform, where the processor has it: 4 (SSE2), 8 (AVX2),
// 16 (AVX-512). The selection takes the widest.
void BM_Math_Vec3TransformCoordArrayLanes(benchmark::State& state) {
    using Fn = D3DXVECTOR3*(D3DXVECTOR3*, UINT, const D3DXVECTOR3*, UINT, const D3DXMATRIX*, UINT);
    Fn* transform = nullptr;
    switch (state.range(0)) {
        case 4: transform = &sse2::vec3TransformCoordArray; break;
        case 8: transform = avx2::available() ? &avx2::vec3TransformCoordArray : nullptr; break;
        case 16: transform = avx512::available() ? &avx512::vec3TransformCoordArray : nullptr; break;
    }
    if (transform == nullptr) {
        state.SkipWithError("not available on this processor");
        return;
    }
    const std::vector<D3DXVECTOR3> in = makePoints(kPoints);
    std::vector<D3DXVECTOR3> out(in.size());
    const D3DXMATRIX m = viewProjection();
    for (auto _ : state) {
        benchmark::DoNotOptimize(transform(out.data(), 12, in.data(), 12, &m, kPoints));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * 24);
}
BENCHMARK(BM_Math_Vec3TransformCoordArrayLanes)->ArgName("lanes")->Arg(4)->Arg(8)->Arg(16);

void BM_Glm_Vec3TransformCoordArray(benchmark::State& state) {
    const std::vector<D3DXVECTOR3> in = makePoints(kPoints);
    std::vector<glm::vec3> out(in.size());
    const glm::mat4 m = toGlm(viewProjection());
    for (auto _ : state) {
        for (int k = 0; k < kPoints; ++k) {
            const glm::vec4 p = m * glm::vec4(in[k].x, in[k].y, in[k].z, 1.0f);
            out[k] = glm::vec3(p) / p.w;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * 24);
}
BENCHMARK(BM_Glm_Vec3TransformCoordArray);

// The bound: reading the 12,000 bytes of points and writing 12,000 bytes.
void BM_Bound_CopyPoints(benchmark::State& state) {
    const std::vector<D3DXVECTOR3> in = makePoints(kPoints);
    std::vector<D3DXVECTOR3> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), kPoints * sizeof(D3DXVECTOR3));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPoints * 24);
}
BENCHMARK(BM_Bound_CopyPoints);

}  // namespace

BENCHMARK_MAIN();
