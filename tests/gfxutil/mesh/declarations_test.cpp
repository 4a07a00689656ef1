// Declarations and FVF codes: conversions both ways, vertex sizes, the mesh's declaration check
// and the cracker.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfxutil/mesh/cracked_decl.h"
#include "gfxutil/mesh/declarations.h"
#include "tests/gfxutil/mesh/mesh_test_support.h"

namespace {

using mesh_test::MessageCapture;

constexpr D3DVERTEXELEMENT9 kEnd = D3DDECL_END;

bool sameElement(const D3DVERTEXELEMENT9& a, const D3DVERTEXELEMENT9& b) {
    return a.Stream == b.Stream && a.Offset == b.Offset && a.Type == b.Type && a.Method == b.Method &&
           a.Usage == b.Usage && a.UsageIndex == b.UsageIndex;
}

std::string describe(const D3DVERTEXELEMENT9& e) {
    return "{" + std::to_string(e.Stream) + "," + std::to_string(e.Offset) + "," + std::to_string(e.Type) + "," +
           std::to_string(e.Method) + "," + std::to_string(e.Usage) + "," + std::to_string(e.UsageIndex) + "}";
}

struct FvfCase {
    const char* name;
    DWORD fvf;
    D3DVERTEXELEMENT9 elements[4];  // before the end marker
    UINT count;
    UINT size;
};

constexpr FvfCase kRoundTrips[] = {
    {"position and normal", 0x12, {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}}, 2, 24},
    {"with diffuse", 0x52, {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, {0, 24, 4, 0, 10, 0}}, 3, 28},
    {"with one texture set", 0x112, {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, {0, 24, 1, 0, 5, 0}}, 3, 32},
    {"five blends, last as bytes", 0x100E, {{0, 0, 2, 0, 0, 0}, {0, 12, 3, 0, 1, 0}, {0, 28, 5, 0, 2, 0}}, 3, 32},
    {"one blend, indices only", 0x1006, {{0, 0, 2, 0, 0, 0}, {0, 12, 5, 0, 2, 0}}, 2, 16},
    {"two blends, last as colour", 0x8008, {{0, 0, 2, 0, 0, 0}, {0, 12, 0, 0, 1, 0}, {0, 16, 4, 0, 2, 0}}, 3, 20},
    {"three weights", 0x00A, {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 1, 0}}, 2, 24},
    {"transformed position", 0x004, {{0, 0, 3, 0, 9, 0}}, 1, 16},
    {"specular and point size", 0x0A2, {{0, 0, 2, 0, 0, 0}, {0, 12, 0, 0, 4, 0}, {0, 16, 4, 0, 10, 1}}, 3, 20},
    {"sized texture sets", 0x2 | 0x200 | (1u << 16) | (3u << 18),
     {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 5, 0}, {0, 24, 0, 0, 5, 1}}, 3, 28},
    {"four-float texture set", 0x2 | 0x100 | (2u << 16), {{0, 0, 2, 0, 0, 0}, {0, 12, 3, 0, 5, 0}}, 2, 28},
};

TEST(DeclaratorFromFvf, ConvertsAndComesBack) {
    MessageCapture messages;
    for (const FvfCase& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(D3DXDeclaratorFromFVF(c.fvf, decl), S_OK);
        for (UINT i = 0; i < c.count; ++i) {
            EXPECT_TRUE(sameElement(decl[i], c.elements[i])) << i << ": " << describe(decl[i]);
        }
        EXPECT_TRUE(sameElement(decl[c.count], kEnd)) << describe(decl[c.count]);
        EXPECT_EQ(D3DXGetDeclLength(decl), c.count);
        EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), c.size);
        DWORD back = 0xDEADBEEF;
        ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), S_OK);
        EXPECT_EQ(back, c.fvf);
    }
    EXPECT_TRUE(messages.texts().empty());
}

TEST(DeclaratorFromFvf, EveryComponentTogether) {
    // Three weights, normal, point size, both colours and eight sets of two floats.
    const DWORD fvf = 0x00A | 0x10 | 0x20 | 0x40 | 0x80 | 0x800;
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(D3DXDeclaratorFromFVF(fvf, decl), S_OK);
    EXPECT_EQ(D3DXGetDeclLength(decl), 14u);
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), 12u + 12 + 12 + 4 + 4 + 4 + 8 * 8);
    for (UINT t = 0; t < 8; ++t) {
        EXPECT_EQ(decl[6 + t].Usage, D3DDECLUSAGE_TEXCOORD);
        EXPECT_EQ(decl[6 + t].UsageIndex, t);
    }
    DWORD back = 0;
    ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), S_OK);
    EXPECT_EQ(back, fvf);
}

struct FvfRefusal {
    const char* name;
    DWORD fvf;
    const char* message;
};

constexpr FvfRefusal kFvfRefusals[] = {
    {"reserved bit 0", 0x003, "D3DXDeclaratorFromFVF: Invalid FVF"},
    {"reserved bit 0x2000", 0x2012, "D3DXDeclaratorFromFVF: Invalid FVF"},
    {"position with w", 0x4002, "D3DXDeclaratorFromFVF: Invalid FVF"},
    {"nine texture sets", 0x902, "D3DXDeclaratorFromFVF: Invalid FVF"},
    {"fifteen texture sets", 0xF02, "D3DXDeclaratorFromFVF: Invalid FVF"},
    {"five weights without indices", 0x00E,
     "D3DXDeclaratorFromFVF: Five weights is not supported in declarator without blend indices bit set"},
};

TEST(DeclaratorFromFvf, RefusesWithItsLine) {
    for (const FvfRefusal& c : kFvfRefusals) {
        SCOPED_TRACE(c.name);
        MessageCapture messages;
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        EXPECT_EQ(D3DXDeclaratorFromFVF(c.fvf, decl), D3DERR_INVALIDCALL);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
    }
}

struct DeclRefusal {
    const char* name;
    std::vector<D3DVERTEXELEMENT9> decl;  // end marker included
    const char* message;
};

TEST(FvfFromDeclarator, RefusesWithItsLineAndKeepsTheOutput) {
    const DeclRefusal cases[] = {
        {"second stream", {{0, 0, 2, 0, 0, 0}, {1, 0, 2, 0, 3, 0}, kEnd},
         "D3DXFVFFromDeclarator: All data must come from stream 0"},
        {"packed type", {{0, 0, 2, 0, 0, 0}, {0, 12, 8, 0, 10, 0}, kEnd}, "D3DXFVFFromDeclarator: Invalid type found"},
        {"gap between components", {{0, 0, 2, 0, 0, 0}, {0, 16, 2, 0, 3, 0}, kEnd},
         "D3DXFVFFromDeclarator: Invalid FVF format, no space allowed between vertex components"},
        {"presampled lookup", {{0, 0, 2, 6, 0, 0}, kEnd}, "D3DXFVFFromDeclarator: Invalid Method found"},
        {"tangent", {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 6, 0}, kEnd}, "D3DXFVFFromDeclarator: Invalid Usage found"},
        {"third colour", {{0, 0, 2, 0, 0, 0}, {0, 12, 4, 0, 10, 2}, kEnd},
         "D3DXFVFFromDeclarator: Invalid COLOR UsageIndex found COLOR2"},
        {"normal before position", {{0, 0, 2, 0, 3, 0}, {0, 12, 2, 0, 0, 0}, kEnd},
         "D3DXFVFFromDeclarator: Declaration does not represent a valid FVF"},
        {"texture sets out of order", {{0, 0, 2, 0, 0, 0}, {0, 12, 1, 0, 5, 1}, kEnd},
         "D3DXFVFFromDeclarator: Declaration does not represent a valid FVF"},
    };
    for (const DeclRefusal& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture messages;
        DWORD fvf = 0x1234;
        EXPECT_EQ(D3DXFVFFromDeclarator(c.decl.data(), &fvf), D3DERR_INVALIDCALL);
        EXPECT_EQ(fvf, 0x1234u);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
        // The quiet form refuses the same declarations without a word.
        messages.clear();
        EXPECT_EQ(gfxutil::mesh::fvfFromDeclarator(c.decl.data(), &fvf, true), D3DERR_INVALIDCALL);
        EXPECT_TRUE(messages.texts().empty());
    }
}

TEST(FvfFromDeclarator, AnUnterminatedArrayIsRefusedWithinTheMeshLimit) {
    // 70 elements without an end marker: the walk must stop at 65 rather than run on.
    std::vector<D3DVERTEXELEMENT9> decl(70);
    for (WORD i = 0; i < decl.size(); ++i) {
        decl[i] = {0, static_cast<WORD>(4 * i), 0, 0, 5, 0};
    }
    MessageCapture messages;
    DWORD fvf = 0;
    EXPECT_EQ(D3DXFVFFromDeclarator(decl.data(), &fvf), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXGetDeclLength(decl.data()), MAX_FVF_DECL_SIZE);
    EXPECT_FALSE(gfxutil::mesh::checkMeshDeclaration(decl.data(), "D3DXCreateMesh"));
}

TEST(DeclVertexSize, LargestEndOfTheStreamsElementsWithoutUvElements) {
    const D3DVERTEXELEMENT9 decl[] = {
        {0, 12, 2, 0, 3, 0},  // ends at 24, listed first
        {0, 0, 2, 0, 0, 0},
        {0, 24, 3, 4, 5, 0},  // method UV: takes no room
        {1, 0, 3, 0, 5, 1},   // stream 1: 16 bytes
        kEnd,
    };
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), 24u);
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 1), 16u);
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 2), 0u);
    EXPECT_EQ(D3DXGetDeclVertexSize(nullptr, 0), 0u);
    EXPECT_EQ(D3DXGetDeclLength(decl), 4u);
    EXPECT_EQ(D3DXGetDeclLength(nullptr), 0u);
}

struct CheckCase {
    const char* name;
    std::vector<D3DVERTEXELEMENT9> decl;
    bool accepted;
    const char* message;  // null when accepted
};

TEST(MeshDeclarationCheck, SingleStreamInOffsetOrder) {
    std::vector<D3DVERTEXELEMENT9> wide;  // sixteen four-float elements: a vertex of 256 bytes
    for (WORD i = 0; i < 16; ++i) {
        wide.push_back({0, static_cast<WORD>(16 * i), 3, 0, 5, static_cast<BYTE>(i % 8)});
    }
    std::vector<D3DVERTEXELEMENT9> wrapped = wide;
    wrapped.push_back({0, 8, 2, 0, 3, 0});  // inside the first element, past the 255th byte's end
    wrapped.push_back(kEnd);
    wide.push_back({0, 256, 2, 0, 3, 0});
    wide.push_back(kEnd);
    const CheckCase cases[] = {
        {"gap allowed", {{0, 0, 2, 0, 0, 0}, {0, 16, 2, 0, 3, 0}, kEnd}, true, nullptr},
        {"overlap", {{0, 0, 2, 0, 0, 0}, {0, 8, 2, 0, 3, 0}, kEnd}, false,
         "D3DXCreateMesh: Vertex elements cannot overlap.  Inconsistent offsets found."},
        {"out of order", {{0, 12, 2, 0, 3, 0}, {0, 0, 2, 0, 0, 0}, kEnd}, false,
         "D3DXCreateMesh: Vertex elements cannot overlap.  Inconsistent offsets found."},
        {"second stream", {{0, 0, 2, 0, 0, 0}, {1, 0, 2, 0, 3, 0}, kEnd}, false,
         "D3DXCreateMesh: Meshes are single stream only, all data must be in stream 0"},
        {"tessellation element not placed", {{0, 0, 2, 0, 0, 0}, {0, 4, 2, 1, 3, 0}, {0, 12, 2, 0, 3, 0}, kEnd}, true,
         nullptr},
        {"beyond 255 bytes", wide, true, nullptr},
        {"overlap beyond 255 bytes", wrapped, false,
         "D3DXCreateMesh: Vertex elements cannot overlap.  Inconsistent offsets found."},
        {"empty", {kEnd}, true, nullptr},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture messages;
        EXPECT_EQ(gfxutil::mesh::checkMeshDeclaration(c.decl.data(), "D3DXCreateMesh"), c.accepted);
        if (c.message == nullptr) {
            EXPECT_TRUE(messages.texts().empty());
        } else {
            EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
        }
    }
    MessageCapture messages;
    EXPECT_FALSE(gfxutil::mesh::checkMeshDeclaration(nullptr, "UpdateSemantics"));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"UpdateSemantics: pDecl cannot be NULL"});
}

TEST(CrackedDecl, DesignatesTheLastQualifyingElement) {
    const D3DVERTEXELEMENT9 decl[] = {
        {0, 0, 3, 0, 0, 0},    // position of four floats: not designated
        {0, 16, 2, 0, 0, 0},   // position
        {0, 28, 2, 0, 3, 1},   // normal of usage index 1: not designated
        {0, 40, 2, 0, 3, 0},   // normal
        {0, 52, 4, 0, 10, 1},  // specular
        {0, 56, 3, 0, 10, 0},  // diffuse as four floats
        {0, 72, 1, 0, 5, 3},   // texture set 3
        {0, 80, 1, 0, 5, 3},   // texture set 3 again: this one wins
        {0, 88, 9, 0, 3, 0},   // normal of packed shorts: not designated
        {0, 92, 2, 0, 1, 0},   // blend weights
        {0, 104, 5, 0, 2, 0},  // blend indices
        kEnd,
    };
    gfxutil::mesh::CrackedDecl cracked;
    cracked.crack(decl);
    EXPECT_EQ(cracked.elementCount(), 11u);
    EXPECT_EQ(cracked.position(), &decl[1]);
    EXPECT_EQ(cracked.normal(), &decl[3]);
    EXPECT_EQ(cracked.specular(), &decl[4]);
    EXPECT_EQ(cracked.diffuse(), &decl[5]);
    EXPECT_EQ(cracked.texCoord(3), &decl[7]);
    EXPECT_EQ(cracked.texCoord(0), nullptr);
    EXPECT_EQ(cracked.texCoord(9), nullptr);
    EXPECT_EQ(cracked.blendWeights(), &decl[9]);
    EXPECT_EQ(cracked.blendIndices(), &decl[10]);
    EXPECT_EQ(cracked.vertexSize(), 108u);

    BYTE vertex[108] = {};
    cracked.setNormal(vertex, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    const D3DXVECTOR3 n = cracked.readNormal(vertex);
    EXPECT_EQ(n.x, 1.0f);
    EXPECT_EQ(n.y, 2.0f);
    EXPECT_EQ(n.z, 3.0f);
    float atOffset[3];
    std::memcpy(atOffset, vertex + 40, sizeof atOffset);
    EXPECT_EQ(atOffset[2], 3.0f);
}

TEST(CrackedDecl, MissingComponentsStayEmptyAndNormalsAreNotWritten) {
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ, decl), S_OK);
    gfxutil::mesh::CrackedDecl cracked;
    cracked.crack(decl);
    EXPECT_NE(cracked.position(), nullptr);
    EXPECT_EQ(cracked.normal(), nullptr);
    BYTE vertex[12];
    std::memset(vertex, 0xAB, sizeof vertex);
    cracked.setNormal(vertex, D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    for (BYTE b : vertex) {
        EXPECT_EQ(b, 0xAB);
    }
}

}  // namespace
