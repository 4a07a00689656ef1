// The device's misuse table: null outputs, indices past the device's limits, objects of another
// device. Every refused call returns D3DERR_INVALIDCALL, leaves the state as it was, and writes one
// note to the trace channel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/modules.h"
#include "platform/kernel/trace.h"
#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

class D3d9Misuse : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        IDirect3DDevice9* other = nullptr;
        D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
        ASSERT_EQ(m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window->handle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                       &other),
                  D3D_OK);
        m_other = ComPtr<IDirect3DDevice9>::adopt(other);
        ASSERT_EQ(m_other->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, m_foreignVb.put(), nullptr), D3D_OK);
        ASSERT_EQ(m_other->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, m_foreignIb.put(), nullptr),
                  D3D_OK);
        ASSERT_EQ(m_other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, m_foreignTex.put(), nullptr),
                  D3D_OK);
        ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, m_scratch.put(), nullptr),
                  D3D_OK);
    }
    void TearDown() override {
        m_foreignVb.reset();
        m_foreignIb.reset();
        m_foreignTex.reset();
        m_scratch.reset();
        m_other.reset();
        DeviceTest::TearDown();
    }

public:
    ComPtr<IDirect3DDevice9> m_other;
    ComPtr<IDirect3DVertexBuffer9> m_foreignVb;
    ComPtr<IDirect3DIndexBuffer9> m_foreignIb;
    ComPtr<IDirect3DTexture9> m_foreignTex;
    ComPtr<IDirect3DTexture9> m_scratch;

protected:
    // What a refusal must not change: every render state, the first stream, indices, texture 0,
    // the viewport, the FVF code and the world transform.
    struct Snapshot {
        std::vector<DWORD> renderStates;
        IDirect3DVertexBuffer9* stream = nullptr;
        UINT offset = 0, stride = 0;
        IDirect3DIndexBuffer9* indices = nullptr;
        IDirect3DBaseTexture9* texture = nullptr;
        D3DVIEWPORT9 viewport{};
        DWORD fvf = 0;
        D3DMATRIX world{};
        bool operator==(const Snapshot& o) const {
            return renderStates == o.renderStates && stream == o.stream && offset == o.offset && stride == o.stride &&
                   indices == o.indices && texture == o.texture &&
                   std::memcmp(&viewport, &o.viewport, sizeof viewport) == 0 && fvf == o.fvf &&
                   std::memcmp(&world, &o.world, sizeof world) == 0;
        }
    };
    Snapshot snapshot() {
        Snapshot s;
        for (DWORD state = 0; state < 256; ++state) {
            DWORD v = 0;
            if (m_device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &v) == D3D_OK) {
                s.renderStates.push_back(v);
            }
        }
        ComPtr<IDirect3DVertexBuffer9> vb;
        m_device->GetStreamSource(0, vb.put(), &s.offset, &s.stride);
        s.stream = vb.get();
        ComPtr<IDirect3DIndexBuffer9> ib;
        m_device->GetIndices(ib.put());
        s.indices = ib.get();
        ComPtr<IDirect3DBaseTexture9> t;
        m_device->GetTexture(0, t.put());
        s.texture = t.get();
        m_device->GetViewport(&s.viewport);
        m_device->GetFVF(&s.fvf);
        m_device->GetTransform(D3DTS_WORLD, &s.world);
        return s;
    }
};

TEST_F(D3d9Misuse, RefusedCallsChangeNothingAndLeaveANote) {
    using Call = HRESULT (*)(D3d9Misuse&, IDirect3DDevice9*);
    struct Case {
        const char* name;
        Call call;
    };
    const Case kCases[] = {
        {"GetDeviceCaps(null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetDeviceCaps(nullptr); }},
        {"GetDirect3D(null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetDirect3D(nullptr); }},
        {"GetDisplayMode(0, null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetDisplayMode(0, nullptr); }},
        {"GetCreationParameters(null)",
         [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetCreationParameters(nullptr); }},
        {"GetRenderTarget(0, null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetRenderTarget(0, nullptr); }},
        {"GetViewport(null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetViewport(nullptr); }},
        {"GetMaterial(null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetMaterial(nullptr); }},
        {"GetRenderState(cull, null)",
         [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetRenderState(D3DRS_CULLMODE, nullptr); }},
        {"GetTexture(0, null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetTexture(0, nullptr); }},
        {"GetFVF(null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetFVF(nullptr); }},
        {"GetIndices(null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->GetIndices(nullptr); }},
        {"GetStreamSource(0, null, ...)",
         [](D3d9Misuse&, IDirect3DDevice9* d) {
             UINT o = 0, s = 0;
             return d->GetStreamSource(0, nullptr, &o, &s);
         }},
        {"SetTexture(16)", [](D3d9Misuse& m, IDirect3DDevice9* d) { return d->SetTexture(16, m.m_scratch.get()); }},
        {"SetTexture(scratch)", [](D3d9Misuse& m, IDirect3DDevice9* d) { return d->SetTexture(0, m.m_scratch.get()); }},
        {"SetTexture(another device's)",
         [](D3d9Misuse& m, IDirect3DDevice9* d) { return d->SetTexture(0, m.m_foreignTex.get()); }},
        {"SetStreamSource(another device's)",
         [](D3d9Misuse& m, IDirect3DDevice9* d) { return d->SetStreamSource(0, m.m_foreignVb.get(), 0, 16); }},
        {"SetStreamSource(stream 4)",
         [](D3d9Misuse&, IDirect3DDevice9* d) { return d->SetStreamSource(4, nullptr, 0, 16); }},
        {"SetIndices(another device's)",
         [](D3d9Misuse& m, IDirect3DDevice9* d) { return d->SetIndices(m.m_foreignIb.get()); }},
        {"SetVertexDeclaration(not one)",
         [](D3d9Misuse& m, IDirect3DDevice9* d) {
             return d->SetVertexDeclaration(reinterpret_cast<IDirect3DVertexDeclaration9*>(m.m_scratch.get()));
         }},
        {"SetRenderTarget(1)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->SetRenderTarget(1, nullptr); }},
        {"SetRenderTarget(0, null)", [](D3d9Misuse&, IDirect3DDevice9* d) { return d->SetRenderTarget(0, nullptr); }},
        {"CreateTexture(..., null)",
         [](D3d9Misuse&, IDirect3DDevice9* d) {
             return d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr);
         }},
        {"CreateStateBlock(all, null)",
         [](D3d9Misuse&, IDirect3DDevice9* d) { return d->CreateStateBlock(D3DSBT_ALL, nullptr); }},
        {"CreateVertexDeclaration(null, out)",
         [](D3d9Misuse&, IDirect3DDevice9* d) {
             IDirect3DVertexDeclaration9* decl = nullptr;
             return d->CreateVertexDeclaration(nullptr, &decl);
         }},
        {"SetSoftwareVertexProcessing on a hardware device",
         [](D3d9Misuse&, IDirect3DDevice9* d) { return d->SetSoftwareVertexProcessing(TRUE); }},
        {"Reset",
         [](D3d9Misuse&, IDirect3DDevice9* d) {
             D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
             return d->Reset(&p);
         }},
    };
    std::vector<std::string> notes;
    platform::kernel::setTraceHook([&](std::string_view note) { notes.emplace_back(note); });
    const Snapshot before = snapshot();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        notes.clear();
        EXPECT_EQ(c.call(*this, m_device.get()), D3DERR_INVALIDCALL);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].rfind("d3d9: ", 0), 0u) << notes[0];
        EXPECT_TRUE(snapshot() == before);
    }
    platform::kernel::setTraceHook({});
}

TEST_F(D3d9Misuse, ANoteNamesTheCallAndWhatWasWrong) {
    std::vector<std::string> notes;
    platform::kernel::setTraceHook([&](std::string_view note) { notes.emplace_back(note); });
    EXPECT_EQ(m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(1234), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);  // accepted calls write nothing
    platform::kernel::setTraceHook({});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "d3d9: SetRenderState: unknown state 1234");
}

TEST_F(D3d9Misuse, TheRuntimeMuteSwitchSilencesNotesUntilUnmuted) {
    // Found the way the library finds it: the module counts as loaded, the entry by name.
    HMODULE module = GetModuleHandleA("d3d9.dll");
    ASSERT_NE(module, nullptr);
    auto mute = reinterpret_cast<void (*)(BOOL)>(GetProcAddress(module, "DebugSetMute"));
    ASSERT_NE(mute, nullptr);

    std::vector<std::string> notes;
    platform::kernel::setTraceHook([&](std::string_view note) { notes.emplace_back(note); });
    mute(TRUE);
    EXPECT_EQ(m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(1234), 0), D3DERR_INVALIDCALL);
    EXPECT_TRUE(notes.empty());
    mute(FALSE);
    EXPECT_EQ(m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(1234), 0), D3DERR_INVALIDCALL);
    platform::kernel::setTraceHook({});
    EXPECT_EQ(notes.size(), 1u);
}

}  // namespace
