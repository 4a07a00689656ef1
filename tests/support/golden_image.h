// Golden-image comparison for whole scenes.
//
// A frame passes when no channel (X ignored) differs from the reviewed golden PNG by more than 2
// and at most 0.1 % of the pixels differ at all: that absorbs compiler and SIMD rounding only.
// On failure the actual frame and an amplified difference image are written to the build's test
// output folder and their paths printed. UPDATE_GOLDENS=1 rewrites the golden instead (never in CI).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xXXRRGGBB
};

bool readPng(const std::string& path, Image& image);
bool writePng(const std::string& path, const Image& image);

// goldenPath is relative to the source tree (tests/<module>/golden/<name>.png).
::testing::AssertionResult matchesGolden(const Image& actual, const std::string& goldenPath);

}  // namespace testsupport
