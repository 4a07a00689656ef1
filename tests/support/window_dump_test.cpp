// Reading window dumps as xwd writes them: both byte orders, padded rows, a colour map before the
// pixels, and refusal of anything incomplete rather than a read past its end.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/xvfb.h"

namespace testsupport {
namespace {

constexpr int kWidth = 3;
constexpr int kHeight = 2;
constexpr std::uint32_t kPixels[kHeight][kWidth] = {{0x102030, 0xA0B0C0, 0xFFFFFF}, {0x000000, 0x0000FF, 0xFF0000}};

struct DumpShape {
    std::uint32_t byteOrder = 1;  // 1: most significant byte first
    std::uint32_t version = 7;
    std::uint32_t bitsPerPixel = 32;
    std::uint32_t bytesPerLine = kWidth * 4 + 8;  // padded rows
    std::uint32_t colours = 2;
    std::uint32_t headerSize = 0;  // 0: the real one
    std::size_t cutBytes = 0;      // bytes dropped from the end
    std::uint32_t claimedColours = 0xFFFFFFFF;  // the colour count the header states; all ones: `colours`
};

void put32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<unsigned char>(value >> 24);
    out[at + 1] = static_cast<unsigned char>(value >> 16);
    out[at + 2] = static_cast<unsigned char>(value >> 8);
    out[at + 3] = static_cast<unsigned char>(value);
}

// A dump built field by field from the format's description, with the window name "w".
std::vector<unsigned char> makeDump(const DumpShape& shape) {
    const std::uint32_t header = 25 * 4 + 2;
    std::vector<unsigned char> out(header + shape.colours * 12 + kHeight * shape.bytesPerLine, 0xEE);
    const std::uint32_t colours = shape.claimedColours != 0xFFFFFFFF ? shape.claimedColours : shape.colours;
    const std::uint32_t fields[25] = {shape.headerSize != 0 ? shape.headerSize : header,
                                      shape.version, 2, 24, kWidth, kHeight, 0, shape.byteOrder, 32, shape.byteOrder,
                                      32, shape.bitsPerPixel, shape.bytesPerLine, 4, 0xFF0000, 0x00FF00, 0x0000FF,
                                      8, 256, colours, kWidth, kHeight, 0, 0, 0};
    for (int i = 0; i < 25; ++i) put32(out, static_cast<std::size_t>(i) * 4, fields[i]);
    out[100] = 'w';
    out[101] = 0;
    const std::size_t pixels = header + shape.colours * 12;
    for (int y = 0; y < kHeight; ++y) {
        // A row too short for its pixels (a malformed shape) keeps only those that fit.
        for (int x = 0; x < kWidth && (x + 1) * 4 <= static_cast<int>(shape.bytesPerLine); ++x) {
            const std::size_t at = pixels + static_cast<std::size_t>(y) * shape.bytesPerLine + x * 4;
            const std::uint32_t v = kPixels[y][x];
            if (shape.byteOrder == 1) {
                put32(out, at, v);
            } else {
                out[at] = static_cast<unsigned char>(v);
                out[at + 1] = static_cast<unsigned char>(v >> 8);
                out[at + 2] = static_cast<unsigned char>(v >> 16);
                out[at + 3] = 0;
            }
        }
    }
    out.resize(out.size() - shape.cutBytes);
    return out;
}

struct ReadCase {
    const char* name;
    std::uint32_t byteOrder;
    std::uint32_t bytesPerLine;
    std::uint32_t colours;
};

constexpr ReadCase kReadCases[] = {
    {"most significant byte first, padded rows", 1, kWidth * 4 + 8, 2},
    {"least significant byte first, padded rows", 0, kWidth * 4 + 8, 2},
    {"least significant byte first, tight rows, no colour map", 0, kWidth * 4, 0},
};

TEST(WindowDump, ReadsEveryPixelInBothByteOrders) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.name);
        DumpShape shape;
        shape.byteOrder = c.byteOrder;
        shape.bytesPerLine = c.bytesPerLine;
        shape.colours = c.colours;
        const std::optional<WindowDump> dump = WindowDump::parse(makeDump(shape));
        ASSERT_TRUE(dump.has_value());
        EXPECT_EQ(dump->width(), kWidth);
        EXPECT_EQ(dump->height(), kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                EXPECT_EQ(dump->rgb(x, y), kPixels[y][x]) << x << "," << y;
            }
        }
    }
}

struct RefusalCase {
    const char* name;
    DumpShape shape;
};

const RefusalCase kRefusals[] = {
    {"the last pixel row cut short", {.cutBytes = 1}},
    {"only part of the header", {.cutBytes = 3 * (kWidth * 4 + 8) + 2 * 12}},
    {"another format version", {.version = 6}},
    {"16-bit pixels", {.bitsPerPixel = 16}},
    {"rows shorter than their pixels", {.bytesPerLine = kWidth * 4 - 4}},
    {"a header that claims to end inside its own fields", {.headerSize = 40}},
    {"a colour map running past the end", {.claimedColours = 100}},
};

TEST(WindowDump, RefusesIncompleteOrForeignDumps) {
    for (const RefusalCase& c : kRefusals) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(WindowDump::parse(makeDump(c.shape)).has_value());
    }
    EXPECT_FALSE(WindowDump::parse({}).has_value());
    EXPECT_FALSE(WindowDump::readFile("/nonexistent/dump.xwd").has_value());
}

}  // namespace
}  // namespace testsupport
