#include "platform/d3d9/raster/texture_stages.h"

namespace platform::d3d9::raster {
namespace {

bool reads(const TextureArg& a, ArgSource s) {
    return a.source == s;
}

bool opUsesArg1(TextureOp op) {
    return op != TextureOp::Disable && op != TextureOp::SelectArg2;
}
bool opUsesArg2(TextureOp op) {
    return op != TextureOp::Disable && op != TextureOp::SelectArg1;
}

// Resolves an argument's channel into `dst` (or returns the source array when no modifier applies).
const float* resolve(const TextureArg& arg, int channel, int n, const SpanColor& diffuse, const SpanColor& texel,
                     const SpanColor& current, const float tfactor[4], bool textured, float* scratch) {
    const SpanColor* src = nullptr;
    float constant = 0.0f;
    bool isConstant = false;
    switch (arg.source) {
    case ArgSource::Diffuse: src = &diffuse; break;
    case ArgSource::Current: src = &current; break;
    case ArgSource::Texture:
        if (textured) {
            src = &texel;
        } else if ((arg.alphaReplicate ? 3 : channel) == 3) {
            // No texture: the alpha reads as the current alpha, so an untextured draw with the
            // default stage states keeps its vertex alpha (a white texel would make every
            // untextured blend opaque).
            src = &current;
        } else {
            constant = 1.0f;  // no texture: white
            isConstant = true;
        }
        break;
    case ArgSource::TFactor:
        constant = tfactor[arg.alphaReplicate ? 3 : channel];
        isConstant = true;
        break;
    }
    const int ch = arg.alphaReplicate ? 3 : channel;
    if (isConstant) {
        const float c = arg.complement ? 1.0f - constant : constant;
        for (int i = 0; i < n; ++i) scratch[i] = c;
        return scratch;
    }
    const float* p = ch == 0 ? src->r : ch == 1 ? src->g : ch == 2 ? src->b : src->a;
    if (!arg.complement) return p;
    for (int i = 0; i < n; ++i) scratch[i] = 1.0f - p[i];
    return scratch;
}

inline float sat(float v) {
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

void apply(TextureOp op, int n, const float* a1, const float* a2, float* dst) {
    switch (op) {
    case TextureOp::Disable: return;
    case TextureOp::SelectArg1:
        if (dst != a1) for (int i = 0; i < n; ++i) dst[i] = a1[i];
        return;
    case TextureOp::SelectArg2:
        if (dst != a2) for (int i = 0; i < n; ++i) dst[i] = a2[i];
        return;
    case TextureOp::Modulate:
        for (int i = 0; i < n; ++i) dst[i] = a1[i] * a2[i];
        return;
    case TextureOp::Modulate2x:
        for (int i = 0; i < n; ++i) dst[i] = sat(a1[i] * a2[i] * 2.0f);
        return;
    case TextureOp::Modulate4x:
        for (int i = 0; i < n; ++i) dst[i] = sat(a1[i] * a2[i] * 4.0f);
        return;
    case TextureOp::Add:
        for (int i = 0; i < n; ++i) dst[i] = sat(a1[i] + a2[i]);
        return;
    case TextureOp::AddSigned:
        for (int i = 0; i < n; ++i) dst[i] = sat(a1[i] + a2[i] - 0.5f);
        return;
    case TextureOp::Subtract:
        for (int i = 0; i < n; ++i) dst[i] = sat(a1[i] - a2[i]);
        return;
    }
}

}  // namespace

void prepareStages(const PipelineState& state, StageCascade& out) {
    out.count = 0;
    const uint32_t f = state.textureFactor;
    out.tfactor[0] = float((f >> 16) & 0xFF) / 255.0f;
    out.tfactor[1] = float((f >> 8) & 0xFF) / 255.0f;
    out.tfactor[2] = float(f & 0xFF) / 255.0f;
    out.tfactor[3] = float(f >> 24) / 255.0f;
    for (int i = 0; i < kMaxTextureStages; ++i) {
        const TextureStage& st = state.stages[i];
        if (st.colorOp == TextureOp::Disable) break;
        StageSetup& s = out.stages[out.count++];
        s.stage = st;
        s.textured = st.texture != nullptr && st.texture->levelCount > 0 && st.texture->levels[0].data != nullptr &&
                     st.texture->levels[0].width > 0 && st.texture->levels[0].height > 0;
        const bool colorReads = (opUsesArg1(st.colorOp) && reads(st.colorArg1, ArgSource::Texture)) ||
                                (opUsesArg2(st.colorOp) && reads(st.colorArg2, ArgSource::Texture));
        const bool alphaReads = (opUsesArg1(st.alphaOp) && reads(st.alphaArg1, ArgSource::Texture)) ||
                                (opUsesArg2(st.alphaOp) && reads(st.alphaArg2, ArgSource::Texture));
        s.usesTexture = s.textured && (colorReads || alphaReads);
        if (s.textured) prepareSampler(*st.texture, st.sampler, s.sampler);
    }
    // Stage 0 that selects the diffuse colour (or modulates it by an absent texture) changes nothing.
    out.passthrough = false;
    if (out.count == 1) {
        const StageSetup& s = out.stages[0];
        const auto plain = [](const TextureArg& a, ArgSource src) {
            return a.source == src && !a.complement && !a.alphaReplicate;
        };
        const auto isDiffuse = [&](TextureOp op, const TextureArg& a1, const TextureArg& a2, bool alpha) {
            // Without a texture, a texture argument reads white colour and the current alpha.
            const auto passes = [&](const TextureArg& a) {
                return plain(a, ArgSource::Diffuse) || plain(a, ArgSource::Current) ||
                       (!s.textured && plain(a, ArgSource::Texture));
            };
            if (op == TextureOp::SelectArg1) return passes(a1);
            if (op == TextureOp::SelectArg2) return passes(a2);
            if (op == TextureOp::Modulate && !s.textured && !alpha) {
                return (plain(a1, ArgSource::Texture) && (plain(a2, ArgSource::Diffuse) || plain(a2, ArgSource::Current))) ||
                       (plain(a2, ArgSource::Texture) && (plain(a1, ArgSource::Diffuse) || plain(a1, ArgSource::Current)));
            }
            return alpha && op == TextureOp::Disable;
        };
        out.passthrough = isDiffuse(s.stage.colorOp, s.stage.colorArg1, s.stage.colorArg2, false) &&
                          isDiffuse(s.stage.alphaOp, s.stage.alphaArg1, s.stage.alphaArg2, true);
    }
    if (out.count == 0) out.passthrough = true;
}

void combineStage(const StageCascade& cascade, int index, int n, const SpanColor& diffuse, const SpanColor& texel,
                  const SpanColor& current, SpanColor& out) {
    const StageSetup& s = cascade.stages[index];
    const TextureStage& st = s.stage;
    alignas(32) float s1[kSpanLength], s2[kSpanLength];
    alignas(32) float result[3][kSpanLength];
    // Colour first into a temporary: the alpha operation must still see the previous alpha and
    // the colour arguments the previous colour.
    float* channels[3] = {out.r, out.g, out.b};
    for (int c = 0; c < 3; ++c) {
        const float* a1 = resolve(st.colorArg1, c, n, diffuse, texel, current, cascade.tfactor, s.textured, s1);
        const float* a2 = resolve(st.colorArg2, c, n, diffuse, texel, current, cascade.tfactor, s.textured, s2);
        apply(st.colorOp, n, a1, a2, result[c]);
    }
    if (st.alphaOp != TextureOp::Disable) {
        const float* a1 = resolve(st.alphaArg1, 3, n, diffuse, texel, current, cascade.tfactor, s.textured, s1);
        const float* a2 = resolve(st.alphaArg2, 3, n, diffuse, texel, current, cascade.tfactor, s.textured, s2);
        alignas(32) float alpha[kSpanLength];
        apply(st.alphaOp, n, a1, a2, alpha);
        for (int i = 0; i < n; ++i) out.a[i] = alpha[i];
    } else if (&out != &current) {
        for (int i = 0; i < n; ++i) out.a[i] = current.a[i];
    }
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < n; ++i) channels[c][i] = result[c][i];
}

}  // namespace platform::d3d9::raster
