// The stretched-frame comparison must accept what any sane scaler draws and refuse what a wrong
// stretch, a shifted image or a changed pixel looks like.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/support/stretch_compare.h"

namespace testsupport {
namespace {

// Four flat blocks with an edge between them: the kind of picture whose edges show a shift.
Image blocks(int width, int height) {
    constexpr std::uint32_t kColours[4] = {0x00C03010, 0x0020D040, 0x001030F0, 0x00F0F0F0};
    Image image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(kColours[(y * 2 / height) * 2 + x * 2 / width]);
        }
    }
    return image;
}

// A bilinear stretch, computed independently of the comparison, as a filtering scaler draws it.
Image stretchBilinear(const Image& frame, int width, int height) {
    Image out;
    out.width = width;
    out.height = height;
    for (int y = 0; y < height; ++y) {
        const double sy = std::clamp((y + 0.5) * frame.height / height - 0.5, 0.0, frame.height - 1.0);
        const int y0 = static_cast<int>(sy);
        const int y1 = std::min(y0 + 1, frame.height - 1);
        const double fy = sy - y0;
        for (int x = 0; x < width; ++x) {
            const double sx = std::clamp((x + 0.5) * frame.width / width - 0.5, 0.0, frame.width - 1.0);
            const int x0 = static_cast<int>(sx);
            const int x1 = std::min(x0 + 1, frame.width - 1);
            const double fx = sx - x0;
            std::uint32_t pixel = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const auto at = [&](int px, int py) {
                    const std::uint32_t p = frame.pixels[static_cast<std::size_t>(py) * frame.width + px];
                    return static_cast<double>((p >> shift) & 0xFF);
                };
                const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
                const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
                pixel |= static_cast<std::uint32_t>(top * (1 - fy) + bottom * fy + 0.5) << shift;
            }
            out.pixels.push_back(pixel);
        }
    }
    return out;
}

Image shiftedRight(const Image& image, int by) {
    Image out = image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            out.pixels[static_cast<std::size_t>(y) * image.width + x] =
                image.pixels[static_cast<std::size_t>(y) * image.width + std::max(0, x - by)];
        }
    }
    return out;
}

enum class Shown { Nearest, Bilinear, NearestShifted3, NearestOnePixelChanged, Black, NearestWrongSize };

struct Case {
    const char* name;
    int width;
    int height;
    Shown shown;
    bool accepted;
    int outside;  // expected count of refused pixels; -1: some, any number
};

constexpr Case kCases[] = {
    {"same size, nearest", 40, 30, Shown::Nearest, true, 0},
    {"enlarged, nearest", 50, 21, Shown::Nearest, true, 0},
    {"reduced, nearest", 36, 27, Shown::Nearest, true, 0},
    {"enlarged, filtered", 50, 45, Shown::Bilinear, true, 0},
    {"reduced, filtered", 36, 20, Shown::Bilinear, true, 0},
    {"shifted by three pixels", 50, 45, Shown::NearestShifted3, false, -1},
    {"one pixel of a flat region changed", 50, 45, Shown::NearestOnePixelChanged, false, 1},
    {"nothing drawn", 50, 45, Shown::Black, false, -1},
    {"stretched to a size other than the window's", 50, 45, Shown::NearestWrongSize, false, -1},
};

TEST(StretchCompare, AcceptsWhatScalersDrawAndRefusesWrongImages) {
    const Image frame = blocks(40, 30);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Image shown;
        switch (c.shown) {
            case Shown::Nearest: shown = stretchNearest(frame, c.width, c.height); break;
            case Shown::Bilinear: shown = stretchBilinear(frame, c.width, c.height); break;
            case Shown::NearestShifted3: shown = shiftedRight(stretchNearest(frame, c.width, c.height), 3); break;
            case Shown::NearestOnePixelChanged:
                shown = stretchNearest(frame, c.width, c.height);
                shown.pixels[5 * c.width + 5] ^= 0x00000010;  // deep inside the top-left block
                break;
            case Shown::Black:
                shown.width = c.width;
                shown.height = c.height;
                shown.pixels.assign(static_cast<std::size_t>(c.width) * c.height, 0);
                break;
            case Shown::NearestWrongSize: {
                // The frame stretched to 30 pixels wide, then padded: only part of the window used.
                const Image narrow = stretchNearest(frame, 30, c.height);
                shown.width = c.width;
                shown.height = c.height;
                for (int y = 0; y < c.height; ++y) {
                    for (int x = 0; x < c.width; ++x) {
                        shown.pixels.push_back(narrow.pixels[static_cast<std::size_t>(y) * 30 + std::min(x, 29)]);
                    }
                }
                break;
            }
        }
        const StretchComparison result = compareStretched(shown, frame, 2);
        EXPECT_EQ(result.pixels, c.width * c.height);
        EXPECT_EQ(result.outside == 0, c.accepted) << result.outside << " pixels outside";
        if (c.outside >= 0) {
            EXPECT_EQ(result.outside, c.outside);
        }
    }
}

TEST(StretchCompare, CountsExactNearestPixelsAndTheLargestDifference) {
    const Image frame = blocks(40, 30);
    const StretchComparison same = compareStretched(frame, frame, 0);
    EXPECT_EQ(same.outside, 0);
    EXPECT_EQ(same.nearestExact, 40 * 30);
    EXPECT_EQ(same.largestNearestDifference, 0);
    EXPECT_EQ(same.largestExcess, 0);

    Image changed = frame;
    changed.pixels[10 * 40 + 5] = 0x00C03019;  // blue 0x10 -> 0x19 inside the first block
    const StretchComparison one = compareStretched(changed, frame, 2);
    EXPECT_EQ(one.nearestExact, 40 * 30 - 1);
    EXPECT_EQ(one.largestNearestDifference, 9);
    EXPECT_EQ(one.largestExcess, 9);
    EXPECT_EQ(one.outside, 1);
    // Within the tolerance a difference is counted but not refused.
    EXPECT_EQ(compareStretched(changed, frame, 9).outside, 0);
}

TEST(StretchCompare, TheXByteIsIgnored) {
    const Image frame = blocks(8, 8);
    Image shown = frame;
    for (std::uint32_t& p : shown.pixels) p |= 0xFF000000u;
    const StretchComparison result = compareStretched(shown, frame, 0);
    EXPECT_EQ(result.outside, 0);
    EXPECT_EQ(result.nearestExact, 64);
}

TEST(StretchCompare, NearestStretchPicksTheSourcePixelUnderEachCentre) {
    Image frame;
    frame.width = 4;
    frame.height = 1;
    frame.pixels = {1, 2, 3, 4};
    // Eight pixels: each source pixel twice. Two pixels: centres at 1 and 3 of 4. Three pixels:
    // centres at 2/3, 2 and 10/3 of 4, the middle one on the left edge of the third source pixel.
    EXPECT_EQ(stretchNearest(frame, 8, 1).pixels, (std::vector<std::uint32_t>{1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(stretchNearest(frame, 2, 1).pixels, (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(stretchNearest(frame, 3, 2).pixels, (std::vector<std::uint32_t>{1, 3, 4, 1, 3, 4}));
}

}  // namespace
}  // namespace testsupport
