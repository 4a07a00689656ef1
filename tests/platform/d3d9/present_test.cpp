// Presentation: the back buffer reaches the window layer, whole and unscaled, and the headless
// backend writes it as the PNG its schedule asks for.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/win32/controls.h"
#include "platform/win32/windows.h"
#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

class D3d9Presenting : public DeviceTest {};

// Reads an 8-bit RGB or RGBA PNG as 0x00RRGGBB pixels.
std::vector<uint32_t> readPng(const std::string& path, int* width, int* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint32_t> pixels;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return pixels;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        return pixels;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        pixels.push_back((uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2]);
    }
    return pixels;
}

TEST_F(D3d9Presenting, TheClearColourReachesTheHeadlessPngExactly) {
    const std::filesystem::path dir = std::filesystem::path(GFX_TEST_OUTPUT_DIR) / "d3d9_present";
    std::filesystem::remove_all(dir);
    platform::win32::InputSchedule schedule;
    schedule.captureFrames = {0};
    schedule.captureDirectory = dir.string();
    platform::win32::setInputSchedule(schedule);

    // A back buffer of its own size, not the window's: the frame keeps the size it was created with.
    ASSERT_EQ(recreate(windowedParams(40, 30)), D3D_OK);
    MSG msg{};
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);  // the empty peek that is frame 0
    const D3DCOLOR clear = D3DCOLOR_XRGB(111, 147, 191);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, clear, 1.0f, 0),
              D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    ASSERT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    const auto frame = platform::win32::lastPresentedFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->window, m_window->handle());
    EXPECT_EQ(frame->width, 40);
    EXPECT_EQ(frame->height, 30);
    ASSERT_EQ(frame->pixels.size(), 40u * 30u);
    for (uint32_t p : frame->pixels) {
        ASSERT_EQ(p & 0x00FFFFFF, 0x6F93BFu);
    }

    int w = 0, h = 0;
    const auto png = readPng((dir / "frame-00000.png").string(), &w, &h);
    ASSERT_EQ(png.size(), 40u * 30u) << "no PNG at " << (dir / "frame-00000.png");
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);
    for (uint32_t p : png) {
        ASSERT_EQ(p, 0x6F93BFu);
    }
}

TEST_F(D3d9Presenting, ClearHonoursViewportRectanglesAndItsArguments) {
    const D3DVIEWPORT9 vp{4, 4, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->SetViewport(&vp), D3D_OK);
    const D3DRECT rects[2] = {{0, 0, 6, 6}, {10, 10, 16, 16}};
    ASSERT_EQ(m_device->Clear(2, rects, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    const auto frame = readBackBuffer();
    auto at = [&](UINT x, UINT y) { return frame[y * m_width + x] & 0x00FFFFFF; };
    EXPECT_EQ(at(5, 5), 0xFFFFFFu);  // inside the viewport and the first rectangle
    EXPECT_EQ(at(3, 3), 0u);         // in the rectangle, outside the viewport
    EXPECT_EQ(at(8, 8), 0u);         // in the viewport, outside both rectangles
    EXPECT_EQ(at(11, 11), 0xFFFFFFu);
    EXPECT_EQ(at(12, 12), 0u);  // past the viewport's right edge

    struct Case {
        const char* name;
        DWORD count;
        const D3DRECT* rects;
        DWORD flags;
        float z;
    };
    const Case kMisuse[] = {
        {"no flags", 0, nullptr, 0, 1.0f},
        {"unknown flag", 0, nullptr, 0x8, 1.0f},
        {"count without rectangles", 2, nullptr, D3DCLEAR_TARGET, 1.0f},
        {"rectangles without count", 0, rects, D3DCLEAR_TARGET, 1.0f},
        {"depth above 1", 0, nullptr, D3DCLEAR_ZBUFFER, 1.5f},
    };
    for (const Case& c : kMisuse) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_device->Clear(c.count, c.rects, c.flags, 0xFF123456, c.z, 0), D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(readBackBuffer(), frame);

    D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
    p.EnableAutoDepthStencil = FALSE;
    ASSERT_EQ(recreate(p), D3D_OK);
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
}

TEST_F(D3d9Presenting, PresentRefusesRectanglesAndMissingWindows) {
    const RECT r{0, 0, 4, 4};
    EXPECT_EQ(m_device->Present(&r, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->Present(nullptr, &r, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    DestroyWindow(m_window->handle());
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
}

}  // namespace
