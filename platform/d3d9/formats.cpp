#include "platform/d3d9/formats.h"

namespace platform::d3d9 {

std::optional<FormatLayout> formatLayout(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R3G3B2:
        case D3DFMT_A8:
        case D3DFMT_P8:
        case D3DFMT_L8:
        case D3DFMT_A4L4:
            return FormatLayout{1};
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_A8R3G3B2:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8P8:
        case D3DFMT_A8L8:
        case D3DFMT_V8U8:
        case D3DFMT_L6V5U5:
        case D3DFMT_L16:
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D15S1:
        case D3DFMT_D16:
        case D3DFMT_R16F:
        case D3DFMT_CxV8U8:
            return FormatLayout{2};
        case D3DFMT_R8G8B8:
            return FormatLayout{3};
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A2B10G10R10:
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8B8G8R8:
        case D3DFMT_G16R16:
        case D3DFMT_A2R10G10B10:
        case D3DFMT_X8L8V8U8:
        case D3DFMT_Q8W8V8U8:
        case D3DFMT_V16U16:
        case D3DFMT_A2W10V10U10:
        case D3DFMT_D32:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
        case D3DFMT_D32F_LOCKABLE:
        case D3DFMT_D24FS8:
        case D3DFMT_G16R16F:
        case D3DFMT_R32F:
            return FormatLayout{4};
        case D3DFMT_A16B16G16R16:
        case D3DFMT_Q16W16V16U16:
        case D3DFMT_A16B16G16R16F:
        case D3DFMT_G32R32F:
            return FormatLayout{8};
        case D3DFMT_A32B32G32R32F:
            return FormatLayout{16};
        case D3DFMT_UYVY:
        case D3DFMT_YUY2:
        case D3DFMT_R8G8_B8G8:
        case D3DFMT_G8R8_G8B8:
            return FormatLayout{4, 2, 1};
        case D3DFMT_DXT1:
            return FormatLayout{8, 4, 4};
        case D3DFMT_DXT2:
        case D3DFMT_DXT3:
        case D3DFMT_DXT4:
        case D3DFMT_DXT5:
            return FormatLayout{16, 4, 4};
        default:
            return std::nullopt;
    }
}

uint32_t rowPitch(const FormatLayout& layout, uint32_t width) {
    return (width + layout.blockWidth - 1) / layout.blockWidth * layout.bytesPerBlock;
}

uint32_t blockRows(const FormatLayout& layout, uint32_t height) {
    return (height + layout.blockHeight - 1) / layout.blockHeight;
}

std::optional<raster::TextureFormat> rasterTextureFormat(D3DFORMAT format) {
    using raster::TextureFormat;
    switch (format) {
        case D3DFMT_A8R8G8B8:
            return TextureFormat::A8R8G8B8;
        case D3DFMT_X8R8G8B8:
            return TextureFormat::X8R8G8B8;
        case D3DFMT_R5G6B5:
            return TextureFormat::R5G6B5;
        case D3DFMT_X1R5G5B5:
            return TextureFormat::X1R5G5B5;
        case D3DFMT_A1R5G5B5:
            return TextureFormat::A1R5G5B5;
        case D3DFMT_A4R4G4B4:
            return TextureFormat::A4R4G4B4;
        case D3DFMT_L8:
            return TextureFormat::L8;
        case D3DFMT_A8:
            return TextureFormat::A8;
        case D3DFMT_A8L8:
            return TextureFormat::A8L8;
        default:
            return std::nullopt;
    }
}

bool isTextureFormat(D3DFORMAT format) { return rasterTextureFormat(format).has_value(); }

bool isRenderTargetFormat(D3DFORMAT format) { return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8; }

bool isDepthFormat(D3DFORMAT format) { return format == D3DFMT_D24S8; }

bool isDisplayFormat(D3DFORMAT format) { return format == D3DFMT_X8R8G8B8; }

}  // namespace platform::d3d9
