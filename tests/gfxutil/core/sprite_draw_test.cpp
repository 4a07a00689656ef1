// Draw and Flush: the quads written, sorting and its tie rule, the ring across batches and the
// transform that each sprite carries.
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/gfxutil/core/sprite_fixture.h"

namespace sprite_test {
namespace {

using gfxutil::core::SpriteVertex;

TEST_F(SpriteTest, DrawWritesTheQuadFromRectangleCentreAndPosition) {
    struct Case {
        const char* name;
        bool rect, center, position;
        SpriteVertex corner0, corner3;
    };
    // Texture 8 x 4; rectangle (2, 1, 6, 3); centre (1, 1, 0); position (10, 20, 0.5).
    constexpr Case kCases[] = {
        {"all null: whole level 0 at the origin", false, false, false,
         {0, 0, 0, 0xFF102030, 0.0f, 0.0f}, {8, 4, 0, 0xFF102030, 1.0f, 1.0f}},
        {"rectangle only", true, false, false,
         {0, 0, 0, 0xFF102030, 0.25f, 0.25f}, {4, 2, 0, 0xFF102030, 0.75f, 0.75f}},
        {"position only", false, false, true,
         {10, 20, 0.5f, 0xFF102030, 0.0f, 0.0f}, {18, 24, 0.5f, 0xFF102030, 1.0f, 1.0f}},
        {"centre and position", true, true, true,
         {9, 19, 0.5f, 0xFF102030, 0.25f, 0.25f}, {13, 21, 0.5f, 0xFF102030, 0.75f, 0.75f}},
        {"centre without position", false, true, false,
         {-1, -1, 0, 0xFF102030, 0.0f, 0.0f}, {7, 3, 0, 0xFF102030, 1.0f, 1.0f}},
    };
    auto t = texture(8, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    const RECT rect{2, 1, 6, 3};
    const D3DXVECTOR3 center(1, 1, 0), position(10, 20, 0.5f);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
        ASSERT_EQ(m_sprite->Draw(t.get(), c.rect ? &rect : nullptr, c.center ? &center : nullptr,
                                 c.position ? &position : nullptr, 0xFF102030),
                  S_OK);
        ASSERT_EQ(m_sprite->End(), S_OK);
        const UINT first = batch()->vertexCursor() - 4;
        const auto q = ringVertices(first, 4);
        auto expectVertex = [](const SpriteVertex& a, const SpriteVertex& e) {
            EXPECT_EQ(a.x, e.x);
            EXPECT_EQ(a.y, e.y);
            EXPECT_EQ(a.z, e.z);
            EXPECT_EQ(a.color, e.color);
            EXPECT_EQ(a.u, e.u);
            EXPECT_EQ(a.v, e.v);
        };
        expectVertex(q[0], c.corner0);
        expectVertex(q[3], c.corner3);
        // Corner 1 is below corner 0, corner 2 to its right.
        expectVertex(q[1], {c.corner0.x, c.corner3.y, c.corner0.z, c.corner0.color, c.corner0.u, c.corner3.v});
        expectVertex(q[2], {c.corner3.x, c.corner0.y, c.corner0.z, c.corner0.color, c.corner3.u, c.corner0.v});
    }
}

// Each sprite's x position is its submission index times 10; the order drawn is read back from the
// ring.
TEST_F(SpriteTest, SortingOrdersByTextureOrDepthAndKeepsSubmissionOrderForEqualKeys) {
    auto a = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    auto b = texture(4, 4, 0xFF000000, 0xFF000000);
    IDirect3DTexture9* high = reinterpret_cast<uintptr_t>(a.get()) > reinterpret_cast<uintptr_t>(b.get()) ? a.get() : b.get();
    IDirect3DTexture9* low = high == a.get() ? b.get() : a.get();
    struct Case {
        const char* name;
        DWORD flags;
        std::vector<int> textures;  // 0: high address, 1: low address
        std::vector<float> z;
        std::vector<int> order;
        size_t draws;
    };
    const Case kCases[] = {
        {"no sort: submission order", 0, {1, 0, 1, 0}, {0.4f, 0.1f, 0.3f, 0.2f}, {0, 1, 2, 3}, 4},
        {"texture: highest address first, stable", D3DXSPRITE_SORT_TEXTURE, {1, 0, 1, 0}, {0, 0, 0, 0},
         {1, 3, 0, 2}, 2},
        {"texture, one texture: submission order", D3DXSPRITE_SORT_TEXTURE, {1, 1, 1}, {0.3f, 0.1f, 0.2f}, {0, 1, 2}, 1},
        {"texture wins over depth", D3DXSPRITE_SORT_TEXTURE | D3DXSPRITE_SORT_DEPTH_FRONTTOBACK, {0, 0, 1},
         {0.3f, 0.1f, 0.2f}, {0, 1, 2}, 2},
        // Screen space: key = -(sum of z), so front-to-back (ascending key) draws the largest z first.
        {"front to back, ties in submission order", D3DXSPRITE_SORT_DEPTH_FRONTTOBACK, {0, 0, 0, 0},
         {0.1f, 0.5f, 0.1f, 0.5f}, {1, 3, 0, 2}, 1},
        {"back to front, ties in submission order", D3DXSPRITE_SORT_DEPTH_BACKTOFRONT, {0, 0, 0, 0},
         {0.1f, 0.5f, 0.1f, 0.5f}, {0, 2, 1, 3}, 1},
        {"both depth flags: ascending", D3DXSPRITE_SORT_DEPTH_FRONTTOBACK | D3DXSPRITE_SORT_DEPTH_BACKTOFRONT,
         {0, 0, 0, 0}, {0.1f, 0.5f, 0.1f, 0.5f}, {1, 3, 0, 2}, 1},
        {"depth, all keys equal: submission order", D3DXSPRITE_SORT_DEPTH_BACKTOFRONT, {0, 0, 0, 0, 0},
         {0.2f, 0.2f, 0.2f, 0.2f, 0.2f}, {0, 1, 2, 3, 4}, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | c.flags), S_OK);
        for (size_t i = 0; i < c.z.size(); ++i) {
            const D3DXVECTOR3 p(10.0f * static_cast<float>(i), 0.0f, c.z[i]);
            ASSERT_EQ(m_sprite->Draw(c.textures[i] == 0 ? high : low, nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
        }
        calls();
        const UINT first = batch()->vertexCursor();
        ASSERT_EQ(m_sprite->End(), S_OK);
        EXPECT_EQ(matching(calls(), "DrawIndexedPrimitive").size(), c.draws);
        const auto ring = ringVertices(first, static_cast<UINT>(4 * c.z.size()));
        std::vector<int> drawn;
        for (size_t i = 0; i < c.z.size(); ++i) {
            drawn.push_back(static_cast<int>(ring[4 * i].x / 10.0f));
        }
        EXPECT_EQ(drawn, c.order);
    }
}

// Object space: the key is the sum of the corners projected on the view direction.
TEST_F(SpriteTest, ObjectSpaceDepthKeysFollowTheViewDirection) {
    auto t = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    D3DXMATRIX view;
    D3DXMatrixIdentity(&view);
    ASSERT_EQ(m_sprite->SetWorldViewLH(nullptr, &view), S_OK);  // looks along +z
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_OBJECTSPACE | D3DXSPRITE_SORT_DEPTH_FRONTTOBACK), S_OK);
    const float z[] = {3.0f, 1.0f, 2.0f};
    for (int i = 0; i < 3; ++i) {
        const D3DXVECTOR3 p(10.0f * static_cast<float>(i), 0.0f, z[i]);
        ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    }
    const UINT first = batch()->vertexCursor();
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto ring = ringVertices(first, 12);
    EXPECT_EQ(ring[0].x, 10.0f);
    EXPECT_EQ(ring[4].x, 20.0f);
    EXPECT_EQ(ring[8].x, 0.0f);

    // Right-handed: the view direction is negated, so the order turns round.
    ASSERT_EQ(m_sprite->SetWorldViewRH(nullptr, &view), S_OK);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_OBJECTSPACE | D3DXSPRITE_SORT_DEPTH_FRONTTOBACK), S_OK);
    for (int i = 0; i < 3; ++i) {
        const D3DXVECTOR3 p(10.0f * static_cast<float>(i), 0.0f, z[i]);
        ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    }
    const UINT second = batch()->vertexCursor();
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto ring2 = ringVertices(second, 12);
    EXPECT_EQ(ring2[0].x, 0.0f);
    EXPECT_EQ(ring2[4].x, 20.0f);
    EXPECT_EQ(ring2[8].x, 10.0f);
}

TEST_F(SpriteTest, TheRingAppendsAcrossBatchesAndDiscardsOnlyWhenFull) {
    auto a = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    auto batchOf = [&](UINT n) {
        EXPECT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
        for (UINT i = 0; i < n; ++i) {
            EXPECT_EQ(m_sprite->Draw(a.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
        }
        calls();
        EXPECT_EQ(m_sprite->End(), S_OK);
        std::vector<std::string> out;
        for (const auto& line : calls()) {
            if (line.rfind("SetTexture", 0) == 0 || line.rfind("VertexBuffer.Lock", 0) == 0 ||
                line.rfind("DrawIndexedPrimitive", 0) == 0) {
                out.push_back(line);
            }
        }
        return out;
    };
    struct Case {
        const char* name;
        UINT sprites;
        std::vector<std::string> calls;
    };
    const Case kCases[] = {
        {"first batch discards", 1,
         {"SetTexture(0, texture)", "VertexBuffer.Lock(0, 0, 0x2000)", "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}},
        {"next batch appends without overwriting", 2,
         {"SetTexture(0, texture)", "VertexBuffer.Lock(0, 0, 0x1000)", "DrawIndexedPrimitive(4, 0, 4, 8, 6, 4)"}},
        // 3 sprites are in; 4,093 more fill the ring, the 4,097th opens a new draw after a discard,
        // and the run of one texture crossing that point is set once.
        {"a run crossing the end: two draws, one SetTexture", 4094,
         {"SetTexture(0, texture)", "VertexBuffer.Lock(0, 0, 0x1000)", "DrawIndexedPrimitive(4, 0, 12, 16372, 18, 8186)",
          "VertexBuffer.Lock(0, 0, 0x2000)", "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}},
        // One sprite is in since the discard; this batch's 4,096th is the 4,097th since then.
        {"the 4,097th sprite since the discard", 4096,
         {"SetTexture(0, texture)", "VertexBuffer.Lock(0, 0, 0x1000)", "DrawIndexedPrimitive(4, 0, 4, 16380, 6, 8190)",
          "VertexBuffer.Lock(0, 0, 0x2000)", "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(batchOf(c.sprites), c.calls);
    }
}

TEST_F(SpriteTest, FourThousandAndNinetySeventhSpriteOfOneBatchOpensANewDraw) {
    auto a = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
    for (UINT i = 0; i < 4097; ++i) {
        ASSERT_EQ(m_sprite->Draw(a.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    }
    EXPECT_EQ(batch()->capacity(), 8192u) << "doubled from 64";
    calls();
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto log = calls();
    EXPECT_EQ(matching(log, "SetTexture"), std::vector<std::string>{"SetTexture(0, texture)"});
    EXPECT_EQ(matching(log, "VertexBuffer.Lock"),
              (std::vector<std::string>{"VertexBuffer.Lock(0, 0, 0x2000)", "VertexBuffer.Lock(0, 0, 0x2000)"}));
    EXPECT_EQ(matching(log, "DrawIndexedPrimitive"),
              (std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 16384, 0, 8192)",
                                        "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}));
}

TEST_F(SpriteTest, FlushInsideABatchDrawsAndStaysInside) {
    auto a = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
    ASSERT_EQ(m_sprite->Draw(a.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->Draw(a.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    calls();
    ASSERT_EQ(m_sprite->Flush(), S_OK);
    EXPECT_EQ(calls(), (std::vector<std::string>{"SetVertexDeclaration(declaration)", "SetIndices(buffer)",
                                                 "SetStreamSource(0, buffer, 0, 24)", "SetTexture(0, texture)",
                                                 "VertexBuffer.Lock(0, 0, 0x2000)", "VertexBuffer.Unlock()",
                                                 "DrawIndexedPrimitive(4, 0, 0, 8, 0, 4)"}));
    ASSERT_EQ(m_sprite->Draw(a.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK) << "still inside";
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto log = calls();
    EXPECT_EQ(matching(log, "SetTexture"), std::vector<std::string>{"SetTexture(0, texture)"})
        << "each Flush starts with no texture";
    EXPECT_EQ(matching(log, "DrawIndexedPrimitive"), std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 8, 4, 12, 2)"});
}

TEST_F(SpriteTest, GrowingTheArraysKeepsTheQueuedSprites) {
    auto a = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    auto b = texture(8, 8, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_SORT_TEXTURE), S_OK);
    const UINT first = batch()->vertexCursor();
    for (UINT i = 0; i < 130; ++i) {
        const D3DXVECTOR3 p(static_cast<float>(i), 0.0f, 0.0f);
        ASSERT_EQ(m_sprite->Draw(i < 129 ? a.get() : b.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    }
    EXPECT_EQ(batch()->capacity(), 256u);
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto ring = ringVertices(first, 4 * 130);
    // Sorted by texture address: the 129 sprites of one texture keep their order.
    const bool aFirst = reinterpret_cast<uintptr_t>(a.get()) > reinterpret_cast<uintptr_t>(b.get());
    const UINT offset = aFirst ? 0 : 1;
    for (UINT i = 0; i < 129; ++i) {
        ASSERT_EQ(ring[4 * (i + offset)].x, static_cast<float>(i)) << i;
        ASSERT_EQ(ring[4 * (i + offset) + 3].x, static_cast<float>(i) + 4.0f) << i;
    }
    EXPECT_EQ(ring[aFirst ? 4 * 129 : 0].x, 129.0f);
    EXPECT_EQ(ring[aFirst ? 4 * 129 + 3 : 3].x, 129.0f + 8.0f);
}

TEST_F(SpriteTest, SetTransformInsideABatchAffectsOnlyLaterSprites) {
    auto t = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    D3DXMATRIX shift, twice;
    D3DXMatrixTranslation(&shift, 100.0f, 0.0f, 0.0f);
    D3DXMatrixTranslation(&twice, 0.0f, 50.0f, 0.0f);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
    const D3DXVECTOR3 p(1.0f, 2.0f, 0.0f);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->SetTransform(&shift), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->SetTransform(&twice), S_OK);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
    const UINT first = batch()->vertexCursor();
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto ring = ringVertices(first, 16);
    const float xs[] = {1.0f, 101.0f, 101.0f, 1.0f};
    const float ys[] = {2.0f, 2.0f, 2.0f, 52.0f};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ring[4 * i].x, xs[i]);
        EXPECT_EQ(ring[4 * i].y, ys[i]);
        EXPECT_EQ(ring[4 * i + 3].x, xs[i] + 4.0f);
    }
    D3DXMATRIX kept;
    ASSERT_EQ(m_sprite->GetTransform(&kept), S_OK);
    EXPECT_EQ(std::memcmp(&kept, &twice, sizeof kept), 0) << "the transform persists across batches";
}

TEST_F(SpriteTest, BillboardsCarryTheCombinedTransformAndItsScale) {
    auto t = texture(8, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    D3DXMATRIX world, view, scale;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, 5.0f);
    D3DXMatrixIdentity(&view);
    D3DXMatrixIdentity(&scale);
    scale._11 = -2.0f;  // a negative diagonal element signs the scale
    scale._22 = 0.5f;
    ASSERT_EQ(m_sprite->SetWorldViewLH(&world, &view), S_OK);
    ASSERT_EQ(m_sprite->SetTransform(&scale), S_OK);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_BILLBOARD), S_OK);
    EXPECT_EQ(batch()->flags(), DWORD(D3DXSPRITE_DONOTSAVESTATE | 0x0C));
    const D3DXVECTOR3 p(1.0f, 2.0f, 3.0f), c(1.0f, 1.0f, 1.0f);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, &c, &p, 0xFFFFFFFF), S_OK);
    const UINT first = batch()->vertexCursor();
    ASSERT_EQ(m_sprite->End(), S_OK);
    const auto q = ringVertices(first, 4);
    // p x (scale x world) = (-2, 1, 8); minus the signed scales times the centre: (-2 + 2, 1 - 0.5, 8 - 1).
    EXPECT_EQ(q[0].x, 0.0f);
    EXPECT_EQ(q[0].y, 0.5f);
    EXPECT_EQ(q[0].z, 7.0f);
    EXPECT_EQ(q[3].x, 0.0f + 8.0f * -2.0f);
    EXPECT_EQ(q[3].y, 0.5f + 4.0f * 0.5f);
}

}  // namespace
}  // namespace sprite_test
