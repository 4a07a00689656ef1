// WinMain from start to exit, headless: the close and Esc paths, restarts, the first population,
// and the start-up failures with the message boxes they show.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "app_fixture.h"
#include "platform/d3d9/controls.h"
#include "platform/kernel/crt_rand.h"

namespace apptest {
namespace {

// The runtime generator's output after `draws` draws from seed 0, computed independently.
int generatorOutputAfter(std::uint64_t draws) {
    std::uint32_t state = 0;
    for (std::uint64_t i = 0; i <= draws; ++i) {
        state = state * 214013u + 2531011u;
    }
    return static_cast<int>((state >> 16) & 0x7FFF);
}

constexpr int kDrawsPerPopulation = 200;
constexpr int kDrawsPerFrame = 160;

using AppRunTest = AppTest;

TEST_F(AppRunTest, ClosingAfterFramesRunsCleanupAndExitsZero) {
    platform::win32::InputSchedule schedule;
    schedule.frameLimit = 5;
    schedule.clickFrames = {2};
    EXPECT_EQ(runWinMain(schedule), 0);

    EXPECT_EQ(platform::win32::frameCount(), 5);
    // cleanup ran: the systems are gone and every device object was released and cleared.
    EXPECT_EQ(springSystems, nullptr);
    EXPECT_EQ(sphereMesh, nullptr);
    EXPECT_EQ(floorTexture, nullptr);
    EXPECT_EQ(floorBuffer, nullptr);
    EXPECT_EQ(mirrorBuffer, nullptr);
    EXPECT_EQ(lineBuffer, nullptr);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(direct3D, nullptr);
    EXPECT_TRUE(m_boxes.empty());
    // Two populations (start and the click) and five steps of forty systems drew from the
    // generator, and nothing else did.
    EXPECT_EQ(platform::kernel::rand(), generatorOutputAfter(2 * kDrawsPerPopulation + 5 * kDrawsPerFrame));
}

TEST_F(AppRunTest, EscQuitsWithoutCleanup) {
    platform::win32::InputSchedule schedule;
    schedule.escFrames = {3};
    EXPECT_EQ(runWinMain(schedule), 0);

    EXPECT_EQ(platform::win32::frameCount(), 3);
    // The window was not destroyed: the device objects are left to process teardown.
    EXPECT_NE(springSystems, nullptr);
    EXPECT_NE(device, nullptr);
    EXPECT_NE(sphereMesh, nullptr);
    EXPECT_EQ(platform::kernel::rand(), generatorOutputAfter(kDrawsPerPopulation + 3 * kDrawsPerFrame));
}

TEST_F(AppRunTest, FirstPopulationIsTheSameOnEveryRun) {
    platform::win32::InputSchedule schedule;
    schedule.escFrames = {0};  // quit before the first frame steps anything
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        resetApplicationState();
        platform::win32::resetWindowSystem();
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        EXPECT_EQ(runWinMain(schedule), 0);
        ASSERT_NE(springSystems, nullptr);
        // After srand(0) the first five draws are 38, 7719, 21238, 2437, 8855: masses 5 + 0.1 * (k mod
        // 50), then blue, green, red as k mod 200 + 56.
        const SpringSystem& first = springSystems[0];
        EXPECT_EQ(first.particles[0].mass, 5.0f + 0.1f * 38.0f);
        EXPECT_EQ(first.particles[1].mass, 5.0f + 0.1f * 19.0f);
        EXPECT_EQ(first.colour.x, 111.0f);
        EXPECT_EQ(first.colour.y, 93.0f);
        EXPECT_EQ(first.colour.z, 94.0f);
    }
}

struct StartFailureCase {
    const char* name;
    platform::d3d9::Failure failure;
    const char* firstBox;
};

constexpr StartFailureCase kStartFailures[] = {
    {"root object", platform::d3d9::Failure::CreateRoot, "Direct3DCreat9() - FAILED"},
    {"device", platform::d3d9::Failure::CreateDevice, "CreateDevice() - FAILED"},
};

TEST_F(AppRunTest, DeviceStartFailuresShowTheirBoxesAndQuit) {
    for (const StartFailureCase& c : kStartFailures) {
        SCOPED_TRACE(c.name);
        resetApplicationState();
        platform::win32::resetWindowSystem();
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        m_boxes.clear();
        platform::d3d9::setFailure(c.failure);

        EXPECT_EQ(runWinMain(platform::win32::InputSchedule{}), 0);

        // The size event of window creation finds no device and says so.
        ASSERT_EQ(m_boxes.size(), 3u);
        EXPECT_EQ(m_boxes[0].text, c.firstBox);
        EXPECT_EQ(m_boxes[0].caption, "Error");  // no caption given: the system's default
        EXPECT_EQ(m_boxes[1].text, "initD3D() - Failed");
        EXPECT_EQ(m_boxes[1].caption, "Error");
        EXPECT_EQ(m_boxes[2].text, "SetupMatrices FAILED - not setting d3dDevice");
        EXPECT_EQ(direct3D, nullptr);
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(platform::win32::frameCount(), 0);  // no frame is drawn once the quit is posted
    }
}

TEST_F(AppRunTest, MissingTextureShowsBothBoxesAndQuits) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "verlet_no_data";
    std::filesystem::create_directories(empty);
    std::filesystem::current_path(empty);

    const int result = runWinMain(platform::win32::InputSchedule{});
    std::filesystem::current_path(previous);

    EXPECT_EQ(result, 0);
    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_EQ(m_boxes[0].text, "Could not find Texture");
    EXPECT_EQ(m_boxes[0].caption, "Texture loading error");
    EXPECT_EQ(m_boxes[1].text, "initBuffer() - Failed");
    EXPECT_EQ(m_boxes[1].caption, "Error");
    EXPECT_EQ(platform::win32::frameCount(), 0);
    // The buffers made before the failure stay in their globals for cleanup.
    EXPECT_NE(lineBuffer, nullptr);
    EXPECT_NE(floorBuffer, nullptr);
    EXPECT_EQ(floorTexture, nullptr);
}

}  // namespace
}  // namespace apptest

namespace apptest {
namespace {

// A system without any font the text code can find: fontconfig is pointed at a configuration with
// no font folder before anything in this process asks it. The help font cannot be created, the
// program says so in its box and runs on without the text, drawing and presenting every frame.
TEST_F(AppRunTest, MissingFontShowsItsBoxAndTheDemoRunsWithoutText) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "verlet_no_fonts";
    std::filesystem::create_directories(dir / "cache");
    const std::filesystem::path config = dir / "fonts.conf";
    std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << (dir / "none").string()
                          << "</dir><cachedir>" << (dir / "cache").string() << "</cachedir></fontconfig>\n";
    ASSERT_EQ(::setenv("FONTCONFIG_FILE", config.c_str(), 1), 0);

    platform::win32::InputSchedule schedule;
    schedule.frameLimit = 3;
    const int result = runWinMain(schedule);
    ::unsetenv("FONTCONFIG_FILE");

    EXPECT_EQ(result, 0);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "CreateFont() - FAILED");
    EXPECT_EQ(m_boxes[0].caption, "Error");
    EXPECT_EQ(platform::win32::frameCount(), 3);
    EXPECT_EQ(helpFont, nullptr);
}

}  // namespace
}  // namespace apptest
