// Whole frames of the demo, rendered headless through the real device and Present, and compared
// with reviewed golden images: the first frame (the wall and floor culled in the ordinary pass),
// frame 60, and the first frame after a restart.
#include <filesystem>

#include "../app/app_fixture.h"
#include "../support/golden_image.h"

namespace apptest {
namespace {

using GoldenFrameTest = AppTest;

TEST_F(GoldenFrameTest, FirstFrameFrameSixtyAndAfterRestart) {
    const std::filesystem::path dir = std::filesystem::path(GFX_TEST_OUTPUT_DIR) / "render_golden";
    std::filesystem::remove_all(dir);

    platform::win32::InputSchedule schedule;
    schedule.frameLimit = 62;
    schedule.clickFrames = {61};
    schedule.captureFrames = {0, 60, 61};
    schedule.captureDirectory = dir.string();
    ASSERT_EQ(runWinMain(schedule), 0);

    struct Frame {
        const char* file;
        const char* golden;
    };
    const Frame frames[] = {
        {"frame-00000.png", "tests/render/golden/frame_first.png"},
        {"frame-00060.png", "tests/render/golden/frame_60.png"},
        {"frame-00061.png", "tests/render/golden/frame_after_restart.png"},
    };
    for (const Frame& f : frames) {
        SCOPED_TRACE(f.file);
        testsupport::Image image;
        ASSERT_TRUE(testsupport::readPng((dir / f.file).string(), image));
        EXPECT_EQ(image.width, 800);
        EXPECT_EQ(image.height, 600);
        EXPECT_TRUE(testsupport::matchesGolden(image, f.golden));
    }
}

}  // namespace
}  // namespace apptest
