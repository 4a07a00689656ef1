#include "platform/d3d9/caps.h"

#include "platform/d3d9/controls.h"
#include "platform/d3d9/formats.h"
#include "platform/d3d9/raster/pipeline_state.h"

namespace platform::d3d9 {

static_assert(kMaxStreams == static_cast<UINT>(raster::kMaxStreams));
static_assert(kMaxClipPlanes == static_cast<UINT>(raster::kMaxClipPlanes));
static_assert(kMaxActiveLights == static_cast<UINT>(raster::kMaxLights));

D3DCAPS9 softwareDeviceCaps(bool hardwareTransformAndLighting) {
    D3DCAPS9 c{};
    c.DeviceType = D3DDEVTYPE_HAL;
    c.AdapterOrdinal = 0;
    c.Caps2 = D3DCAPS2_DYNAMICTEXTURES;
    c.Caps3 = D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                D3DDEVCAPS_DRAWPRIMITIVES2EX;
    if (hardwareTransformAndLighting) {
        c.DevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    }
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_MIPMAPLODBIAS;
    const DWORD allComparisons = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL | D3DPCMPCAPS_LESSEQUAL |
                                 D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL | D3DPCMPCAPS_GREATEREQUAL |
                                 D3DPCMPCAPS_ALWAYS;
    c.ZCmpCaps = allComparisons;
    c.AlphaCmpCaps = allComparisons;
    const DWORD blends = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
                         D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
                         D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR |
                         D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA;
    c.SrcBlendCaps = blends;
    c.DestBlendCaps = blends;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_ALPHA |
                    D3DPTEXTURECAPS_NONPOW2CONDITIONAL | D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                           D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
    c.MaxTextureWidth = kMaxTextureSize;
    c.MaxTextureHeight = kMaxTextureSize;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = kMaxTextureSize;
    c.MaxAnisotropy = 1;
    c.MaxVertexW = 1.0e10f;
    c.GuardBandLeft = -8192.0f;
    c.GuardBandTop = -8192.0f;
    c.GuardBandRight = 8192.0f;
    c.GuardBandBottom = 8192.0f;
    c.FVFCaps = static_cast<DWORD>(raster::kMaxTexCoords) | D3DFVFCAPS_DONOTSTRIPELEMENTS;
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 | D3DTEXOPCAPS_MODULATE |
                      D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_ADDSIGNED |
                      D3DTEXOPCAPS_SUBTRACT;
    c.MaxTextureBlendStages = static_cast<DWORD>(raster::kMaxTextureStages);
    c.MaxSimultaneousTextures = static_cast<DWORD>(raster::kMaxTextureStages);
    c.VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS;
    c.MaxActiveLights = kMaxActiveLights;
    c.MaxUserClipPlanes = kMaxClipPlanes;
    c.MaxPointSize = 1.0f;
    c.MaxPrimitiveCount = kMaxPrimitiveCount;
    c.MaxVertexIndex = kMaxVertexIndex;
    c.MaxStreams = kMaxStreams;
    c.MaxStreamStride = kMaxStreamStride;
    c.VertexShaderVersion = D3DVS_VERSION(0, 0);
    c.PixelShaderVersion = D3DPS_VERSION(0, 0);
    c.DevCaps2 = D3DDEVCAPS2_STREAMOFFSET;
    c.NumberOfAdaptersInGroup = 1;
    c.DeclTypes = D3DDTCAPS_UBYTE4 | D3DDTCAPS_UBYTE4N | D3DDTCAPS_SHORT2N | D3DDTCAPS_SHORT4N;
    c.NumSimultaneousRTs = 1;
    c.StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT;
    return c;
}

namespace {

constexpr DWORD kQueryUsages = D3DUSAGE_QUERY_LEGACYBUMPMAP | D3DUSAGE_QUERY_SRGBREAD | D3DUSAGE_QUERY_FILTER |
                               D3DUSAGE_QUERY_SRGBWRITE | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING |
                               D3DUSAGE_QUERY_VERTEXTEXTURE | D3DUSAGE_QUERY_WRAPANDMIP;
constexpr DWORD kResourceUsages = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY |
                                  D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS |
                                  D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES | D3DUSAGE_DYNAMIC | D3DUSAGE_AUTOGENMIPMAP |
                                  D3DUSAGE_DMAP;

// The questions a sampled format answers yes to: filtering and wrap-with-mip are done for every
// sampled format; sRGB, vertex texturing, displacement maps and legacy bump mapping are not done.
bool answersTextureQueries(DWORD usage) {
    const DWORD unsupported = D3DUSAGE_QUERY_LEGACYBUMPMAP | D3DUSAGE_QUERY_SRGBREAD | D3DUSAGE_QUERY_SRGBWRITE |
                              D3DUSAGE_QUERY_VERTEXTEXTURE | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_DMAP;
    return (usage & unsupported) == 0;
}

HRESULT checkImageFormat(DWORD usage, D3DFORMAT format) {
    if ((usage & D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING) != 0 && renderTargetBlendingUnavailable()) {
        return D3DERR_NOTAVAILABLE;
    }
    if ((usage & D3DUSAGE_DEPTHSTENCIL) != 0) {
        const bool ok = isDepthFormat(format) && (usage & ~D3DUSAGE_DEPTHSTENCIL) == 0;
        return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if ((usage & D3DUSAGE_RENDERTARGET) != 0) {
        // Blending after the pixel stage is done on every render target format.
        const DWORD allowed = D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_QUERY_FILTER |
                              D3DUSAGE_QUERY_WRAPANDMIP | D3DUSAGE_AUTOGENMIPMAP;
        const bool ok = isRenderTargetFormat(format) && (usage & ~allowed) == 0;
        return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if ((usage & D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING) != 0) {
        return isRenderTargetFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (!isTextureFormat(format) || !answersTextureQueries(usage)) {
        return D3DERR_NOTAVAILABLE;
    }
    // Mip levels are not generated by the device; the caller fills them.
    return (usage & D3DUSAGE_AUTOGENMIPMAP) != 0 ? D3DOK_NOAUTOGEN : D3D_OK;
}

}  // namespace

HRESULT checkDeviceFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE resourceType, D3DFORMAT format) {
    if ((usage & ~(kQueryUsages | kResourceUsages)) != 0) {
        return D3DERR_INVALIDCALL;
    }
    if (!isDisplayFormat(adapterFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    switch (resourceType) {
        case D3DRTYPE_SURFACE:
        case D3DRTYPE_TEXTURE:
            return checkImageFormat(usage, format);
        case D3DRTYPE_VERTEXBUFFER:
            return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_INDEXBUFFER:
            return (format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32) ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_VOLUME:
        case D3DRTYPE_VOLUMETEXTURE:
        case D3DRTYPE_CUBETEXTURE:
            return D3DERR_NOTAVAILABLE;
        default:
            return D3DERR_INVALIDCALL;
    }
}

}  // namespace platform::d3d9
