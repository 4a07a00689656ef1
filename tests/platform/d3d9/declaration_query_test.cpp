// Vertex declarations (checked at creation: only what the device can fetch) and queries.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

class D3d9Declarations : public DeviceTest {};

constexpr D3DVERTEXELEMENT9 el(WORD stream, WORD offset, BYTE type, BYTE usage, BYTE index = 0, BYTE method = 0) {
    return D3DVERTEXELEMENT9{stream, offset, type, method, usage, index};
}

TEST_F(D3d9Declarations, AcceptedAndRefusedElementArrays) {
    struct Case {
        const char* name;
        std::vector<D3DVERTEXELEMENT9> elements;
        HRESULT expected;
    };
    const Case kCases[] = {
        {"position and normal (the sphere)",
         {el(0, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), el(0, 12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL),
          D3DDECL_END},
         D3D_OK},
        {"sprite vertex",
         {el(0, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), el(0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR),
          el(0, 16, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD), D3DDECL_END},
         D3D_OK},
        {"only the end marker", {D3DDECL_END}, D3D_OK},
        {"two streams",
         {el(0, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), el(1, 0, D3DDECLTYPE_SHORT2N, D3DDECLUSAGE_TEXCOORD),
          D3DDECL_END},
         D3D_OK},
        {"half floats", {el(0, 0, D3DDECLTYPE_FLOAT16_4, D3DDECLUSAGE_POSITION), D3DDECL_END}, D3DERR_INVALIDCALL},
        {"packed 10-bit normal", {el(0, 0, D3DDECLTYPE_DEC3N, D3DDECLUSAGE_NORMAL), D3DDECL_END}, D3DERR_INVALIDCALL},
        {"unsigned short normals",
         {el(0, 0, D3DDECLTYPE_USHORT2N, D3DDECLUSAGE_TEXCOORD), D3DDECL_END},
         D3DERR_INVALIDCALL},
        {"type 18", {el(0, 0, 18, D3DDECLUSAGE_POSITION), D3DDECL_END}, D3DERR_INVALIDCALL},
        {"unaligned offset", {el(0, 2, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), D3DDECL_END}, D3DERR_INVALIDCALL},
        {"stream 4", {el(4, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), D3DDECL_END}, D3DERR_INVALIDCALL},
        {"usage 14", {el(0, 0, D3DDECLTYPE_FLOAT3, 14), D3DDECL_END}, D3DERR_INVALIDCALL},
        {"tessellation method",
         {el(0, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, D3DDECLMETHOD_UV), D3DDECL_END},
         D3DERR_INVALIDCALL},
        {"same usage twice",
         {el(0, 0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), el(0, 12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION),
          D3DDECL_END},
         D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        IDirect3DVertexDeclaration9* decl = reinterpret_cast<IDirect3DVertexDeclaration9*>(0x1);
        ASSERT_EQ(m_device->CreateVertexDeclaration(c.elements.data(), &decl), c.expected);
        if (c.expected != D3D_OK) {
            EXPECT_EQ(decl, reinterpret_cast<IDirect3DVertexDeclaration9*>(0x1));
            continue;
        }
        UINT count = 0;
        ASSERT_EQ(decl->GetDeclaration(nullptr, &count), D3D_OK);
        EXPECT_EQ(count, c.elements.size());
        std::vector<D3DVERTEXELEMENT9> back(count);
        ASSERT_EQ(decl->GetDeclaration(back.data(), &count), D3D_OK);
        EXPECT_EQ(std::memcmp(back.data(), c.elements.data(), count * sizeof(D3DVERTEXELEMENT9)), 0);
        EXPECT_EQ(decl->Release(), 0u);
    }
    IDirect3DVertexDeclaration9* decl = nullptr;
    EXPECT_EQ(m_device->CreateVertexDeclaration(nullptr, &decl), D3DERR_INVALIDCALL);
    // No end marker within 64 elements.
    std::vector<D3DVERTEXELEMENT9> endless(70, el(0, 0, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_TEXCOORD));
    for (size_t i = 0; i < endless.size(); ++i) {
        endless[i].UsageIndex = static_cast<BYTE>(i % 16);
        endless[i].Usage = static_cast<BYTE>(i / 16);
    }
    EXPECT_EQ(m_device->CreateVertexDeclaration(endless.data(), &decl), D3DERR_INVALIDCALL);
}

TEST_F(D3d9Declarations, VertexCacheAndEventQueries) {
    EXPECT_EQ(m_device->CreateQuery(D3DQUERYTYPE_VCACHE, nullptr), D3D_OK);  // support test
    EXPECT_EQ(m_device->CreateQuery(D3DQUERYTYPE_OCCLUSION, nullptr), D3DERR_NOTAVAILABLE);
    ComPtr<IDirect3DQuery9> q;
    ASSERT_EQ(m_device->CreateQuery(D3DQUERYTYPE_VCACHE, q.put()), D3D_OK);
    EXPECT_EQ(q->GetType(), D3DQUERYTYPE_VCACHE);
    EXPECT_EQ(q->GetDataSize(), 16u);
    D3DDEVINFO_VCACHE info{};
    EXPECT_EQ(q->GetData(&info, sizeof info, D3DGETDATA_FLUSH), D3DERR_INVALIDCALL);  // not issued yet
    EXPECT_EQ(q->Issue(D3DISSUE_BEGIN), D3DERR_INVALIDCALL);
    ASSERT_EQ(q->Issue(D3DISSUE_END), D3D_OK);
    EXPECT_EQ(q->GetData(&info, 8, D3DGETDATA_FLUSH), D3DERR_INVALIDCALL);
    ASSERT_EQ(q->GetData(&info, sizeof info, D3DGETDATA_FLUSH), S_OK);
    EXPECT_EQ(info.Pattern, MAKEFOURCC('C', 'A', 'C', 'H'));
    EXPECT_EQ(info.OptMethod, 1u);
    EXPECT_GT(info.CacheSize, 0u);
    EXPECT_LE(info.MagicNumber, info.CacheSize);

    ComPtr<IDirect3DQuery9> event;
    ASSERT_EQ(m_device->CreateQuery(D3DQUERYTYPE_EVENT, event.put()), D3D_OK);
    ASSERT_EQ(event->Issue(D3DISSUE_END), D3D_OK);
    BOOL done = FALSE;
    EXPECT_EQ(event->GetData(nullptr, 0, 0), S_OK);
    ASSERT_EQ(event->GetData(&done, sizeof done, D3DGETDATA_FLUSH), S_OK);
    EXPECT_EQ(done, TRUE);
}

}  // namespace
