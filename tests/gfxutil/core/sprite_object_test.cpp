// The sprite object: creation, interface look-up, reference counts, the buffer pool, and every
// caller error with its message and status, changing nothing.
#include <cstring>
#include <functional>

#include "tests/gfxutil/core/sprite_fixture.h"

namespace sprite_test {
namespace {

using d3d9_test::refCount;

TEST_F(SpriteTest, CreationRefusesNullArgumentsAndWritesNothing) {
    struct Case {
        const char* name;
        bool device;
        bool out;
        const char* message;
    };
    constexpr Case kCases[] = {
        {"null device", false, true, "pDevice pointer is invalid"},
        {"null output", true, false, "ppSprite pointer is invalid"},
        {"both null: the device is checked first", false, false, "pDevice pointer is invalid"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ID3DXSprite* sprite = reinterpret_cast<ID3DXSprite*>(0x1234);
        const HRESULT hr = D3DXCreateSprite(c.device ? m_device.get() : nullptr, c.out ? &sprite : nullptr);
        EXPECT_EQ(hr, D3DERR_INVALIDCALL);
        EXPECT_EQ(sprite, reinterpret_cast<ID3DXSprite*>(0x1234));
        EXPECT_EQ(m_messages.take(), std::vector<std::string>{c.message});
    }
}

TEST_F(SpriteTest, QueryInterfaceAnswersTheSpriteAndIUnknown) {
    constexpr IID kOther = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    struct Case {
        const char* name;
        const IID* iid;
        HRESULT status;
        bool answers;
    };
    const Case kCases[] = {
        {"ID3DXSprite", &IID_ID3DXSprite, S_OK, true},
        {"IUnknown", &IID_IUnknown, S_OK, true},
        {"another interface", &kOther, E_NOINTERFACE, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(m_sprite->QueryInterface(*c.iid, &out), c.status);
        if (c.answers) {
            EXPECT_EQ(out, static_cast<void*>(m_sprite.get()));
            EXPECT_EQ(refCount(m_sprite.get()), 2u);
            m_sprite->Release();
        } else {
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(refCount(m_sprite.get()), 1u);
        }
    }
}

TEST_F(SpriteTest, IdentifierIsThePublishedOne) {
    constexpr IID kSprite = {0xD4715B38, 0x6C44, 0x472A, {0x90, 0x24, 0x6E, 0x2B, 0x03, 0x21, 0xCA, 0xC6}};
    EXPECT_TRUE(IID_ID3DXSprite == kSprite);
}

TEST_F(SpriteTest, HoldsTheDeviceAndItsObjectsUntilItsLastRelease) {
    const ULONG deviceBefore = refCount(m_device.get());
    EXPECT_EQ(refCount(m_sprite.get()), 1u);
    EXPECT_EQ(m_sprite->AddRef(), 2u);
    EXPECT_EQ(m_sprite->Release(), 1u);

    ComPtr<IDirect3DDevice9> got;
    ASSERT_EQ(m_sprite->GetDevice(got.put()), S_OK);
    EXPECT_EQ(got.get(), m_device.get());
    EXPECT_EQ(refCount(m_device.get()), deviceBefore + 1);
    got.reset();

    ComPtr<IDirect3DIndexBuffer9> callerIndices;
    ASSERT_EQ(m_device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, callerIndices.put(), nullptr), D3D_OK);
    m_device->SetIndices(callerIndices.get());
    const ULONG indicesBefore = refCount(callerIndices.get());
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    EXPECT_EQ(refCount(callerIndices.get()), indicesBefore + 1) << "the index buffer saved at Begin";
    ASSERT_EQ(m_sprite->End(), S_OK);
    EXPECT_EQ(refCount(callerIndices.get()), indicesBefore + 1) << "held until the next Begin or OnLostDevice";
    m_sprite->OnLostDevice();
    EXPECT_EQ(refCount(callerIndices.get()), indicesBefore);

    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);
    EXPECT_EQ(m_sprite.get()->Release(), 0u);
    m_sprite.detach();
    m_device->SetIndices(nullptr);
    EXPECT_EQ(refCount(m_device.get()), deviceBefore - 1) << "the sprite's reference and nothing else is gone";
    EXPECT_EQ(refCount(callerIndices.get()), indicesBefore - 1);
}

TEST_F(SpriteTest, BufferPoolFollowsTheVertexProcessingFlags) {
    struct Case {
        const char* name;
        DWORD behavior;
        D3DPOOL pool;
    };
    constexpr Case kCases[] = {
        {"hardware", D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DPOOL_DEFAULT},
        {"software", D3DCREATE_SOFTWARE_VERTEXPROCESSING, D3DPOOL_SYSTEMMEM},
        {"mixed", D3DCREATE_MIXED_VERTEXPROCESSING, D3DPOOL_SYSTEMMEM},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        recreateWith(c.behavior);
        ASSERT_EQ(m_sprite->Begin(0), S_OK);
        const auto log = calls();
        const unsigned pool = static_cast<unsigned>(c.pool);
        EXPECT_EQ(matching(log, "Create"),
                  (std::vector<std::string>{"CreateIndexBuffer(49152, 0x8, 101, " + std::to_string(pool) + ")",
                                            "CreateVertexBuffer(393216, 0x208, 0x0, " + std::to_string(pool) + ")"}));
        EXPECT_EQ(matching(log, "IndexBuffer."),
                  (std::vector<std::string>{"IndexBuffer.Lock(0, 0, 0x0)", "IndexBuffer.Unlock()"}));
        ASSERT_EQ(m_sprite->End(), S_OK);
    }
}

TEST_F(SpriteTest, IndexBufferHoldsTheQuadPattern) {
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
    auto t = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->Draw(t.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(m_device->GetIndices(ib.put()), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    const auto* idx = static_cast<const WORD*>(data);
    for (UINT k : {0u, 1u, 2047u, 4095u}) {
        SCOPED_TRACE(k);
        const WORD b = static_cast<WORD>(4 * k);
        const WORD expected[6] = {b, WORD(b + 1), WORD(b + 2), WORD(b + 2), WORD(b + 1), WORD(b + 3)};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(idx[6 * k + i], expected[i]);
        }
    }
    ib->Unlock();
}

// Every caller error: its status, its one message, no device call, and the batch as it was.
TEST_F(SpriteTest, EveryCallerErrorIsRefusedWithItsMessageAndChangesNothing) {
    auto t = texture(4, 4, 0xFFFFFFFF, 0xFFFFFFFF);
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 5.0f, 6.0f, 7.0f);
    ID3DXSprite* s = m_sprite.get();
    struct Case {
        const char* name;
        bool insideBatch;
        std::function<HRESULT()> call;
        const char* message;
    };
    const Case kCases[] = {
        {"QueryInterface null", false, [&] { return s->QueryInterface(IID_ID3DXSprite, nullptr); }, "ppv pointer is invalid"},
        {"GetDevice null", false, [&] { return s->GetDevice(nullptr); }, "ppDevice pointer is invalid"},
        {"GetTransform null", false, [&] { return s->GetTransform(nullptr); }, "pTransform pointer is invalid"},
        {"SetTransform null", false, [&] { return s->SetTransform(nullptr); }, "pTransform pointer is invalid"},
        {"SetTransform null inside", true, [&] { return s->SetTransform(nullptr); }, "pTransform pointer is invalid"},
        {"SetWorldViewRH inside", true, [&] { return s->SetWorldViewRH(&m, nullptr); },
         "ID3DXSprite::SetWorldViewRH called inside a Begin/End pair"},
        {"SetWorldViewLH inside", true, [&] { return s->SetWorldViewLH(&m, &m); },
         "ID3DXSprite::SetWorldViewLH called inside a Begin/End pair"},
        {"Begin inside", true, [&] { return s->Begin(0); }, "Begin called from within a Begin/End pair"},
        {"Begin flag 0x100", false, [&] { return s->Begin(0x100); }, "Flags parameter is invalid"},
        {"Begin flag 0x80000000", false, [&] { return s->Begin(0x80000010u); }, "Flags parameter is invalid"},
        {"Draw outside", false, [&] { return s->Draw(t.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF); },
         "ID3DXSprite::Draw called outside a Begin/End pair"},
        {"Draw null texture", true, [&] { return s->Draw(nullptr, nullptr, nullptr, nullptr, 0xFFFFFFFF); },
         "pTexture pointer is invalid"},
        {"Flush outside", false, [&] { return s->Flush(); }, "ID3DXSprite::Flush called outside a Begin/End pair"},
        {"End outside", false, [&] { return s->End(); }, "End called without matching Begin"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.insideBatch) {
            ASSERT_EQ(s->Begin(D3DXSPRITE_DONOTSAVESTATE), S_OK);
            const D3DXVECTOR3 p(1.0f, 2.0f, 0.0f);
            ASSERT_EQ(s->Draw(t.get(), nullptr, nullptr, &p, 0xFFFFFFFF), S_OK);
        }
        D3DXMATRIX before;
        ASSERT_EQ(s->GetTransform(&before), S_OK);
        calls();
        m_messages.take();
        EXPECT_EQ(c.call(), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.take(), std::vector<std::string>{c.message});
        EXPECT_TRUE(calls().empty());
        D3DXMATRIX after;
        ASSERT_EQ(s->GetTransform(&after), S_OK);
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
        if (c.insideBatch) {
            // Still inside, with the one queued sprite: End draws exactly it.
            ASSERT_EQ(s->End(), S_OK);
            EXPECT_EQ(matching(calls(), "DrawIndexedPrimitive").size(), 1u);
        } else {
            EXPECT_EQ(s->End(), D3DERR_INVALIDCALL) << "still outside";
        }
        m_messages.take();
    }
}

}  // namespace
}  // namespace sprite_test
