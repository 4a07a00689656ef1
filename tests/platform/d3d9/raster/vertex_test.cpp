// The vertex stage and primitive assembly: lighting of known normals, user clip planes, the view
// volume, and draws that describe more than their buffers hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/platform/d3d9/raster/raster_fixture.h"

namespace {

using namespace raster_test;
using r::PrimitiveType;

// A lit state drawing LitVtx through the pixel projection, one directional light.
r::PipelineState litState(float dx, float dy, float dz) {
    r::PipelineState s;
    s.projection = pixelProjection(8, 8);
    s.viewport = {0, 0, 8, 8, 0.0f, 1.0f};
    s.cullMode = r::CullMode::None;
    s.layout.position = {true, 0, 0, r::ElementType::Float3};
    s.layout.normal = {true, 0, 12, r::ElementType::Float3};
    s.layout.diffuse = {true, 0, 24, r::ElementType::D3DColor};
    s.lighting = true;
    s.ambient = {32.0f / 255.0f, 32.0f / 255.0f, 32.0f / 255.0f, 0.0f};
    s.material.diffuse = {0.4f, 0.2f, 1.0f, 1.0f};
    s.material.ambient = {0.4f, 0.2f, 1.0f, 1.0f};
    s.lights[0].enabled = true;
    s.lights[0].type = r::LightType::Directional;
    s.lights[0].diffuse = {1, 1, 1, 0};
    s.lights[0].direction = {dx, dy, dz};
    return s;
}

std::vector<LitVtx> litQuad(float nx, float ny, float nz, uint32_t color) {
    return {{0, 0, 0, nx, ny, nz, color}, {8, 0, 0, nx, ny, nz, color}, {0, 8, 0, nx, ny, nz, color},
            {8, 0, 0, nx, ny, nz, color}, {8, 8, 0, nx, ny, nz, color}, {0, 8, 0, nx, ny, nz, color}};
}

uint32_t expectByte(float v) {
    v = v < 0 ? 0 : (v > 1 ? 1 : v);
    return uint32_t(v * 255.0f + 0.5f);
}

TEST(RasterLighting, DirectionalLightOnKnownNormals) {
    // Light travelling along +z lights a normal of (0,0,-1) fully; the result per channel is
    // ambient level * material ambient + N.L * material diffuse, clamped.
    struct Case {
        const char* name;
        float n[3];
        float dir[3];
        bool colorVertex;
        bool normalize;
        float ndotl;
    };
    const float s = 0.6f, c = 0.8f;
    const Case cases[] = {
        {"facing the light", {0, 0, -1}, {0, 0, 1}, false, false, 1.0f},
        {"facing away: ambient only", {0, 0, 1}, {0, 0, 1}, false, false, 0.0f},
        {"at an angle", {0, 0, -1}, {0, -s, c}, false, false, c},
        {"long normal is not normalised", {0, 0, -2}, {0, -s, c}, false, false, 2 * c},
        {"long normal normalised on request", {0, 0, -2}, {0, -s, c}, false, true, c},
        {"light direction is normalised", {0, 0, -1}, {0, 0, 5}, false, false, 1.0f},
        {"vertex colour as diffuse material", {0, 0, -1}, {0, -s, c}, true, false, c},
    };
    const uint32_t vertexColor = 0x80402010u;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto st = litState(k.dir[0], k.dir[1], k.dir[2]);
        st.colorVertex = k.colorVertex;
        st.normalizeNormals = k.normalize;
        Canvas canvas(8, 8);
        drawList(st, canvas, litQuad(k.n[0], k.n[1], k.n[2], vertexColor));
        const float amb = 32.0f / 255.0f;
        float md[4] = {0.4f, 0.2f, 1.0f, 1.0f};
        if (k.colorVertex) {
            md[0] = 64.0f / 255.0f;
            md[1] = 32.0f / 255.0f;
            md[2] = 16.0f / 255.0f;
            md[3] = 128.0f / 255.0f;
        }
        const uint32_t expected = argb(expectByte(md[3]), expectByte(0.4f * amb + md[0] * k.ndotl),
                                       expectByte(0.2f * amb + md[1] * k.ndotl), expectByte(1.0f * amb + md[2] * k.ndotl));
        EXPECT_EQ(canvas.at(3, 3), expected) << std::hex << canvas.at(3, 3) << " vs " << expected;
    }
}

TEST(RasterLighting, KnownValuesForTheSceneLight) {
    // White material, ambient 0x20, light along +z: a (0,0,-1) normal is white; the floor's
    // (1,1,0) normal is perpendicular to the light and gets only the ambient level.
    auto st = litState(0, 0, 1);
    st.material.diffuse = {1, 1, 1, 1};
    st.material.ambient = {1, 1, 1, 1};
    st.colorVertex = true;
    st.layout.diffuse.present = false;
    Canvas a(8, 8), b(8, 8);
    drawList(st, a, litQuad(0, 0, -1, 0));
    drawList(st, b, litQuad(1, 1, 0, 0));
    EXPECT_EQ(a.at(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(b.at(1, 1), 0xFF202020u);
}

TEST(RasterLighting, NormalsFollowTheWorldTransform) {
    // A world rotation of 180 degrees about y turns a (0,0,1) normal to face the light.
    auto st = litState(0, 0, 1);
    st.material.diffuse = {1, 1, 1, 1};
    st.material.ambient = {0, 0, 0, 0};
    st.colorVertex = false;
    st.world.m[0][0] = -1;
    st.world.m[2][2] = -1;
    st.projection.m[0][0] = -st.projection.m[0][0];  // undo the x mirror so the quad stays on screen
    Canvas canvas(8, 8);
    drawList(st, canvas, litQuad(0, 0, 1, 0));
    EXPECT_EQ(canvas.at(4, 4), 0xFFFFFFFFu);
}

TEST(RasterLighting, PointLightRangeAndAttenuation) {
    auto st = litState(0, 0, 1);
    st.material.diffuse = {1, 1, 1, 1};
    st.material.ambient = {0, 0, 0, 0};
    st.colorVertex = false;
    st.lights[0].type = r::LightType::Point;
    // Far in front of the quad's centre, so every vertex sees N.L within 1e-6 of 1.
    st.lights[0].position = {4, 4, -10000};
    st.lights[0].attenuation0 = 4.0f;  // constant attenuation: a quarter of the light
    st.lights[0].range = 20000.0f;
    Canvas canvas(8, 8);
    drawList(st, canvas, litQuad(0, 0, -1, 0));
    EXPECT_EQ(canvas.at(4, 4), 0xFF404040u);  // 63.75
    st.lights[0].range = 5000.0f;  // out of range: black
    Canvas dark(8, 8);
    drawList(st, dark, litQuad(0, 0, -1, 0));
    EXPECT_EQ(dark.at(4, 4), 0xFF000000u);
}

// ---- clipping ---------------------------------------------------------------------------------

std::vector<Vtx> bigTriangle(uint32_t c = 0xFFFFFFFFu) {
    return {{-4, -4, 0.5f, c, 0, 0}, {20, -4, 0.5f, c, 0, 0}, {-4, 20, 0.5f, c, 0, 0}};
}

TEST(RasterClip, UserPlaneCutsATriangle) {
    struct Case {
        const char* name;
        float plane[4];
        float worldShiftX;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"keep x >= 3.5", {1, 0, 0, -3.5f}, 0,
         rows({"....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX"})},
        {"keep x <= 3.5", {-1, 0, 0, 3.5f}, 0,
         rows({"XXXX....", "XXXX....", "XXXX....", "XXXX....", "XXXX....", "XXXX....", "XXXX....", "XXXX...."})},
        {"diagonal: keep x + y <= 6", {-1, -1, 0, 6.5f}, 0,
         rows({"XXXXXXX.", "XXXXXX..", "XXXXX...", "XXXX....", "XXX.....", "XX......", "X.......", "........"})},
        // The plane is in world space: moving the geometry by +2 in x does not move the cut.
        {"world space", {1, 0, 0, -3.5f}, 2,
         rows({"....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.world.m[3][0] = c.worldShiftX;
        for (int j = 0; j < 4; ++j) s.clipPlanes[2][j] = c.plane[j];
        s.clipPlaneEnable = 1u << 2;
        Canvas canvas(8, 8);
        drawList(s, canvas, bigTriangle());
        EXPECT_EQ(canvas.coverage(), c.expected);
    }
}

TEST(RasterClip, DisabledPlanesDoNothingAndColoursSurviveTheCut) {
    auto s = vtxState(8, 8);
    s.clipPlanes[0][0] = 1;
    s.clipPlanes[0][3] = -100;  // would remove everything
    s.clipPlaneEnable = 0;
    Canvas canvas(8, 8);
    drawList(s, canvas, bigTriangle());
    for (uint32_t p : canvas.pixels) EXPECT_EQ(p, 0xFFFFFFFFu);

    // A colour ramp cut by a plane keeps its values where it is kept.
    s.clipPlaneEnable = 1;
    s.clipPlanes[0][0] = 1;
    s.clipPlanes[0][3] = -3.5f;
    std::vector<Vtx> ramp = {{0, 0, 0, 0xFF000000u, 0, 0}, {8, 0, 0, 0xFFFF0000u, 0, 0}, {0, 8, 0, 0xFF000000u, 0, 0}};
    Canvas cut(8, 8), whole(8, 8);
    drawList(s, cut, ramp);
    s.clipPlaneEnable = 0;
    drawList(s, whole, ramp);
    for (uint32_t x = 4; x < 7; ++x) EXPECT_EQ(cut.at(x, 0), whole.at(x, 0)) << x;
    EXPECT_EQ(cut.at(3, 0), 0u);
}

TEST(RasterClip, NearAndFarPlanes) {
    struct Case {
        const char* name;
        float z;
        bool drawn;
    };
    const Case cases[] = {{"inside", 0.5f, true}, {"behind the near plane", -0.25f, false}, {"beyond the far plane", 1.5f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        Canvas canvas(8, 8);
        std::vector<Vtx> v = {{0, 0, c.z, ~0u, 0, 0}, {8, 0, c.z, ~0u, 0, 0}, {0, 8, c.z, ~0u, 0, 0}};
        drawList(s, canvas, v);
        EXPECT_EQ(canvas.at(1, 1) != 0, c.drawn);
    }
    // A triangle crossing the near plane keeps its part in front.
    auto s = vtxState(8, 8);
    Canvas canvas(8, 8);
    std::vector<Vtx> v = {{0, 0, -1, ~0u, 0, 0}, {8, 0, 1, ~0u, 0, 0}, {0, 8, -1, ~0u, 0, 0},
                          {8, 0, 1, ~0u, 0, 0}, {8, 8, 1, ~0u, 0, 0}, {0, 8, -1, ~0u, 0, 0}};
    drawList(s, canvas, v);
    EXPECT_EQ(canvas.coverage(), rows({"....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX", "....XXXX",
                                       "....XXXX", "....XXXX"}));
}

TEST(RasterClip, PerspectiveTriangleBehindTheEyeIsClippedNotWrapped) {
    // A perspective projection (w = z), a triangle reaching behind the eye: the part behind must
    // vanish, not reappear mirrored.
    auto s = vtxState(8, 8);
    r::Mat4 p;
    p.m[0][0] = 1;
    p.m[1][1] = 1;
    p.m[2][2] = 1.0f;  // z' = z - 1 (near plane at z = 1), w = z
    p.m[3][2] = -1.0f;
    p.m[2][3] = 1.0f;
    p.m[3][3] = 0.0f;
    s.projection = p;
    Canvas canvas(8, 8);
    std::vector<Vtx> v = {{-1, 0.5f, 2, ~0u, 0, 0}, {1, 0.5f, 2, ~0u, 0, 0}, {0, 0.5f, -5, ~0u, 0, 0}};
    drawList(s, canvas, v);
    // Only rows near the top (y = 0.5 / z on screen: above the centre) may be touched.
    for (uint32_t y = 5; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(canvas.at(x, y), 0u) << x << "," << y;
}

// ---- draws that describe more than their buffers hold --------------------------------------

TEST(RasterRobustness, OutOfRangeIndicesSkipOnlyTheirPrimitives) {
    const std::vector<Vtx> v = {{0, 0, 0, ~0u, 0, 0}, {4, 0, 0, ~0u, 0, 0}, {0, 4, 0, ~0u, 0, 0},
                                {8, 4, 0, ~0u, 0, 0}, {4, 8, 0, ~0u, 0, 0}, {8, 8, 0, ~0u, 0, 0}};
    const uint16_t indices[] = {0, 1, 2, 3, 4, 60000, 3, 5, 4};
    auto s = vtxState(8, 8);
    r::DrawCall call = callFor(v, PrimitiveType::TriangleList, 3);
    call.indexFormat = r::IndexFormat::U16;
    call.indices = indices;
    call.indexCount = 9;
    Canvas canvas(8, 8);
    r::draw(s, call, canvas.targets());
    EXPECT_NE(canvas.at(0, 0), 0u);  // first triangle
    EXPECT_NE(canvas.at(7, 6), 0u);  // third triangle
    // Too many primitives for the indices: nothing beyond indexCount is read.
    call.primitiveCount = 1000000;
    Canvas again(8, 8);
    r::draw(s, call, again.targets());
    EXPECT_EQ(again.pixels, canvas.pixels);
}

// A negative base vertex shifts every index; the primitives whose vertices land before the
// stream are skipped, the others drawn as with the indices already shifted.
TEST(RasterRobustness, NegativeBaseVertexShiftsIndexedDraws) {
    const std::vector<Vtx> v = {{0, 0, 0, ~0u, 0, 0}, {4, 0, 0, ~0u, 0, 0}, {0, 4, 0, ~0u, 0, 0},
                                {8, 4, 0, ~0u, 0, 0}, {4, 8, 0, ~0u, 0, 0}, {8, 8, 0, ~0u, 0, 0}};
    const auto drawIndexed = [&](const std::vector<uint16_t>& indices, int32_t base) {
        auto s = vtxState(8, 8);
        r::DrawCall call = callFor(v, PrimitiveType::TriangleList, uint32_t(indices.size() / 3));
        call.indexFormat = r::IndexFormat::U16;
        call.indices = indices.data();
        call.indexCount = uint32_t(indices.size());
        call.baseVertex = base;
        Canvas canvas(8, 8);
        r::draw(s, call, canvas.targets());
        return canvas.pixels;
    };
    const auto expected = drawIndexed({3, 5, 4}, 0);
    EXPECT_NE(std::count(expected.begin(), expected.end(), 0u), 64);
    // With base -2, indices 0 and 1 fall before the stream: their triangle is skipped.
    EXPECT_EQ(drawIndexed({1, 2, 3, 5, 7, 6}, -2), expected);
    EXPECT_EQ(drawIndexed({5, 7, 6, 0, 1, 2}, -2), expected);
}

TEST(RasterRobustness, NonIndexedDrawBeyondTheStreamIsCut) {
    const std::vector<Vtx> v = {{0, 0, 0, ~0u, 0, 0}, {8, 0, 0, ~0u, 0, 0}, {0, 8, 0, ~0u, 0, 0}};
    auto s = vtxState(8, 8);
    r::DrawCall call = callFor(v, PrimitiveType::TriangleList, 4000000000u);
    Canvas canvas(8, 8);
    r::draw(s, call, canvas.targets());
    EXPECT_NE(canvas.at(1, 1), 0u);
    call.baseVertex = -1;  // the only triangle that fits starts before the stream: nothing drawn
    Canvas none(8, 8);
    r::draw(s, call, none.targets());
    for (uint32_t p : none.pixels) EXPECT_EQ(p, 0u);
    call.baseVertex = 0;
    call.streams[0].data = nullptr;
    r::draw(s, call, none.targets());
    for (uint32_t p : none.pixels) EXPECT_EQ(p, 0u);
}

// An element that sticks out of the stride makes only the last vertex unreadable: the
// triangles that use it are skipped wherever it appears in the index list, the others drawn.
TEST(RasterRobustness, ElementPastTheStreamEndSkipsOnlyTheLastVertex) {
    const std::vector<Vtx> v = {{0, 0, 0, ~0u, 0, 0}, {4, 0, 0, ~0u, 0, 0}, {0, 4, 0, ~0u, 0, 0},
                                {8, 4, 0, ~0u, 0, 0}, {4, 8, 0, ~0u, 0, 0}, {8, 8, 0, ~0u, 0, 0}};
    struct Case {
        const char* name;
        uint16_t indices[6];
    };
    constexpr Case kCases[] = {
        {"last vertex last", {0, 1, 2, 3, 5, 4}},
        {"last vertex first", {5, 3, 4, 0, 1, 2}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.layout.texCoord[0] = {true, 0, 20, r::ElementType::Float2};  // bytes 20..27 of a 24-byte stride
        s.stages[0].colorOp = r::TextureOp::SelectArg1;
        s.stages[0].colorArg1 = {r::ArgSource::Diffuse};
        r::DrawCall call = callFor(v, PrimitiveType::TriangleList, 2);
        call.indexFormat = r::IndexFormat::U16;
        call.indices = c.indices;
        call.indexCount = 6;
        Canvas canvas(8, 8);
        r::draw(s, call, canvas.targets());
        EXPECT_NE(canvas.at(0, 0), 0u);  // the triangle of vertices 0, 1, 2
        EXPECT_EQ(canvas.at(7, 6), 0u);  // the one that uses vertex 5
        // With the element inside the stride both are drawn.
        s.layout.texCoord[0].offset = 16;
        Canvas both(8, 8);
        r::draw(s, call, both.targets());
        EXPECT_NE(both.at(0, 0), 0u);
        EXPECT_NE(both.at(7, 6), 0u);
    }
}

TEST(RasterRobustness, NonFiniteAndHugeCoordinatesDrawNothingHarmful) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        float x, y;
    };
    const Case cases[] = {{"NaN", nan, 2}, {"infinity", inf, 2}, {"huge", 3e30f, -3e30f}, {"far but finite", 1e7f, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool pre : {false, true}) {
            Canvas canvas(8, 8);
            if (pre) {
                auto s = tvtxState(8, 8);
                drawList(s, canvas, std::vector<TVtx>{{0, 0, 0, 1, ~0u, 0, 0}, {c.x, c.y, 0, 1, ~0u, 0, 0},
                                                      {0, 8, 0, 1, ~0u, 0, 0}});
                drawList(s, canvas, std::vector<TVtx>{{0, 0, 0, 1, ~0u, 0, 0}, {c.x, c.y, 0, 1, ~0u, 0, 0}},
                         PrimitiveType::LineList);
            } else {
                auto s = vtxState(8, 8);
                drawList(s, canvas, std::vector<Vtx>{{0, 0, 0, ~0u, 0, 0}, {c.x, c.y, 0, ~0u, 0, 0}, {0, 8, 0, ~0u, 0, 0}});
                drawList(s, canvas, std::vector<Vtx>{{0, 0, 0, ~0u, 0, 0}, {c.x, c.y, 0, ~0u, 0, 0}},
                         PrimitiveType::LineList);
            }
            // A primitive with a non-finite position is dropped whole (clipping it would only
            // produce more non-finite vertices); so is a pretransformed one beyond a million
            // pixels. Transformed geometry that is merely far away is clipped and its visible
            // part drawn. The sanitizer build checks that no case touches memory outside.
            int drawn = 0;
            for (uint32_t p : canvas.pixels) drawn += p != 0;
            if (!std::isfinite(c.x) || pre) {
                EXPECT_EQ(drawn, 0);
            } else {
                EXPECT_NE(canvas.at(0, 3), 0u);
            }
        }
    }
}

TEST(RasterRobustness, BadTargetsAreRefused) {
    const std::vector<Vtx> v = {{0, 0, 0, ~0u, 0, 0}, {8, 0, 0, ~0u, 0, 0}, {0, 8, 0, ~0u, 0, 0}};
    auto s = vtxState(8, 8);
    s.zEnable = true;
    Canvas canvas(8, 8);
    r::Targets t = canvas.targets(true);
    t.color.pitch = 4;  // narrower than a row
    r::draw(s, callFor(v, PrimitiveType::TriangleList, 1), t);
    for (uint32_t p : canvas.pixels) EXPECT_EQ(p, 0u);
    t = canvas.targets(true);
    t.depth.width = 2;  // a smaller depth buffer limits drawing to its size
    t.depth.height = 2;
    r::draw(s, callFor(v, PrimitiveType::TriangleList, 1), t);
    EXPECT_EQ(canvas.coverage(), rows({"XX......", "XX......", "........", "........", "........", "........",
                                       "........", "........"}));
}

TEST(RasterDeterminism, SameFrameSameBytes) {
    auto s = vtxState(16, 16);
    s.alphaBlendEnable = true;
    s.srcBlend = r::BlendFactor::SrcAlpha;
    s.destBlend = r::BlendFactor::InvSrcAlpha;
    std::vector<Vtx> v;
    for (int i = 0; i < 30; ++i) {
        const float a = float(i) * 0.7f;
        v.push_back({8 + 7 * std::cos(a), 8 + 7 * std::sin(a), 0, 0x80FF0000u + uint32_t(i) * 0x0305u, 0, 0});
        v.push_back({8 + 3 * std::cos(a * 1.3f), 8 + 5 * std::sin(a * 0.9f), 0, 0x6000FF00u, 0, 0});
        v.push_back({8 + 6 * std::sin(a * 2.1f), 8 + 2 * std::cos(a), 0, 0x400000FFu, 0, 0});
    }
    Canvas a(16, 16, 0xFF102030u), b(16, 16, 0xFF102030u);
    drawList(s, a, v);
    drawList(s, b, v);
    EXPECT_EQ(a.pixels, b.pixels);
    int touched = 0;
    for (uint32_t p : a.pixels) touched += p != 0xFF102030u;
    EXPECT_GT(touched, 50);
}

// Large draws are split by rows between threads; the bytes must not depend on the split.
TEST(RasterDeterminism, ThreadCountDoesNotChangeTheBytes) {
    constexpr uint32_t kSize = 200;  // large enough for the draws to be split
    std::vector<uint32_t> texels(16 * 16);
    for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = 0x80000000u | (i * 0x010307u);
    r::TextureView tex;
    tex.format = r::TextureFormat::A8R8G8B8;
    tex.levelCount = 1;
    tex.levels[0] = {texels.data(), 16 * 4, 16, 16};
    auto s = vtxState(kSize, kSize);
    s.stages[0].texture = &tex;
    s.stages[0].sampler.magFilter = r::Filter::Linear;
    s.stages[0].sampler.minFilter = r::Filter::Linear;
    s.alphaBlendEnable = true;
    s.srcBlend = r::BlendFactor::SrcAlpha;
    s.destBlend = r::BlendFactor::InvSrcAlpha;
    std::vector<Vtx> v;
    for (int i = 0; i < 12; ++i) {
        const float a = float(i) * 0.9f;
        v.push_back({100 + 95 * std::cos(a), 100 + 95 * std::sin(a), 0, 0xC0FF8040u + uint32_t(i) * 0x0101u, 0, 0});
        v.push_back({100 + 60 * std::cos(a * 1.7f), 100 + 90 * std::sin(a * 0.6f), 0, 0x60406080u, 3.5f, 0.25f});
        v.push_back({100 + 90 * std::sin(a * 2.3f), 100 + 40 * std::cos(a), 0, 0xFF20E010u, 1.25f, 2.75f});
    }
    const std::vector<Vtx> line = {{3, 7, 0, ~0u, 0, 0}, {190, 180, 0, ~0u, 0, 0}};
    // Many overlapping blended triangles (set-up bound: split into runs of rows), one of them
    // with a position that is not a number.
    std::vector<Vtx> many;
    Lcg g{7};
    for (int i = 0; i < 150; ++i) {
        const float x = float(g.next() % 190), y = float(g.next() % 190);
        const uint32_t c = 0x70000000u | (g.next() & 0xFFFFFFu);
        many.push_back({x, y, 0, c, 0.1f, 0.2f});
        many.push_back({x + float(g.next() % 40), y + float(g.next() % 25), 0, c ^ 0x00FF00u, 1.3f, 0.4f});
        many.push_back({x + float(g.next() % 20), y + float(g.next() % 45), 0, c ^ 0x0000FFu, 0.5f, 1.9f});
    }
    many[30].x = std::numeric_limits<float>::quiet_NaN();
    // Rows of overlapping quads in reading order, as text comes: each run of rows walks only the
    // primitives that reach it, so a quad reaching a run by a row or two must still be walked.
    std::vector<Vtx> rowsOfQuads;
    for (int row = 0; row < 16; ++row) {
        for (int col = 0; col < 8; ++col) {
            const float x = 4.0f + 23.0f * float(col) + 0.37f * float(row), y = 2.0f + 12.3f * float(row);
            const uint32_t c = 0x90000000u | (g.next() & 0xFFFFFFu);
            const Vtx a{x, y, 0, c, 0, 0}, b{x, y + 13.6f, 0, c, 0, 1}, d{x + 21.5f, y, 0, c, 1, 0},
                e{x + 21.5f, y + 13.6f, 0, c, 1, 1};
            rowsOfQuads.insert(rowsOfQuads.end(), {a, b, d, d, b, e});
        }
    }
    std::vector<uint32_t> reference;
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        r::setThreadCount(threads);
        Canvas canvas(kSize, kSize, 0xFF102030u);
        drawList(s, canvas, v);
        drawList(s, canvas, many);
        drawList(s, canvas, rowsOfQuads);
        drawList(vtxState(kSize, kSize), canvas, line, PrimitiveType::LineList);
        if (reference.empty()) {
            reference = canvas.pixels;
            int touched = 0;
            for (uint32_t p : canvas.pixels) touched += p != 0xFF102030u;
            EXPECT_GT(touched, 20000);
        } else {
            EXPECT_EQ(canvas.pixels, reference);
        }
    }
    r::setThreadCount(2);
}

}  // namespace
