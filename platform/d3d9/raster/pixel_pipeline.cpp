#include "platform/d3d9/raster/pixel_pipeline.h"

#include <cstring>

#include "platform/d3d9/raster/direct_fill.h"

namespace platform::d3d9::raster {

float approxLog2(float x) {
    if (!(x > 0.0f)) return -128.0f;
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    const int exponent = int((bits >> 23) & 0xFF) - 127;
    bits = (bits & 0x007FFFFFu) | 0x3F800000u;  // mantissa in 1..2
    float m;
    std::memcpy(&m, &bits, 4);
    // Quadratic through log2 at 1, 1.5 and 2: exact at the ends, within 0.01 between.
    const float t = m - 1.0f;
    return float(exponent) + t * (1.3399f - 0.3399f * t);
}

void preparePixelPipeline(const PipelineState& state, const Targets& targets, PixelPipeline& p) {
    prepareStages(state, p.stages);
    prepareOutput(state, targets, p.output);
    p.texCoordsUsed = 0;
    for (int i = 0; i < p.stages.count; ++i) {
        const StageSetup& s = p.stages.stages[i];
        p.stageLod[i] = false;
        if (!s.usesTexture) continue;
        const int k = s.stage.texCoordIndex < uint32_t(kMaxTexCoords) ? int(s.stage.texCoordIndex) : 0;
        p.stageCoord[i] = k;
        p.texCoordsUsed |= 1u << k;
        p.stageLod[i] = s.sampler.needsLod;
        p.stageSize[i][0] = float(s.stage.texture->levels[0].width);
        p.stageSize[i][1] = float(s.stage.texture->levels[0].height);
        p.lodBias[i] = s.stage.sampler.mipLodBias;
    }
    p.varyingCount = 4;
    for (int k = 0; k < kMaxTexCoords; ++k) {
        if (p.texCoordsUsed & (1u << k)) p.varyingCount = 4 + 2 * (k + 1);
    }
    p.modulateTexture = false;
    if (p.stages.count == 1 && p.stages.stages[0].usesTexture) {
        const TextureStage& st = p.stages.stages[0].stage;
        const auto plain = [](const TextureArg& a, ArgSource src) {
            return a.source == src && !a.complement && !a.alphaReplicate;
        };
        // At stage 0 the current colour is the diffuse colour.
        const auto diffuse = [&](const TextureArg& a) {
            return plain(a, ArgSource::Diffuse) || plain(a, ArgSource::Current);
        };
        const auto textureTimesDiffuse = [&](TextureOp op, const TextureArg& a1, const TextureArg& a2) {
            return op == TextureOp::Modulate &&
                   ((plain(a1, ArgSource::Texture) && diffuse(a2)) || (diffuse(a1) && plain(a2, ArgSource::Texture)));
        };
        const bool textureAlpha = (st.alphaOp == TextureOp::SelectArg1 && plain(st.alphaArg1, ArgSource::Texture)) ||
                                  (st.alphaOp == TextureOp::SelectArg2 && plain(st.alphaArg2, ArgSource::Texture));
        p.modulateAlpha = textureTimesDiffuse(st.alphaOp, st.alphaArg1, st.alphaArg2);
        p.modulateTexture = textureTimesDiffuse(st.colorOp, st.colorArg1, st.colorArg2) &&
                            (p.modulateAlpha || textureAlpha);
    }
    p.needsDepth = p.output.depth;
    p.colorBase = static_cast<uint8_t*>(targets.color.data);
    p.colorPitch = targets.color.pitch;
    p.depthBase = static_cast<uint8_t*>(targets.depth.data);
    p.depthPitch = targets.depth.pitch;
    p.direct = chooseDirectPath(state, p);
}

void fillUniform(Fragments& f, int n) {
    float* channels[4] = {f.diffuse.r, f.diffuse.g, f.diffuse.b, f.diffuse.a};
    for (int c = 0; c < 4; ++c) {
        const float value = f.uniformColor[c];
        float* out = channels[c];
        for (int i = 0; i < n; ++i) out[i] = value;
    }
}

void shadeFragments(const PixelPipeline& p, Fragments& f) {
    const int n = f.n;
    if (f.uniformDiffuse) {
        // One colour for the batch: when it goes to the target unchanged, blend or store it as
        // such; otherwise the stages need it per fragment.
        if (p.stages.passthrough && !p.output.alphaTest && !p.output.depth && f.colorRow) {
            writeUniformColor(p.output, n, f.uniformColor, f.colorRow);
            return;
        }
        if (!p.modulateTexture) fillUniform(f, n);
    }
    alignas(32) uint8_t mask[kSpanLength];
    std::memset(mask, 1, size_t(n));
    bool masked = false;

    alignas(32) uint32_t gatheredDepth[kSpanLength];
    uint32_t* depth = f.depthRow;
    if (p.output.depth) {
        if (depth == nullptr) {
            for (int i = 0; i < n; ++i) gatheredDepth[i] = *f.depth[i];
            depth = gatheredDepth;
        }
        depthTest(p.output, n, f.z, depth, mask);
        masked = true;
    }

    const SpanColor* result = &f.diffuse;
    SpanColor current;
    if (p.modulateTexture) {
        // The textured-and-coloured stage (glyphs, sprites, most textured scenery): the same
        // products the general cascade forms, without its argument resolution.
        const StageSetup& s = p.stages.stages[0];
        const int k = p.stageCoord[0];
        s.sampler.sampleSpan(s.sampler, n, f.uv[k][0], f.uv[k][1], p.stageLod[0] ? f.lodOf[0] : nullptr, current);
        float* channels[4] = {current.r, current.g, current.b, current.a};
        const float* diffuse[4] = {f.diffuse.r, f.diffuse.g, f.diffuse.b, f.diffuse.a};
        for (int c = 0; c < (p.modulateAlpha ? 4 : 3); ++c) {
            float* out = channels[c];
            if (f.uniformDiffuse) {
                const float d = f.uniformColor[c];
                for (int i = 0; i < n; ++i) out[i] = out[i] * d;
            } else {
                const float* d = diffuse[c];
                for (int i = 0; i < n; ++i) out[i] = out[i] * d[i];
            }
        }
        result = &current;
    } else if (!p.stages.passthrough) {
        SpanColor texel;
        for (int i = 0; i < p.stages.count; ++i) {
            const StageSetup& s = p.stages.stages[i];
            if (s.usesTexture) {
                const int k = p.stageCoord[i];
                s.sampler.sampleSpan(s.sampler, n, f.uv[k][0], f.uv[k][1], p.stageLod[i] ? f.lodOf[i] : nullptr, texel);
            }
            combineStage(p.stages, i, n, f.diffuse, texel, i == 0 ? f.diffuse : current, current);
        }
        result = &current;
    }

    if (p.output.alphaTest) {
        alphaTest(p.output, n, result->a, mask);
        masked = true;
    }
    if (masked) {
        // Nothing left to store: skip the memory traffic (common for glyph quads).
        uint32_t any = 0;
        for (int i = 0; i < n; ++i) any |= mask[i];
        if (!any) return;
    }
    if (p.output.depthWrite) {
        writeDepth(n, f.z, depth, mask);
        if (depth == gatheredDepth) {
            for (int i = 0; i < n; ++i) *f.depth[i] = gatheredDepth[i];
        }
    }
    if (f.colorRow) {
        writeColor(p.output, n, *result, f.colorRow, masked ? mask : nullptr);
        return;
    }
    alignas(32) uint32_t gathered[kSpanLength];
    if (f.runCount > 0) {
        for (int r = 0; r < f.runCount; ++r) {
            std::memcpy(gathered + f.runs[r].start, f.runs[r].color, size_t(f.runs[r].n) * 4);
        }
        writeColor(p.output, n, *result, gathered, masked ? mask : nullptr);
        for (int r = 0; r < f.runCount; ++r) {
            std::memcpy(f.runs[r].color, gathered + f.runs[r].start, size_t(f.runs[r].n) * 4);
        }
        return;
    }
    for (int i = 0; i < n; ++i) gathered[i] = *f.color[i];
    writeColor(p.output, n, *result, gathered, masked ? mask : nullptr);
    for (int i = 0; i < n; ++i) *f.color[i] = gathered[i];
}

}  // namespace platform::d3d9::raster
