#include "gfxutil/tex/format_table.h"

#include <array>

namespace gfxutil::tex {
namespace {

constexpr FormatKind C = FormatKind::Colour;
constexpr FormatKind P = FormatKind::Palette;
constexpr FormatKind L = FormatKind::Luminance;
constexpr FormatKind S = FormatKind::Signed;
constexpr FormatKind D = FormatKind::DepthStencil;

// The search order. Palette rows sit among the colour rows on purpose: a palette request is answered
// by A8P8 or P8 before the 16-bit colour formats that follow them.
constexpr FormatDescription kTable[] = {
    {D3DFMT_R8G8B8, C, 24, 0, 0, 8, 8, 8, false},
    {D3DFMT_A8R8G8B8, C, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_X8R8G8B8, C, 32, 0, 0, 8, 8, 8, true},
    {D3DFMT_R5G6B5, C, 16, 0, 0, 5, 6, 5, true},
    {D3DFMT_X1R5G5B5, C, 16, 0, 0, 5, 5, 5, true},
    {D3DFMT_A8P8, P, 16, 0, 8, 8, 8, 8, true},
    {D3DFMT_P8, P, 8, 0, 8, 8, 8, 8, true},
    {D3DFMT_A1R5G5B5, C, 16, 0, 1, 5, 5, 5, true},
    {D3DFMT_A4R4G4B4, C, 16, 0, 4, 4, 4, 4, true},
    {D3DFMT_R3G3B2, C, 8, 0, 0, 3, 3, 2, true},
    {D3DFMT_A8, C, 8, 0, 8, 0, 0, 0, true},
    {D3DFMT_A8R3G3B2, C, 16, 0, 8, 3, 3, 2, true},
    {D3DFMT_X4R4G4B4, C, 16, 0, 0, 4, 4, 4, true},
    {D3DFMT_A2B10G10R10, C, 32, 0, 2, 10, 10, 10, true},
    {D3DFMT_A8B8G8R8, C, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_X8B8G8R8, C, 32, 0, 0, 8, 8, 8, true},
    {D3DFMT_G16R16, C, 32, 0, 0, 16, 16, 0, true},
    {D3DFMT_A2R10G10B10, C, 32, 0, 2, 10, 10, 10, true},
    {D3DFMT_A16B16G16R16, C, 64, 0, 16, 16, 16, 16, true},
    {D3DFMT_L8, L, 8, 0, 0, 8, 8, 8, true},
    {D3DFMT_A8L8, L, 16, 0, 8, 8, 8, 8, true},
    {D3DFMT_A4L4, L, 8, 0, 4, 4, 4, 4, true},
    {D3DFMT_L16, L, 16, 0, 0, 16, 16, 16, true},
    {D3DFMT_V8U8, S, 16, 0, 0, 0, 8, 8, true},
    {D3DFMT_L6V5U5, S, 16, 6, 0, 0, 5, 5, true},
    {D3DFMT_X8L8V8U8, S, 32, 8, 0, 0, 8, 8, true},
    {D3DFMT_Q8W8V8U8, S, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_V16U16, S, 32, 0, 0, 0, 16, 16, true},
    {D3DFMT_A2W10V10U10, S, 32, 2, 0, 10, 10, 10, true},
    {D3DFMT_Q16W16V16U16, S, 64, 0, 16, 16, 16, 16, true},
    {D3DFMT_CxV8U8, S, 16, 8, 0, 0, 8, 8, false},
    {D3DFMT_UYVY, C, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_R8G8_B8G8, C, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_YUY2, C, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_G8R8_G8B8, C, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_DXT1, C, 16, 0, 1, 5, 6, 5, false},
    {D3DFMT_DXT2, C, 16, 0, 4, 5, 6, 5, false},
    {D3DFMT_DXT3, C, 16, 0, 4, 5, 6, 5, false},
    {D3DFMT_DXT4, C, 16, 0, 8, 5, 6, 5, false},
    {D3DFMT_DXT5, C, 16, 0, 8, 5, 6, 5, false},
    {D3DFMT_D16_LOCKABLE, D, 16, 1, 0, 0, 0, 16, true},
    {D3DFMT_D32F_LOCKABLE, D, 32, 1, 0, 0, 0, 32, false},
    {D3DFMT_D32, D, 32, 0, 0, 0, 0, 32, true},
    {D3DFMT_D15S1, D, 16, 0, 0, 0, 1, 15, true},
    {D3DFMT_D24S8, D, 32, 0, 0, 0, 8, 24, true},
    {D3DFMT_D16, D, 16, 0, 0, 0, 0, 16, true},
    {D3DFMT_D24X8, D, 32, 0, 0, 0, 0, 24, true},
    {D3DFMT_D24X4S4, D, 32, 0, 0, 0, 4, 24, true},
    {D3DFMT_D24FS8, D, 32, 0, 0, 0, 8, 24, false},
    {D3DFMT_R16F, C, 16, 0, 0, 16, 0, 0, false},
    {D3DFMT_G16R16F, C, 32, 0, 0, 16, 16, 0, false},
    {D3DFMT_A16B16G16R16F, C, 64, 0, 16, 16, 16, 16, false},
    {D3DFMT_R32F, C, 32, 0, 0, 32, 0, 0, false},
    {D3DFMT_G32R32F, C, 64, 0, 0, 32, 32, 0, false},
    {D3DFMT_A32B32G32R32F, C, 128, 0, 32, 32, 32, 32, false},
    {kFormatAL16, L, 32, 0, 16, 16, 16, 16, false},
    {kFormatR16, C, 48, 0, 0, 16, 16, 16, false},
};

constexpr FormatDescription kUnknownRow = {D3DFMT_UNKNOWN, C, 32, 0, 8, 8, 8, 8, false};

constexpr UINT kLostChannel = 16777216;  // 2^24: one whole channel missing from the candidate

UINT channelCost(UINT q, UINT k) {
    if (q < k) {
        return q == 0 ? 256u : k - q;
    }
    if (q > k) {
        return k == 0 ? kLostChannel : (q - k) * 65536u;
    }
    return 0;
}

}  // namespace

std::span<const FormatDescription> formatTable() { return kTable; }

const FormatDescription& lookupFormat(D3DFORMAT format) {
    for (const FormatDescription& row : kTable) {
        if (row.format == format) {
            return row;
        }
    }
    return kUnknownRow;
}

D3DFORMAT mapInternalFormat(D3DFORMAT format) {
    if (format == kFormatAL16) {
        return D3DFMT_A8L8;
    }
    if (format == kFormatR16) {
        return D3DFMT_R8G8B8;
    }
    return format;
}

bool kindsCompatible(FormatKind requested, FormatKind candidate) {
    switch (requested) {
        case FormatKind::Colour:
            return candidate == FormatKind::Colour;
        case FormatKind::Palette:
            return candidate == FormatKind::Colour || candidate == FormatKind::Palette;
        case FormatKind::Luminance:
            return candidate == FormatKind::Colour || candidate == FormatKind::Luminance;
        case FormatKind::Signed:
            return candidate == FormatKind::Signed;
        case FormatKind::DepthStencil:
            return candidate == FormatKind::DepthStencil;
    }
    return false;
}

bool formatDistance(const FormatDescription& q, const FormatDescription& k, UINT* distance) {
    if (!kindsCompatible(q.kind, k.kind)) {
        return false;
    }
    const UINT qBits[5] = {q.extraBits, q.alphaBits, q.redBits, q.greenBits, q.blueBits};
    const UINT kBits[5] = {k.extraBits, k.alphaBits, k.redBits, k.greenBits, k.blueBits};
    UINT sum = 0;
    UINT requestedChannels = 0;
    for (int i = 0; i < 5; ++i) {
        sum += channelCost(qBits[i], kBits[i]);
        if (qBits[i] != 0) {
            ++requestedChannels;
        }
    }
    // A candidate that lacks every channel the request has carries nothing of it.
    if (requestedChannels == sum / kLostChannel) {
        return false;
    }
    *distance = sum;
    return true;
}

D3DFORMAT findClosestFormat(const FormatDescription& q) {
    return closestFormatWhere(q, [](D3DFORMAT) { return true; });
}

}  // namespace gfxutil::tex
