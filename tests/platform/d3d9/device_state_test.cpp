// Device state: the Direct3D 9 defaults, refusal of values a state is not defined for, and the
// state calls with their outputs.
#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "platform/d3d9/state_table.h"
#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;
namespace states = platform::d3d9::states;

namespace {

class D3d9DeviceState : public DeviceTest {};

constexpr DWORD F(float f) { return std::bit_cast<DWORD>(f); }

// Defaults written down independently of the device's table, one per kind of state, so a wrong
// row in the table shows up here.
TEST_F(D3d9DeviceState, KnownDefaultsOfANewDevice) {
    struct Case {
        const char* name;
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    constexpr Case kCases[] = {
        {"z test on with a depth buffer", D3DRS_ZENABLE, D3DZB_TRUE},
        {"solid fill", D3DRS_FILLMODE, D3DFILL_SOLID},
        {"Gouraud shading", D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {"counter-clockwise culling", D3DRS_CULLMODE, D3DCULL_CCW},
        {"lighting on", D3DRS_LIGHTING, TRUE},
        {"no ambient", D3DRS_AMBIENT, 0},
        {"vertex colour on", D3DRS_COLORVERTEX, TRUE},
        {"diffuse from colour 1", D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {"ambient from material", D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {"no blending", D3DRS_ALPHABLENDENABLE, FALSE},
        {"source factor one", D3DRS_SRCBLEND, D3DBLEND_ONE},
        {"destination factor zero", D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {"alpha test always passes", D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {"depth less or equal", D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {"no clip planes", D3DRS_CLIPPLANEENABLE, 0},
        {"clipping on", D3DRS_CLIPPING, TRUE},
        {"last pixel drawn", D3DRS_LASTPIXEL, TRUE},
        {"all channels written", D3DRS_COLORWRITEENABLE, 0xF},
        {"white texture factor", D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {"fog end 1.0", D3DRS_FOGEND, F(1.0f)},
        {"blend op add", D3DRS_BLENDOP, D3DBLENDOP_ADD},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DWORD v = 0xDEADBEEF;
        ASSERT_EQ(m_device->GetRenderState(c.state, &v), D3D_OK);
        EXPECT_EQ(v, c.value);
    }
    struct StageCase {
        const char* name;
        DWORD stage;
        D3DTEXTURESTAGESTATETYPE state;
        DWORD value;
    };
    constexpr StageCase kStages[] = {
        {"stage 0 modulates", 0, D3DTSS_COLOROP, D3DTOP_MODULATE},
        {"stage 1 is off", 1, D3DTSS_COLOROP, D3DTOP_DISABLE},
        {"stage 0 alpha from texture", 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
        {"stage 3 alpha off", 3, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
        {"first argument texture", 2, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {"second argument current", 0, D3DTSS_COLORARG2, D3DTA_CURRENT},
        {"stage 0 coordinates 0", 0, D3DTSS_TEXCOORDINDEX, 0},
        {"stage 5 coordinates 5", 5, D3DTSS_TEXCOORDINDEX, 5},
        {"no texture transform", 1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
    };
    for (const StageCase& c : kStages) {
        SCOPED_TRACE(c.name);
        DWORD v = 0xDEADBEEF;
        ASSERT_EQ(m_device->GetTextureStageState(c.stage, c.state, &v), D3D_OK);
        EXPECT_EQ(v, c.value);
    }
    struct SamplerCase {
        const char* name;
        DWORD sampler;
        D3DSAMPLERSTATETYPE state;
        DWORD value;
    };
    constexpr SamplerCase kSamplers[] = {
        {"wrap u", 0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP},
        {"wrap v", 15, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP},
        {"point magnification", 0, D3DSAMP_MAGFILTER, D3DTEXF_POINT},
        {"point minification", 3, D3DSAMP_MINFILTER, D3DTEXF_POINT},
        {"no mip filter", 0, D3DSAMP_MIPFILTER, D3DTEXF_NONE},
        {"anisotropy 1", 0, D3DSAMP_MAXANISOTROPY, 1},
    };
    for (const SamplerCase& c : kSamplers) {
        SCOPED_TRACE(c.name);
        DWORD v = 0xDEADBEEF;
        ASSERT_EQ(m_device->GetSamplerState(c.sampler, c.state, &v), D3D_OK);
        EXPECT_EQ(v, c.value);
    }
}

TEST_F(D3d9DeviceState, EveryStateStartsAtItsTableDefault) {
    size_t n = 0;
    const states::Row* rows = states::renderStateRows(&n);
    ASSERT_GT(n, 100u);
    for (size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(rows[i].state);
        DWORD v = 0xDEADBEEF;
        ASSERT_EQ(m_device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(rows[i].state), &v), D3D_OK);
        EXPECT_EQ(v, rows[i].defaultValue);
    }
    rows = states::samplerStateRows(&n);
    for (DWORD sampler = 0; sampler < 16; ++sampler) {
        for (size_t i = 0; i < n; ++i) {
            SCOPED_TRACE(testing::Message() << "sampler " << sampler << " state " << rows[i].state);
            DWORD v = 0xDEADBEEF;
            ASSERT_EQ(m_device->GetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(rows[i].state), &v), D3D_OK);
            EXPECT_EQ(v, rows[i].defaultValue);
        }
    }
    rows = states::stageStateRows(&n);
    for (DWORD stage = 0; stage < 8; ++stage) {
        for (size_t i = 0; i < n; ++i) {
            SCOPED_TRACE(testing::Message() << "stage " << stage << " state " << rows[i].state);
            DWORD v = 0xDEADBEEF;
            ASSERT_EQ(m_device->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(rows[i].state), &v),
                      D3D_OK);
            const DWORD expected = stage == 0 ? rows[i].defaultValue : rows[i].otherStageDefault;
            EXPECT_EQ(v, expected == states::kStageIndex ? stage : expected);
        }
    }
}

TEST_F(D3d9DeviceState, WithoutADepthBufferTheZTestStartsOff) {
    D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
    p.EnableAutoDepthStencil = FALSE;
    ASSERT_EQ(recreate(p), D3D_OK);
    DWORD v = 0xDEADBEEF;
    ASSERT_EQ(m_device->GetRenderState(D3DRS_ZENABLE, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_FALSE));
    ComPtr<IDirect3DSurface9> depth;
    EXPECT_EQ(m_device->GetDepthStencilSurface(depth.put()), D3DERR_NOTFOUND);
}

TEST_F(D3d9DeviceState, OtherDefaults) {
    D3DMATRIX m{};
    for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE3}) {
        SCOPED_TRACE(static_cast<unsigned>(t));
        ASSERT_EQ(m_device->GetTransform(t, &m), D3D_OK);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                EXPECT_EQ(m.m[i][j], i == j ? 1.0f : 0.0f);
            }
        }
    }
    D3DVIEWPORT9 vp{};
    ASSERT_EQ(m_device->GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Width, m_width);
    EXPECT_EQ(vp.Height, m_height);
    EXPECT_EQ(vp.MinZ, 0.0f);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    D3DMATERIAL9 mat{};
    mat.Power = 7.0f;
    ASSERT_EQ(m_device->GetMaterial(&mat), D3D_OK);
    EXPECT_EQ(mat.Diffuse.r, 0.0f);
    EXPECT_EQ(mat.Power, 0.0f);
    DWORD fvf = 1;
    ASSERT_EQ(m_device->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, 0u);
    D3DLIGHT9 light{};
    EXPECT_EQ(m_device->GetLight(0, &light), D3DERR_INVALIDCALL);  // no light until one is set
    EXPECT_EQ(m_device->GetNPatchMode(), 0.0f);
}

TEST_F(D3d9DeviceState, RefusedValuesChangeNothing) {
    struct Case {
        const char* name;
        DWORD state;
        DWORD value;
    };
    constexpr Case kCases[] = {
        {"cull mode 0", D3DRS_CULLMODE, 0},
        {"cull mode 4", D3DRS_CULLMODE, 4},
        {"z function 9", D3DRS_ZFUNC, 9},
        {"source blend 16", D3DRS_SRCBLEND, 16},
        {"alpha reference 256", D3DRS_ALPHAREF, 256},
        {"seventh clip plane", D3DRS_CLIPPLANEENABLE, 0x40},
        {"colour write bit 4", D3DRS_COLORWRITEENABLE, 0x10},
        {"vertex blend 4", D3DRS_VERTEXBLEND, 4},
        {"material source 3", D3DRS_DIFFUSEMATERIALSOURCE, 3},
        {"unknown state 0", 0, 1},
        {"unknown state 1234", 1234, 1},
        {"gap state 1", 1, 0},
        {"gap state 138", 138, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto state = static_cast<D3DRENDERSTATETYPE>(c.state);
        DWORD before = 0xDEADBEEF;
        const bool known = m_device->GetRenderState(state, &before) == D3D_OK;
        EXPECT_EQ(m_device->SetRenderState(state, c.value), D3DERR_INVALIDCALL);
        if (known) {
            DWORD after = 0;
            ASSERT_EQ(m_device->GetRenderState(state, &after), D3D_OK);
            EXPECT_EQ(after, before);
        }
    }
    EXPECT_EQ(m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, 6), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetSamplerState(16, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(14), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, 27), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLORARG1, 7), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 8), D3DERR_INVALIDCALL);
    DWORD v = 0;
    ASSERT_EQ(m_device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
    ASSERT_EQ(m_device->GetTextureStageState(0, D3DTSS_COLOROP, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
}

TEST_F(D3d9DeviceState, EachValueIsAcceptedExactlyWhenItsRowSaysSo) {
    // Probe values around every row's edges: the call's answer and the stored value must agree
    // with the row, and a refusal must leave the old value.
    constexpr DWORD kProbes[] = {0,   1,   2,    3,    5,      8,       9,       15,      16,          26,         27,
                                 255, 256, 0x3F, 0x40, 0xFFFF, 0x10000, 0x40000, 0x50000, 0x80000000u, 0xFFFFFFFFu};
    size_t n = 0;
    const states::Row* rows = states::renderStateRows(&n);
    for (size_t i = 0; i < n; ++i) {
        const auto state = static_cast<D3DRENDERSTATETYPE>(rows[i].state);
        for (DWORD probe : kProbes) {
            SCOPED_TRACE(testing::Message() << "state " << rows[i].state << " value " << probe);
            DWORD before = 0;
            ASSERT_EQ(m_device->GetRenderState(state, &before), D3D_OK);
            const HRESULT hr = m_device->SetRenderState(state, probe);
            DWORD after = 0;
            ASSERT_EQ(m_device->GetRenderState(state, &after), D3D_OK);
            if (rows[i].accept(probe)) {
                EXPECT_EQ(hr, D3D_OK);
                EXPECT_EQ(after, probe);
            } else {
                EXPECT_EQ(hr, D3DERR_INVALIDCALL);
                EXPECT_EQ(after, before);
            }
        }
    }
}

TEST_F(D3d9DeviceState, TransformsMaterialLightsAndClipPlanes) {
    D3DMATRIX world{};
    for (int i = 0; i < 16; ++i) {
        world.m[i / 4][i % 4] = static_cast<float>(i + 1);
    }
    ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, &world), D3D_OK);
    D3DMATRIX back{};
    ASSERT_EQ(m_device->GetTransform(D3DTS_WORLDMATRIX(0), &back), D3D_OK);
    EXPECT_EQ(std::memcmp(&back, &world, sizeof world), 0);
    EXPECT_EQ(m_device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(4), &world), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->GetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);

    // MultiplyTransform puts the given matrix first: scale by 2, then the world above.
    D3DMATRIX scale{};
    scale._11 = scale._22 = scale._33 = 2.0f;
    scale._44 = 1.0f;
    ASSERT_EQ(m_device->MultiplyTransform(D3DTS_WORLD, &scale), D3D_OK);
    ASSERT_EQ(m_device->GetTransform(D3DTS_WORLD, &back), D3D_OK);
    EXPECT_EQ(back._11, 2.0f * world._11);
    EXPECT_EQ(back._34, 2.0f * world._34);
    EXPECT_EQ(back._41, world._41);

    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    light.Range = 1000.0f;
    ASSERT_EQ(m_device->SetLight(0, &light), D3D_OK);
    BOOL enabled = TRUE;
    ASSERT_EQ(m_device->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_EQ(enabled, FALSE);
    ASSERT_EQ(m_device->LightEnable(0, TRUE), D3D_OK);
    ASSERT_EQ(m_device->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_EQ(enabled, TRUE);
    D3DLIGHT9 got{};
    ASSERT_EQ(m_device->GetLight(0, &got), D3D_OK);
    EXPECT_EQ(std::memcmp(&got, &light, sizeof light), 0);

    // Enabling a light never set gives the default light: white, directional, along +z.
    ASSERT_EQ(m_device->LightEnable(5, TRUE), D3D_OK);
    ASSERT_EQ(m_device->GetLight(5, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(got.Diffuse.r, 1.0f);
    EXPECT_EQ(got.Direction.z, 1.0f);

    struct LightCase {
        const char* name;
        void (*edit)(D3DLIGHT9&);
    };
    constexpr LightCase kBadLights[] = {
        {"type 0", [](D3DLIGHT9& l) { l.Type = static_cast<D3DLIGHTTYPE>(0); }},
        {"type 4", [](D3DLIGHT9& l) { l.Type = static_cast<D3DLIGHTTYPE>(4); }},
        {"no direction",
         [](D3DLIGHT9& l) {
             l.Direction = {0, 0, 0};
         }},
        {"negative range",
         [](D3DLIGHT9& l) {
             l.Type = D3DLIGHT_POINT;
             l.Range = -1.0f;
         }},
        {"spot cone inside out",
         [](D3DLIGHT9& l) {
             l.Type = D3DLIGHT_SPOT;
             l.Theta = 1.0f;
             l.Phi = 0.5f;
         }},
    };
    for (const LightCase& c : kBadLights) {
        SCOPED_TRACE(c.name);
        D3DLIGHT9 bad = light;
        c.edit(bad);
        EXPECT_EQ(m_device->SetLight(0, &bad), D3DERR_INVALIDCALL);
        ASSERT_EQ(m_device->GetLight(0, &got), D3D_OK);
        EXPECT_EQ(std::memcmp(&got, &light, sizeof light), 0);
    }
    EXPECT_EQ(m_device->SetLight(0, nullptr), D3DERR_INVALIDCALL);

    const float plane[4] = {0.0f, 0.0f, -1.0f, 20.0f};
    ASSERT_EQ(m_device->SetClipPlane(3, plane), D3D_OK);
    float gotPlane[4] = {};
    ASSERT_EQ(m_device->GetClipPlane(3, gotPlane), D3D_OK);
    EXPECT_EQ(gotPlane[2], -1.0f);
    EXPECT_EQ(gotPlane[3], 20.0f);
    EXPECT_EQ(m_device->SetClipPlane(6, plane), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetClipPlane(0, nullptr), D3DERR_INVALIDCALL);

    D3DMATERIAL9 mat{};
    mat.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    mat.Ambient = mat.Diffuse;
    ASSERT_EQ(m_device->SetMaterial(&mat), D3D_OK);
    D3DMATERIAL9 gotMat{};
    ASSERT_EQ(m_device->GetMaterial(&gotMat), D3D_OK);
    EXPECT_EQ(std::memcmp(&gotMat, &mat, sizeof mat), 0);
    EXPECT_EQ(m_device->SetMaterial(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3d9DeviceState, AtMostEightLightsAreOnAtOnce) {
    for (DWORD i = 0; i < 8; ++i) {
        ASSERT_EQ(m_device->LightEnable(i * 10, TRUE), D3D_OK);
    }
    EXPECT_EQ(m_device->LightEnable(100, TRUE), D3DERR_INVALIDCALL);
    BOOL on = TRUE;
    EXPECT_EQ(m_device->GetLightEnable(100, &on), D3DERR_INVALIDCALL);  // not created by the refusal
    EXPECT_EQ(m_device->LightEnable(30, TRUE), D3D_OK);                 // already on: no change in count
    ASSERT_EQ(m_device->LightEnable(30, FALSE), D3D_OK);
    EXPECT_EQ(m_device->LightEnable(100, TRUE), D3D_OK);
}

TEST_F(D3d9DeviceState, ViewportMustLieInsideTheRenderTarget) {
    struct Case {
        const char* name;
        D3DVIEWPORT9 vp;
        HRESULT expected;
    };
    const Case kCases[] = {
        {"whole target", {0, 0, m_width, m_height, 0.0f, 1.0f}, D3D_OK},
        {"inner part", {2, 3, 4, 5, 0.25f, 0.75f}, D3D_OK},
        {"one pixel too wide", {0, 0, m_width + 1, m_height, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {"offset past the edge", {m_width, 0, 1, 1, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {"width wrapping round", {4, 0, 0xFFFFFFFF, 1, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {"empty", {0, 0, 0, 4, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {"depth above 1", {0, 0, 4, 4, 0.0f, 1.5f}, D3DERR_INVALIDCALL},
    };
    D3DVIEWPORT9 last{0, 0, m_width, m_height, 0.0f, 1.0f};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_device->SetViewport(&c.vp), c.expected);
        if (c.expected == D3D_OK) {
            last = c.vp;
        }
        D3DVIEWPORT9 got{};
        ASSERT_EQ(m_device->GetViewport(&got), D3D_OK);
        EXPECT_EQ(std::memcmp(&got, &last, sizeof got), 0);
    }
    EXPECT_EQ(m_device->SetViewport(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3d9DeviceState, FvfAndDeclarationReplaceEachOther) {
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END};
    ComPtr<IDirect3DVertexDeclaration9> decl;
    ASSERT_EQ(m_device->CreateVertexDeclaration(elements, decl.put()), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(0x52), D3D_OK);
    ASSERT_EQ(m_device->SetVertexDeclaration(decl.get()), D3D_OK);
    DWORD fvf = 1;
    ASSERT_EQ(m_device->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, 0u);
    ComPtr<IDirect3DVertexDeclaration9> got;
    ASSERT_EQ(m_device->GetVertexDeclaration(got.put()), D3D_OK);
    EXPECT_EQ(got.get(), decl.get());
    ASSERT_EQ(m_device->SetFVF(0x112), D3D_OK);
    ASSERT_EQ(m_device->GetVertexDeclaration(got.put()), D3D_OK);
    EXPECT_EQ(got.get(), nullptr);
    ASSERT_EQ(m_device->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, 0x112u);
    struct Case {
        const char* name;
        DWORD fvf;
    };
    constexpr Case kBad[] = {
        {"reserved bit 0", 0x53},
        {"reserved bits 13-14", 0x2012},
        {"position code 0x400C", 0x400C},
        {"nine coordinate sets", 0x902},
        {"blend index without blend weights", 0x1002},
    };
    for (const Case& c : kBad) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_device->SetFVF(c.fvf), D3DERR_INVALIDCALL);
        ASSERT_EQ(m_device->GetFVF(&fvf), D3D_OK);
        EXPECT_EQ(fvf, 0x112u);
    }
}

TEST_F(D3d9DeviceState, ShadersCanOnlyBeNull) {
    EXPECT_EQ(m_device->SetVertexShader(nullptr), D3D_OK);
    EXPECT_EQ(m_device->SetPixelShader(nullptr), D3D_OK);
    EXPECT_EQ(m_device->SetVertexShader(reinterpret_cast<IDirect3DVertexShader9*>(0x10)), D3DERR_INVALIDCALL);
    IDirect3DVertexShader9* vs = reinterpret_cast<IDirect3DVertexShader9*>(0x10);
    ASSERT_EQ(m_device->GetVertexShader(&vs), D3D_OK);
    EXPECT_EQ(vs, nullptr);
    const DWORD code[] = {0xFFFE0101, 0x0000FFFF};
    EXPECT_EQ(m_device->CreateVertexShader(code, &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetNPatchMode(0.0f), D3D_OK);
    EXPECT_EQ(m_device->SetNPatchMode(-1.0f), D3DERR_INVALIDCALL);
}

}  // namespace
