// The order of the device calls in one frame, recorded through the device.
#include <cstring>
#include <string>
#include <vector>

#include "../app/app_fixture.h"
#include "platform/d3d9/controls.h"
#include "render/scene.h"

namespace apptest {
namespace {

// One token per draw (F: wall and floor strip, L: spring line, M: mirror quad, S: sphere subset,
// T: a batch of help-text glyph quads), runs compressed as "L40". How many text batches a frame
// takes depends on how the glyphs fall into cache textures, so T runs keep no count.
std::string drawSequence(const std::vector<std::string>& log) {
    std::vector<std::string> tokens;
    for (const std::string& line : log) {
        if (line == "DrawPrimitive(5, 0, 4)") {
            tokens.push_back("F");
        } else if (line == "DrawPrimitive(2, 0, 1)") {
            tokens.push_back("L");
        } else if (line == "DrawPrimitive(5, 0, 2)") {
            tokens.push_back("M");
        } else if (line == "DrawIndexedPrimitive(4, 0, 0, 58, 0, 112)") {
            tokens.push_back("S");  // the 8 x 8 sphere: 58 vertices, 112 triangles
        } else if (line.rfind("DrawIndexedPrimitive(4,", 0) == 0) {
            tokens.push_back("T");
        } else if (line.rfind("Draw", 0) == 0) {
            tokens.push_back("?" + line);
        }
    }
    std::string out;
    for (std::size_t i = 0; i < tokens.size();) {
        std::size_t j = i;
        while (j < tokens.size() && tokens[j] == tokens[i]) {
            ++j;
        }
        const bool counted = j - i > 1 && tokens[i] != "T";
        out += (out.empty() ? "" : " ") + tokens[i] + (counted ? std::to_string(j - i) : "");
        i = j;
    }
    return out;
}

std::size_t indexOf(const std::vector<std::string>& log, const std::string& line, std::size_t from = 0) {
    for (std::size_t i = from; i < log.size(); ++i) {
        if (log[i] == line) {
            return i;
        }
    }
    return log.size();
}

using FrameOrderTest = AppTest;

TEST_F(FrameOrderTest, OneFrameInTheFixedOrder) {
    ASSERT_TRUE(createWindow());
    ASSERT_TRUE(platform::d3d9::setCallLogging(device, true));
    render();
    const std::vector<std::string> log = platform::d3d9::takeCallLog(device);
    ASSERT_GE(log.size(), 4u);

    // Clear of target, depth and stencil in the context's colour; the scene; present.
    EXPECT_EQ(log[0], "Clear(0, 0x7, 0xff6f93bf, 1, 0)");
    EXPECT_EQ(log[1], "BeginScene()");
    EXPECT_EQ(log[log.size() - 2], "EndScene()");
    EXPECT_EQ(log[log.size() - 1], "Present()");

    // Wall and floor, forty lines, the mirror pass (reflected strip, lines and spheres, then the
    // blended quad), the forty spheres, and last the help text.
    EXPECT_EQ(drawSequence(log), "F L40 F L40 S40 M S40 T");

    // The mirror pass switches its states on before its first draw and off again after the
    // reflected spheres; the quad is blended; culling is left counter-clockwise.
    const std::size_t clipOn = indexOf(log, "SetRenderState(152, 15)");
    const std::size_t clipOff = indexOf(log, "SetRenderState(152, 0)", clipOn);
    const std::size_t blendOn = indexOf(log, "SetRenderState(27, 1)", clipOff);
    const std::size_t quad = indexOf(log, "DrawPrimitive(5, 0, 2)");
    const std::size_t blendOff = indexOf(log, "SetRenderState(27, 0)", quad);
    EXPECT_LT(clipOn, clipOff);
    EXPECT_LT(clipOff, blendOn);
    EXPECT_LT(blendOn, quad);
    EXPECT_LT(quad, blendOff);
    EXPECT_LT(blendOff, log.size());
    EXPECT_LT(indexOf(log, "SetRenderState(22, 3)"), quad);
    for (int plane = 0; plane < 4; ++plane) {
        EXPECT_LT(indexOf(log, "SetClipPlane(" + std::to_string(plane) + ")"), clipOn);
    }
    platform::d3d9::setCallLogging(device, false);
}

TEST_F(FrameOrderTest, FirstFrameCullsTheWallLaterFramesDrawIt) {
    ASSERT_TRUE(createWindow());
    DWORD cull = 0;
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CW));  // the first frame's ordinary pass culls the strip
    render();
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));  // left by the mirror pass for the next frame
    DWORD clip = 1;
    device->GetRenderState(D3DRS_CLIPPLANEENABLE, &clip);
    EXPECT_EQ(clip, 0u);
    DWORD blend = 1;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(blend, 0u);
    D3DMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(std::memcmp(&world, &identity, sizeof(world)), 0);
}

}  // namespace
}  // namespace apptest
