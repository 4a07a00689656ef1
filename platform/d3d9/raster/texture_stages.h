// The texture stage cascade: each enabled stage combines two arguments with its colour and alpha
// operations; the result of the last enabled stage is the pixel's colour.
#pragma once

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/sample.h"
#include "platform/d3d9/raster/span.h"

namespace platform::d3d9::raster {

struct StageSetup {
    TextureStage stage;
    bool textured = false;  // a usable texture is bound
    bool usesTexture = false;  // an argument reads the texture
    Sampler sampler;
};

struct StageCascade {
    int count = 0;  // enabled stages (a Disable colour operation ends the cascade)
    StageSetup stages[kMaxTextureStages];
    float tfactor[4];
    bool passthrough = false;  // stage 0 just forwards the diffuse colour: no work
};

void prepareStages(const PipelineState& state, StageCascade& out);

// Combines stage `index` for n pixels: `previous` holds the previous stage's result (the diffuse
// colour at stage 0), `out` receives this stage's result (it may be `previous` itself);
// `texel` holds the stage's texels when it reads them.
void combineStage(const StageCascade& cascade, int index, int n, const SpanColor& diffuse,
                  const SpanColor& texel, const SpanColor& previous, SpanColor& out);

}  // namespace platform::d3d9::raster
