// Makes data/062bois.jpg, the wood grain of the demo's floor and wall.
//
// The picture is procedural and deterministic: integer-hashed value noise, a ring pattern around
// an axis that runs along the planks, and a fixed colour ramp. Only +, -, *, / and sqrt are used on
// floats (all correctly rounded under IEEE), so the same pixels come out on every machine; the
// JPEG encoder then runs at a fixed quality with its default (integer) transform.
//
// The default size is 512 x 384: one side is not a power of two, so loading the file with the
// default texture size resamples it and the demo itself goes through the triangle filter.
//
// Usage: wood_texture [OUT.jpg [WIDTH HEIGHT]]   (default data/062bois.jpg 512 384)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

std::uint32_t hash2(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^
                      seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x85EBCA6Bu;
    h ^= h >> 16;
    return h;
}

float lattice(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    return static_cast<float>(hash2(x, y, seed) & 0xFFFFu) / 65535.0f;
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// Value noise in 0..1 with a smooth blend between lattice points.
float valueNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx);
    const auto iy = static_cast<std::int32_t>(fy);
    const float tx = smooth(x - fx);
    const float ty = smooth(y - fy);
    const float a = lattice(ix, iy, seed);
    const float b = lattice(ix + 1, iy, seed);
    const float c = lattice(ix, iy + 1, seed);
    const float d = lattice(ix + 1, iy + 1, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fractal(float x, float y, std::uint32_t seed) {
    float sum = 0.0f;
    float amplitude = 0.5f;
    for (int octave = 0; octave < 4; ++octave) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<std::uint32_t>(octave));
        x *= 2.0f;
        y *= 2.0f;
        amplitude *= 0.5f;
    }
    return sum;
}

struct Rgb {
    float r, g, b;
};

Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

std::uint8_t toByte(float v) {
    if (v <= 0.0f) {
        return 0;
    }
    if (v >= 255.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(v + 0.5f);
}

// One pixel of the grain. The planks run horizontally; the growth rings are the iso-lines of the
// distance to an axis placed below the picture, bent by low-frequency noise.
Rgb woodAt(int x, int y, int width, int height) {
    const float u = static_cast<float>(x) / static_cast<float>(width);
    const float v = static_cast<float>(y) / static_cast<float>(height);
    const float bend = fractal(u * 3.0f, v * 1.5f, 11u) - 0.5f;
    const float dy = (v + 0.35f) * 4.0f + bend * 0.9f;
    const float dx = (u - 0.5f) * 0.6f;
    const float distance = std::sqrt(dx * dx + dy * dy);
    const float rings = distance * 9.0f + fractal(u * 12.0f, v * 4.0f, 29u) * 0.6f;
    const float ring = rings - std::floor(rings);
    // Late wood (dark) is a thin band at the end of each ring; early wood is wide and light.
    float late = ring > 0.7f ? (ring - 0.7f) / 0.3f : 0.0f;
    late = smooth(late);
    // Fine fibres along the planks.
    const float fibre = fractal(u * 90.0f, v * 6.0f, 47u);
    const Rgb early{196.0f, 142.0f, 88.0f};
    const Rgb dark{118.0f, 70.0f, 36.0f};
    Rgb c = mix(early, dark, late * 0.85f);
    const float shade = 0.86f + 0.24f * fibre;
    c = {c.r * shade, c.g * shade, c.b * shade};
    // A darker seam between planks every quarter of the height.
    const float plank = v * 4.0f - std::floor(v * 4.0f);
    if (plank < 0.012f || plank > 0.988f) {
        c = {c.r * 0.55f, c.g * 0.55f, c.b * 0.55f};
    }
    return c;
}

bool writeJpeg(const char* path, int width, int height, const std::vector<std::uint8_t>& rgb) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<std::size_t>(cinfo.next_scanline) *
                                                  static_cast<std::size_t>(width) * 3u]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* out = argc > 1 ? argv[1] : "data/062bois.jpg";
    int width = 512;
    int height = 384;
    if (argc > 3) {
        width = std::atoi(argv[2]);
        height = std::atoi(argv[3]);
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        std::fprintf(stderr, "wood_texture: size must be 1..16384 on each side\n");
        return 2;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3u);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = woodAt(x, y, width, height);
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(x)) * 3u];
            p[0] = toByte(c.r);
            p[1] = toByte(c.g);
            p[2] = toByte(c.b);
        }
    }
    if (!writeJpeg(out, width, height, rgb)) {
        return 1;
    }
    std::printf("wood_texture: wrote %s (%d x %d)\n", out, width, height);
    return 0;
}
