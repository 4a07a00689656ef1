// One-pixel-wide lines.
//
// The line steps along its major axis (the larger of |dx| and |dy|, x on a tie) one pixel at a
// time, from the pixel nearest its first end to the pixel nearest its last end; the last pixel is
// drawn only when lastPixel is on, so a strip of lines touches each joint once. At each step the
// pixel on the minor axis is the one whose centre is nearest the line (halves round down, towards
// smaller coordinates). Colours and texture coordinates are interpolated perspective-correctly
// along the line; textured lines sample at level of detail 0.
#pragma once

#include "platform/d3d9/raster/pixel_pipeline.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

namespace platform::d3d9::raster {

// Only pixels whose row the filter accepts are drawn (see RowFilter).
void drawLine(const PixelPipeline& p, const ScreenVertex& a, const ScreenVertex& b, bool lastPixel,
              const Scissor& scissor, int varyingCount, const RowFilter& rows);

}  // namespace platform::d3d9::raster
