// The root object: creation by version, the failure switches, capabilities, format questions and
// device creation with its parameter checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/d3d9/controls.h"
#include "platform/d3d9/d3d9.h"
#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;
using platform::d3d9::Failure;

namespace {

class D3d9RootObject : public DeviceTest {};

TEST(D3d9Create, AnswersVersion31Only) {
    platform::d3d9::setFailure(std::nullopt);
    struct Case {
        const char* name;
        UINT version;
        bool created;
    };
    constexpr Case kCases[] = {
        {"version 31", 31, true},
        {"version 32", 32, false},
        {"version 0", 0, false},
        {"debug bit", 0x8000001F, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        IDirect3D9* root = Direct3DCreate9(c.version);
        EXPECT_EQ(root != nullptr, c.created);
        if (root != nullptr) {
            EXPECT_EQ(root->Release(), 0u);
        }
    }
}

TEST(D3d9Create, FailureSwitchInProcessAndFromEnvironment) {
    platform::d3d9::setFailure(Failure::CreateRoot);
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    platform::d3d9::setFailure(std::nullopt);

    ASSERT_EQ(setenv("D3D9_FAIL", "create", 1), 0);
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    ASSERT_EQ(setenv("D3D9_FAIL", "device", 1), 0);
    IDirect3D9* root = Direct3DCreate9(31);
    ASSERT_NE(root, nullptr);
    HeadlessWindow window;
    D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, window.handle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    // The in-process setting wins over the environment.
    platform::d3d9::setFailure(Failure::None);
    EXPECT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, window.handle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
              D3D_OK);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(root->Release(), 0u);
    unsetenv("D3D9_FAIL");
    platform::d3d9::setFailure(std::nullopt);
}

TEST_F(D3d9RootObject, CapabilitiesReportWhatTheDeviceDoes) {
    D3DCAPS9 caps{};
    ASSERT_EQ(m_root->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_NE(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP, 0u);
    EXPECT_NE(caps.AlphaCmpCaps & D3DPCMPCAPS_GREATER, 0u);
    const DWORD filters = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                          D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MIPFLINEAR;
    EXPECT_EQ(caps.TextureFilterCaps & filters, filters);
    EXPECT_EQ(caps.TextureFilterCaps & D3DPTFILTERCAPS_MAGFANISOTROPIC, 0u);
    EXPECT_GT(caps.MaxVertexIndex, 0xFFFFu);  // 32-bit indices are drawn directly
    EXPECT_GT(caps.MaxPrimitiveCount, 0xFFFFu);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_EQ(caps.MaxTextureWidth, caps.MaxTextureHeight);

    // The device's own copy agrees with the root object's.
    D3DCAPS9 fromDevice{};
    ASSERT_EQ(m_device->GetDeviceCaps(&fromDevice), D3D_OK);
    EXPECT_EQ(std::memcmp(&caps, &fromDevice, sizeof caps), 0);

    // A texture as large as the capabilities say can be created; one texel more cannot.
    ComPtr<IDirect3DTexture9> t;
    EXPECT_EQ(
        m_device->CreateTexture(caps.MaxTextureWidth, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, t.put(), nullptr),
        D3D_OK);
    EXPECT_EQ(m_device->CreateTexture(caps.MaxTextureWidth + 1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, t.put(),
                                      nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(D3d9RootObject, SoftwareOnlySwitchHidesTransformAndLighting) {
    platform::d3d9::setSoftwareVertexProcessingOnly(true);
    D3DCAPS9 caps{};
    ASSERT_EQ(m_root->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_EQ(recreate(windowedParams(8, 8), D3DCREATE_HARDWARE_VERTEXPROCESSING), D3DERR_INVALIDCALL);
    EXPECT_EQ(recreate(windowedParams(8, 8), D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3D_OK);
    D3DDEVICE_CREATION_PARAMETERS cp{};
    ASSERT_EQ(m_device->GetCreationParameters(&cp), D3D_OK);
    EXPECT_EQ(cp.BehaviorFlags, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    EXPECT_EQ(cp.hFocusWindow, m_window->handle());
}

TEST_F(D3d9RootObject, CheckDeviceFormatAnswersForWhatTheDeviceSupports) {
    struct Case {
        const char* name;
        D3DFORMAT adapter;
        DWORD usage;
        D3DRESOURCETYPE type;
        D3DFORMAT format;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"texture X8R8G8B8", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8, D3D_OK},
        {"texture A8R8G8B8", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3D_OK},
        {"texture R5G6B5", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_R5G6B5, D3D_OK},
        {"texture A4R4G4B4", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4, D3D_OK},
        {"texture L8", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_L8, D3D_OK},
        {"texture A8L8", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8L8, D3D_OK},
        {"texture A8", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8, D3D_OK},
        {"texture R8G8B8 not sampled", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_R8G8B8, D3DERR_NOTAVAILABLE},
        {"texture DXT1 not sampled", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT1, D3DERR_NOTAVAILABLE},
        {"texture P8 not sampled", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_P8, D3DERR_NOTAVAILABLE},
        {"texture of a depth format", D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_D24S8, D3DERR_NOTAVAILABLE},
        {"dynamic texture", D3DFMT_X8R8G8B8, D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3D_OK},
        {"filtering asked", D3DFMT_X8R8G8B8, D3DUSAGE_QUERY_FILTER, D3DRTYPE_TEXTURE, D3DFMT_L8, D3D_OK},
        {"sRGB reads asked", D3DFMT_X8R8G8B8, D3DUSAGE_QUERY_SRGBREAD, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8,
         D3DERR_NOTAVAILABLE},
        {"mip generation asked", D3DFMT_X8R8G8B8, D3DUSAGE_AUTOGENMIPMAP, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8,
         D3DOK_NOAUTOGEN},
        {"render target X8R8G8B8", D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8, D3D_OK},
        {"render target R5G6B5", D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_R5G6B5,
         D3DERR_NOTAVAILABLE},
        {"blending on the render target", D3DFMT_X8R8G8B8,
         D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8, D3D_OK},
        {"blending on A8R8G8B8", D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING,
         D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8, D3D_OK},
        {"blending on L8", D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING,
         D3DRTYPE_SURFACE, D3DFMT_L8, D3DERR_NOTAVAILABLE},
        {"depth D24S8", D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3D_OK},
        {"depth D16", D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16, D3DERR_NOTAVAILABLE},
        {"cube texture", D3DFMT_X8R8G8B8, 0, D3DRTYPE_CUBETEXTURE, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
        {"16-bit indices", D3DFMT_X8R8G8B8, 0, D3DRTYPE_INDEXBUFFER, D3DFMT_INDEX16, D3D_OK},
        {"other display format", D3DFMT_R5G6B5, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
        {"unknown usage bit", D3DFMT_X8R8G8B8, 0x80000000u, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_root->CheckDeviceFormat(0, D3DDEVTYPE_HAL, c.adapter, c.usage, c.type, c.format), c.expected);
    }
    EXPECT_EQ(m_root->CheckDeviceFormat(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(m_root->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
}

// D3D9_NO_RT_BLEND (or its in-process switch) makes the blending question fail, as a render
// target format without blending would; nothing else about the format changes.
TEST_F(D3d9RootObject, NoRenderTargetBlendingSwitchAnswersOnlyTheBlendingQuestion) {
    constexpr DWORD kBlendQuery = D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_RENDERTARGET;
    struct Case {
        const char* name;
        std::optional<bool> inProcess;
        const char* env;
        HRESULT blending;
    };
    const Case kCases[] = {
        {"default", std::nullopt, nullptr, D3D_OK},
        {"in process", true, nullptr, D3DERR_NOTAVAILABLE},
        {"environment", std::nullopt, "1", D3DERR_NOTAVAILABLE},
        {"environment 0", std::nullopt, "0", D3D_OK},
        {"in process wins", false, "1", D3D_OK},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.env != nullptr) {
            ::setenv("D3D9_NO_RT_BLEND", c.env, 1);
        } else {
            ::unsetenv("D3D9_NO_RT_BLEND");
        }
        platform::d3d9::setRenderTargetBlendingUnavailable(c.inProcess);
        EXPECT_EQ(m_root->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, kBlendQuery, D3DRTYPE_SURFACE,
                                            D3DFMT_X8R8G8B8),
                  c.blending);
        EXPECT_EQ(m_root->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                                            D3DFMT_X8R8G8B8),
                  D3D_OK);
    }
    ::unsetenv("D3D9_NO_RT_BLEND");
    platform::d3d9::setRenderTargetBlendingUnavailable(std::nullopt);
}

TEST_F(D3d9RootObject, EveryFormatCheckedAsTextureCanBeCreatedAndNoOtherCan) {
    // Whatever CheckDeviceFormat accepts as a managed texture, CreateTexture accepts too, and the
    // other way round: the texture loader picks formats by asking first.
    for (DWORD code = 0; code <= 120; ++code) {
        const auto format = static_cast<D3DFORMAT>(code);
        SCOPED_TRACE(code);
        const HRESULT asked =
            m_root->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, format);
        ComPtr<IDirect3DTexture9> t;
        const HRESULT created = m_device->CreateTexture(4, 4, 0, 0, format, D3DPOOL_MANAGED, t.put(), nullptr);
        EXPECT_EQ(SUCCEEDED(asked), SUCCEEDED(created));
    }
}

TEST_F(D3d9RootObject, AdapterIdentifierAndDisplayMode) {
    D3DADAPTER_IDENTIFIER9 id{};
    ASSERT_EQ(m_root->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_GT(std::strlen(id.Description), 0u);
    EXPECT_NE(id.VendorId, 0x1002u);  // no vendor-specific tuning should apply
    EXPECT_EQ(m_root->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_root->GetAdapterIdentifier(0, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_root->GetAdapterCount(), 1u);

    D3DDISPLAYMODE mode{};
    ASSERT_EQ(m_root->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);
    D3DDISPLAYMODE fromDevice{};
    ASSERT_EQ(m_device->GetDisplayMode(0, &fromDevice), D3D_OK);
    EXPECT_EQ(fromDevice.Width, mode.Width);
    EXPECT_EQ(fromDevice.Height, mode.Height);
    EXPECT_EQ(fromDevice.Format, mode.Format);
    EXPECT_EQ(m_device->GetDisplayMode(1, &fromDevice), D3DERR_INVALIDCALL);
    // The modes listed include the current one.
    const UINT count = m_root->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GT(count, 0u);
    bool found = false;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE m{};
        ASSERT_EQ(m_root->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &m), D3D_OK);
        found = found || (m.Width == mode.Width && m.Height == mode.Height);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(m_root->GetAdapterModeCount(0, D3DFMT_R5G6B5), 0u);
}

TEST_F(D3d9RootObject, CreationResolvesAndWritesBackThePresentationParameters) {
    D3DPRESENT_PARAMETERS p = windowedParams(0, 0);
    p.BackBufferCount = 0;
    ASSERT_EQ(recreate(p), D3D_OK);
    // The window's client area is 64 x 48 (the fixture's window).
    ComPtr<IDirect3DSurface9> bb;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, bb.put()), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(bb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 64u);
    EXPECT_EQ(desc.Height, 48u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(m_width, 64u);

    IDirect3DDevice9* second = nullptr;
    D3DPRESENT_PARAMETERS q = windowedParams(0, 0);
    ASSERT_EQ(
        m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window->handle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &q, &second),
        D3D_OK);
    EXPECT_EQ(q.BackBufferWidth, 64u);
    EXPECT_EQ(q.BackBufferHeight, 48u);
    EXPECT_EQ(q.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(q.BackBufferCount, 1u);
    second->Release();
}

TEST_F(D3d9RootObject, CreateDeviceRefusesWhatItCannotBuildAndWritesNothing) {
    struct Case {
        const char* name;
        UINT adapter;
        D3DDEVTYPE type;
        DWORD behavior;
        void (*edit)(D3DPRESENT_PARAMETERS&);
        HRESULT expected;
    };
    constexpr auto none = [](D3DPRESENT_PARAMETERS&) {};
    constexpr Case kCases[] = {
        {"adapter 1", 1, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, none, D3DERR_INVALIDCALL},
        {"reference device", 0, D3DDEVTYPE_REF, D3DCREATE_HARDWARE_VERTEXPROCESSING, none, D3DERR_NOTAVAILABLE},
        {"no vertex processing flag", 0, D3DDEVTYPE_HAL, 0, none, D3DERR_INVALIDCALL},
        {"two vertex processing flags", 0, D3DDEVTYPE_HAL,
         D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING, none, D3DERR_INVALIDCALL},
        {"unknown behaviour flag", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING | 0x10000000u, none,
         D3DERR_INVALIDCALL},
        {"R5G6B5 back buffer", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.BackBufferFormat = D3DFMT_R5G6B5; }, D3DERR_NOTAVAILABLE},
        {"D16 depth", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.AutoDepthStencilFormat = D3DFMT_D16; }, D3DERR_INVALIDCALL},
        {"multisampling", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES; }, D3DERR_INVALIDCALL},
        {"swap effect 0", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.SwapEffect = static_cast<D3DSWAPEFFECT>(0); }, D3DERR_INVALIDCALL},
        {"four back buffers", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.BackBufferCount = 4; }, D3DERR_INVALIDCALL},
        {"huge back buffer", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.BackBufferWidth = 100000; }, D3DERR_INVALIDCALL},
        {"not a window", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.hDeviceWindow = reinterpret_cast<HWND>(0x1234); }, D3DERR_INVALIDCALL},
        {"unknown presentation flag", 0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         [](D3DPRESENT_PARAMETERS& p) { p.Flags = 0x100; }, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
        c.edit(p);
        const D3DPRESENT_PARAMETERS before = p;
        IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(0x1);  // must stay untouched
        EXPECT_EQ(m_root->CreateDevice(c.adapter, c.type, m_window->handle(), c.behavior, &p, &device), c.expected);
        EXPECT_EQ(device, reinterpret_cast<IDirect3DDevice9*>(0x1));
        EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
    }
    D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(m_root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window->handle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr,
                                   &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window->handle(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, nullptr),
        D3DERR_INVALIDCALL);
}

TEST_F(D3d9RootObject, DeviceHoldsItsRootObjectAndQueriesAnswer) {
    const ULONG rootBefore = refCount(m_root.get());
    ComPtr<IDirect3D9> fromDevice;
    ASSERT_EQ(m_device->GetDirect3D(fromDevice.put()), D3D_OK);
    EXPECT_EQ(fromDevice.get(), m_root.get());
    EXPECT_EQ(refCount(m_root.get()), rootBefore + 1);
    fromDevice.reset();
    // Releasing the device gives its reference on the root object back.
    m_device.reset();
    EXPECT_EQ(refCount(m_root.get()), rootBefore - 1);

    void* out = nullptr;
    EXPECT_EQ(m_root->QueryInterface(IID_IDirect3D9, &out), S_OK);
    EXPECT_EQ(out, m_root.get());
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(m_root->QueryInterface(IID_IDirect3DDevice9, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
