// D3DXCreateTeapot: a teapot of our own tessellation, y up, spout towards +x, handle towards -x.
//
// Three closed pieces, each wound outwards with its own smooth normals:
// - the body, lid and knob as one surface of revolution: 37 rings of 24 vertices along a profile
//   curve between a bottom and a top pole (890 vertices, 1776 faces);
// - the spout, a tapering tube of 10 rings of 12 vertices along a rising curve, capped at both
//   ends (146 vertices, 240 faces);
// - the handle, a tube of 12 rings of 10 vertices along an arc, capped at both ends (142
//   vertices, 240 faces).
// The caps repeat their tube's end rings with the caps' own normals (hard edges), so point
// representatives join them when adjacency is asked for. The spout and handle start inside the
// body, which hides their inner caps. Totals: 1178 vertices and 2256 faces.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "gfxutil/mesh/shape_frame.h"

namespace gfxutil::mesh {
namespace {

constexpr double kTwoPi = 6.28318530717958647692;
constexpr UINT kBodySlices = 24;
constexpr UINT kBodyRings = 37;
constexpr UINT kSpoutSides = 12;
constexpr UINT kSpoutRings = 10;
constexpr UINT kHandleSides = 10;
constexpr UINT kHandleRings = 12;

struct Vec {
    double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
Vec unit(Vec a) {
    const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l > 0.0 ? (1.0 / l) * a : a;
}
D3DXVECTOR3 toFloat(Vec a) {
    return D3DXVECTOR3(static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z));
}

// The body's profile (radius, height) from the bottom pole to the top pole.
constexpr std::array<std::array<double, 2>, 16> kProfile = {{
    {0.0, 0.0},   {0.5, 0.0},   {0.8, 0.08},  {0.95, 0.3},  {1.0, 0.55},  {0.95, 0.85},
    {0.82, 1.1},  {0.72, 1.2},  {0.74, 1.24}, {0.6, 1.28},  {0.35, 1.38}, {0.12, 1.45},
    {0.15, 1.55}, {0.14, 1.65}, {0.08, 1.72}, {0.0, 1.74},
}};

// The point at arc length s along the profile.
std::array<double, 2> profileAt(double s) {
    for (size_t i = 0; i + 1 < kProfile.size(); ++i) {
        const double dr = kProfile[i + 1][0] - kProfile[i][0];
        const double dy = kProfile[i + 1][1] - kProfile[i][1];
        const double l = std::sqrt(dr * dr + dy * dy);
        if (s <= l || i + 2 == kProfile.size()) {
            const double t = std::min(1.0, s / l);
            return {kProfile[i][0] + t * dr, kProfile[i][1] + t * dy};
        }
        s -= l;
    }
    return kProfile.back();
}

double profileLength() {
    double total = 0.0;
    for (size_t i = 0; i + 1 < kProfile.size(); ++i) {
        total += std::hypot(kProfile[i + 1][0] - kProfile[i][0], kProfile[i + 1][1] - kProfile[i][1]);
    }
    return total;
}

class Writer {
public:
    Writer(ShapeVertex* v, WORD* f) : m_v(v), m_f(f) {}
    WORD vertex(Vec p, Vec n) {
        m_v[m_count] = ShapeVertex{toFloat(p), toFloat(unit(n))};
        return static_cast<WORD>(m_count++);
    }
    void face(DWORD a, DWORD b, DWORD c) {
        *m_f++ = static_cast<WORD>(a);
        *m_f++ = static_cast<WORD>(b);
        *m_f++ = static_cast<WORD>(c);
    }
    // Two faces for the quad whose first ring runs a0, a1 and second ring b0, b1.
    void quad(DWORD a0, DWORD a1, DWORD b0, DWORD b1) {
        face(a0, b0, a1);
        face(a1, b0, b1);
    }

private:
    ShapeVertex* m_v;
    WORD* m_f;
    DWORD m_count = 0;
};

void writeBody(Writer& w) {
    const double length = profileLength();
    const double step = length / (kBodyRings + 1);
    const WORD bottom = w.vertex({0, 0, 0}, {0, -1, 0});
    WORD first = 0;
    for (UINT j = 0; j < kBodyRings; ++j) {
        const auto p = profileAt(step * (j + 1));
        const auto before = profileAt(step * (j + 0.5));
        const auto after = profileAt(step * (j + 1.5));
        // Outward in the profile's plane: the tangent turned a quarter towards +radius.
        const double tr = after[0] - before[0];
        const double ty = after[1] - before[1];
        for (UINT i = 0; i < kBodySlices; ++i) {
            const double a = kTwoPi * i / kBodySlices;
            const double c = std::cos(a), s = std::sin(a);
            const WORD v = w.vertex({p[0] * c, p[1], p[0] * s}, {ty * c, -tr, ty * s});
            if (j == 0 && i == 0) {
                first = v;
            }
        }
    }
    const WORD top = w.vertex({0, kProfile.back()[1], 0}, {0, 1, 0});
    auto ring = [&](UINT j, UINT i) { return static_cast<DWORD>(first + j * kBodySlices + i % kBodySlices); };
    for (UINT i = 0; i < kBodySlices; ++i) {
        w.face(bottom, ring(0, i), ring(0, i + 1));
    }
    for (UINT j = 0; j + 1 < kBodyRings; ++j) {
        for (UINT i = 0; i < kBodySlices; ++i) {
            w.quad(ring(j, i), ring(j, i + 1), ring(j + 1, i), ring(j + 1, i + 1));
        }
    }
    for (UINT i = 0; i < kBodySlices; ++i) {
        w.face(top, ring(kBodyRings - 1, i + 1), ring(kBodyRings - 1, i));
    }
}

// A tube along a curve in the z = 0 plane, capped at both ends with flat caps of its own.
template <class Centre, class Radius>
void writeTube(Writer& w, UINT rings, UINT sides, Centre centre, Radius radius) {
    auto frame = [&](UINT j, Vec* along, Vec* across) {
        const double t = static_cast<double>(j) / (rings - 1);
        const double dt = 0.5 / (rings - 1);
        *along = unit(centre(std::min(1.0, t + dt)) - centre(std::max(0.0, t - dt)));
        // In the plane, a quarter turn clockwise from the direction: with z as the second axis the
        // rings then run so that the quads below face outwards.
        *across = {along->y, -along->x, 0.0};
    };
    auto around = [&](UINT j, UINT i) {
        Vec along, across;
        frame(j, &along, &across);
        const double a = kTwoPi * i / sides;
        return std::cos(a) * across + std::sin(a) * Vec{0, 0, 1};
    };
    auto point = [&](UINT j, UINT i) {
        return centre(static_cast<double>(j) / (rings - 1)) + radius(static_cast<double>(j) / (rings - 1)) * around(j, i);
    };
    WORD first = 0;
    for (UINT j = 0; j < rings; ++j) {
        for (UINT i = 0; i < sides; ++i) {
            const WORD v = w.vertex(point(j, i), around(j, i));
            if (j == 0 && i == 0) {
                first = v;
            }
        }
    }
    auto ring = [&](UINT j, UINT i) { return static_cast<DWORD>(first + j * sides + i % sides); };
    for (UINT j = 0; j + 1 < rings; ++j) {
        for (UINT i = 0; i < sides; ++i) {
            w.quad(ring(j, i), ring(j, i + 1), ring(j + 1, i), ring(j + 1, i + 1));
        }
    }
    for (UINT end = 0; end < 2; ++end) {
        const UINT j = end == 0 ? 0 : rings - 1;
        Vec along, across;
        frame(j, &along, &across);
        const Vec outward = end == 0 ? -1.0 * along : along;
        const WORD centreVertex = w.vertex(centre(end == 0 ? 0.0 : 1.0), outward);
        const WORD rim = w.vertex(point(j, 0), outward);
        for (UINT i = 1; i < sides; ++i) {
            w.vertex(point(j, i), outward);
        }
        for (UINT i = 0; i < sides; ++i) {
            const DWORD a = rim + i;
            const DWORD b = rim + (i + 1) % sides;
            if (end == 0) {
                w.face(centreVertex, a, b);
            } else {
                w.face(centreVertex, b, a);
            }
        }
    }
}

void writeTeapot(ShapeVertex* vertices, WORD* faces) {
    Writer w(vertices, faces);
    writeBody(w);
    // The spout rises from inside the body to its tip.
    writeTube(
        w, kSpoutRings, kSpoutSides,
        [](double t) { return Vec{0.7 + 0.95 * t, 0.35 + 0.55 * t + 0.3 * t * t, 0.0}; },
        [](double t) { return 0.22 - 0.12 * t; });
    // The handle bends out from the upper body and back into the lower body.
    writeTube(
        w, kHandleRings, kHandleSides,
        [](double t) {
            const double a = (80.0 + 200.0 * t) * kTwoPi / 360.0;
            return Vec{-0.8 + 0.45 * std::cos(a), 0.7 + 0.4 * std::sin(a), 0.0};
        },
        [](double) { return 0.08; });
}

}  // namespace
}  // namespace gfxutil::mesh

HRESULT D3DXCreateTeapot(IDirect3DDevice9* pDevice, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
    using namespace gfxutil::mesh;
    if (!checkShapeOutputs(pDevice, ppMesh)) {
        return D3DERR_INVALIDCALL;
    }
    ShapeRequest request;
    request.device = pDevice;
    request.faces = 2256;
    request.vertices = 1178;
    request.pointRepsByPosition = true;
    request.write = writeTeapot;
    return buildShape(request, ppMesh, ppAdjacency);
}
