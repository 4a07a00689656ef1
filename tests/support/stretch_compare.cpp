#include "tests/support/stretch_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace testsupport {
namespace {

int channel(std::uint32_t pixel, int index) { return static_cast<int>((pixel >> (index * 8)) & 0xFF); }

// The source pixel whose centre is nearest to the centre of destination pixel `d`.
int nearestSource(int d, int destinationSize, int sourceSize) {
    const int s = static_cast<int>((static_cast<std::int64_t>(d) * 2 + 1) * sourceSize / (2 * destinationSize));
    return std::clamp(s, 0, sourceSize - 1);
}

// The source pixels a scaler may have drawn destination pixel `d` from: the two around its
// centre's source position, widened by one on each side for rounding of that position.
void sourceRange(int d, int destinationSize, int sourceSize, int& first, int& last) {
    const double position = (d + 0.5) * sourceSize / destinationSize - 0.5;
    first = std::clamp(static_cast<int>(std::floor(position)) - 1, 0, sourceSize - 1);
    last = std::clamp(static_cast<int>(std::ceil(position)) + 1, 0, sourceSize - 1);
}

}  // namespace

StretchComparison compareStretched(const Image& shown, const Image& frame, int tolerance) {
    StretchComparison result;
    if (frame.width <= 0 || frame.height <= 0) {
        result.pixels = shown.width * shown.height;
        result.outside = result.pixels;
        return result;
    }
    for (int y = 0; y < shown.height; ++y) {
        int firstRow = 0;
        int lastRow = 0;
        sourceRange(y, shown.height, frame.height, firstRow, lastRow);
        const int nearestRow = nearestSource(y, shown.height, frame.height);
        for (int x = 0; x < shown.width; ++x) {
            int firstColumn = 0;
            int lastColumn = 0;
            sourceRange(x, shown.width, frame.width, firstColumn, lastColumn);
            const std::uint32_t value = shown.pixels[static_cast<std::size_t>(y) * shown.width + x];
            const int nearestColumn = nearestSource(x, shown.width, frame.width);
            const std::uint32_t nearest =
                frame.pixels[static_cast<std::size_t>(nearestRow) * frame.width + nearestColumn];
            int excess = 0;
            int nearestDifference = 0;
            for (int c = 0; c < 3; ++c) {
                int low = 255;
                int high = 0;
                for (int sy = firstRow; sy <= lastRow; ++sy) {
                    for (int sx = firstColumn; sx <= lastColumn; ++sx) {
                        const int v = channel(frame.pixels[static_cast<std::size_t>(sy) * frame.width + sx], c);
                        low = std::min(low, v);
                        high = std::max(high, v);
                    }
                }
                const int v = channel(value, c);
                excess = std::max({excess, low - v, v - high});
                nearestDifference = std::max(nearestDifference, std::abs(v - channel(nearest, c)));
            }
            ++result.pixels;
            if (excess > tolerance) ++result.outside;
            if (nearestDifference == 0) ++result.nearestExact;
            result.largestExcess = std::max(result.largestExcess, excess);
            result.largestNearestDifference = std::max(result.largestNearestDifference, nearestDifference);
        }
    }
    return result;
}

Image stretchNearest(const Image& frame, int width, int height) {
    Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const int sy = nearestSource(y, height, frame.height);
        for (int x = 0; x < width; ++x) {
            out.pixels[static_cast<std::size_t>(y) * width + x] =
                frame.pixels[static_cast<std::size_t>(sy) * frame.width + nearestSource(x, width, frame.width)];
        }
    }
    return out;
}

}  // namespace testsupport
