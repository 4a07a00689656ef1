#include "golden_image.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace testsupport {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int channelDifference(std::uint32_t a, std::uint32_t b) {
    int largest = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        largest = std::max(largest, d);
    }
    return largest;
}

}  // namespace

bool readPng(const std::string& path, Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return false;
    }
    png.format = PNG_FORMAT_BGRA;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.assign(static_cast<std::size_t>(png.width) * png.height, 0);
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
        png_image_free(&png);
        return false;
    }
    return true;
}

bool writePng(const std::string& path, const Image& image) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::vector<std::uint32_t> opaque(image.pixels);
    for (std::uint32_t& p : opaque) {
        p |= 0xFF000000u;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_BGRA;
    return png_image_write_to_file(&png, path.c_str(), 0, opaque.data(), 0, nullptr) != 0;
}

::testing::AssertionResult matchesGolden(const Image& actual, const std::string& goldenPath) {
    const std::string source = std::string(GFX_SOURCE_DIR) + "/" + goldenPath;
    const char* update = std::getenv("UPDATE_GOLDENS");
    if (update != nullptr && std::string(update) == "1") {
        if (!writePng(source, actual)) {
            return ::testing::AssertionFailure() << "could not write " << source;
        }
        return ::testing::AssertionSuccess() << "golden rewritten: " << source;
    }

    const std::string stem =
        std::string(GFX_TEST_OUTPUT_DIR) + "/" + std::filesystem::path(goldenPath).stem().string();
    Image golden;
    if (!readPng(source, golden)) {
        writePng(stem + ".actual.png", actual);
        return ::testing::AssertionFailure() << "no golden at " << source << "; actual frame written to " << stem
                                             << ".actual.png (review it, then UPDATE_GOLDENS=1)";
    }
    if (golden.width != actual.width || golden.height != actual.height) {
        return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << " differs from the golden's "
                                             << golden.width << "x" << golden.height;
    }

    int largest = 0;
    std::size_t differing = 0;
    Image diff{actual.width, actual.height, std::vector<std::uint32_t>(actual.pixels.size(), 0)};
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
        const int d = channelDifference(actual.pixels[i], golden.pixels[i]);
        if (d > 0) {
            ++differing;
            largest = std::max(largest, d);
            const std::uint32_t v = static_cast<std::uint32_t>(std::min(255, 64 + d * 16));
            diff.pixels[i] = (v << 16) | (v << 8) | v;
        }
    }
    const std::size_t allowed = actual.pixels.size() / 1000;  // 0.1 %
    if (largest <= 2 && differing <= allowed) {
        return ::testing::AssertionSuccess();
    }
    writePng(stem + ".actual.png", actual);
    writePng(stem + ".diff.png", diff);
    return ::testing::AssertionFailure() << goldenPath << ": largest difference " << largest << ", " << differing
                                         << " pixels differ (allowed: 2 and " << allowed << "); wrote " << stem
                                         << ".actual.png and " << stem << ".diff.png";
}

}  // namespace testsupport
