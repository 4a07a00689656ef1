// The demo frame at 800 x 600 drawn straight through the rasteriser's API, as the device will
// hand it over: clear; the textured wall-and-floor strip; 40 lit lines; the mirror pass (the
// reflected strip, lines and 40 spheres through four clip planes, then the blended mirror quad);
// 40 lit spheres; 300 alpha-blended glyph quads; present (a copy of the frame, as the device's
// Present hands it to the window layer).
//
// The scene data follow the peer harness's (same sphere, spring motion, glyph layout and
// procedural textures), so the figures compare with its OpenGL timings of the same frame.
//
// Wall-clock time (UseRealTime): with helper threads, the main thread's processor time would
// under-count the work. BM_Raster_DemoFrame/1 is single-threaded, /2 splits large draws.
//
// Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true. The counters of BM_Raster_DemoFrame split the frame
// into clear, vertex, setup, fill, blend and present (milliseconds per frame, measured on the
// same scene with the pipeline stopped after each stage).
//
// Environment knobs, for comparing paths that must give the same bytes: RASTER_BENCH_WIDE=0 keeps
// the 4-lane loops on a processor with AVX2; RASTER_BENCH_WIDEST=0 keeps the 8-lane loops where
// AVX-512F would take 16 lanes; RASTER_BENCH_DIRECT=0 (with RASTER_BENCH_FRAMES)
// sends every triangle through the fragment batch. RASTER_BENCH_FRAMES=<n> prints the checksum of
// the last frame.
//
// RASTER_BENCH_AB=<knob>,<parts>,<threads> (knob: wide, widest or direct) compares one knob off
// and on in a single process: batches of five frames of the given parts alternate between the
// two for a few seconds, and the medians are printed. On a machine whose speed drifts from
// minute to minute this tells two paths apart where separate runs cannot.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <vector>

#include "platform/d3d9/raster/raster.h"

namespace {

namespace r = platform::d3d9::raster;

constexpr uint32_t kWidth = 800, kHeight = 600;
constexpr int kSystems = 40, kGlyphs = 300;

// ---- math (row vectors, left-handed) ------------------------------------------------------

struct V3 {
    float x, y, z;
};
V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 norm(V3 a) {
    const float l = std::sqrt(dot(a, a));
    return l > 0 ? V3{a.x / l, a.y / l, a.z / l} : a;
}

r::Mat4 mul(const r::Mat4& a, const r::Mat4& b) {
    r::Mat4 o;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            o.m[i][j] = s;
        }
    return o;
}

r::Mat4 translation(V3 t) {
    r::Mat4 m;
    m.m[3][0] = t.x;
    m.m[3][1] = t.y;
    m.m[3][2] = t.z;
    return m;
}

r::Mat4 lookAtLH(V3 eye, V3 at, V3 up) {
    const V3 z = norm(sub(at, eye)), x = norm(cross(up, z)), y = cross(z, x);
    r::Mat4 m;
    m.m[0][0] = x.x, m.m[0][1] = y.x, m.m[0][2] = z.x;
    m.m[1][0] = x.y, m.m[1][1] = y.y, m.m[1][2] = z.y;
    m.m[2][0] = x.z, m.m[2][1] = y.z, m.m[2][2] = z.z;
    m.m[3][0] = -dot(x, eye), m.m[3][1] = -dot(y, eye), m.m[3][2] = -dot(z, eye);
    return m;
}

r::Mat4 perspectiveFovLH(float fovy, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovy / 2), xs = ys / aspect;
    r::Mat4 m;
    m.m[0][0] = xs;
    m.m[1][1] = ys;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -zn * zf / (zf - zn);
    m.m[3][3] = 0.0f;
    return m;
}

void planeFromPoints(V3 p1, V3 p2, V3 p3, float out[4]) {
    const V3 n = norm(cross(sub(p2, p1), sub(p3, p1)));
    out[0] = n.x, out[1] = n.y, out[2] = n.z, out[3] = -dot(n, p1);
}

r::Mat4 reflect(const float p[4]) {
    const float a = p[0], b = p[1], c = p[2], d = p[3];
    r::Mat4 m;
    m.m[0][0] = 1 - 2 * a * a, m.m[0][1] = -2 * b * a, m.m[0][2] = -2 * c * a;
    m.m[1][0] = -2 * a * b, m.m[1][1] = 1 - 2 * b * b, m.m[1][2] = -2 * c * b;
    m.m[2][0] = -2 * a * c, m.m[2][1] = -2 * b * c, m.m[2][2] = 1 - 2 * c * c;
    m.m[3][0] = -2 * a * d, m.m[3][1] = -2 * b * d, m.m[3][2] = -2 * c * d;
    return m;
}

// ---- scene data -------------------------------------------------------------------------

struct ColorVertex {
    float pos[3], nrm[3];
    uint32_t color;
};
struct TexVertex {
    float pos[3], nrm[3], uv[2];
};
struct MeshVertex {
    float pos[3], nrm[3];
};
struct SpriteVertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};

// The peer's generator; every scene starts it afresh, so every DemoScene is the same scene.
struct Lcg {
    uint32_t state = 12345u;
    uint32_t next() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    }
    float unit() { return float(next()) / 32767.0f; }
};
float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

float hash2(int x, int y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xffff) / 65535.0f;
}
float valueNoise(float x, float y) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    float fx = x - float(xi), fy = y - float(yi);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float a = hash2(xi, yi), b = hash2(xi + 1, yi), c = hash2(xi, yi + 1), d = hash2(xi + 1, yi + 1);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

struct Spring {
    V3 p0, p1;
    uint8_t rgb[3];
    float ph[4];
};

class DemoScene {
public:
    DemoScene() : m_back(kWidth * kHeight), m_front(kWidth * kHeight), m_depth(kWidth * kHeight) {
        m_eye = {-40, 40, -120};
        m_view = lookAtLH(m_eye, {20, 40, 0}, {0, 1, 0});
        m_proj = perspectiveFovLH(0.7853982f, float(kWidth) / float(kHeight), 1.0f, 10000.0f);
        buildGeometry();
        buildTextures();
        m_targets.color = {m_back.data(), int32_t(kWidth * 4), kWidth, kHeight, r::ColorFormat::X8R8G8B8};
        m_targets.depth = {m_depth.data(), int32_t(kWidth * 4), kWidth, kHeight, r::DepthFormat::D24S8};
    }

    enum Parts : unsigned {
        kClear = 1,
        kPresent = 2,
        kFloor = 4,     // the wall-and-floor strip (both passes)
        kLines = 8,     // the spring lines (both passes)
        kSpheres = 16,  // both sphere sets
        kMirrorQuad = 32,
        kText = 64,
        kDraw = kFloor | kLines | kSpheres | kMirrorQuad | kText,
        kAll = kClear | kPresent | kDraw,
    };

    void frame(unsigned parts = kAll, bool opaqueBlends = false) {
        m_opaque = opaqueBlends;
        updateSprings();
        if (parts & kClear) {
            r::ClearRequest c;
            c.flags = r::kClearTarget | r::kClearZBuffer | r::kClearStencil;
            c.color = 0xFF6F93BFu;
            c.z = 1.0f;
            c.viewport = {0, 0, kWidth, kHeight, 0, 1};
            m_queue.clear(c, m_targets);
        }
        m_parts = parts;
        if (parts & kDraw) {
            r::PipelineState s = baseState();
            drawFloor(s);
            drawSprings(s);
            drawMirror(s);
            drawSpheres(s, nullptr);
            drawText();
        }
        m_queue.finish();
        // Present: the copy the device hands the window layer.
        if (parts & kPresent) {
            r::copyRows(m_front.data(), kWidth * 4, m_back.data(), kWidth * 4, kWidth * 4, int32_t(kHeight));
        }
        ++m_frame;
    }

    const std::vector<uint32_t>& backBuffer() const { return m_back; }

private:
    r::PipelineState baseState() {
        r::PipelineState s;
        s.view = m_view;
        s.projection = m_proj;
        s.viewport = {0, 0, kWidth, kHeight, 0, 1};
        s.cullMode = m_cull;
        s.lighting = true;
        const float amb = 32.0f / 255.0f;
        s.ambient = {amb, amb, amb, 0};
        s.colorVertex = true;
        setMaterial(s, 1, 1, 1, 1);
        setLight(s, {0, 0, -100});
        return s;
    }
    static void setMaterial(r::PipelineState& s, float rr, float g, float b, float a) {
        s.material = {};
        s.material.diffuse = {rr, g, b, a};
        s.material.ambient = {rr, g, b, a};
    }
    static void setLight(r::PipelineState& s, V3 pos) {
        r::Light& l = s.lights[0];
        l = {};
        l.enabled = true;
        l.type = r::LightType::Directional;
        l.diffuse = {1, 1, 1, 0};
        const V3 d = norm({-pos.x, -pos.y, -pos.z});
        l.direction = {d.x, d.y, d.z};
        l.range = 1000.0f;
    }

    template <class V>
    static r::DrawCall callFor(const V* v, uint32_t count, r::PrimitiveType type, uint32_t prims) {
        r::DrawCall c;
        c.type = type;
        c.primitiveCount = prims;
        c.streams[0] = {reinterpret_cast<const std::byte*>(v), uint32_t(sizeof(V)), count};
        return c;
    }

    void drawFloor(r::PipelineState s) {
        if (!(m_parts & kFloor)) return;
        s.layout = {};
        s.layout.position = {true, 0, 0, r::ElementType::Float3};
        s.layout.normal = {true, 0, 12, r::ElementType::Float3};
        s.layout.texCoord[0] = {true, 0, 24, r::ElementType::Float2};
        s.stages[0].texture = &m_woodView;
        m_queue.draw(s, callFor(m_strip, 6, r::PrimitiveType::TriangleStrip, 4), m_targets);
    }

    void drawSprings(r::PipelineState s) {
        if (!(m_parts & kLines)) return;
        s.layout = {};
        s.layout.position = {true, 0, 0, r::ElementType::Float3};
        s.layout.normal = {true, 0, 12, r::ElementType::Float3};
        s.layout.diffuse = {true, 0, 24, r::ElementType::D3DColor};
        s.stages[0].texture = nullptr;
        ColorVertex line[2];
        for (const Spring& sp : m_springs) {
            const uint32_t c = 0xFF000000u | uint32_t(sp.rgb[0]) << 16 | uint32_t(sp.rgb[1]) << 8 | sp.rgb[2];
            line[0] = {{sp.p0.x, sp.p0.y, sp.p0.z}, {0, 0, -1}, c};
            line[1] = {{sp.p1.x, sp.p1.y, sp.p1.z}, {0, 0, -1}, c};
            m_queue.draw(s, callFor(line, 2, r::PrimitiveType::LineList, 1), m_targets);
        }
    }

    void drawSpheres(r::PipelineState s, const r::Mat4* after) {
        if (!(m_parts & kSpheres)) return;
        s.layout = {};
        s.layout.position = {true, 0, 0, r::ElementType::Float3};
        s.layout.normal = {true, 0, 12, r::ElementType::Float3};
        s.stages[0].texture = nullptr;
        s.cullMode = m_cull;
        r::DrawCall call = callFor(m_sphereV, 58, r::PrimitiveType::TriangleList, 112);
        call.indexFormat = r::IndexFormat::U16;
        call.indices = m_sphereI;
        call.indexCount = 112 * 3;
        for (const Spring& sp : m_springs) {
            setMaterial(s, 0.00392f * sp.rgb[0], 0.00392f * sp.rgb[1], 0.00392f * sp.rgb[2], 1);
            s.world = translation(sp.p0);
            if (after) s.world = mul(s.world, *after);
            m_queue.draw(s, call, m_targets);
        }
    }

    void drawMirror(r::PipelineState s) {
        const V3 ul{0, 80, 20}, ur{80, 80, 20}, ll{0, 0, 20}, lr{80, 0, 20};
        float mirrorPlane[4];
        planeFromPoints(ul, ur, ll, mirrorPlane);
        const r::Mat4 refl = reflect(mirrorPlane);
        s.world = refl;
        m_cull = r::CullMode::CW;
        s.cullMode = m_cull;
        planeFromPoints(ur, ul, m_eye, s.clipPlanes[0]);
        planeFromPoints(lr, ur, m_eye, s.clipPlanes[1]);
        planeFromPoints(ll, lr, m_eye, s.clipPlanes[2]);
        planeFromPoints(ul, ll, m_eye, s.clipPlanes[3]);
        s.clipPlaneEnable = 0x0F;
        setLight(s, {0, 0, 100});
        drawFloor(s);
        drawSprings(s);
        setLight(s, {0, 0, -100});
        drawSpheres(s, &refl);
        s.world = r::Mat4{};
        s.clipPlaneEnable = 0;
        m_cull = r::CullMode::CCW;
        s.cullMode = m_cull;
        s.alphaBlendEnable = !m_opaque;
        s.srcBlend = r::BlendFactor::SrcAlpha;
        s.destBlend = r::BlendFactor::InvSrcAlpha;
        s.layout = {};
        s.layout.position = {true, 0, 0, r::ElementType::Float3};
        s.layout.normal = {true, 0, 12, r::ElementType::Float3};
        s.layout.diffuse = {true, 0, 24, r::ElementType::D3DColor};
        s.stages[0].texture = nullptr;
        if (m_parts & kMirrorQuad) m_queue.draw(s, callFor(m_mirror, 4, r::PrimitiveType::TriangleStrip, 2), m_targets);
    }

    // The sprite batcher's states for the font: screen-space pixel projection, no lighting or
    // culling, texture modulated by the colour, alpha test > 0 and source-alpha blending.
    void drawText() {
        if (!(m_parts & kText)) return;
        r::PipelineState s;
        s.viewport = {0, 0, kWidth, kHeight, 0, 1};
        s.projection = {};
        s.projection.m[0][0] = 2.0f / float(kWidth);
        s.projection.m[1][1] = -2.0f / float(kHeight);
        s.projection.m[3][0] = -1.0f / float(kWidth) - 1.0f;
        s.projection.m[3][1] = 1.0f / float(kHeight) + 1.0f;
        s.lighting = false;
        s.cullMode = r::CullMode::None;
        s.layout.position = {true, 0, 0, r::ElementType::Float3};
        s.layout.diffuse = {true, 0, 12, r::ElementType::D3DColor};
        s.layout.texCoord[0] = {true, 0, 16, r::ElementType::Float2};
        s.stages[0].colorOp = r::TextureOp::Modulate;
        s.stages[0].colorArg1 = {r::ArgSource::Texture};
        s.stages[0].colorArg2 = {r::ArgSource::Diffuse};
        s.stages[0].alphaOp = r::TextureOp::Modulate;
        s.stages[0].alphaArg1 = {r::ArgSource::Texture};
        s.stages[0].alphaArg2 = {r::ArgSource::Diffuse};
        s.stages[0].texture = &m_glyphView;
        s.stages[0].sampler.addressU = r::AddressMode::Clamp;
        s.stages[0].sampler.addressV = r::AddressMode::Clamp;
        s.stages[0].sampler.magFilter = r::Filter::Linear;
        s.stages[0].sampler.minFilter = r::Filter::Linear;
        s.stages[0].sampler.mipFilter = r::Filter::Linear;
        s.alphaTestEnable = true;
        s.alphaFunc = r::CompareFunc::Greater;
        s.alphaRef = 0;
        s.alphaBlendEnable = !m_opaque;
        s.srcBlend = r::BlendFactor::SrcAlpha;
        s.destBlend = r::BlendFactor::InvSrcAlpha;
        r::DrawCall call = callFor(m_glyphV, kGlyphs * 4, r::PrimitiveType::TriangleList, kGlyphs * 2);
        call.indexFormat = r::IndexFormat::U16;
        call.indices = m_glyphI;
        call.indexCount = kGlyphs * 6;
        m_queue.draw(s, call, m_targets);
    }

    void buildGeometry() {
        const TexVertex strip[6] = {
            {{82, 85, 5}, {-1, -1, 0}, {0, 0.5f}},   {{82, 85, -5}, {-1, -1, -1}, {0, 0}},
            {{82, -2, 5}, {-1, 1, 0}, {1, 0.5f}},    {{82, -2, -5}, {-1, 1, -1}, {1, 0}},
            {{-2, -2, 5}, {1, 1, 0}, {2, 0.5f}},     {{-2, -2, -5}, {1, 1, -1}, {2, 0}},
        };
        std::memcpy(m_strip, strip, sizeof strip);
        const float mp[4][3] = {{0, 80, 20}, {80, 80, 20}, {0, 0, 20}, {80, 0, 20}};
        for (int i = 0; i < 4; ++i) m_mirror[i] = {{mp[i][0], mp[i][1], mp[i][2]}, {0, 0, -1}, 0x80FFFFFFu};

        // 8 x 8 latitude-longitude sphere: 58 vertices, 112 outward-wound faces.
        const int S = 8, T = 8;
        int v = 0;
        m_sphereV[v++] = {{0, 0, 1}, {0, 0, 1}};
        for (int j = 1; j < T; ++j) {
            const float phi = float(j) * 3.1415927f / float(T);
            for (int i = 0; i < S; ++i) {
                const float th = float(i) * 6.2831855f / float(S);
                const float nx = std::sin(phi) * std::sin(th), ny = std::sin(phi) * std::cos(th), nz = std::cos(phi);
                m_sphereV[v++] = {{nx, ny, nz}, {nx, ny, nz}};
            }
        }
        m_sphereV[v++] = {{0, 0, -1}, {0, 0, -1}};
        int f = 0;
        uint16_t* ix = m_sphereI;
        for (int i = 0; i < S; ++i) {
            const int i1 = (i + 1) % S;
            ix[f++] = 0, ix[f++] = uint16_t(1 + i1), ix[f++] = uint16_t(1 + i);
        }
        for (int j = 1; j <= T - 2; ++j) {
            const int b = 1 + (j - 1) * S, b2 = b + S;
            for (int i = 0; i < S; ++i) {
                const int i1 = (i + 1) % S;
                ix[f++] = uint16_t(b + i), ix[f++] = uint16_t(b + i1), ix[f++] = uint16_t(b2 + i);
                ix[f++] = uint16_t(b + i1), ix[f++] = uint16_t(b2 + i1), ix[f++] = uint16_t(b2 + i);
            }
        }
        const int c = 1 + (T - 2) * S, sp = S * (T - 1) + 1;
        for (int i = 0; i < S; ++i) {
            const int i1 = (i + 1) % S;
            ix[f++] = uint16_t(c + i), ix[f++] = uint16_t(c + i1), ix[f++] = uint16_t(sp);
        }

        Lcg lcg;
        for (Spring& s : m_springs) {
            for (uint8_t& k : s.rgb) k = uint8_t(56 + lcg.next() % 200);
            for (float& p : s.ph) p = 6.2831855f * lcg.unit();
        }

        // The glyph quads in the sprite batcher's corner order and index pattern.
        static const int lineTop[8] = {5, 25, 45, 70, 90, 110, 135, 155};
        static const int lineLen[8] = {40, 45, 38, 30, 40, 34, 22, 51};
        int q = 0;
        for (int l = 0; l < 8 && q < kGlyphs; ++l) {
            for (int ch = 0; ch < lineLen[l] && q < kGlyphs; ++ch, ++q) {
                const float x0 = 5.0f + 12.0f * float(ch), y0 = float(lineTop[l]);
                const float w = (ch % 3 == 0) ? 16.0f : 10.0f, h = 18.0f;
                const int cell = int(lcg.next() % 49);
                const float u0 = float(cell % 7) * 18.0f / 128.0f, v0 = float(cell / 7) * 18.0f / 128.0f;
                const float u1 = u0 + w / 128.0f, v1 = v0 + h / 128.0f;
                const uint32_t color = 0xFFFFDC00u;
                SpriteVertex* sv = &m_glyphV[q * 4];
                sv[0] = {x0, y0, 0, color, u0, v0};
                sv[1] = {x0, y0 + h, 0, color, u0, v1};
                sv[2] = {x0 + w, y0, 0, color, u1, v0};
                sv[3] = {x0 + w, y0 + h, 0, color, u1, v1};
                uint16_t* gi = &m_glyphI[q * 6];
                const uint16_t k = uint16_t(q * 4);
                gi[0] = k, gi[1] = uint16_t(k + 1), gi[2] = uint16_t(k + 2);
                gi[3] = uint16_t(k + 2), gi[4] = uint16_t(k + 1), gi[5] = uint16_t(k + 3);
            }
        }
    }

    void buildTextures() {
        m_wood.resize(256 * 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const float n = valueNoise(float(x) / 32.0f, float(y) / 8.0f) * 2.0f;
                const float ring = 0.5f + 0.5f * std::sin((float(y) / 9.0f + n) * 3.1415927f);
                const float grain = valueNoise(float(x) / 2.0f, float(y) / 16.0f);
                const float k = 0.55f + 0.3f * ring + 0.15f * grain;
                const uint32_t rr = uint32_t(clampf(190 * k, 0, 255)), g = uint32_t(clampf(130 * k, 0, 255)),
                               b = uint32_t(clampf(70 * k, 0, 255));
                m_wood[size_t(y) * 256 + size_t(x)] = 0xFF000000u | rr << 16 | g << 8 | b;
            }
        m_woodView.format = r::TextureFormat::X8R8G8B8;
        m_woodView.levelCount = 1;
        m_woodView.levels[0] = {m_wood.data(), 256 * 4, 256, 256};

        std::vector<uint32_t> level(128 * 128);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const int cx = x % 18, cy = y % 18, cell = (y / 18) * 7 + x / 18;
                bool a = false;
                if (x < 126 && y < 126 && cx >= 2 && cx < 14 && cy >= 2 && cy < 16) {
                    const unsigned bars = unsigned(cell) * 2654435761u >> 24;
                    if ((bars & 1) && cy >= 3 && cy < 6) a = true;
                    if ((bars & 2) && cx >= 4 && cx < 7) a = true;
                    if ((bars & 4) && cy >= 9 && cy < 11) a = true;
                    if ((bars & 8) && cx >= 9 && cx < 12) a = true;
                    if ((bars & 16) && std::abs(cx - cy + 2) < 2) a = true;
                    if ((bars & 0x60) == 0x60 && cy >= 13 && cy < 15) a = true;
                }
                level[size_t(y) * 128 + size_t(x)] = (a ? 0xFF000000u : 0u) | 0x00FFFFFFu;
            }
        int size = 128;
        m_glyphView.format = r::TextureFormat::A8R8G8B8;
        for (int l = 0;; ++l) {
            m_glyphLevels.push_back(level);
            if (size == 1) break;
            const int ns = size / 2;
            std::vector<uint32_t> next(size_t(ns) * size_t(ns));
            for (int y = 0; y < ns; ++y)
                for (int x = 0; x < ns; ++x) {
                    uint32_t out = 0;
                    for (int sh = 0; sh < 32; sh += 8) {
                        const auto c = [&](int xx, int yy) { return (level[size_t(yy) * size_t(size) + size_t(xx)] >> sh) & 0xFF; };
                        const uint32_t sum = c(2 * x, 2 * y) + c(2 * x + 1, 2 * y) + c(2 * x, 2 * y + 1) + c(2 * x + 1, 2 * y + 1);
                        out |= ((sum + 2) / 4) << sh;
                    }
                    next[size_t(y) * size_t(ns) + size_t(x)] = out;
                }
            level = std::move(next);
            size = ns;
        }
        m_glyphView.levelCount = uint32_t(m_glyphLevels.size());
        for (size_t l = 0; l < m_glyphLevels.size(); ++l) {
            const uint32_t s = 128u >> l;
            m_glyphView.levels[l] = {m_glyphLevels[l].data(), int32_t(s * 4), s, s};
        }
    }

    void updateSprings() {
        const float t = float(m_frame) * 0.03f;
        for (Spring& sp : m_springs) {
            const float x = 40 + 34 * std::sin(0.7f * t + sp.ph[0]);
            const float y = 40 + 34 * std::sin(0.9f * t + sp.ph[1]);
            const float a = sp.ph[2] + 0.5f * t;
            sp.p0 = {clampf(x, 1, 79), clampf(y, 1, 79), 0};
            sp.p1 = {clampf(x + 30 * std::cos(a), 0, 80), clampf(y + 30 * std::sin(a), 0, 80), 0};
        }
    }

    std::vector<uint32_t> m_back, m_front, m_depth;
    r::Targets m_targets;
    // Small draws are held back and drawn together on all threads, as the device does.
    r::DrawQueue m_queue;
    r::Mat4 m_view, m_proj;
    V3 m_eye;
    r::CullMode m_cull = r::CullMode::CW;  // the first frame starts with clockwise culling
    bool m_opaque = false;
    unsigned m_parts = kAll;
    int m_frame = 0;
    TexVertex m_strip[6];
    ColorVertex m_mirror[4];
    MeshVertex m_sphereV[58];
    uint16_t m_sphereI[112 * 3];
    Spring m_springs[kSystems];
    SpriteVertex m_glyphV[kGlyphs * 4];
    uint16_t m_glyphI[kGlyphs * 6];
    std::vector<uint32_t> m_wood;
    std::vector<std::vector<uint32_t>> m_glyphLevels;
    r::TextureView m_woodView, m_glyphView;
};

double wallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
double threadCpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Milliseconds per frame for `frames` frames drawn with the given parts and stop point, the
// median of five batches. With one thread this is the drawing thread's processor time, which
// other load on a shared machine disturbs far less than wall time; with helpers it is wall time
// (the main thread's processor time would miss the helpers' work).
double timeFrames(DemoScene& scene, int frames, unsigned parts, r::StopAfter stop, bool opaque = false) {
    r::setStopAfter(stop);
    double batches[5];
    for (double& b : batches) {
        const bool cpu = r::threadCount() == 1;
        const double t0 = cpu ? threadCpuMs() : wallMs();
        for (int i = 0; i < frames; ++i) scene.frame(parts, opaque);
        b = ((cpu ? threadCpuMs() : wallMs()) - t0) / frames;
    }
    r::setStopAfter(r::StopAfter::Full);
    std::sort(std::begin(batches), std::end(batches));
    return batches[2];
}

uint32_t checksum(const std::vector<uint32_t>& pixels) {
    uint32_t h = 2166136261u;  // FNV-1a over the pixel words
    for (uint32_t p : pixels) h = (h ^ p) * 16777619u;
    return h;
}

// RASTER_BENCH_PPM=<file> writes frame 1 (the first after the clockwise-culled frame 0) as a
// binary PPM, to look at; RASTER_BENCH_THREADS=<n> draws it with n threads (to compare bytes).
void writeFrameIfAsked() {
    const char* path = std::getenv("RASTER_BENCH_PPM");
    if (path == nullptr) return;
    const char* threads = std::getenv("RASTER_BENCH_THREADS");
    r::setThreadCount(threads ? std::atoi(threads) : 2);
    DemoScene scene;
    scene.frame();
    scene.frame();
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return;
    std::fprintf(f, "P6\n%u %u\n255\n", kWidth, kHeight);
    for (uint32_t p : scene.backBuffer()) {
        const unsigned char rgb[3] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
        std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
}

// RASTER_BENCH_FRAMES=<n> draws n frames (on RASTER_BENCH_THREADS threads, 1 by default) after the warm-up and exits, for
// instruction counting under callgrind (--toggle-collect='*countedFrames*' then divides
// evenly); RASTER_BENCH_PARTS=<bits> limits them to some parts of the scene (DemoScene::Parts).
// The checksum of the last frame is printed, to compare paths that must give the same bytes.
__attribute__((noinline)) void countedFrames(DemoScene& scene, int n, unsigned parts) {
    for (int i = 0; i < n; ++i) scene.frame(parts);
}

void countFramesIfAsked() {
    const char* frames = std::getenv("RASTER_BENCH_FRAMES");
    if (frames == nullptr) return;
    const char* partsText = std::getenv("RASTER_BENCH_PARTS");
    const unsigned parts = partsText ? unsigned(std::strtoul(partsText, nullptr, 0)) : unsigned(DemoScene::kAll);
    // One thread unless RASTER_BENCH_THREADS says otherwise (the checksum must not change).
    const char* threads = std::getenv("RASTER_BENCH_THREADS");
    r::setThreadCount(threads ? std::atoi(threads) : 1);
    // RASTER_BENCH_DIRECT=0 sends every triangle through the fragment batch (same bytes, slower).
    const char* direct = std::getenv("RASTER_BENCH_DIRECT");
    r::setDirectFill(direct == nullptr || std::atoi(direct) != 0);
    DemoScene scene;
    for (int i = 0; i < 2; ++i) scene.frame();  // past the first clockwise-culled frame
    const int n = std::atoi(frames);
    countedFrames(scene, n, parts);
    std::printf("%d frames, parts 0x%x, checksum %08x\n", n, parts, checksum(scene.backBuffer()));
    std::exit(0);
}

void compareIfAsked() {
    const char* ab = std::getenv("RASTER_BENCH_AB");
    if (ab == nullptr) return;
    char knob[16] = {};
    unsigned parts = DemoScene::kAll;
    int threads = 2;
    if (std::sscanf(ab, "%15[a-z],%i,%d", knob, &parts, &threads) < 1) {
        std::fprintf(stderr, "RASTER_BENCH_AB: expected <wide|widest|direct>,<parts>,<threads>\n");
        std::exit(2);
    }
    const std::string name = knob;
    void (*set)(bool) = name == "wide" ? r::setWideLanes : name == "widest" ? r::setWidestLanes
                                        : name == "direct" ? r::setDirectFill : nullptr;
    if (set == nullptr) {
        std::fprintf(stderr, "RASTER_BENCH_AB: no knob '%s' (wide, widest or direct)\n", knob);
        std::exit(2);
    }
    r::setThreadCount(threads);
    DemoScene scene;
    for (int i = 0; i < 20; ++i) scene.frame(parts);
    std::vector<double> ms[2];
    for (int round = 0; round < 400; ++round) {
        for (int on = 0; on < 2; ++on) {
            set(on == 1);
            const double t0 = wallMs();
            for (int i = 0; i < 5; ++i) scene.frame(parts);
            ms[on].push_back((wallMs() - t0) / 5);
        }
    }
    set(true);
    for (int on = 0; on < 2; ++on) {
        std::sort(ms[on].begin(), ms[on].end());
        std::printf("%s %s: median %.4f ms, quartiles %.4f-%.4f ms (parts 0x%x, %d threads)\n", knob,
                    on ? "on " : "off", ms[on][ms[on].size() / 2], ms[on][ms[on].size() / 4],
                    ms[on][ms[on].size() * 3 / 4], parts, threads);
    }
    std::exit(0);
}

// Argument: the number of threads large draws are split across.
void BM_Raster_DemoFrame(benchmark::State& state) {
    writeFrameIfAsked();
    r::setThreadCount(int(state.range(0)));
    DemoScene scene;
    for (int i = 0; i < 20; ++i) scene.frame();  // warm-up: caches, and past the first CW-culled frame
    for (auto _ : state) {
        scene.frame();
        benchmark::DoNotOptimize(scene.backBuffer().data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);

    // Where the time goes, from frames stopped after each stage (outside the timed loop).
    constexpr int kFrames = 20;
    using S = DemoScene;
    const double clear = timeFrames(scene, kFrames, S::kClear, r::StopAfter::Full);
    const double present = timeFrames(scene, kFrames, S::kPresent, r::StopAfter::Full);
    const double vertex = timeFrames(scene, kFrames, S::kDraw, r::StopAfter::Vertex);
    const double setup = timeFrames(scene, kFrames, S::kDraw, r::StopAfter::Setup);
    const double opaque = timeFrames(scene, kFrames, S::kDraw, r::StopAfter::Full, true);
    const double full = timeFrames(scene, kFrames, S::kDraw, r::StopAfter::Full);
    state.counters["frame_ms"] = timeFrames(scene, kFrames, S::kAll, r::StopAfter::Full);
    state.counters["clear_ms"] = clear;
    state.counters["vertex_ms"] = vertex;
    state.counters["setup_ms"] = std::max(0.0, setup - vertex);
    state.counters["fill_ms"] = std::max(0.0, opaque - setup);
    state.counters["blend_ms"] = std::max(0.0, full - opaque);
    state.counters["present_ms"] = present;
    // And by part of the scene (each drawn alone, no clear or present).
    state.counters["part_floor_ms"] = timeFrames(scene, kFrames, S::kFloor, r::StopAfter::Full);
    state.counters["threads"] = r::threadCount();
    state.counters["part_lines_ms"] = timeFrames(scene, kFrames, S::kLines, r::StopAfter::Full);
    state.counters["part_spheres_ms"] = timeFrames(scene, kFrames, S::kSpheres, r::StopAfter::Full);
    state.counters["part_mirror_quad_ms"] = timeFrames(scene, kFrames, S::kMirrorQuad, r::StopAfter::Full);
    state.counters["part_text_ms"] = timeFrames(scene, kFrames, S::kText, r::StopAfter::Full);
}
BENCHMARK(BM_Raster_DemoFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// One part of the scene alone (arguments: DemoScene::Parts bits, thread count), for profiling and
// for comparing builds on one part.
void BM_Raster_ScenePart(benchmark::State& state) {
    r::setThreadCount(int(state.range(1)));
    DemoScene scene;
    const unsigned parts = unsigned(state.range(0));
    for (int i = 0; i < 5; ++i) scene.frame(parts);
    for (auto _ : state) {
        scene.frame(parts);
        benchmark::DoNotOptimize(scene.backBuffer().data());
    }
}
BENCHMARK(BM_Raster_ScenePart)
    ->ArgsProduct({{DemoScene::kFloor, DemoScene::kLines, DemoScene::kSpheres, DemoScene::kMirrorQuad, DemoScene::kText},
                   {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Clearing and presenting alone: the memory-traffic floor of a frame.
void BM_Raster_ClearPresent(benchmark::State& state) {
    DemoScene scene;
    for (auto _ : state) {
        scene.frame(DemoScene::kClear | DemoScene::kPresent);
        benchmark::DoNotOptimize(scene.backBuffer().data());
    }
}
BENCHMARK(BM_Raster_ClearPresent)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // RASTER_BENCH_WIDE=0 keeps the 4-lane loops on a processor with AVX2 (same bytes).
    if (const char* wide = std::getenv("RASTER_BENCH_WIDE")) r::setWideLanes(std::atoi(wide) != 0);
    // RASTER_BENCH_WIDEST=0 keeps the 8-lane loops on a processor with AVX-512F (same bytes).
    if (const char* widest = std::getenv("RASTER_BENCH_WIDEST")) r::setWidestLanes(std::atoi(widest) != 0);
    countFramesIfAsked();
    compareIfAsked();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
