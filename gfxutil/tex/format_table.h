// The texture loader's description of every pixel format it can handle, and the closest-format
// search that texture creation uses to pick what the device accepts.
//
// One row per format: its kind of data and the bit counts of five channels (extra, alpha, red,
// green, blue). The rows are searched in table order, so the order is part of the behaviour: on
// equal distance and equal size the earlier row wins. Two internal formats exist that only the
// decoders produce ("AL16", " R16"); they are mapped to device formats before anything is reported
// or created.
#pragma once

#include <span>

#include "gfxutil/tex/tex_platform.h"

namespace gfxutil::tex {

enum class FormatKind : BYTE {
    Colour = 0,
    Palette = 1,
    Luminance = 2,
    Signed = 3,
    DepthStencil = 4,
};

// For signed formats red/green/blue hold the W/V/U bits and extra the luminance (or alpha) bits;
// for depth formats green holds the stencil bits, blue the depth bits and extra is 1 when lockable.
struct FormatDescription {
    D3DFORMAT format;
    FormatKind kind;
    UINT bitsPerPixel;
    UINT extraBits;
    UINT alphaBits;
    UINT redBits;
    UINT greenBits;
    UINT blueBits;
    bool autoChoice;  // may be chosen as the closest format, not only matched exactly
};

// 16-bit luminance with 16-bit alpha, and 16 bits each of red, green and blue: decoder outputs only.
inline constexpr D3DFORMAT kFormatAL16 = static_cast<D3DFORMAT>(0x36314C41u);
inline constexpr D3DFORMAT kFormatR16 = static_cast<D3DFORMAT>(0x36315220u);

std::span<const FormatDescription> formatTable();

// The row of a format; a code not in the table yields the unknown row (code 0, 32-bit colour with
// eight bits in alpha, red, green and blue, never chosen automatically).
const FormatDescription& lookupFormat(D3DFORMAT format);

// "AL16" becomes A8L8 and " R16" becomes R8G8B8; every other code is returned unchanged.
D3DFORMAT mapInternalFormat(D3DFORMAT format);

// Whether a row of kind `candidate` may stand in for a request of kind `requested`.
bool kindsCompatible(FormatKind requested, FormatKind candidate);

// The distance from request q to candidate k; false when k is unusable for q. Gaining precision is
// cheap, losing precision dear, losing a channel dearest.
bool formatDistance(const FormatDescription& q, const FormatDescription& k, UINT* distance);

// Walks the table for the format closest to q among the rows `accepts` lets through (all rows when
// it is empty). A row with q's code is the answer at once. Returns D3DFMT_UNKNOWN when none fits.
template <class Accepts>
D3DFORMAT closestFormatWhere(const FormatDescription& q, Accepts&& accepts);

// The search without a device: every row of the table is a candidate.
D3DFORMAT findClosestFormat(const FormatDescription& q);

template <class Accepts>
D3DFORMAT closestFormatWhere(const FormatDescription& q, Accepts&& accepts) {
    const FormatDescription* best = nullptr;
    UINT bestDistance = 0;
    for (const FormatDescription& row : formatTable()) {
        if (row.format == D3DFMT_UNKNOWN || !accepts(row.format)) {
            continue;
        }
        if (row.format == q.format) {
            return row.format;
        }
        if (!row.autoChoice) {
            continue;
        }
        UINT distance = 0;
        if (!formatDistance(q, row, &distance)) {
            continue;
        }
        if (best == nullptr || distance < bestDistance ||
            (distance == bestDistance && row.bitsPerPixel < best->bitsPerPixel)) {
            best = &row;
            bestDistance = distance;
        }
    }
    return best != nullptr ? best->format : D3DFMT_UNKNOWN;
}

}  // namespace gfxutil::tex
