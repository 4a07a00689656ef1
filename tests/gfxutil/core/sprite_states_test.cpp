// Begin and End: the six recorded blocks with exactly their calls, capture and apply by the flags,
// the pixel projection, the alpha-test fallback and the choices on missing blocks and lost devices.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/d3d9/controls.h"
#include "tests/gfxutil/core/sprite_fixture.h"
#include "tests/gfxutil/mesh/forwarding_device.h"

namespace sprite_test {
namespace {

std::string rs(D3DRENDERSTATETYPE s, DWORD v) {
    return "SetRenderState(" + std::to_string(s) + ", " + std::to_string(v) + ")";
}
std::string tss(DWORD stage, D3DTEXTURESTAGESTATETYPE s, DWORD v) {
    return "SetTextureStageState(" + std::to_string(stage) + ", " + std::to_string(s) + ", " + std::to_string(v) + ")";
}
std::string samp(D3DSAMPLERSTATETYPE s, DWORD v) {
    return "SetSamplerState(0, " + std::to_string(s) + ", " + std::to_string(v) + ")";
}

std::vector<std::string> generalCalls(bool saveBlock) {
    std::vector<std::string> c = {
        "BeginStateBlock()", "SetVertexDeclaration(declaration)", "SetVertexShader(null)", "SetPixelShader(null)",
        rs(D3DRS_FILLMODE, 3), rs(D3DRS_SHADEMODE, 2), rs(D3DRS_CULLMODE, 1), rs(D3DRS_WRAP0, 0),
        rs(D3DRS_CLIPPING, 1), rs(D3DRS_VERTEXBLEND, 0), rs(D3DRS_CLIPPLANEENABLE, 0), "SetNPatchMode(0)",
        rs(D3DRS_INDEXEDVERTEXBLENDENABLE, 0), rs(D3DRS_ENABLEADAPTIVETESSELLATION, 0), rs(D3DRS_SRGBWRITEENABLE, 0),
        rs(D3DRS_COLORWRITEENABLE, 0xF), rs(D3DRS_FOGENABLE, 0), rs(D3DRS_RANGEFOGENABLE, 0),
        rs(D3DRS_SPECULARENABLE, 0), rs(D3DRS_STENCILENABLE, 0), rs(D3DRS_LIGHTING, 0),
        rs(D3DRS_DIFFUSEMATERIALSOURCE, 1), tss(0, D3DTSS_COLOROP, 4), tss(0, D3DTSS_COLORARG1, 2),
        tss(0, D3DTSS_COLORARG2, 0), tss(0, D3DTSS_ALPHAOP, 4), tss(0, D3DTSS_ALPHAARG1, 2),
        tss(0, D3DTSS_ALPHAARG2, 0), tss(0, D3DTSS_TEXCOORDINDEX, 0), tss(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0),
        tss(1, D3DTSS_COLOROP, 1), tss(1, D3DTSS_ALPHAOP, 1), samp(D3DSAMP_ADDRESSU, 3), samp(D3DSAMP_ADDRESSV, 3),
        // The software device has no anisotropic filtering and filters mip levels linearly.
        samp(D3DSAMP_MAGFILTER, 2), samp(D3DSAMP_MINFILTER, 2), samp(D3DSAMP_MIPFILTER, 2),
        samp(D3DSAMP_MIPMAPLODBIAS, 0), samp(D3DSAMP_MAXMIPLEVEL, 0), samp(D3DSAMP_MAXANISOTROPY, 1),
        samp(D3DSAMP_SRGBTEXTURE, 0)};
    if (saveBlock) {
        c.insert(c.end(), {"SetVertexDeclaration(declaration)", "SetStreamSource(0, null, 0, 0)", "SetTexture(0, null)"});
    }
    c.push_back("EndStateBlock()");
    return c;
}

std::vector<std::string> blendCalls(bool blendCapable) {
    return {"BeginStateBlock()",
            rs(D3DRS_ALPHATESTENABLE, 1),
            rs(D3DRS_ALPHAREF, blendCapable ? 0 : 0x3F),
            rs(D3DRS_ALPHAFUNC, 5),
            rs(D3DRS_ALPHABLENDENABLE, blendCapable ? 1 : 0),
            rs(D3DRS_SEPARATEALPHABLENDENABLE, 0),
            rs(D3DRS_SRCBLEND, 5),
            rs(D3DRS_DESTBLEND, 6),
            rs(D3DRS_BLENDOP, 1),
            "EndStateBlock()"};
}

std::vector<std::string> firstBeginCalls(bool blendCapable) {
    std::vector<std::string> c = {"CreateIndexBuffer(49152, 0x8, 101, 0)", "IndexBuffer.Lock(0, 0, 0x0)",
                                  "IndexBuffer.Unlock()", "CreateVertexBuffer(393216, 0x208, 0x0, 0)"};
    for (const auto& block : {generalCalls(true), generalCalls(false), blendCalls(blendCapable), blendCalls(blendCapable)}) {
        c.insert(c.end(), block.begin(), block.end());
    }
    c.insert(c.end(), {"BeginStateBlock()", "SetTransform(256)", "SetTransform(2)", "SetTransform(3)",
                       "EndStateBlock()", "BeginStateBlock()", "SetTransform(256)", "SetTransform(2)",
                       "EndStateBlock()"});
    // Begin(0): capture and apply the general blocks, then the transform blocks and the projection.
    c.insert(c.end(), {"StateBlock.Capture()", "StateBlock.Apply()", "StateBlock.Capture()", "StateBlock.Apply()",
                       "SetTransform(3)"});
    return c;
}

TEST_F(SpriteTest, FirstBeginRecordsSixBlocksInTwoPassesWithExactlyTheirCalls) {
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    EXPECT_EQ(calls(), firstBeginCalls(true));
    ASSERT_EQ(m_sprite->End(), S_OK);
    calls();
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    EXPECT_TRUE(matching(calls(), "BeginStateBlock").empty()) << "recorded once, reused";
    ASSERT_EQ(m_sprite->End(), S_OK);
    EXPECT_TRUE(m_messages.take().empty()) << "muted around the state-block work";
}

// The filters, anisotropy and alpha test follow the capabilities; a device with other ones is
// met through a wrapper that changes only what GetDeviceCaps answers.
TEST_F(SpriteTest, SamplerAndAlphaTestStatesFollowTheCapabilities) {
    class OtherCaps final : public mesh_test::ForwardingDevice {
    public:
        using ForwardingDevice::ForwardingDevice;
        HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
            const HRESULT hr = ForwardingDevice::GetDeviceCaps(caps);
            caps->TextureFilterCaps = D3DPTFILTERCAPS_MAGFANISOTROPIC | D3DPTFILTERCAPS_MINFANISOTROPIC;
            caps->MaxAnisotropy = 4;
            caps->AlphaCmpCaps &= ~D3DPCMPCAPS_GREATER;
            return hr;
        }
    };
    OtherCaps other(m_device.get());
    ComPtr<ID3DXSprite> sprite;
    ASSERT_EQ(D3DXCreateSprite(&other, sprite.put()), S_OK);
    calls();
    ASSERT_EQ(sprite->Begin(D3DXSPRITE_ALPHABLEND), S_OK);
    const auto log = calls();
    for (const std::string& line : {samp(D3DSAMP_MAGFILTER, 3), samp(D3DSAMP_MINFILTER, 3), samp(D3DSAMP_MIPFILTER, 1),
                                    samp(D3DSAMP_MAXANISOTROPY, 4), rs(D3DRS_ALPHATESTENABLE, 0)}) {
        EXPECT_EQ(std::count(log.begin(), log.end(), line), 2) << line << ": once in each block of its pair";
    }
    ASSERT_EQ(sprite->End(), S_OK);
}

// Our choice: a fresh index buffer that cannot be locked is dropped, and Begin returns the lock's
// status before anything is captured, as for a failed creation.
TEST_F(SpriteTest, IndexBufferThatCannotBeLockedFailsBeginAndIsDropped) {
    class UnlockableIndices final : public IDirect3DIndexBuffer9 {
    public:
        HRESULT QueryInterface(REFIID, void** out) override {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ULONG AddRef() override { return ++refs; }
        ULONG Release() override { return --refs; }  // lives on the test's stack
        HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
        HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return D3DERR_INVALIDCALL; }
        HRESULT GetPrivateData(REFGUID, void*, DWORD*) override { return D3DERR_INVALIDCALL; }
        HRESULT FreePrivateData(REFGUID) override { return D3DERR_INVALIDCALL; }
        DWORD SetPriority(DWORD) override { return 0; }
        DWORD GetPriority() override { return 0; }
        void PreLoad() override {}
        D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
        HRESULT Lock(UINT, UINT, void**, DWORD) override {
            ++locks;
            return E_FAIL;
        }
        HRESULT Unlock() override { return D3DERR_INVALIDCALL; }
        HRESULT GetDesc(D3DINDEXBUFFER_DESC*) override { return D3DERR_INVALIDCALL; }
        ULONG refs = 1;
        int locks = 0;
    };
    class Device final : public mesh_test::ForwardingDevice {
    public:
        Device(IDirect3DDevice9* inner, UnlockableIndices* ib) : ForwardingDevice(inner), m_ib(ib) {}
        HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9** out, HANDLE*) override {
            m_ib->AddRef();
            *out = m_ib;
            return D3D_OK;
        }

    private:
        UnlockableIndices* m_ib;
    };
    UnlockableIndices indices;
    Device device(m_device.get(), &indices);
    ComPtr<ID3DXSprite> sprite;
    ASSERT_EQ(D3DXCreateSprite(&device, sprite.put()), S_OK);
    calls();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(sprite->Begin(0), E_FAIL);
        EXPECT_EQ(indices.locks, attempt) << "each Begin creates and tries again";
        EXPECT_EQ(indices.refs, 1u) << "the sprite keeps no buffer without the pattern";
        EXPECT_TRUE(calls().empty()) << "no vertex buffer, no block, nothing captured";
        m_messages.take();
        EXPECT_EQ(sprite->End(), D3DERR_INVALIDCALL) << "not inside a batch";
    }
}

TEST_F(SpriteTest, RenderTargetThatCannotBlendFallsBackToAlphaTestAt63) {
    platform::d3d9::setRenderTargetBlendingUnavailable(true);
    recreateWith(D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_FALSE(batch()->blendCapable());
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND), S_OK);
    const auto log = calls();
    for (const auto& line : blendCalls(false)) {
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
    }
    DWORD v = 0;
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 0u);
    m_device->GetRenderState(D3DRS_ALPHATESTENABLE, &v);
    EXPECT_EQ(v, 1u);
    m_device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 0x3Fu);
    m_device->GetRenderState(D3DRS_ALPHAFUNC, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCMP_GREATER));
    ASSERT_EQ(m_sprite->End(), S_OK);

    // After a reset the question is asked again and the blocks are recorded anew.
    platform::d3d9::setRenderTargetBlendingUnavailable(false);
    m_sprite->OnLostDevice();
    m_sprite->OnResetDevice();
    EXPECT_TRUE(batch()->blendCapable());
    calls();
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND), S_OK);
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 1u);
    m_device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 0u);
    ASSERT_EQ(m_sprite->End(), S_OK);
}

// Distinct caller values for one state of each block; Begin with each flag set, then End with
// nothing queued.
TEST_F(SpriteTest, BeginAndEndCaptureAndApplyByTheFlags) {
    struct Case {
        const char* name;
        DWORD flags;
        bool generalSet, blendSet, transformSet, projectionSet;  // changed by Begin
        bool generalKept, blendKept, transformKept;              // still the sprite's after End
    };
    constexpr Case kCases[] = {
        {"0", 0, true, false, true, true, false, false, false},
        {"DONOTSAVESTATE", D3DXSPRITE_DONOTSAVESTATE, true, false, true, true, true, false, true},
        {"DONOTMODIFY_RENDERSTATE", D3DXSPRITE_DONOTMODIFY_RENDERSTATE, false, false, true, true, false, false, false},
        {"OBJECTSPACE", D3DXSPRITE_OBJECTSPACE, true, false, false, false, false, false, false},
        {"BILLBOARD", D3DXSPRITE_BILLBOARD, true, false, true, false, false, false, false},
        {"ALPHABLEND", D3DXSPRITE_ALPHABLEND, true, true, true, true, false, false, false},
        {"ALPHABLEND | DONOTSAVESTATE", D3DXSPRITE_ALPHABLEND | D3DXSPRITE_DONOTSAVESTATE, true, true, true, true,
         true, true, true},
        {"ALPHABLEND | DONOTMODIFY_RENDERSTATE | OBJECTSPACE",
         D3DXSPRITE_ALPHABLEND | D3DXSPRITE_DONOTMODIFY_RENDERSTATE | D3DXSPRITE_OBJECTSPACE, false, true, false,
         false, false, false, false},
    };
    ComPtr<IDirect3DIndexBuffer9> callerIndices;
    ASSERT_EQ(m_device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, callerIndices.put(), nullptr), D3D_OK);
    D3DXMATRIX world, projection;
    D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
    D3DXMatrixTranslation(&projection, 4.0f, 5.0f, 6.0f);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_device->SetTransform(D3DTS_WORLD, &world);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        m_device->SetIndices(callerIndices.get());
        auto cull = [&] { DWORD v = 0; m_device->GetRenderState(D3DRS_CULLMODE, &v); return v; };
        auto blend = [&] { DWORD v = 0; m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v); return v; };
        auto transform = [&](D3DTRANSFORMSTATETYPE t) {
            D3DMATRIX m;
            m_device->GetTransform(t, &m);
            return m;
        };
        auto same = [](const D3DMATRIX& a, const D3DMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; };

        ASSERT_EQ(m_sprite->Begin(c.flags), S_OK);
        EXPECT_EQ(batch()->flags(), (c.flags & D3DXSPRITE_BILLBOARD) ? (c.flags | D3DXSPRITE_OBJECTSPACE) : c.flags);
        EXPECT_EQ(cull(), c.generalSet ? DWORD(D3DCULL_NONE) : DWORD(D3DCULL_CW));
        EXPECT_EQ(blend(), c.blendSet ? 1u : 0u);
        EXPECT_EQ(!same(transform(D3DTS_WORLD), world), c.transformSet);
        EXPECT_EQ(!same(transform(D3DTS_PROJECTION), projection), c.projectionSet);
        ASSERT_EQ(m_sprite->End(), S_OK);
        EXPECT_EQ(cull(), c.generalKept ? DWORD(D3DCULL_NONE) : DWORD(D3DCULL_CW));
        EXPECT_EQ(blend(), c.blendKept ? 1u : 0u);
        EXPECT_EQ(!same(transform(D3DTS_WORLD), world), c.transformKept);
        ComPtr<IDirect3DIndexBuffer9> bound;
        m_device->GetIndices(bound.put());
        EXPECT_EQ(bound.get(), callerIndices.get()) << "nothing was drawn, so the indices were never replaced";
        EXPECT_TRUE(matching(calls(), "DrawIndexedPrimitive").empty());
    }
}

TEST_F(SpriteTest, EndPutsBackTheIndicesAndStreamAfterDrawing) {
    ComPtr<IDirect3DIndexBuffer9> callerIndices;
    ASSERT_EQ(m_device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, callerIndices.put(), nullptr), D3D_OK);
    m_device->SetIndices(callerIndices.get());
    auto t = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);
    ComPtr<IDirect3DIndexBuffer9> bound;
    m_device->GetIndices(bound.put());
    EXPECT_EQ(bound.get(), callerIndices.get());
    ComPtr<IDirect3DVertexBuffer9> stream;
    UINT offset = 1, stride = 1;
    m_device->GetStreamSource(0, stream.put(), &offset, &stride);
    EXPECT_FALSE(stream);
    ComPtr<IDirect3DBaseTexture9> stage0;
    m_device->GetTexture(0, stage0.put());
    EXPECT_FALSE(stage0);
}

TEST_F(SpriteTest, ScreenSpaceProjectionMapsPixelsOfTheViewport) {
    D3DVIEWPORT9 vp{8, 4, 32, 16, 0.0f, 1.0f};
    ASSERT_EQ(m_device->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
    D3DMATRIX p;
    m_device->GetTransform(D3DTS_PROJECTION, &p);
    const float invW = 1.0f / 32.0f, invH = 1.0f / 16.0f;
    const float expected[16] = {2.0f * invW, 0, 0, 0, 0, -2.0f * invH, 0, 0, 0, 0, 1, 0,
                                -(2.0f * 8.0f + 1.0f) * invW - 1.0f, (2.0f * 4.0f + 1.0f) * invH + 1.0f, 0, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(p.m[i / 4][i % 4], expected[i]) << "element " << i;
    }
    ASSERT_EQ(m_sprite->End(), S_OK);
}

// Our choice: a block whose recording is refused is left missing, its calls are not made, and it
// is neither captured nor applied; the next Begin records it.
TEST_F(SpriteTest, MissingBlocksAreNeitherCapturedNorAppliedAndAreRecordedLater) {
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);  // the caller records a block of its own
    calls();
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_OBJECTSPACE | D3DXSPRITE_ALPHABLEND), S_OK);
    auto log = calls();
    EXPECT_EQ(matching(log, "BeginStateBlock").size(), 6u) << "each refused";
    EXPECT_TRUE(matching(log, "SetRenderState").empty()) << "no block's calls land in the caller's block";
    EXPECT_TRUE(matching(log, "StateBlock.").empty());
    ASSERT_EQ(m_sprite->End(), S_OK);
    EXPECT_TRUE(matching(calls(), "StateBlock.").empty());
    ComPtr<IDirect3DStateBlock9> callers;
    ASSERT_EQ(m_device->EndStateBlock(callers.put()), D3D_OK);
    calls();
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    log = calls();
    EXPECT_EQ(matching(log, "EndStateBlock").size(), 6u);
    EXPECT_EQ(matching(log, "StateBlock.").size(), 4u);
    ASSERT_EQ(m_sprite->End(), S_OK);
}

// Our choice: OnLostDevice also puts the ring's cursors back to 0.
TEST_F(SpriteTest, LostDeviceDropsTheBuffersAndTheRingStartsOver) {
    auto t = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);
    EXPECT_EQ(batch()->vertexCursor(), 4u);
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    EXPECT_EQ(m_sprite->OnLostDevice(), S_OK);
    EXPECT_EQ(batch()->vertexCursor(), 0u);
    EXPECT_EQ(m_sprite->End(), D3DERR_INVALIDCALL) << "the open batch was abandoned";
    EXPECT_EQ(m_sprite->OnResetDevice(), S_OK);
    calls();
    m_messages.take();
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto log = calls();
    EXPECT_EQ(matching(log, "Create").size(), 2u);
    EXPECT_EQ(matching(log, "BeginStateBlock").size(), 6u);
    EXPECT_EQ(matching(log, "VertexBuffer.Lock"), std::vector<std::string>{"VertexBuffer.Lock(0, 0, 0x2000)"});
    EXPECT_EQ(matching(log, "DrawIndexedPrimitive"), std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"});
}

}  // namespace
}  // namespace sprite_test
