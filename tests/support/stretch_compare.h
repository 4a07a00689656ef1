// Comparing what a window shows with the frame that was stretched into it.
//
// The window layer hands the back buffer to a scaler it does not control: SDL may sample the
// nearest pixel or filter between neighbours, and two scalers may round the source position of a
// destination pixel differently. So a shown pixel is held to the pixels of the frame around its
// source position: per channel it must lie within their smallest and largest value (plus a
// tolerance). Inside a flat region that is an exact match; across an edge it allows any mix of
// the two sides, but never a colour that is on neither side, and an image shifted or scaled
// wrongly by more than a pixel breaks it along every edge.
#pragma once

#include "tests/support/golden_image.h"

namespace testsupport {

struct StretchComparison {
    int pixels = 0;             // pixels compared (all of the shown image)
    int outside = 0;            // pixels outside their neighbourhood's range by more than the tolerance
    int largestExcess = 0;      // the largest distance of a channel outside its range
    int nearestExact = 0;       // pixels exactly equal to the nearest source pixel (X ignored)
    int largestNearestDifference = 0;  // the largest channel difference from the nearest source pixel
};

// `shown` is the window's content, `frame` the image stretched to it. Both ignore the X byte.
StretchComparison compareStretched(const Image& shown, const Image& frame, int tolerance);

// `frame` stretched to width x height by nearest-pixel sampling at pixel centres.
Image stretchNearest(const Image& frame, int width, int height);

}  // namespace testsupport
