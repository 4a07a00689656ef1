// The closest-format search with an optional device (see format_table.h for the rule).
#pragma once

#include "gfxutil/tex/format_table.h"

namespace gfxutil::tex {

// Without a device every table row is a candidate; with one, only the rows the device accepts for
// `usage` and `resourceType` in its current display mode. D3DFMT_UNKNOWN when none fits.
D3DFORMAT findClosestFormat(const FormatDescription& q, IDirect3DDevice9* device, DWORD usage,
                            D3DRESOURCETYPE resourceType);

}  // namespace gfxutil::tex
