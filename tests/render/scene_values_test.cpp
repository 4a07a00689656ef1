// The renderer's fixed values: the mirror's planes and reflection, the colours drawn for a system,
// the light, material and camera the set-up operations hand to the device, and the static buffers.
#include <cstring>

#include "../app/app_fixture.h"
#include "render/scene.h"

namespace apptest {
namespace {

float planeValue(const D3DXPLANE& p, const D3DXVECTOR3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

TEST(MirrorGeometryTest, PlaneAndReflectionOfTheDefaultCamera) {
    const MirrorGeometry g = computeMirrorGeometry(D3DXVECTOR3(-40.0f, 40.0f, -120.0f));
    // The plane z = 20 facing the camera, to the table's accuracy.
    EXPECT_EQ(g.plane.a, 0.0f);
    EXPECT_EQ(g.plane.b, 0.0f);
    EXPECT_NEAR(g.plane.c, -1.0f, 1.5e-6f);
    EXPECT_NEAR(g.plane.d, 20.0f, 20.0f * 1.5e-6f);
    // z becomes 40 - z, everything else unchanged.
    D3DXMATRIX expected;
    D3DXMatrixIdentity(&expected);
    expected._33 = -1.0f;
    expected._43 = 40.0f;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(g.reflection.m[row][column], expected.m[row][column]) << row << ", " << column;
        }
    }

    D3DXVECTOR3 centre(10.0f, 30.0f, 0.0f);
    D3DXVECTOR3 reflected;
    D3DXVec3TransformCoord(&reflected, &centre, &g.reflection);
    EXPECT_EQ(reflected.x, 10.0f);
    EXPECT_EQ(reflected.y, 30.0f);
    EXPECT_EQ(reflected.z, 40.0f);
}

struct ClipCase {
    const char* name;
    D3DXVECTOR3 point;
    int outsidePlane;  // -1: inside all four
};

const ClipCase kClipCases[] = {
    {"mirror centre", D3DXVECTOR3(40.0f, 40.0f, 20.0f), -1},
    {"right of the mirror", D3DXVECTOR3(100.0f, 40.0f, 20.0f), 1},
    {"left of the mirror", D3DXVECTOR3(-10.0f, 40.0f, 20.0f), 3},
    {"above the mirror", D3DXVECTOR3(40.0f, 100.0f, 20.0f), 0},
    {"below the mirror", D3DXVECTOR3(40.0f, -10.0f, 20.0f), 2},
};

TEST(MirrorGeometryTest, ClipPlanesKeepTheInsideOfThePyramid) {
    const MirrorGeometry g = computeMirrorGeometry(D3DXVECTOR3(-40.0f, 40.0f, -120.0f));
    for (const ClipCase& c : kClipCases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            const float value = planeValue(g.clipPlanes[i], c.point);
            if (i == c.outsidePlane) {
                EXPECT_LT(value, 0.0f);
            } else {
                EXPECT_GT(value, 0.0f);
            }
        }
    }
}

TEST(MirrorGeometryTest, ClipPlanesFollowTheEye) {
    // A point just inside the mirror's left edge, seen from far to the right, lies outside the
    // new pyramid's left plane only if the planes were recomputed from the new eye.
    const MirrorGeometry moved = computeMirrorGeometry(D3DXVECTOR3(200.0f, 40.0f, -120.0f));
    const MirrorGeometry fixed = computeMirrorGeometry(D3DXVECTOR3(-40.0f, 40.0f, -120.0f));
    const D3DXVECTOR3 behind(-5.0f, 40.0f, 30.0f);
    EXPECT_LT(planeValue(fixed.clipPlanes[3], behind), 0.0f);
    EXPECT_GT(planeValue(moved.clipPlanes[3], behind), 0.0f);
}

TEST(SystemColoursTest, LineAndSphereColoursOfASystem) {
    const D3DXVECTOR3 colour(56.0f, 130.0f, 255.0f);
    EXPECT_EQ(springLineColour(colour), 0xFF3882FFu);
    const D3DXCOLOR material = sphereMaterialColour(colour);
    EXPECT_EQ(material.r, 0.00392f * 56.0f);
    EXPECT_EQ(material.g, 0.00392f * 130.0f);
    EXPECT_EQ(material.b, 0.00392f * 255.0f);
    EXPECT_EQ(material.a, 1.0f);
    // Truncation toward zero, then the low 8 bits.
    EXPECT_EQ(springLineColour(D3DXVECTOR3(255.9f, 256.0f, 0.5f)), 0xFFFF0000u);
}

using SceneSetupTest = AppTest;

TEST_F(SceneSetupTest, MaterialAndLightAsHandedToTheDevice) {
    ASSERT_TRUE(createWindow());
    appContext->SetupMaterial(D3DXCOLOR(0.5f, 0.25f, 1.0f, 1.0f));
    D3DMATERIAL9 material;
    ASSERT_EQ(device->GetMaterial(&material), S_OK);
    const D3DCOLORVALUE expected = {0.5f, 0.25f, 1.0f, 1.0f};
    const D3DCOLORVALUE zero = {0.0f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(std::memcmp(&material.Diffuse, &expected, sizeof(expected)), 0);
    EXPECT_EQ(std::memcmp(&material.Ambient, &expected, sizeof(expected)), 0);
    EXPECT_EQ(std::memcmp(&material.Specular, &zero, sizeof(zero)), 0);
    EXPECT_EQ(std::memcmp(&material.Emissive, &zero, sizeof(zero)), 0);
    EXPECT_EQ(material.Power, 0.0f);

    struct LightCase {
        D3DXVECTOR3 position;
        float directionZ;
    };
    const LightCase lights[] = {{D3DXVECTOR3(0.0f, 0.0f, 100.0f), -1.0f}, {D3DXVECTOR3(0.0f, 0.0f, -100.0f), 1.0f}};
    for (const LightCase& c : lights) {
        appContext->SetupLight(c.position, D3DXVECTOR3(1.0f, 1.0f, 1.0f));
        D3DLIGHT9 light;
        ASSERT_EQ(device->GetLight(0, &light), S_OK);
        EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
        EXPECT_EQ(light.Direction.x, 0.0f);
        EXPECT_EQ(light.Direction.y, 0.0f);
        // The normalisation table is exact at squared lengths of 0.25, 1 and 4 only; 100^2 lands
        // inside a segment, within the table's accuracy.
        EXPECT_NEAR(light.Direction.z, c.directionZ, 1.5e-6f);
        EXPECT_EQ(light.Diffuse.r, 1.0f);
        EXPECT_EQ(light.Diffuse.a, 0.0f);
        EXPECT_EQ(light.Range, 1000.0f);
        BOOL enabled = FALSE;
        device->GetLightEnable(0, &enabled);
        EXPECT_TRUE(enabled);
        DWORD value = 0;
        device->GetRenderState(D3DRS_AMBIENT, &value);
        EXPECT_EQ(value, 0x00202020u);
        device->GetRenderState(D3DRS_LIGHTING, &value);
        EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    }
}

TEST_F(SceneSetupTest, FixedRenderStateAfterSetup) {
    ASSERT_TRUE(createWindow());
    struct StateCase {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    const StateCase states[] = {
        {D3DRS_CULLMODE, D3DCULL_CW}, {D3DRS_ZENABLE, D3DZB_FALSE}, {D3DRS_LIGHTING, TRUE},
        {D3DRS_AMBIENT, 0x00202020}, {D3DRS_COLORVERTEX, TRUE},
    };
    for (const StateCase& c : states) {
        SCOPED_TRACE(c.state);
        DWORD value = 0;
        device->GetRenderState(c.state, &value);
        EXPECT_EQ(value, c.value);
    }
    DWORD address = 0;
    device->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, static_cast<DWORD>(D3DTADDRESS_WRAP));
    device->GetSamplerState(0, D3DSAMP_ADDRESSV, &address);
    EXPECT_EQ(address, static_cast<DWORD>(D3DTADDRESS_WRAP));
}

template <class Vertex>
void expectBufferHolds(IDirect3DVertexBuffer9* buffer, const Vertex* expected, UINT count) {
    ASSERT_NE(buffer, nullptr);
    D3DVERTEXBUFFER_DESC desc;
    ASSERT_EQ(buffer->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Size, count * sizeof(Vertex));
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(std::memcmp(data, expected, count * sizeof(Vertex)), 0);
    buffer->Unlock();
}

TEST_F(SceneSetupTest, StaticBuffersReadBackAsWritten) {
    ASSERT_TRUE(createWindow());
    expectBufferHolds(mirrorBuffer, kMirrorVertices, 4);
    expectBufferHolds(floorBuffer, kFloorVertices, 6);
    // The mirror quad: white at alpha 128, facing the camera, covering the box at z = 20.
    EXPECT_EQ(kMirrorVertices[3].diffuse, 0x80FFFFFFu);
    EXPECT_EQ(kMirrorVertices[3].position.x, 80.0f);
    EXPECT_EQ(kMirrorVertices[3].position.z, 20.0f);
    EXPECT_EQ(kFloorVertices[4].uv.x, 2.0f);

    D3DVERTEXBUFFER_DESC line;
    ASSERT_EQ(lineBuffer->GetDesc(&line), S_OK);
    EXPECT_EQ(line.Size, 56u);
    EXPECT_EQ(line.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(line.FVF, 0x52u);
    ASSERT_NE(floorTexture, nullptr);
}

}  // namespace
}  // namespace apptest
