// Frames as 8-bit RGB PNG files through libpng. The X byte of a pixel carries nothing, so it is
// not written.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

struct WriteContext {
    std::string error;
};

void onError(png_structp png, png_const_charp message) {
    auto* context = static_cast<WriteContext*>(png_get_error_ptr(png));
    context->error = message;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Kept apart from writePng so no C++ object with a destructor lives across the setjmp.
bool writeRows(std::FILE* file, const PresentedFrame& frame, const std::vector<png_bytep>& rows,
               WriteContext& context) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, onError, onWarning);
    if (png == nullptr) {
        context.error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        context.error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::string writePng(const std::string& path, const PresentedFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.pixels.size() != static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height)) {
        return "the frame is empty or inconsistent";
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return std::strerror(errno);
    }
    const std::size_t width = static_cast<std::size_t>(frame.width);
    std::vector<png_byte> rgb(width * static_cast<std::size_t>(frame.height) * 3);
    for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        const std::uint32_t p = frame.pixels[i];
        rgb[i * 3 + 0] = static_cast<png_byte>(p >> 16);
        rgb[i * 3 + 1] = static_cast<png_byte>(p >> 8);
        rgb[i * 3 + 2] = static_cast<png_byte>(p);
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(frame.height));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = rgb.data() + y * width * 3;
    }
    WriteContext context;
    if (!writeRows(file.get(), frame, rows, context)) {
        return context.error.empty() ? "write failed" : context.error;
    }
    if (std::fflush(file.get()) != 0) {
        return std::strerror(errno);
    }
    return {};
}

}  // namespace platform::win32
