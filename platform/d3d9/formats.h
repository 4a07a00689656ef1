// What the device knows about pixel formats: how a format is laid out in memory, and which formats
// it can sample, render to and test depth with.
//
// Memory layout is known for every uncompressed format of the device header and for the DXT block
// formats, so scratch and system-memory surfaces of any of them can be created, locked and copied.
// Drawing is narrower: the formats the rasteriser reads and writes (see isTextureFormat and
// friends). Each answer here is what CheckDeviceFormat reports, so the two never disagree.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/raster/pipeline_state.h"

namespace platform::d3d9 {

// Pixels are stored in blocks of blockWidth x blockHeight (1 x 1 for ordinary formats, 4 x 4 for
// DXT, 2 x 1 for the packed YUV formats).
struct FormatLayout {
    uint32_t bytesPerBlock = 0;
    uint32_t blockWidth = 1;
    uint32_t blockHeight = 1;
};

std::optional<FormatLayout> formatLayout(D3DFORMAT format);

// Row pitch and row count of a width x height level, in bytes and block rows.
uint32_t rowPitch(const FormatLayout& layout, uint32_t width);
uint32_t blockRows(const FormatLayout& layout, uint32_t height);

bool isTextureFormat(D3DFORMAT format);       // sampled by the rasteriser
bool isRenderTargetFormat(D3DFORMAT format);  // written by the rasteriser
bool isDepthFormat(D3DFORMAT format);         // depth/stencil buffers
bool isDisplayFormat(D3DFORMAT format);       // adapter and back buffer formats

std::optional<raster::TextureFormat> rasterTextureFormat(D3DFORMAT format);

}  // namespace platform::d3d9
