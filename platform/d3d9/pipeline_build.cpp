#include "platform/d3d9/pipeline_build.h"

#include <algorithm>
#include <bit>
#include <optional>

#include "platform/d3d9/device.h"
#include "platform/d3d9/vertex_layout.h"

namespace platform::d3d9 {
namespace {

using raster::AddressMode;
using raster::ArgSource;
using raster::BlendFactor;
using raster::BlendOp;
using raster::Color4;
using raster::CompareFunc;
using raster::CullMode;
using raster::Filter;
using raster::Light;
using raster::LightType;
using raster::Mat4;
using raster::Material;
using raster::MaterialSource;
using raster::PipelineState;
using raster::SamplerState;
using raster::ShadeMode;
using raster::TextureArg;
using raster::TextureOp;
using raster::TextureStage;
using raster::Vec3;
using raster::Viewport;

Mat4 toMat4(const D3DMATRIX& m) {
    Mat4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = m.m[i][j];
        }
    }
    return r;
}

Color4 toColor(const D3DCOLORVALUE& c) { return Color4{c.r, c.g, c.b, c.a}; }
Vec3 toVec3(const D3DVECTOR& v) { return Vec3{v.x, v.y, v.z}; }

CompareFunc toCompare(DWORD v) { return static_cast<CompareFunc>(std::clamp<DWORD>(v, 1, 8) - 1); }

BlendFactor toBlend(DWORD v) {
    // Blend factors past SRCALPHASAT are not in the rasteriser; the device does not report them.
    return v >= D3DBLEND_ZERO && v <= D3DBLEND_SRCALPHASAT ? static_cast<BlendFactor>(v - 1) : BlendFactor::One;
}

MaterialSource toSource(DWORD v) {
    switch (v) {
        case D3DMCS_COLOR1:
            return MaterialSource::Color1;
        case D3DMCS_COLOR2:
            return MaterialSource::Color2;
        default:
            return MaterialSource::Material;
    }
}

std::optional<TextureOp> toOp(DWORD v) {
    switch (v) {
        case D3DTOP_DISABLE:
            return TextureOp::Disable;
        case D3DTOP_SELECTARG1:
            return TextureOp::SelectArg1;
        case D3DTOP_SELECTARG2:
            return TextureOp::SelectArg2;
        case D3DTOP_MODULATE:
            return TextureOp::Modulate;
        case D3DTOP_MODULATE2X:
            return TextureOp::Modulate2x;
        case D3DTOP_MODULATE4X:
            return TextureOp::Modulate4x;
        case D3DTOP_ADD:
            return TextureOp::Add;
        case D3DTOP_ADDSIGNED:
            return TextureOp::AddSigned;
        case D3DTOP_SUBTRACT:
            return TextureOp::Subtract;
        default:
            return std::nullopt;
    }
}

std::optional<TextureArg> toArg(DWORD v) {
    TextureArg a;
    switch (v & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            a.source = ArgSource::Diffuse;
            break;
        case D3DTA_CURRENT:
            a.source = ArgSource::Current;
            break;
        case D3DTA_TEXTURE:
            a.source = ArgSource::Texture;
            break;
        case D3DTA_TFACTOR:
            a.source = ArgSource::TFactor;
            break;
        default:
            return std::nullopt;
    }
    a.complement = (v & D3DTA_COMPLEMENT) != 0;
    a.alphaReplicate = (v & D3DTA_ALPHAREPLICATE) != 0;
    return a;
}

AddressMode toAddress(DWORD v) {
    switch (v) {
        case D3DTADDRESS_MIRROR:
        case D3DTADDRESS_MIRRORONCE:
            return AddressMode::Mirror;
        case D3DTADDRESS_CLAMP:
            return AddressMode::Clamp;
        case D3DTADDRESS_BORDER:
            return AddressMode::Border;
        default:
            return AddressMode::Wrap;
    }
}

Filter toFilter(DWORD v, bool mip) {
    if (v == D3DTEXF_NONE) {
        return mip ? Filter::None : Filter::Point;
    }
    return v == D3DTEXF_POINT ? Filter::Point : Filter::Linear;
}

SamplerState toSampler(const std::array<DWORD, states::kSamplerStateSlots>& s) {
    SamplerState r;
    r.addressU = toAddress(s[D3DSAMP_ADDRESSU]);
    r.addressV = toAddress(s[D3DSAMP_ADDRESSV]);
    r.borderColor = s[D3DSAMP_BORDERCOLOR];
    r.magFilter = toFilter(s[D3DSAMP_MAGFILTER], false);
    r.minFilter = toFilter(s[D3DSAMP_MINFILTER], false);
    r.mipFilter = toFilter(s[D3DSAMP_MIPFILTER], true);
    r.mipLodBias = std::bit_cast<float>(s[D3DSAMP_MIPMAPLODBIAS]);
    r.maxMipLevel = s[D3DSAMP_MAXMIPLEVEL];
    return r;
}

// A stage whose operation or arguments the rasteriser lacks ends the cascade there.
TextureStage toStage(StateSet& state, size_t i) {
    const auto& st = state.stages[i];
    TextureStage r;
    const auto colorOp = toOp(st[D3DTSS_COLOROP]);
    const auto alphaOp = toOp(st[D3DTSS_ALPHAOP]);
    const auto c1 = toArg(st[D3DTSS_COLORARG1]), c2 = toArg(st[D3DTSS_COLORARG2]);
    const auto a1 = toArg(st[D3DTSS_ALPHAARG1]), a2 = toArg(st[D3DTSS_ALPHAARG2]);
    if (!colorOp || !alphaOp || !c1 || !c2 || !a1 || !a2) {
        r.colorOp = TextureOp::Disable;
        r.alphaOp = TextureOp::Disable;
        return r;
    }
    r.colorOp = *colorOp;
    r.colorArg1 = *c1;
    r.colorArg2 = *c2;
    r.alphaOp = *alphaOp;
    r.alphaArg1 = *a1;
    r.alphaArg2 = *a2;
    const DWORD index = st[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    r.texCoordIndex = index < static_cast<DWORD>(raster::kMaxTexCoords) ? index : 0;
    Texture* texture = state.textures[i].get();
    r.texture = nullptr;
    if (texture != nullptr && texture->view().levelCount > 0) {
        r.texture = &texture->view();
    }
    r.sampler = toSampler(state.samplers[i]);
    return r;
}

void buildLighting(const StateSet& s, PipelineState& out) {
    const D3DMATERIAL9& m = s.material;
    out.material = Material{toColor(m.Diffuse), toColor(m.Ambient), toColor(m.Specular), toColor(m.Emissive), m.Power};
    int n = 0;
    for (const auto& [index, slot] : s.lights) {
        if (!slot.enabled || n == raster::kMaxLights) {
            continue;
        }
        const D3DLIGHT9& l = slot.light;
        Light& r = out.lights[n++];
        r.enabled = true;
        r.type = l.Type == D3DLIGHT_POINT  ? LightType::Point
                 : l.Type == D3DLIGHT_SPOT ? LightType::Spot
                                           : LightType::Directional;
        r.diffuse = toColor(l.Diffuse);
        r.ambient = toColor(l.Ambient);
        r.position = toVec3(l.Position);
        r.direction = toVec3(l.Direction);
        r.range = l.Range;
        r.falloff = l.Falloff;
        r.attenuation0 = l.Attenuation0;
        r.attenuation1 = l.Attenuation1;
        r.attenuation2 = l.Attenuation2;
        r.theta = l.Theta;
        r.phi = l.Phi;
    }
    for (; n < raster::kMaxLights; ++n) {
        out.lights[n] = Light{};
    }
}

void buildRenderStates(const StateSet& s, PipelineState& out) {
    const auto& rs = s.renderStates;
    out.lighting = rs[D3DRS_LIGHTING] != FALSE;
    out.ambient = toColor4(rs[D3DRS_AMBIENT]);
    out.colorVertex = rs[D3DRS_COLORVERTEX] != FALSE;
    out.diffuseSource = toSource(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
    out.ambientSource = toSource(rs[D3DRS_AMBIENTMATERIALSOURCE]);
    out.emissiveSource = toSource(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
    out.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    out.clipping = rs[D3DRS_CLIPPING] != FALSE;
    out.clipPlaneEnable = rs[D3DRS_CLIPPLANEENABLE] & ((1u << kMaxClipPlanes) - 1);
    out.cullMode = rs[D3DRS_CULLMODE] == D3DCULL_NONE ? CullMode::None
                   : rs[D3DRS_CULLMODE] == D3DCULL_CW ? CullMode::CW
                                                      : CullMode::CCW;
    out.shadeMode = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? ShadeMode::Flat : ShadeMode::Gouraud;
    out.lastPixel = rs[D3DRS_LASTPIXEL] != FALSE;
    out.textureFactor = rs[D3DRS_TEXTUREFACTOR];
    out.alphaTestEnable = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    out.alphaFunc = toCompare(rs[D3DRS_ALPHAFUNC]);
    out.alphaRef = static_cast<uint8_t>(rs[D3DRS_ALPHAREF] & 0xFF);
    out.alphaBlendEnable = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    const DWORD src = rs[D3DRS_SRCBLEND];
    if (src == D3DBLEND_BOTHSRCALPHA || src == D3DBLEND_BOTHINVSRCALPHA) {
        // One setting for both factors: the source's alpha and its complement.
        const bool inv = src == D3DBLEND_BOTHINVSRCALPHA;
        out.srcBlend = inv ? BlendFactor::InvSrcAlpha : BlendFactor::SrcAlpha;
        out.destBlend = inv ? BlendFactor::SrcAlpha : BlendFactor::InvSrcAlpha;
    } else {
        out.srcBlend = toBlend(src);
        out.destBlend = toBlend(rs[D3DRS_DESTBLEND]);
    }
    out.blendOp = static_cast<BlendOp>(std::clamp<DWORD>(rs[D3DRS_BLENDOP], 1, 5) - 1);
    out.colorWriteMask = static_cast<uint8_t>(rs[D3DRS_COLORWRITEENABLE] & raster::kWriteAll);
    out.zEnable = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    out.zWriteEnable = rs[D3DRS_ZWRITEENABLE] != FALSE;
    out.zFunc = toCompare(rs[D3DRS_ZFUNC]);
}

}  // namespace

raster::Color4 toColor4(D3DCOLOR c) {
    return Color4{static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                  static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 24) & 0xFF) / 255.0f};
}

void buildPipeline(StateSet& s, uint32_t dirty, raster::PipelineState& out) {
    if ((dirty & kDirtyTransforms) != 0) {
        out.world = toMat4(s.transforms[*transformSlot(D3DTS_WORLD)]);
        out.view = toMat4(s.transforms[*transformSlot(D3DTS_VIEW)]);
        out.projection = toMat4(s.transforms[*transformSlot(D3DTS_PROJECTION)]);
        for (size_t i = 0; i < kMaxClipPlanes; ++i) {
            std::copy(s.clipPlanes[i].begin(), s.clipPlanes[i].end(), out.clipPlanes[i]);
        }
    }
    if ((dirty & kDirtyViewport) != 0) {
        const D3DVIEWPORT9& v = s.viewport;
        out.viewport = Viewport{v.X, v.Y, v.Width, v.Height, v.MinZ, v.MaxZ};
    }
    if ((dirty & kDirtyInput) != 0) {
        out.layout = s.declaration ? s.declaration->layout() : layoutFromFvf(s.fvf);
    }
    if ((dirty & kDirtyLighting) != 0) {
        buildLighting(s, out);
    }
    if ((dirty & kDirtyRenderStates) != 0) {
        buildRenderStates(s, out);
    }
    if ((dirty & kDirtyStages) != 0) {
        for (size_t i = 0; i < static_cast<size_t>(raster::kMaxTextureStages); ++i) {
            out.stages[i] = toStage(s, i);
        }
    }
}

HRESULT validateStages(const StateSet& s) {
    for (size_t i = 0; i < kMaxTextureStages; ++i) {
        const auto& st = s.stages[i];
        if (st[D3DTSS_COLOROP] == D3DTOP_DISABLE) {
            break;
        }
        if (i >= static_cast<size_t>(raster::kMaxTextureStages)) {
            return D3DERR_TOOMANYOPERATIONS;
        }
        if (!toOp(st[D3DTSS_COLOROP])) {
            return D3DERR_UNSUPPORTEDCOLOROPERATION;
        }
        if (!toArg(st[D3DTSS_COLORARG1]) || !toArg(st[D3DTSS_COLORARG2])) {
            return D3DERR_UNSUPPORTEDCOLORARG;
        }
        if (!toOp(st[D3DTSS_ALPHAOP])) {
            return D3DERR_UNSUPPORTEDALPHAOPERATION;
        }
        if (!toArg(st[D3DTSS_ALPHAARG1]) || !toArg(st[D3DTSS_ALPHAARG2])) {
            return D3DERR_UNSUPPORTEDALPHAARG;
        }
    }
    return D3D_OK;
}

}  // namespace platform::d3d9
