// State blocks: recording exactly the calls made, capturing and applying, blocks of a kind, and
// the references blocks hold.
#include <gtest/gtest.h>

#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

class D3d9StateBlocks : public DeviceTest {
protected:
    DWORD renderState(D3DRENDERSTATETYPE s) {
        DWORD v = 0xDEADBEEF;
        EXPECT_EQ(m_device->GetRenderState(s, &v), D3D_OK);
        return v;
    }
    DWORD samplerState(DWORD sampler, D3DSAMPLERSTATETYPE s) {
        DWORD v = 0xDEADBEEF;
        EXPECT_EQ(m_device->GetSamplerState(sampler, s, &v), D3D_OK);
        return v;
    }
    ComPtr<IDirect3DTexture9> texture() {
        ComPtr<IDirect3DTexture9> t;
        EXPECT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t.put(), nullptr), D3D_OK);
        return t;
    }
};

TEST_F(D3d9StateBlocks, RecordingStoresTheCallsWithoutChangingTheDevice) {
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(0x52), D3D_OK);
    ComPtr<IDirect3DStateBlock9> block;
    ASSERT_EQ(m_device->EndStateBlock(block.put()), D3D_OK);
    ASSERT_TRUE(block);

    // Nothing of it reached the device.
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(samplerState(0, D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
    DWORD fvf = 1;
    ASSERT_EQ(m_device->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, 0u);

    // States the block does not hold are left alone by Apply.
    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(samplerState(0, D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_CLAMP));
    EXPECT_EQ(samplerState(0, D3DSAMP_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(renderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    ASSERT_EQ(m_device->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, 0x52u);
}

TEST_F(D3d9StateBlocks, CaptureReadsTheCurrentValuesOfTheRecordedStatesOnly) {
    // The sprite's pattern: a save block records the states it will change, captures them before
    // the change and applies them afterwards.
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
    ComPtr<IDirect3DStateBlock9> save;
    ASSERT_EQ(m_device->EndStateBlock(save.put()), D3D_OK);

    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVDESTCOLOR), D3D_OK);
    ASSERT_EQ(save->Capture(), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO), D3D_OK);
    ASSERT_EQ(save->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_DESTCOLOR));
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(renderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ZERO));  // not in the block
}

TEST_F(D3d9StateBlocks, EveryKindOfStateRoundTripsThroughABlock) {
    auto tex = texture();
    ComPtr<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(m_device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, vb.put(), nullptr), D3D_OK);
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.put(), nullptr), D3D_OK);
    D3DMATRIX world{};
    world._11 = world._22 = world._33 = world._44 = 3.0f;
    D3DMATERIAL9 mat{};
    mat.Diffuse = {0.1f, 0.2f, 0.3f, 0.4f};
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, -1, 0};
    const float plane[4] = {1, 2, 3, 4};
    D3DVIEWPORT9 vp{1, 2, 3, 4, 0.5f, 0.75f};

    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, &world), D3D_OK);
    ASSERT_EQ(m_device->SetMaterial(&mat), D3D_OK);
    ASSERT_EQ(m_device->SetLight(2, &light), D3D_OK);
    ASSERT_EQ(m_device->LightEnable(2, TRUE), D3D_OK);
    ASSERT_EQ(m_device->SetClipPlane(1, plane), D3D_OK);
    ASSERT_EQ(m_device->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, tex.get()), D3D_OK);
    ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 8, 28), D3D_OK);
    ASSERT_EQ(m_device->SetIndices(ib.get()), D3D_OK);
    ASSERT_EQ(m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD), D3D_OK);
    ComPtr<IDirect3DStateBlock9> block;
    ASSERT_EQ(m_device->EndStateBlock(block.put()), D3D_OK);

    // Before Apply: none of it is on the device.
    ComPtr<IDirect3DBaseTexture9> boundTex;
    ASSERT_EQ(m_device->GetTexture(0, boundTex.put()), D3D_OK);
    EXPECT_EQ(boundTex.get(), nullptr);
    D3DLIGHT9 gotLight{};
    EXPECT_EQ(m_device->GetLight(2, &gotLight), D3DERR_INVALIDCALL);

    ASSERT_EQ(block->Apply(), D3D_OK);
    D3DMATRIX gotWorld{};
    ASSERT_EQ(m_device->GetTransform(D3DTS_WORLD, &gotWorld), D3D_OK);
    EXPECT_EQ(gotWorld._11, 3.0f);
    D3DMATERIAL9 gotMat{};
    ASSERT_EQ(m_device->GetMaterial(&gotMat), D3D_OK);
    EXPECT_EQ(gotMat.Diffuse.g, 0.2f);
    ASSERT_EQ(m_device->GetLight(2, &gotLight), D3D_OK);
    EXPECT_EQ(gotLight.Direction.y, -1.0f);
    BOOL on = FALSE;
    ASSERT_EQ(m_device->GetLightEnable(2, &on), D3D_OK);
    EXPECT_EQ(on, TRUE);
    float gotPlane[4] = {};
    ASSERT_EQ(m_device->GetClipPlane(1, gotPlane), D3D_OK);
    EXPECT_EQ(gotPlane[3], 4.0f);
    D3DVIEWPORT9 gotVp{};
    ASSERT_EQ(m_device->GetViewport(&gotVp), D3D_OK);
    EXPECT_EQ(gotVp.Width, 3u);
    ASSERT_EQ(m_device->GetTexture(0, boundTex.put()), D3D_OK);
    EXPECT_EQ(boundTex.get(), static_cast<IDirect3DBaseTexture9*>(tex.get()));
    ComPtr<IDirect3DVertexBuffer9> gotVb;
    UINT offset = 0, stride = 0;
    ASSERT_EQ(m_device->GetStreamSource(0, gotVb.put(), &offset, &stride), D3D_OK);
    EXPECT_EQ(gotVb.get(), vb.get());
    EXPECT_EQ(offset, 8u);
    EXPECT_EQ(stride, 28u);
    ComPtr<IDirect3DIndexBuffer9> gotIb;
    ASSERT_EQ(m_device->GetIndices(gotIb.put()), D3D_OK);
    EXPECT_EQ(gotIb.get(), ib.get());
    DWORD op = 0;
    ASSERT_EQ(m_device->GetTextureStageState(1, D3DTSS_COLOROP, &op), D3D_OK);
    EXPECT_EQ(op, static_cast<DWORD>(D3DTOP_ADD));
}

TEST_F(D3d9StateBlocks, LightDataAndSwitchAreRecordedApart) {
    // A block that only switches light 0 on must not bring back the light's old data.
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(m_device->LightEnable(0, TRUE), D3D_OK);
    ComPtr<IDirect3DStateBlock9> enableOnly;
    ASSERT_EQ(m_device->EndStateBlock(enableOnly.put()), D3D_OK);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
    light.Direction = {0, 0, -1};
    ASSERT_EQ(m_device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(enableOnly->Apply(), D3D_OK);
    D3DLIGHT9 got{};
    ASSERT_EQ(m_device->GetLight(0, &got), D3D_OK);
    EXPECT_EQ(got.Diffuse.r, 0.5f);
    EXPECT_EQ(got.Direction.z, -1.0f);
    BOOL on = FALSE;
    ASSERT_EQ(m_device->GetLightEnable(0, &on), D3D_OK);
    EXPECT_EQ(on, TRUE);
    // Applied to a light never set, the switch brings the default light with it.
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(m_device->LightEnable(3, TRUE), D3D_OK);
    ComPtr<IDirect3DStateBlock9> enableThree;
    ASSERT_EQ(m_device->EndStateBlock(enableThree.put()), D3D_OK);
    EXPECT_EQ(m_device->GetLight(3, &got), D3DERR_INVALIDCALL);
    ASSERT_EQ(enableThree->Apply(), D3D_OK);
    ASSERT_EQ(m_device->GetLight(3, &got), D3D_OK);
    EXPECT_EQ(got.Direction.z, 1.0f);
    // Capturing the switch reads the device's current one.
    ASSERT_EQ(m_device->LightEnable(0, FALSE), D3D_OK);
    ASSERT_EQ(enableOnly->Capture(), D3D_OK);
    ASSERT_EQ(m_device->LightEnable(0, TRUE), D3D_OK);
    ASSERT_EQ(enableOnly->Apply(), D3D_OK);
    ASSERT_EQ(m_device->GetLightEnable(0, &on), D3D_OK);
    EXPECT_EQ(on, FALSE);
}

TEST_F(D3d9StateBlocks, CreatedBlocksCaptureTheirKind) {
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);         // a vertex state
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);  // a pixel state
    ComPtr<IDirect3DStateBlock9> all, pixel, vertex;
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, all.put()), D3D_OK);
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_PIXELSTATE, pixel.put()), D3D_OK);
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_VERTEXSTATE, vertex.put()), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO), D3D_OK);

    ASSERT_EQ(pixel->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    ASSERT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO), D3D_OK);
    ASSERT_EQ(vertex->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(all->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(m_device->CreateStateBlock(static_cast<D3DSTATEBLOCKTYPE>(0), all.put()), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3d9StateBlocks, MisuseIsRefused) {
    ComPtr<IDirect3DStateBlock9> block;
    EXPECT_EQ(m_device->EndStateBlock(block.put()), D3DERR_INVALIDCALL);  // not recording
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, block.put()), D3D_OK);
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(m_device->BeginStateBlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(block->Apply(), D3DERR_INVALIDCALL);  // while recording
    EXPECT_EQ(block->Capture(), D3DERR_INVALIDCALL);
    ComPtr<IDirect3DStateBlock9> other;
    EXPECT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, other.put()), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->EndStateBlock(nullptr), D3DERR_INVALIDCALL);  // still recording afterwards
    EXPECT_EQ(m_device->EndStateBlock(other.put()), D3D_OK);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->Apply(), D3D_OK);  // an empty block applies nothing
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(D3d9StateBlocks, BlocksHoldTheObjectsTheyKeepAndOutliveTheirDevice) {
    auto tex = texture();
    const ULONG before = refCount(tex.get());
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, tex.get()), D3D_OK);
    ComPtr<IDirect3DStateBlock9> block;
    ASSERT_EQ(m_device->EndStateBlock(block.put()), D3D_OK);
    EXPECT_EQ(refCount(tex.get()), before + 1);
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(refCount(tex.get()), before + 2);  // the block and the device
    ASSERT_EQ(m_device->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(refCount(tex.get()), before + 1);

    ComPtr<IDirect3DDevice9> fromBlock;
    ASSERT_EQ(block->GetDevice(fromBlock.put()), D3D_OK);
    EXPECT_EQ(fromBlock.get(), m_device.get());
    fromBlock.reset();
    // The application lets go of the device first: the block becomes an orphan that refuses work.
    m_device.reset();
    EXPECT_EQ(block->Apply(), D3DERR_INVALIDCALL);
    EXPECT_EQ(block->Capture(), D3DERR_INVALIDCALL);
    EXPECT_EQ(block->GetDevice(fromBlock.put()), D3DERR_INVALIDCALL);
    block.reset();
    EXPECT_EQ(refCount(tex.get()), before);
}

}  // namespace
