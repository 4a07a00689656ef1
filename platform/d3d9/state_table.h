// Every device state, listed once: (state, default, accepted values, state-block group).
//
// The tables drive the defaults of a new device, the validation of SetRenderState,
// SetSamplerState and SetTextureStageState, which states a state block of each kind captures, and
// the defaults test. Defaults are the Direct3D 9 ones. The accepted values are the values each
// state is defined for; a value outside them is refused and changes nothing. Two defaults depend
// on the device: D3DRS_ZENABLE is D3DZB_TRUE only when the device was created with an automatic
// depth buffer, and D3DTSS_TEXCOORDINDEX of stage n is n (kStageIndex below).
//
// Groups say which state-block kind captures a state: P pixel, V vertex, B both (and every state
// is in D3DSBT_ALL).
#pragma once

#include <bit>

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9::states {

using Accept = bool (*)(DWORD value);

constexpr bool anyValue(DWORD) { return true; }
constexpr bool boolean(DWORD) { return true; }  // any non-zero value is TRUE
template <DWORD Lo, DWORD Hi>
constexpr bool inRange(DWORD v) {
    return v >= Lo && v <= Hi;
}
template <DWORD Mask>
constexpr bool bitsOf(DWORD v) {
    return (v & ~Mask) == 0;
}
constexpr bool floatBits(DWORD) { return true; }
constexpr bool vertexBlend(DWORD v) { return v <= 3 || v == D3DVBF_TWEENING || v == D3DVBF_0WEIGHTS; }
constexpr bool degree(DWORD v) { return v == 1 || v == 2 || v == 3 || v == 5; }
constexpr bool filter(DWORD v) { return v <= 3 || v == 6 || v == 7; }
constexpr bool stageArg(DWORD v) { return (v & D3DTA_SELECTMASK) <= D3DTA_CONSTANT && (v & ~0x3Fu) == 0; }
constexpr bool resultArg(DWORD v) { return v == D3DTA_CURRENT || v == D3DTA_TEMP; }
constexpr bool texCoordIndex(DWORD v) { return (v & 0xFFFF) < D3DDP_MAXTEXCOORD && (v >> 16) <= 4; }
constexpr bool transformFlags(DWORD v) { return (v & ~D3DTTFF_PROJECTED) <= 4; }

constexpr DWORD F(float f) { return std::bit_cast<DWORD>(f); }

enum Group : unsigned { P = 1, V = 2, B = 3 };

inline constexpr DWORD kStageIndex = 0xFFFFFFFFu;  // default of D3DTSS_TEXCOORDINDEX: the stage number

// X(state, default, accept, group)
#define D3D9_RENDER_STATES(X)                                            \
    X(D3DRS_ZENABLE, D3DZB_TRUE, (inRange<0, 2>), P)                     \
    X(D3DRS_FILLMODE, D3DFILL_SOLID, (inRange<1, 3>), P)                 \
    X(D3DRS_SHADEMODE, D3DSHADE_GOURAUD, (inRange<1, 3>), B)             \
    X(D3DRS_ZWRITEENABLE, TRUE, boolean, P)                              \
    X(D3DRS_ALPHATESTENABLE, FALSE, boolean, P)                          \
    X(D3DRS_LASTPIXEL, TRUE, boolean, P)                                 \
    X(D3DRS_SRCBLEND, D3DBLEND_ONE, (inRange<1, 15>), P)                 \
    X(D3DRS_DESTBLEND, D3DBLEND_ZERO, (inRange<1, 15>), P)               \
    X(D3DRS_CULLMODE, D3DCULL_CCW, (inRange<1, 3>), V)                   \
    X(D3DRS_ZFUNC, D3DCMP_LESSEQUAL, (inRange<1, 8>), P)                 \
    X(D3DRS_ALPHAREF, 0, (inRange<0, 255>), P)                           \
    X(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, (inRange<1, 8>), P)                \
    X(D3DRS_DITHERENABLE, FALSE, boolean, P)                             \
    X(D3DRS_ALPHABLENDENABLE, FALSE, boolean, P)                         \
    X(D3DRS_FOGENABLE, FALSE, boolean, B)                                \
    X(D3DRS_SPECULARENABLE, FALSE, boolean, B)                           \
    X(D3DRS_FOGCOLOR, 0, anyValue, B)                                    \
    X(D3DRS_FOGTABLEMODE, D3DFOG_NONE, (inRange<0, 3>), B)               \
    X(D3DRS_FOGSTART, F(0.0f), floatBits, B)                             \
    X(D3DRS_FOGEND, F(1.0f), floatBits, B)                               \
    X(D3DRS_FOGDENSITY, F(1.0f), floatBits, B)                           \
    X(D3DRS_RANGEFOGENABLE, FALSE, boolean, V)                           \
    X(D3DRS_STENCILENABLE, FALSE, boolean, P)                            \
    X(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP, (inRange<1, 8>), P)          \
    X(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP, (inRange<1, 8>), P)         \
    X(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP, (inRange<1, 8>), P)          \
    X(D3DRS_STENCILFUNC, D3DCMP_ALWAYS, (inRange<1, 8>), P)              \
    X(D3DRS_STENCILREF, 0, anyValue, P)                                  \
    X(D3DRS_STENCILMASK, 0xFFFFFFFF, anyValue, P)                        \
    X(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF, anyValue, P)                   \
    X(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, anyValue, P)                      \
    X(D3DRS_WRAP0, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP1, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP2, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP3, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP4, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP5, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP6, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP7, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_CLIPPING, TRUE, boolean, V)                                  \
    X(D3DRS_LIGHTING, TRUE, boolean, V)                                  \
    X(D3DRS_AMBIENT, 0, anyValue, V)                                     \
    X(D3DRS_FOGVERTEXMODE, D3DFOG_NONE, (inRange<0, 3>), V)              \
    X(D3DRS_COLORVERTEX, TRUE, boolean, V)                               \
    X(D3DRS_LOCALVIEWER, TRUE, boolean, V)                               \
    X(D3DRS_NORMALIZENORMALS, FALSE, boolean, V)                         \
    X(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1, (inRange<0, 2>), V)    \
    X(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2, (inRange<0, 2>), V)   \
    X(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL, (inRange<0, 2>), V)  \
    X(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL, (inRange<0, 2>), V) \
    X(D3DRS_VERTEXBLEND, D3DVBF_DISABLE, vertexBlend, V)                 \
    X(D3DRS_CLIPPLANEENABLE, 0, bitsOf<0x3F>, V)                         \
    X(D3DRS_POINTSIZE, F(1.0f), floatBits, V)                            \
    X(D3DRS_POINTSIZE_MIN, F(1.0f), floatBits, V)                        \
    X(D3DRS_POINTSPRITEENABLE, FALSE, boolean, V)                        \
    X(D3DRS_POINTSCALEENABLE, FALSE, boolean, V)                         \
    X(D3DRS_POINTSCALE_A, F(1.0f), floatBits, V)                         \
    X(D3DRS_POINTSCALE_B, F(0.0f), floatBits, V)                         \
    X(D3DRS_POINTSCALE_C, F(0.0f), floatBits, V)                         \
    X(D3DRS_MULTISAMPLEANTIALIAS, TRUE, boolean, V)                      \
    X(D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF, anyValue, V)                    \
    X(D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE, (inRange<0, 1>), V)   \
    X(D3DRS_DEBUGMONITORTOKEN, 0, (inRange<0, 1>), V)                    \
    X(D3DRS_POINTSIZE_MAX, F(1.0f), floatBits, V)                        \
    X(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE, boolean, V)                 \
    X(D3DRS_COLORWRITEENABLE, 0xF, bitsOf<0xF>, P)                       \
    X(D3DRS_TWEENFACTOR, F(0.0f), floatBits, V)                          \
    X(D3DRS_BLENDOP, D3DBLENDOP_ADD, (inRange<1, 5>), P)                 \
    X(D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC, degree, V)                  \
    X(D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR, degree, V)                   \
    X(D3DRS_SCISSORTESTENABLE, FALSE, boolean, P)                        \
    X(D3DRS_SLOPESCALEDEPTHBIAS, F(0.0f), floatBits, P)                  \
    X(D3DRS_ANTIALIASEDLINEENABLE, FALSE, boolean, P)                    \
    X(D3DRS_MINTESSELLATIONLEVEL, F(1.0f), floatBits, V)                 \
    X(D3DRS_MAXTESSELLATIONLEVEL, F(1.0f), floatBits, V)                 \
    X(D3DRS_ADAPTIVETESS_X, F(0.0f), floatBits, V)                       \
    X(D3DRS_ADAPTIVETESS_Y, F(0.0f), floatBits, V)                       \
    X(D3DRS_ADAPTIVETESS_Z, F(1.0f), floatBits, V)                       \
    X(D3DRS_ADAPTIVETESS_W, F(0.0f), floatBits, V)                       \
    X(D3DRS_ENABLEADAPTIVETESSELLATION, FALSE, boolean, V)               \
    X(D3DRS_TWOSIDEDSTENCILMODE, FALSE, boolean, P)                      \
    X(D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP, (inRange<1, 8>), P)      \
    X(D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP, (inRange<1, 8>), P)     \
    X(D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP, (inRange<1, 8>), P)      \
    X(D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS, (inRange<1, 8>), P)          \
    X(D3DRS_COLORWRITEENABLE1, 0xF, bitsOf<0xF>, P)                      \
    X(D3DRS_COLORWRITEENABLE2, 0xF, bitsOf<0xF>, P)                      \
    X(D3DRS_COLORWRITEENABLE3, 0xF, bitsOf<0xF>, P)                      \
    X(D3DRS_BLENDFACTOR, 0xFFFFFFFF, anyValue, P)                        \
    X(D3DRS_SRGBWRITEENABLE, FALSE, boolean, P)                          \
    X(D3DRS_DEPTHBIAS, F(0.0f), floatBits, P)                            \
    X(D3DRS_WRAP8, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP9, 0, bitsOf<0xF>, P)                                    \
    X(D3DRS_WRAP10, 0, bitsOf<0xF>, P)                                   \
    X(D3DRS_WRAP11, 0, bitsOf<0xF>, P)                                   \
    X(D3DRS_WRAP12, 0, bitsOf<0xF>, P)                                   \
    X(D3DRS_WRAP13, 0, bitsOf<0xF>, P)                                   \
    X(D3DRS_WRAP14, 0, bitsOf<0xF>, P)                                   \
    X(D3DRS_WRAP15, 0, bitsOf<0xF>, P)                                   \
    X(D3DRS_SEPARATEALPHABLENDENABLE, FALSE, boolean, P)                 \
    X(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE, (inRange<1, 15>), P)            \
    X(D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO, (inRange<1, 15>), P)          \
    X(D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD, (inRange<1, 5>), P)

// X(state, default, accept, group); every sampler has the same defaults.
#define D3D9_SAMPLER_STATES(X)                                \
    X(D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP, (inRange<1, 5>), P) \
    X(D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP, (inRange<1, 5>), P) \
    X(D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP, (inRange<1, 5>), P) \
    X(D3DSAMP_BORDERCOLOR, 0, anyValue, P)                    \
    X(D3DSAMP_MAGFILTER, D3DTEXF_POINT, filter, P)            \
    X(D3DSAMP_MINFILTER, D3DTEXF_POINT, filter, P)            \
    X(D3DSAMP_MIPFILTER, D3DTEXF_NONE, filter, P)             \
    X(D3DSAMP_MIPMAPLODBIAS, F(0.0f), floatBits, P)           \
    X(D3DSAMP_MAXMIPLEVEL, 0, anyValue, P)                    \
    X(D3DSAMP_MAXANISOTROPY, 1, anyValue, P)                  \
    X(D3DSAMP_SRGBTEXTURE, 0, boolean, P)                     \
    X(D3DSAMP_ELEMENTINDEX, 0, anyValue, P)                   \
    X(D3DSAMP_DMAPOFFSET, 0, anyValue, V)

// X(state, default of stage 0, default of stages 1-7, accept, group)
#define D3D9_STAGE_STATES(X)                                                             \
    X(D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_DISABLE, (inRange<1, 26>), P)              \
    X(D3DTSS_COLORARG1, D3DTA_TEXTURE, D3DTA_TEXTURE, stageArg, P)                       \
    X(D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_CURRENT, stageArg, P)                       \
    X(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_DISABLE, (inRange<1, 26>), P)            \
    X(D3DTSS_ALPHAARG1, D3DTA_TEXTURE, D3DTA_TEXTURE, stageArg, P)                       \
    X(D3DTSS_ALPHAARG2, D3DTA_CURRENT, D3DTA_CURRENT, stageArg, P)                       \
    X(D3DTSS_BUMPENVMAT00, F(0.0f), F(0.0f), floatBits, P)                               \
    X(D3DTSS_BUMPENVMAT01, F(0.0f), F(0.0f), floatBits, P)                               \
    X(D3DTSS_BUMPENVMAT10, F(0.0f), F(0.0f), floatBits, P)                               \
    X(D3DTSS_BUMPENVMAT11, F(0.0f), F(0.0f), floatBits, P)                               \
    X(D3DTSS_TEXCOORDINDEX, kStageIndex, kStageIndex, texCoordIndex, V)                  \
    X(D3DTSS_BUMPENVLSCALE, F(0.0f), F(0.0f), floatBits, P)                              \
    X(D3DTSS_BUMPENVLOFFSET, F(0.0f), F(0.0f), floatBits, P)                             \
    X(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE, D3DTTFF_DISABLE, transformFlags, V) \
    X(D3DTSS_COLORARG0, D3DTA_CURRENT, D3DTA_CURRENT, stageArg, P)                       \
    X(D3DTSS_ALPHAARG0, D3DTA_CURRENT, D3DTA_CURRENT, stageArg, P)                       \
    X(D3DTSS_RESULTARG, D3DTA_CURRENT, D3DTA_CURRENT, resultArg, P)                      \
    X(D3DTSS_CONSTANT, 0, 0, anyValue, P)

// Array sizes: one past the largest state value of each table.
inline constexpr DWORD kRenderStateSlots = 210;
inline constexpr DWORD kSamplerStateSlots = 14;
inline constexpr DWORD kStageStateSlots = 33;

// The row of a state, or null for a value no row lists.
struct Row {
    DWORD state;
    DWORD defaultValue;       // stage 0's for stage states
    DWORD otherStageDefault;  // stages 1-7 (stage states only)
    Accept accept;
    Group group;
};

const Row* renderStateRow(DWORD state);
const Row* samplerStateRow(DWORD state);
const Row* stageStateRow(DWORD state);

// All rows of each table, in table order.
const Row* renderStateRows(size_t* count);
const Row* samplerStateRows(size_t* count);
const Row* stageStateRows(size_t* count);

}  // namespace platform::d3d9::states
