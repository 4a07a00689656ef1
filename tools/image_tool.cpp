// image_tool: what the texture loader makes of an image file.
//
//   image_tool info FILE
//       prints the image information the loader reads from the file's header;
//   image_tool convert FILE OUT.png [--format NAME] [--size WxH] [--levels N] [--level N]
//                                   [--filter NAME] [--mip-filter NAME] [--key AARRGGBB]
//       creates a texture from FILE on a headless software device, exactly as an application
//       would, and writes the chosen mip level as an RGBA PNG.
//
// Format names are the device's without their D3DFMT_ prefix (X8R8G8B8, L8, ...); filter names
// are none, point, linear, triangle and box, optionally followed by +dither, +diffusion,
// +mirror, +srgb (for example triangle+dither). The loader's diagnostics go to standard error as
// they occur; a failure also prints the status code and exits with 1 (2 for a usage error).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfxutil/tex/texture_loader.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

#include <png.h>

namespace {

struct FormatName {
    const char* name;
    D3DFORMAT format;
};

constexpr FormatName kFormats[] = {
    {"UNKNOWN", D3DFMT_UNKNOWN},       {"R8G8B8", D3DFMT_R8G8B8},         {"A8R8G8B8", D3DFMT_A8R8G8B8},
    {"X8R8G8B8", D3DFMT_X8R8G8B8},     {"R5G6B5", D3DFMT_R5G6B5},         {"X1R5G5B5", D3DFMT_X1R5G5B5},
    {"A1R5G5B5", D3DFMT_A1R5G5B5},     {"A4R4G4B4", D3DFMT_A4R4G4B4},     {"R3G3B2", D3DFMT_R3G3B2},
    {"A8", D3DFMT_A8},                 {"A8R3G3B2", D3DFMT_A8R3G3B2},     {"X4R4G4B4", D3DFMT_X4R4G4B4},
    {"A2B10G10R10", D3DFMT_A2B10G10R10}, {"A8B8G8R8", D3DFMT_A8B8G8R8},   {"X8B8G8R8", D3DFMT_X8B8G8R8},
    {"G16R16", D3DFMT_G16R16},         {"A2R10G10B10", D3DFMT_A2R10G10B10}, {"A16B16G16R16", D3DFMT_A16B16G16R16},
    {"A8P8", D3DFMT_A8P8},             {"P8", D3DFMT_P8},                 {"L8", D3DFMT_L8},
    {"A8L8", D3DFMT_A8L8},             {"A4L4", D3DFMT_A4L4},             {"L16", D3DFMT_L16},
    {"V8U8", D3DFMT_V8U8},             {"L6V5U5", D3DFMT_L6V5U5},         {"X8L8V8U8", D3DFMT_X8L8V8U8},
    {"Q8W8V8U8", D3DFMT_Q8W8V8U8},     {"V16U16", D3DFMT_V16U16},         {"A2W10V10U10", D3DFMT_A2W10V10U10},
    {"R16F", D3DFMT_R16F},             {"G16R16F", D3DFMT_G16R16F},       {"A16B16G16R16F", D3DFMT_A16B16G16R16F},
    {"R32F", D3DFMT_R32F},             {"G32R32F", D3DFMT_G32R32F},       {"A32B32G32R32F", D3DFMT_A32B32G32R32F},
    {"DXT1", D3DFMT_DXT1},             {"DXT3", D3DFMT_DXT3},             {"DXT5", D3DFMT_DXT5},
};

const char* formatName(D3DFORMAT f) {
    for (const FormatName& n : kFormats) {
        if (n.format == f) {
            return n.name;
        }
    }
    return "?";
}

bool parseFormat(const char* text, D3DFORMAT* out) {
    for (const FormatName& n : kFormats) {
        if (std::strcmp(n.name, text) == 0) {
            *out = n.format;
            return true;
        }
    }
    return false;
}

bool parseFilter(const std::string& text, DWORD* out) {
    struct Word {
        const char* name;
        DWORD value;
    };
    constexpr Word kWords[] = {
        {"none", D3DX_FILTER_NONE},       {"point", D3DX_FILTER_POINT},        {"linear", D3DX_FILTER_LINEAR},
        {"triangle", D3DX_FILTER_TRIANGLE}, {"box", D3DX_FILTER_BOX},          {"dither", D3DX_FILTER_DITHER},
        {"diffusion", D3DX_FILTER_DITHER_DIFFUSION}, {"mirror", D3DX_FILTER_MIRROR}, {"srgb", D3DX_FILTER_SRGB},
    };
    DWORD value = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('+', start);
        const std::string word = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        bool known = false;
        for (const Word& w : kWords) {
            if (word == w.name) {
                value |= w.value;
                known = true;
            }
        }
        if (!known) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    *out = value;
    return true;
}

const char* fileFormatName(D3DXIMAGE_FILEFORMAT f) {
    constexpr const char* kNames[] = {"BMP", "JPG", "TGA", "PNG", "DDS", "PPM", "DIB", "HDR", "PFM"};
    return static_cast<DWORD>(f) < 9 ? kNames[f] : "?";
}

int usage() {
    std::fprintf(stderr,
                 "usage: image_tool info FILE\n"
                 "       image_tool convert FILE OUT.png [--format NAME] [--size WxH] [--levels N] [--level N]\n"
                 "                                       [--filter NAME] [--mip-filter NAME] [--key AARRGGBB]\n");
    return 2;
}

int failed(const char* what, HRESULT hr) {
    std::fprintf(stderr, "image_tool: %s failed with status 0x%08X\n", what, static_cast<unsigned>(hr));
    return 1;
}

int info(const char* file) {
    D3DXIMAGE_INFO i{};
    const HRESULT hr = D3DXGetImageInfoFromFileA(file, &i);
    if (FAILED(hr)) {
        return failed("reading the image information", hr);
    }
    std::printf("file:      %s\nformat:    %s (%s)\nsize:      %u x %u x %u\nlevels:    %u\nresource:  %s\n", file,
                fileFormatName(i.ImageFileFormat), formatName(i.Format), i.Width, i.Height, i.Depth, i.MipLevels,
                i.ResourceType == D3DRTYPE_TEXTURE ? "texture"
                : i.ResourceType == D3DRTYPE_CUBETEXTURE ? "cube texture"
                                                         : "volume texture");
    return 0;
}

LRESULT windowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HRESULT makeDevice(HWND* window, ComPtr<IDirect3D9>& root, ComPtr<IDirect3DDevice9>& device) {
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.lpszClassName = "image_tool";
    RegisterClassA(&wc);
    *window = CreateWindowExA(0, "image_tool", "image_tool", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                              nullptr, nullptr);
    root = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    if (!root) {
        return E_FAIL;
    }
    D3DPRESENT_PARAMETERS params{};
    params.Windowed = TRUE;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.BackBufferWidth = 64;
    params.BackBufferHeight = 64;
    return root->CreateDevice(0, D3DDEVTYPE_HAL, *window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, device.put());
}

bool writePng(const char* path, UINT width, UINT height, const std::vector<std::uint8_t>& rgba) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::perror(path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pngInfo = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &pngInfo);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, pngInfo, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, pngInfo);
    for (UINT y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(&rgba[static_cast<std::size_t>(y) * width * 4]));
    }
    png_write_end(png, pngInfo);
    png_destroy_write_struct(&png, &pngInfo);
    return std::fclose(out) == 0;
}

struct ConvertOptions {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = D3DX_DEFAULT;
    UINT height = D3DX_DEFAULT;
    UINT levels = D3DX_DEFAULT;
    UINT level = 0;
    DWORD filter = D3DX_DEFAULT;
    DWORD mipFilter = D3DX_DEFAULT;
    D3DCOLOR key = 0;
};

bool parseOptions(int argc, char** argv, ConvertOptions* o) {
    for (int i = 0; i < argc; i += 2) {
        if (i + 1 >= argc) {
            return false;
        }
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        char* end = nullptr;
        if (name == "--format") {
            if (!parseFormat(value, &o->format)) return false;
        } else if (name == "--size") {
            unsigned w = 0;
            unsigned h = 0;
            if (std::sscanf(value, "%ux%u", &w, &h) != 2) return false;
            o->width = w;
            o->height = h;
        } else if (name == "--levels") {
            o->levels = static_cast<UINT>(std::strtoul(value, &end, 10));
            if (*end != '\0') return false;
        } else if (name == "--level") {
            o->level = static_cast<UINT>(std::strtoul(value, &end, 10));
            if (*end != '\0') return false;
        } else if (name == "--filter") {
            if (!parseFilter(value, &o->filter)) return false;
        } else if (name == "--mip-filter") {
            if (!parseFilter(value, &o->mipFilter)) return false;
        } else if (name == "--key") {
            o->key = static_cast<D3DCOLOR>(std::strtoul(value, &end, 16));
            if (*end != '\0') return false;
        } else {
            return false;
        }
    }
    return true;
}

int convert(const char* file, const char* outPath, const ConvertOptions& o) {
    HWND window = nullptr;
    ComPtr<IDirect3D9> root;
    ComPtr<IDirect3DDevice9> device;
    HRESULT hr = makeDevice(&window, root, device);
    if (FAILED(hr)) {
        return failed("creating the software device", hr);
    }
    ComPtr<IDirect3DTexture9> texture;
    D3DXIMAGE_INFO imageInfo{};
    hr = D3DXCreateTextureFromFileExA(device.get(), file, o.width, o.height, o.levels, 0, o.format, D3DPOOL_MANAGED,
                                      o.filter, o.mipFilter, o.key, &imageInfo, nullptr, texture.put());
    if (FAILED(hr)) {
        return failed("creating the texture", hr);
    }
    const DWORD levels = texture->GetLevelCount();
    if (o.level >= levels) {
        std::fprintf(stderr, "image_tool: the texture has %u levels\n", static_cast<unsigned>(levels));
        return 1;
    }
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(o.level, &desc);
    std::printf("texture:   %s, %u x %u, %u levels; writing level %u (%u x %u)\n", formatName(desc.Format),
                desc.Width, desc.Height, static_cast<unsigned>(levels), o.level, desc.Width, desc.Height);
    // Whatever the texture's format, the level is read back as A8R8G8B8 through the loader itself.
    ComPtr<IDirect3DTexture9> readBack;
    hr = device->CreateTexture(desc.Width, desc.Height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, readBack.put(),
                               nullptr);
    if (FAILED(hr)) {
        return failed("creating the read-back texture", hr);
    }
    ComPtr<IDirect3DSurface9> from;
    ComPtr<IDirect3DSurface9> to;
    texture->GetSurfaceLevel(o.level, from.put());
    readBack->GetSurfaceLevel(0, to.put());
    hr = D3DXLoadSurfaceFromSurface(to.get(), nullptr, nullptr, from.get(), nullptr, nullptr, D3DX_FILTER_NONE, 0);
    if (FAILED(hr)) {
        return failed("reading the level back", hr);
    }
    D3DLOCKED_RECT bits{};
    hr = to->LockRect(&bits, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        return failed("locking the level", hr);
    }
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(desc.Width) * desc.Height * 4);
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(bits.pBits) + static_cast<std::size_t>(y) * bits.Pitch;
        for (UINT x = 0; x < desc.Width; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * desc.Width + x) * 4];
            p[0] = row[4 * x + 2];
            p[1] = row[4 * x + 1];
            p[2] = row[4 * x + 0];
            p[3] = row[4 * x + 3];
        }
    }
    to->UnlockRect();
    if (!writePng(outPath, desc.Width, desc.Height, rgba)) {
        std::fprintf(stderr, "image_tool: cannot write %s\n", outPath);
        return 1;
    }
    to.reset();
    from.reset();
    readBack.reset();
    texture.reset();
    device.reset();
    root.reset();
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "info") == 0) {
        return info(argv[2]);
    }
    if (argc >= 4 && std::strcmp(argv[1], "convert") == 0) {
        ConvertOptions options;
        if (!parseOptions(argc - 4, argv + 4, &options)) {
            return usage();
        }
        return convert(argv[2], argv[3], options);
    }
    return usage();
}
