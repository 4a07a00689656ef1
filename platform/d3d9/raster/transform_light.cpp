#include "platform/d3d9/raster/transform_light.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d9/raster/vertex_fetch.h"
#include "platform/d3d9/raster/vertex_kernel.h"

namespace platform::d3d9::raster {
namespace {

void multiply(const float a[4][4], const float b[4][4], float out[4][4]) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
        }
    }
}

// Inverse transpose of the upper 3 x 3, so that normals stay perpendicular to surfaces under
// non-uniform scaling. A singular matrix keeps its own upper 3 x 3 (the normals then collapse the
// same way the geometry does).
void normalMatrixOf(const float m[4][4], float out[3][3]) {
    const float c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const float c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const float c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const float det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    if (det == 0.0f || !std::isfinite(det)) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) out[i][j] = m[i][j];
        return;
    }
    const float inv = 1.0f / det;
    // The cofactor matrix divided by the determinant is the inverse transpose.
    out[0][0] = c00 * inv;
    out[0][1] = c01 * inv;
    out[0][2] = c02 * inv;
    out[1][0] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * inv;
    out[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * inv;
    out[1][2] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * inv;
    out[2][0] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * inv;
    out[2][1] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * inv;
    out[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * inv;
}

void normalize3(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0.0f) {
        const float inv = 1.0f / len;
        v[0] *= inv;
        v[1] *= inv;
        v[2] *= inv;
    }
}

// Written so that a NaN (from a degenerate matrix or bad vertex data) becomes 0, never escapes.
float clamp01(float v) {
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

Color4 pickSource(MaterialSource source, bool colorVertex, const Color4& material, bool hasColor1,
                  const float color1[4], bool hasColor2, const float color2[4]) {
    if (colorVertex) {
        if (source == MaterialSource::Color1 && hasColor1) return {color1[0], color1[1], color1[2], color1[3]};
        if (source == MaterialSource::Color2 && hasColor2) return {color2[0], color2[1], color2[2], color2[3]};
    }
    return material;
}

}  // namespace

void prepareVertexStage(const PipelineState& state, VertexStage& stage) {
    stage.state = &state;
    multiply(state.world.m, state.view.m, stage.worldView);
    multiply(stage.worldView, state.projection.m, stage.worldViewProj);
    normalMatrixOf(stage.worldView, stage.normalMatrix);

    stage.ambientSum = state.ambient;
    stage.lightCount = 0;
    const float(*v)[4] = state.view.m;
    for (const Light& l : state.lights) {
        if (!l.enabled) continue;
        VertexStage::ViewLight& out = stage.lights[stage.lightCount++];
        out.type = l.type;
        out.diffuse = l.diffuse;
        out.ambient = l.ambient;
        for (int j = 0; j < 3; ++j) {
            out.pos[j] = l.position.x * v[0][j] + l.position.y * v[1][j] + l.position.z * v[2][j] + v[3][j];
            out.dir[j] = l.direction.x * v[0][j] + l.direction.y * v[1][j] + l.direction.z * v[2][j];
        }
        normalize3(out.dir);
        for (int j = 0; j < 3; ++j) out.toLight[j] = -out.dir[j];
        out.range = l.range;
        out.falloff = l.falloff;
        out.att0 = l.attenuation0;
        out.att1 = l.attenuation1;
        out.att2 = l.attenuation2;
        out.cosHalfTheta = std::cos(l.theta * 0.5f);
        out.cosHalfPhi = std::cos(l.phi * 0.5f);
        if (l.type == LightType::Directional) {
            stage.ambientSum.r += l.ambient.r;
            stage.ambientSum.g += l.ambient.g;
            stage.ambientSum.b += l.ambient.b;
        }
    }
    stage.clipPlaneCount = 0;
    for (int i = 0; i < kMaxClipPlanes; ++i) {
        if (state.clipPlaneEnable & (1u << i)) {
            for (int j = 0; j < 4; ++j) stage.clipPlanes[stage.clipPlaneCount][j] = state.clipPlanes[i][j];
            ++stage.clipPlaneCount;
        }
    }
}

void processVertex(const VertexStage& stage, const DrawCall& call, int64_t index, ClipVertex& out) {
    const PipelineState& s = *stage.state;
    const VertexLayout& layout = s.layout;

    float p[4];
    fetchElement(layout.position, call, index, p);
    if (!layout.pretransformed) p[3] = 1.0f;

    float color1[4] = {1, 1, 1, 1}, color2[4] = {0, 0, 0, 0};
    if (layout.diffuse.present) fetchElement(layout.diffuse, call, index, color1);
    if (layout.specular.present) fetchElement(layout.specular, call, index, color2);

    for (int k = 0; k < kMaxTexCoords; ++k) {
        float t[4] = {0, 0, 0, 1};
        if (layout.texCoord[k].present) fetchElement(layout.texCoord[k], call, index, t);
        out.varyings[4 + 2 * k] = t[0];
        out.varyings[4 + 2 * k + 1] = t[1];
    }

    if (layout.pretransformed) {
        for (int j = 0; j < 4; ++j) out.pos[j] = p[j];
        for (int i = 0; i < stage.clipPlaneCount; ++i) out.clipDist[i] = 1.0f;
        for (int j = 0; j < 4; ++j) out.varyings[j] = clamp01(color1[j]);
        return;
    }

    const float(*m)[4] = stage.worldViewProj;
    for (int j = 0; j < 4; ++j) out.pos[j] = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];

    if (stage.clipPlaneCount > 0) {
        const float(*w)[4] = s.world.m;
        float wp[4];
        for (int j = 0; j < 4; ++j) wp[j] = p[0] * w[0][j] + p[1] * w[1][j] + p[2] * w[2][j] + w[3][j];
        for (int i = 0; i < stage.clipPlaneCount; ++i) {
            const float* c = stage.clipPlanes[i];
            out.clipDist[i] = c[0] * wp[0] + c[1] * wp[1] + c[2] * wp[2] + c[3] * wp[3];
        }
    }

    if (!s.lighting) {
        for (int j = 0; j < 4; ++j) out.varyings[j] = clamp01(color1[j]);
        return;
    }

    const bool hasC1 = layout.diffuse.present, hasC2 = layout.specular.present;
    const Color4 md = pickSource(s.diffuseSource, s.colorVertex, s.material.diffuse, hasC1, color1, hasC2, color2);
    const Color4 ma = pickSource(s.ambientSource, s.colorVertex, s.material.ambient, hasC1, color1, hasC2, color2);
    const Color4 me = pickSource(s.emissiveSource, s.colorVertex, s.material.emissive, hasC1, color1, hasC2, color2);

    float n[3] = {0, 0, 0};
    if (layout.normal.present) {
        float raw[4];
        fetchElement(layout.normal, call, index, raw);
        const float(*nm)[3] = stage.normalMatrix;
        for (int j = 0; j < 3; ++j) n[j] = raw[0] * nm[0][j] + raw[1] * nm[1][j] + raw[2] * nm[2][j];
        if (s.normalizeNormals) normalize3(n);
    }

    Color4 amb = stage.ambientSum;
    float dr = 0.0f, dg = 0.0f, db = 0.0f;
    float vp[3] = {0, 0, 0};
    bool haveViewPos = false;
    for (int i = 0; i < stage.lightCount; ++i) {
        const VertexStage::ViewLight& l = stage.lights[i];
        float toLight[3];
        float scale = 1.0f;
        if (l.type == LightType::Directional) {
            toLight[0] = l.toLight[0];
            toLight[1] = l.toLight[1];
            toLight[2] = l.toLight[2];
        } else {
            if (!haveViewPos) {
                const float(*wv)[4] = stage.worldView;
                for (int j = 0; j < 3; ++j) vp[j] = p[0] * wv[0][j] + p[1] * wv[1][j] + p[2] * wv[2][j] + wv[3][j];
                haveViewPos = true;
            }
            for (int j = 0; j < 3; ++j) toLight[j] = l.pos[j] - vp[j];
            const float dist = std::sqrt(toLight[0] * toLight[0] + toLight[1] * toLight[1] + toLight[2] * toLight[2]);
            if (dist > l.range) continue;
            normalize3(toLight);
            const float den = l.att0 + l.att1 * dist + l.att2 * dist * dist;
            scale = den > 0.0f ? 1.0f / den : 1.0f;
            if (l.type == LightType::Spot) {
                const float rho = -(toLight[0] * l.dir[0] + toLight[1] * l.dir[1] + toLight[2] * l.dir[2]);
                if (rho <= l.cosHalfPhi) {
                    scale = 0.0f;
                } else if (rho <= l.cosHalfTheta) {
                    const float t = (rho - l.cosHalfPhi) / (l.cosHalfTheta - l.cosHalfPhi);
                    scale *= l.falloff == 1.0f ? t : std::pow(t, l.falloff);
                }
            }
            amb.r += l.ambient.r * scale;
            amb.g += l.ambient.g * scale;
            amb.b += l.ambient.b * scale;
        }
        const float ndotl = n[0] * toLight[0] + n[1] * toLight[1] + n[2] * toLight[2];
        if (ndotl <= 0.0f) continue;
        const float k = ndotl * scale;
        dr += l.diffuse.r * k;
        dg += l.diffuse.g * k;
        db += l.diffuse.b * k;
    }

    out.varyings[0] = clamp01(me.r + ma.r * amb.r + md.r * dr);
    out.varyings[1] = clamp01(me.g + ma.g * amb.g + md.g * dg);
    out.varyings[2] = clamp01(me.b + ma.b * amb.b + md.b * db);
    out.varyings[3] = clamp01(md.a);
}

bool prepareVertexBlocks(const PipelineState& state, const VertexStage& stage, const DrawCall& call, int varyingCount,
                         VertexBlockSetup& out) {
    const VertexLayout& layout = state.layout;
    if (layout.pretransformed || layout.specular.present) return false;
    const auto place = [&](const VertexElement& e, ElementType type, VertexBlockSetup::Element& where) {
        if (e.type != type || e.stream >= kMaxStreams) return false;
        const VertexStream& st = call.streams[e.stream];
        // Lane offsets are formed in 32 bits: eight strides must fit.
        if (st.data == nullptr || st.stride >= (1u << 24)) return false;
        where.data = st.data + e.offset;
        where.stride = st.stride;
        return true;
    };
    if (!layout.position.present || !place(layout.position, ElementType::Float3, out.position)) return false;
    out.hasNormal = layout.normal.present;
    if (out.hasNormal && !place(layout.normal, ElementType::Float3, out.normal)) return false;
    out.hasDiffuse = layout.diffuse.present;
    if (out.hasDiffuse && !place(layout.diffuse, ElementType::D3DColor, out.diffuse)) return false;
    for (int k = 0; k < kMaxTexCoords; ++k) {
        out.hasTexCoord[k] = layout.texCoord[k].present;
        if (out.hasTexCoord[k] && !place(layout.texCoord[k], ElementType::Float2, out.texCoord[k])) return false;
    }
    out.lighting = state.lighting;
    if (state.lighting) {
        if (state.normalizeNormals) return false;
        for (int i = 0; i < stage.lightCount; ++i) {
            if (stage.lights[i].type != LightType::Directional) return false;
        }
        // pickSource() with no second colour in the layout.
        const auto fromVertex = [&](MaterialSource source) {
            return state.colorVertex && source == MaterialSource::Color1 && out.hasDiffuse;
        };
        out.diffuseFromVertex = fromVertex(state.diffuseSource);
        out.ambientFromVertex = fromVertex(state.ambientSource);
        out.emissiveFromVertex = fromVertex(state.emissiveSource);
        out.materialDiffuse = state.material.diffuse;
        out.materialAmbient = state.material.ambient;
        out.materialEmissive = state.material.emissive;
    }
    out.stage = &stage;
    out.world = state.world.m;
    out.clipping = state.clipping;
    out.viewport = state.viewport;
    out.varyingCount = varyingCount;
    return true;
}

}  // namespace platform::d3d9::raster
