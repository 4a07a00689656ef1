// The sRGB transfer curves of the pixel-transfer engine, as interpolated 256-entry tables.
//
// The curve is the plain power law (2.2), not the piecewise sRGB standard: images converted by the
// engine must come out with exactly the values this approximation gives. Each table is indexed by a
// pre-shaped value (the square root or the square of the input) so that 256 entries suffice over
// the whole range. Inputs outside 0..1 are clamped to it; a NaN reads as 0.
#pragma once

namespace gfxutil::tex {

float srgbToLinear(float v);  // v^2.2
float linearToSrgb(float v);  // v^(1/2.2)

}  // namespace gfxutil::tex
