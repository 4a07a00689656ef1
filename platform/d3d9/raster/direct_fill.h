// Triangles shaded row by row as the rows are found, without the fragment batch.
//
// The batch (triangle.h) pays a fixed cost per run and per batch so that any combination of
// states can be shaded in long loops. Two kinds of triangle are far more common than the rest
// and far too small for that to pay: lit sphere facets of a pixel or two, and glyph quads of a
// dozen pixels a row. Their states need nothing but the triangle's own planes, one texture level
// and the target, so each row is interpolated, shaded and stored in one pass.
//
// Every pixel gets exactly the bytes the batch would give it: the same floating-point operations
// in the same order (the tests draw the same scenes both ways and compare).
#pragma once

#include "platform/d3d9/raster/pixel_pipeline.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

namespace platform::d3d9::raster {

// Which direct path suits the draw's state (DirectPath::None when neither does).
DirectPath chooseDirectPath(const PipelineState& state, const PixelPipeline& p);

// Whether triangle t can take p.direct; when not (perspective or a level of detail above 0 on a
// sprite, for instance) the batch takes it.
bool suitsDirect(const PixelPipeline& p, const TriangleSetup& t);

// Draws the rows of t that `rows` accepts (t must suit p.direct).
void fillDirect(const PixelPipeline& p, const TriangleSetup& t, const RowFilter& rows);

// Whether two consecutive triangles that each suit p.direct can be drawn together by
// fillDirectPair (two sprite triangles of one colour: the halves of a quad, usually).
bool pairsDirect(const PixelPipeline& p, const TriangleSetup& a, const TriangleSetup& b);

// Draws a, then b, row by row; where a row's two runs meet they are shaded as one run. The
// bytes are those of fillDirect(a) followed by fillDirect(b).
void fillDirectPair(const PixelPipeline& p, const TriangleSetup& a, const TriangleSetup& b, const RowFilter& rows);

// The level of detail of stage s for a triangle without perspective (q constant), where the
// texture footprint is the same at every pixel.
float affineLod(const PixelPipeline& p, const TriangleSetup& t, int s);

}  // namespace platform::d3d9::raster
