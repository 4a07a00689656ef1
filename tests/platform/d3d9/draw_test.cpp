// Drawing through the device: the misuse table (each refused draw leaves the target as it was),
// and small frames whose pixels show that state reaches the rasteriser: colours, culling, lighting
// with vertex colour, textures, clip planes and blending.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d9/controls.h"
#include "platform/d3d9/raster/raster.h"
#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

struct TlVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE
    float x, y, z, rhw;
    D3DCOLOR color;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct ColorVertex {  // the scene's 0x52 layout
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR color;
};
static_assert(sizeof(ColorVertex) == 28);

struct TexVertex {  // D3DFVF_XYZRHW | D3DFVF_TEX1
    float x, y, z, rhw;
    float u, v;
};

constexpr D3DCOLOR kClear = 0xFF000000;

class D3d9Drawing : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
    }

    // A pretransformed quad over the whole 16 x 16 target as a strip, wound clockwise on screen.
    std::vector<TlVertex> screenQuad(D3DCOLOR c, float inset = 0.0f) const {
        const float w = static_cast<float>(m_width) - inset, h = static_cast<float>(m_height) - inset;
        return {
            {inset, inset, 0.5f, 1.0f, c}, {w, inset, 0.5f, 1.0f, c}, {inset, h, 0.5f, 1.0f, c}, {w, h, 0.5f, 1.0f, c}};
    }

    ComPtr<IDirect3DVertexBuffer9> buffer(const void* data, UINT bytes, DWORD fvf) {
        ComPtr<IDirect3DVertexBuffer9> vb;
        EXPECT_EQ(m_device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, vb.put(), nullptr),
                  D3D_OK);
        void* p = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, data, bytes);
        EXPECT_EQ(vb->Unlock(), D3D_OK);
        return vb;
    }

    uint32_t pixel(const std::vector<uint32_t>& frame, UINT x, UINT y) const {
        return frame[static_cast<size_t>(y) * m_width + x] & 0x00FFFFFF;
    }
};

TEST_F(D3d9Drawing, RefusedDrawsLeaveTheTargetUntouched) {
    const auto quad = screenQuad(0xFFFF0000);
    auto vb = buffer(quad.data(), static_cast<UINT>(quad.size() * sizeof(TlVertex)), kTlFvf);
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.put(), nullptr), D3D_OK);
    struct Case {
        const char* name;
        bool inScene;
        DWORD fvf;
        bool bindStream;
        UINT stride;
        bool bindIndices;
        HRESULT (*draw)(IDirect3DDevice9*);
    };
    const Case kCases[] = {
        {"outside a scene", false, kTlFvf, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); }},
        {"no vertex format", true, 0, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); }},
        {"no stream bound", true, kTlFvf, false, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); }},
        {"stride shorter than a vertex", true, kTlFvf, true, 16, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1); }},
        {"one primitive past the end", true, kTlFvf, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3); }},
        {"start vertex past the end", true, kTlFvf, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2); }},
        {"primitive type 0", true, kTlFvf, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(0), 0, 1); }},
        {"primitive type 7", true, kTlFvf, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(7), 0, 1); }},
        {"indexed without indices", true, kTlFvf, true, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2); }},
        {"indices past the end", true, kTlFvf, true, 20, true,
         [](IDirect3DDevice9* d) { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2); }},
        {"vertex range past the end", true, kTlFvf, true, 20, true,
         [](IDirect3DDevice9* d) { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 2); }},
        {"negative base vertex", true, kTlFvf, true, 20, true,
         [](IDirect3DDevice9* d) { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2); }},
        {"caller data missing", true, kTlFvf, false, 20, false,
         [](IDirect3DDevice9* d) { return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, 20); }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(m_device->SetFVF(c.fvf), D3D_OK);
        ASSERT_EQ(m_device->SetStreamSource(0, c.bindStream ? vb.get() : nullptr, 0, c.stride), D3D_OK);
        ASSERT_EQ(m_device->SetIndices(c.bindIndices ? ib.get() : nullptr), D3D_OK);
        if (c.inScene) {
            ASSERT_EQ(m_device->BeginScene(), D3D_OK);
        }
        EXPECT_EQ(c.draw(m_device.get()), D3DERR_INVALIDCALL);
        if (c.inScene) {
            ASSERT_EQ(m_device->EndScene(), D3D_OK);
        }
        for (uint32_t p : readBackBuffer()) {
            ASSERT_EQ(p & 0x00FFFFFF, kClear & 0x00FFFFFF);
        }
    }
    EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->BeginScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
}

TEST_F(D3d9Drawing, APretransformedQuadCoversTheTarget) {
    const auto quad = screenQuad(0xFF20A0E0);
    auto vb = buffer(quad.data(), static_cast<UINT>(quad.size() * sizeof(TlVertex)), kTlFvf);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 0, sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    for (uint32_t p : readBackBuffer()) {
        ASSERT_EQ(p & 0x00FFFFFF, 0x20A0E0u);
    }
}

TEST_F(D3d9Drawing, ANewDepthBufferStartsAtTheFarPlane) {
    // A fresh device with the depth test on (its default with a depth buffer), only the colour
    // cleared: the first draw passes, a second one behind it does not.
    ASSERT_EQ(recreate(windowedParams(16, 16)), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    const auto nearQuad = screenQuad(0xFF00FF00);
    auto farQuad = screenQuad(0xFFFF0000);
    for (auto& v : farQuad) {
        v.z = 0.9f;
    }
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, nearQuad.data(), sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, farQuad.data(), sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(pixel(readBackBuffer(), 8, 8), 0x00FF00u);
}

TEST_F(D3d9Drawing, CullingFollowsScreenWinding) {
    // The strip's first triangle (0, 1, 2) runs clockwise on screen (y grows downwards).
    const auto quad = screenQuad(0xFFFFFFFF);
    struct Case {
        const char* name;
        DWORD cull;
        bool drawn;
    };
    constexpr Case kCases[] = {{"cull clockwise", D3DCULL_CW, false},
                               {"cull counter-clockwise", D3DCULL_CCW, true},
                               {"cull none", D3DCULL_NONE, true}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, c.cull), D3D_OK);
        ASSERT_EQ(m_device->BeginScene(), D3D_OK);
        ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad.data(), sizeof(TlVertex)), D3D_OK);
        ASSERT_EQ(m_device->EndScene(), D3D_OK);
        const auto frame = readBackBuffer();
        EXPECT_EQ(pixel(frame, 2, 2), c.drawn ? 0xFFFFFFu : 0u);
        EXPECT_EQ(pixel(frame, 14, 14), 0u);  // the other half of the quad was never drawn
    }
}

TEST_F(D3d9Drawing, LitLinesTakeTheirVertexColour) {
    // The scene's spring lines: lighting on, vertex colour on, a white directional light shining
    // along +z onto normals (0, 0, -1), no ambient.
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    light.Range = 1000.0f;
    ASSERT_EQ(m_device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(m_device->LightEnable(0, TRUE), D3D_OK);
    D3DMATERIAL9 mat{};
    mat.Diffuse = mat.Ambient = {1, 1, 1, 1};
    ASSERT_EQ(m_device->SetMaterial(&mat), D3D_OK);
    // Identity transforms: positions are clip coordinates. A horizontal line across row 8.
    const ColorVertex line[2] = {{-1.0f, 0.0f, 0.5f, 0, 0, -1, 0xFF3882FF}, {1.0f, 0.0f, 0.5f, 0, 0, -1, 0xFF3882FF}};
    auto vb = buffer(line, sizeof line, 0x52);
    ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 0, 28), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(0x52), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitive(D3DPT_LINELIST, 0, 1), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const auto frame = readBackBuffer();
    UINT coloured = 0;
    for (UINT y = 0; y < m_height; ++y) {
        for (UINT x = 0; x < m_width; ++x) {
            const uint32_t p = pixel(frame, x, y);
            if (p != 0) {
                EXPECT_EQ(p, 0x3882FFu) << "at " << x << ", " << y;
                ++coloured;
            }
        }
    }
    EXPECT_GE(coloured, m_width - 1);
    EXPECT_LE(coloured, m_width + 1);
}

TEST_F(D3d9Drawing, StageZeroModulatesTheTextureByTheDiffuseColour) {
    ComPtr<IDirect3DTexture9> tex;
    ASSERT_EQ(m_device->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, tex.put(), nullptr), D3D_OK);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(tex->LockRect(0, &r, nullptr, 0), D3D_OK);
    const uint32_t texels[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}};
    for (int y = 0; y < 2; ++y) {
        std::memcpy(static_cast<std::byte*>(r.pBits) + y * r.Pitch, texels[y], 8);
    }
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    const float w = static_cast<float>(m_width), h = static_cast<float>(m_height);
    const TexVertex quad[4] = {
        {0, 0, 0.5f, 1, 0, 0}, {w, 0, 0.5f, 1, 1, 0}, {0, h, 0.5f, 1, 0, 1}, {w, h, 0.5f, 1, 1, 1}};
    ASSERT_EQ(m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, tex.get()), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TexVertex)), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    // Without a vertex colour the diffuse colour is opaque white, so the texels show unchanged.
    const auto frame = readBackBuffer();
    EXPECT_EQ(pixel(frame, 3, 3), 0xFF0000u);
    EXPECT_EQ(pixel(frame, 12, 3), 0x00FF00u);
    EXPECT_EQ(pixel(frame, 3, 12), 0x0000FFu);
    EXPECT_EQ(pixel(frame, 12, 12), 0xFFFFFFu);

    // Caller data is not kept: the stream is unbound afterwards.
    ComPtr<IDirect3DVertexBuffer9> stream;
    UINT offset = 1, stride = 1;
    ASSERT_EQ(m_device->GetStreamSource(0, stream.put(), &offset, &stride), D3D_OK);
    EXPECT_EQ(stream.get(), nullptr);
    EXPECT_EQ(stride, 0u);
}

TEST_F(D3d9Drawing, UserClipPlanesKeepThePositiveSideInWorldSpace) {
    // Identity transforms: world x = clip x. Keep x >= 0, the right half of the target.
    const ColorVertex tri[6] = {
        {-1, 1, 0.5f, 0, 0, -1, 0xFFFFFFFF}, {1, 1, 0.5f, 0, 0, -1, 0xFFFFFFFF},  {-1, -1, 0.5f, 0, 0, -1, 0xFFFFFFFF},
        {1, 1, 0.5f, 0, 0, -1, 0xFFFFFFFF},  {1, -1, 0.5f, 0, 0, -1, 0xFFFFFFFF}, {-1, -1, 0.5f, 0, 0, -1, 0xFFFFFFFF},
    };
    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    const float plane[4] = {1, 0, 0, 0};
    ASSERT_EQ(m_device->SetClipPlane(0, plane), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(0x52), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, tri, sizeof(ColorVertex)), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const auto frame = readBackBuffer();
    for (UINT y = 1; y < m_height - 1; ++y) {
        EXPECT_EQ(pixel(frame, 2, y), 0u) << "row " << y;
        EXPECT_EQ(pixel(frame, 13, y), 0xFFFFFFu) << "row " << y;
    }
}

TEST_F(D3d9Drawing, SourceAlphaBlendingMixesWithTheTarget) {
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    const auto quad = screenQuad(0x80FF0000);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const uint32_t p = pixel(readBackBuffer(), 8, 8);
    // 128/255 of red over 127/255 of blue; one step of rounding either way.
    const int r = static_cast<int>((p >> 16) & 0xFF), b = static_cast<int>(p & 0xFF);
    EXPECT_NEAR(r, 128, 1);
    EXPECT_NEAR(b, 127, 1);
    EXPECT_EQ((p >> 8) & 0xFF, 0u);
}

TEST_F(D3d9Drawing, IndexedDrawsReadTheBoundIndices) {
    const auto quad = screenQuad(0xFF00FF00);
    auto vb = buffer(quad.data(), static_cast<UINT>(quad.size() * sizeof(TlVertex)), kTlFvf);
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(m_device->CreateIndexBuffer(6 * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.put(), nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(p, indices, sizeof indices);
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 0, sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->SetIndices(ib.get()), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    // Only the second triangle: the lower right half.
    ASSERT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 1), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const auto frame = readBackBuffer();
    EXPECT_EQ(pixel(frame, 13, 13), 0x00FF00u);
    EXPECT_EQ(pixel(frame, 2, 2), 0u);
}

TEST_F(D3d9Drawing, LitIndexedMeshThroughADeclarationAndAPerspective) {
    // The sphere's path: a declaration of position and normal, 16-bit indices, a camera and a
    // perspective projection, one directional light on the material (no vertex colour).
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                          D3DDECL_END};
    ComPtr<IDirect3DVertexDeclaration9> decl;
    ASSERT_EQ(m_device->CreateVertexDeclaration(elements, decl.put()), D3D_OK);
    const float quad[4][6] = {{-1, 1, 0, 0, 0, -1}, {1, 1, 0, 0, 0, -1}, {-1, -1, 0, 0, 0, -1}, {1, -1, 0, 0, 0, -1}};
    auto vb = buffer(quad, sizeof quad, 0);
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(m_device->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.put(), nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, D3DLOCK_NOSYSLOCK), D3D_OK);
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(p, indices, sizeof indices);
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    // Camera at z = -3 looking at the origin; 90 degree field of view, near 1, far 10 (row vectors).
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 1.0f;
    view._43 = 3.0f;
    D3DMATRIX proj{};
    proj._11 = proj._22 = 1.0f;
    proj._33 = 10.0f / 9.0f;
    proj._34 = 1.0f;
    proj._43 = -10.0f / 9.0f;
    ASSERT_EQ(m_device->SetTransform(D3DTS_VIEW, &view), D3D_OK);
    ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, &proj), D3D_OK);
    D3DMATERIAL9 mat{};
    mat.Diffuse = mat.Ambient = {1.0f, 0.5f, 0.25f, 1.0f};
    ASSERT_EQ(m_device->SetMaterial(&mat), D3D_OK);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    ASSERT_EQ(m_device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(m_device->LightEnable(0, TRUE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->SetVertexDeclaration(decl.get()), D3D_OK);
    ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 0, 24), D3D_OK);
    ASSERT_EQ(m_device->SetIndices(ib.get()), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const auto frame = readBackBuffer();
    // The quad spans a third of the view each way: about the middle 6 of 16 pixels.
    const uint32_t centre = pixel(frame, 8, 8);
    EXPECT_NEAR(static_cast<int>((centre >> 16) & 0xFF), 255, 1);
    EXPECT_NEAR(static_cast<int>((centre >> 8) & 0xFF), 128, 1);
    EXPECT_NEAR(static_cast<int>(centre & 0xFF), 64, 1);
    EXPECT_EQ(pixel(frame, 1, 1), 0u);
    EXPECT_EQ(pixel(frame, 14, 8), 0u);
}

// A depth of 1.0 once cleared to 0 (1.0 * 16777215 + 0.5 rounds to 2^24 in single precision and
// shifted out of the word), so every depth-tested pixel failed after the usual far-plane clear.
TEST_F(D3d9Drawing, DepthClearedToTheFarPlaneLetsDrawsThrough) {
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    const auto quad = screenQuad(0xFF00FF00);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(pixel(readBackBuffer(), 8, 8), 0x00FF00u);
}

TEST_F(D3d9Drawing, CallLogRecordsTheOrderOfCalls) {
    ASSERT_TRUE(platform::d3d9::setCallLogging(m_device.get(), true));
    const auto quad = screenQuad(0xFFFFFFFF);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF6F93BF, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    const std::vector<std::string> expected = {
        "SetFVF(0x44)",          "Clear(0, 0x1, 0xff6f93bf, 1, 0)", "BeginScene()",
        "SetRenderState(22, 2)", "DrawPrimitiveUP(5, 2, 20)",       "EndScene()",
    };
    EXPECT_EQ(platform::d3d9::takeCallLog(m_device.get()), expected);
    EXPECT_TRUE(platform::d3d9::takeCallLog(m_device.get()).empty());
    ASSERT_TRUE(platform::d3d9::setCallLogging(m_device.get(), false));
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_TRUE(platform::d3d9::takeCallLog(m_device.get()).empty());
    EXPECT_FALSE(platform::d3d9::setCallLogging(nullptr, true));
}

}  // namespace

namespace {

// Small draws may be held back and drawn later on several threads: every reader of the target
// (a copy back to system memory, a lock) must see them, and a held draw must not read the
// caller's vertices after the call has returned.
TEST_F(D3d9Drawing, HeldDrawsReachEveryReaderOfTheTarget) {
    platform::d3d9::raster::setThreadCount(2);
    ASSERT_EQ(m_device->SetFVF(kTlFvf), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    const auto smallTriangle = [](float x, float y, D3DCOLOR c) {
        return std::vector<TlVertex>{{x, y, 0.5f, 1.0f, c}, {x + 4, y, 0.5f, 1.0f, c}, {x, y + 4, 0.5f, 1.0f, c}};
    };
    for (UINT i = 0; i < 4; ++i) {
        std::vector<TlVertex> v = smallTriangle(static_cast<float>(4 * i), 0.0f, 0xFF000010u * (i + 1));
        ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), sizeof(TlVertex)), D3D_OK);
        for (TlVertex& t : v) t = TlVertex{0, 0, 0.5f, 1.0f, 0xFFFFFFFFu};  // the caller reuses its memory
    }
    const std::vector<uint32_t> frame = readBackBuffer();  // inside the scene, right after the draws
    for (UINT i = 0; i < 4; ++i) EXPECT_EQ(pixel(frame, 4 * i, 0), 0x10u * (i + 1)) << "triangle " << i;
    EXPECT_EQ(pixel(frame, 15, 15), kClear & 0x00FFFFFF);

    // A lockable target of its own, read by locking it.
    ComPtr<IDirect3DSurface9> target;
    ASSERT_EQ(m_device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, target.put(), nullptr),
              D3D_OK);
    ComPtr<IDirect3DSurface9> back;
    ASSERT_EQ(m_device->GetRenderTarget(0, back.put()), D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(0, target.get()), D3D_OK);
    std::vector<TlVertex> v = smallTriangle(2.0f, 2.0f, 0xFF00C000u);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), sizeof(TlVertex)), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(target->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = static_cast<const uint32_t*>(locked.pBits) + 3 * (locked.Pitch / 4);
    EXPECT_EQ(row[3] & 0x00FFFFFF, 0x00C000u);
    ASSERT_EQ(target->UnlockRect(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(0, back.get()), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
}

}  // namespace
