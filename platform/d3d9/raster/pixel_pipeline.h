// The pixel stage for a batch of up to kSpanLength fragments: texture sampling, the stage
// cascade, alpha and depth tests, blending and the store. The triangle and line rasterisers fill
// a Fragments batch with interpolated values and hand it here.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/pixel_ops.h"
#include "platform/d3d9/raster/span.h"
#include "platform/d3d9/raster/texture_stages.h"
#include "platform/d3d9/raster/vertex.h"

namespace platform::d3d9::raster {

// A row run of fragments [start, start + n) of a batch, at n consecutive target words from color.
struct FragmentRun {
    uint32_t* color;
    int start, n;
};

struct Fragments {
    int n = 0;
    SpanColor diffuse;                                  // varyings 0..3, perspective-corrected
    // Every fragment has the diffuse colour uniformColor (flat or unlit triangles of one colour:
    // the mirror, glyph quads): `diffuse` is then left unfilled, and the pixel stage either works
    // from the one colour or fills `diffuse` itself, once per batch instead of once per run.
    bool uniformDiffuse = false;
    float uniformColor[4] = {0, 0, 0, 0};
    alignas(32) float uv[kMaxTexCoords][2][kSpanLength];  // texture coordinates, perspective-corrected
    alignas(32) float lod[kMaxTextureStages][kSpanLength];
    // Per stage: the level of detail of each fragment, or null when every fragment is magnified
    // (the sampler then uses the magnification filter on the most detailed level).
    const float* lodOf[kMaxTextureStages] = {nullptr, nullptr};
    alignas(32) float z[kSpanLength];
    // A span's pixels are contiguous: colorRow (and depthRow) point at its first pixel. Scattered
    // fragments (lines) leave them null and give one pointer per fragment instead.
    uint32_t* colorRow = nullptr;
    uint32_t* depthRow = nullptr;
    // Triangles give their fragments as row runs (runCount > 0) and leave color[] unset; lines
    // give one pointer per fragment in color[] and no runs.
    int runCount = 0;
    FragmentRun runs[kSpanLength];
    uint32_t* color[kSpanLength];
    uint32_t* depth[kSpanLength];
};

// Triangles of some states are shaded row by row as they are filled instead of in batches
// (direct_fill.h).
enum class DirectPath : uint8_t { None, Gouraud, Sprite, Textured };

struct PixelPipeline {
    StageCascade stages;
    OutputSetup output;
    int varyingCount = 4;         // how many varyings the pixel stage reads
    bool needsDepth = false;
    // One stage that modulates its texture's colour by the diffuse colour, and its alpha too
    // (modulateAlpha) or takes the texture's alpha as it is.
    bool modulateTexture = false;
    bool modulateAlpha = false;
    uint32_t texCoordsUsed = 0;   // bit k: coordinate set k is read
    int stageCoord[kMaxTextureStages] = {0, 0};  // coordinate set of each stage
    bool stageLod[kMaxTextureStages] = {false, false};  // the stage needs a level of detail
    float stageSize[kMaxTextureStages][2] = {};  // level-0 size of each stage's texture
    float lodBias[kMaxTextureStages] = {0, 0};
    DirectPath direct = DirectPath::None;
    uint8_t* colorBase = nullptr;
    int32_t colorPitch = 0;
    uint8_t* depthBase = nullptr;
    int32_t depthPitch = 0;
};

void preparePixelPipeline(const PipelineState& state, const Targets& targets, PixelPipeline& out);

// Writes f.uniformColor into f.diffuse for fragments [0, n).
void fillUniform(Fragments& f, int n);

// Runs the pixel stage on the batch (f.n fragments).
void shadeFragments(const PixelPipeline& p, Fragments& f);

// A cheap, deterministic log2 (within about 0.01), used for the level of detail.
float approxLog2(float x);

}  // namespace platform::d3d9::raster
