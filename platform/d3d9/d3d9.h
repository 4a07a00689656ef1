// The public face of the software Direct3D 9 device: every type, constant and interface the
// application and the graphics utility library call, under the names they call them by.
//
// Callers rely on:
//  - the numeric values of formats, states, flags and status codes below, which are the ones the
//    calling code writes literally (format 21 is A8R8G8B8, usage 0x200 is dynamic, ...);
//  - the slot order of each interface, which follows the published order of the runtime so that
//    code written against the runtime's tables reads the same here;
//  - records without pointers keeping their published sizes (static_asserts beside them).
//
// Choices made where nothing fixes them:
//  - Interface identifiers are ours (the 5D3D9xxx family below); nothing outside this tree asks
//    for the runtime's own values.
//  - Enumerations have a 32-bit underlying type, so they pass through DWORD parameters and
//    fields unchanged, as the calling code expects.
//  - Interfaces the callers never reach (swap chains, cube and volume textures, shaders) are
//    declared only as far as the device's slot list needs them.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9_values.h"
#include "platform/win32/types.h"

// ---- small shared records -----------------------------------------------------------------------
#ifndef WIN32_PALETTEENTRY_DEFINED
#define WIN32_PALETTEENTRY_DEFINED
struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
static_assert(sizeof(PALETTEENTRY) == 4);
#endif
struct RGNDATA;  // dirty regions of Present; never given by our callers

using D3DCOLOR = DWORD;

constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b) {
    return ((a & 0xFFu) << 24) | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}
constexpr D3DCOLOR D3DCOLOR_RGBA(DWORD r, DWORD g, DWORD b, DWORD a) { return D3DCOLOR_ARGB(a, r, g, b); }
constexpr D3DCOLOR D3DCOLOR_XRGB(DWORD r, DWORD g, DWORD b) { return D3DCOLOR_ARGB(0xFF, r, g, b); }
constexpr D3DCOLOR D3DCOLOR_COLORVALUE(float r, float g, float b, float a) {
    return D3DCOLOR_RGBA(static_cast<DWORD>(r * 255.f), static_cast<DWORD>(g * 255.f), static_cast<DWORD>(b * 255.f),
                         static_cast<DWORD>(a * 255.f));
}

struct D3DRECT {
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
};
static_assert(sizeof(D3DRECT) == 16);

// ---- status codes -------------------------------------------------------------------------------
constexpr HRESULT MAKE_D3DHRESULT(DWORD code) { return static_cast<HRESULT>(0x88760000u | code); }
constexpr HRESULT MAKE_D3DSTATUS(DWORD code) { return static_cast<HRESULT>(0x08760000u | code); }

inline constexpr HRESULT D3D_OK = S_OK;
inline constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MAKE_D3DHRESULT(2072);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MAKE_D3DHRESULT(2073);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MAKE_D3DHRESULT(2074);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MAKE_D3DHRESULT(2075);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MAKE_D3DHRESULT(2076);
inline constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MAKE_D3DHRESULT(2077);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREFILTER = MAKE_D3DHRESULT(2078);
inline constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = MAKE_D3DHRESULT(2079);
inline constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MAKE_D3DHRESULT(2081);
inline constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = MAKE_D3DHRESULT(2082);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREPALETTE = MAKE_D3DHRESULT(2086);
inline constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MAKE_D3DHRESULT(2087);
inline constexpr HRESULT D3DERR_NOTFOUND = MAKE_D3DHRESULT(2150);
inline constexpr HRESULT D3DERR_MOREDATA = MAKE_D3DHRESULT(2151);
inline constexpr HRESULT D3DERR_DEVICELOST = MAKE_D3DHRESULT(2152);  // 0x88760868
inline constexpr HRESULT D3DERR_DEVICENOTRESET = MAKE_D3DHRESULT(2153);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = MAKE_D3DHRESULT(2154);  // 0x8876086A
inline constexpr HRESULT D3DERR_INVALIDDEVICE = MAKE_D3DHRESULT(2155);
inline constexpr HRESULT D3DERR_INVALIDCALL = MAKE_D3DHRESULT(2156);  // 0x8876086C
inline constexpr HRESULT D3DERR_DRIVERINVALIDCALL = MAKE_D3DHRESULT(2157);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MAKE_D3DHRESULT(380);
inline constexpr HRESULT D3DERR_WASSTILLDRAWING = MAKE_D3DHRESULT(540);
inline constexpr HRESULT D3DOK_NOAUTOGEN = MAKE_D3DSTATUS(2159);
static_assert(static_cast<std::uint32_t>(D3DERR_INVALIDCALL) == 0x8876086Cu);
static_assert(static_cast<std::uint32_t>(D3DERR_NOTAVAILABLE) == 0x8876086Au);
static_assert(static_cast<std::uint32_t>(D3DERR_DEVICELOST) == 0x88760868u);

// ---- versions, adapters, creation flags ---------------------------------------------------------
inline constexpr UINT D3D_SDK_VERSION = 31;
inline constexpr UINT D3DADAPTER_DEFAULT = 0;
inline constexpr DWORD D3DENUM_WHQL_LEVEL = 0x00000002;

inline constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x00000002;
inline constexpr DWORD D3DCREATE_MULTITHREADED = 0x00000004;
inline constexpr DWORD D3DCREATE_PUREDEVICE = 0x00000010;
inline constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020;
inline constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x00000040;
inline constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x00000080;
inline constexpr DWORD D3DCREATE_DISABLE_DRIVER_MANAGEMENT = 0x00000100;
inline constexpr DWORD D3DCREATE_ADAPTERGROUP_DEVICE = 0x00000200;

enum D3DDEVTYPE : DWORD {
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
    D3DDEVTYPE_SW = 3,
    D3DDEVTYPE_NULLREF = 4,
    D3DDEVTYPE_FORCE_DWORD = 0x7FFFFFFF,
};

// ---- formats ------------------------------------------------------------------------------------
constexpr DWORD MAKEFOURCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) | (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

enum D3DFORMAT : DWORD {
    D3DFMT_UNKNOWN = 0,

    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_R3G3B2 = 27,
    D3DFMT_A8 = 28,
    D3DFMT_A8R3G3B2 = 29,
    D3DFMT_X4R4G4B4 = 30,
    D3DFMT_A2B10G10R10 = 31,
    D3DFMT_A8B8G8R8 = 32,
    D3DFMT_X8B8G8R8 = 33,
    D3DFMT_G16R16 = 34,
    D3DFMT_A2R10G10B10 = 35,
    D3DFMT_A16B16G16R16 = 36,

    D3DFMT_A8P8 = 40,
    D3DFMT_P8 = 41,

    D3DFMT_L8 = 50,
    D3DFMT_A8L8 = 51,
    D3DFMT_A4L4 = 52,

    D3DFMT_V8U8 = 60,
    D3DFMT_L6V5U5 = 61,
    D3DFMT_X8L8V8U8 = 62,
    D3DFMT_Q8W8V8U8 = 63,
    D3DFMT_V16U16 = 64,
    D3DFMT_A2W10V10U10 = 67,

    D3DFMT_UYVY = MAKEFOURCC('U', 'Y', 'V', 'Y'),
    D3DFMT_R8G8_B8G8 = MAKEFOURCC('R', 'G', 'B', 'G'),
    D3DFMT_YUY2 = MAKEFOURCC('Y', 'U', 'Y', '2'),
    D3DFMT_G8R8_G8B8 = MAKEFOURCC('G', 'R', 'G', 'B'),
    D3DFMT_DXT1 = MAKEFOURCC('D', 'X', 'T', '1'),
    D3DFMT_DXT2 = MAKEFOURCC('D', 'X', 'T', '2'),
    D3DFMT_DXT3 = MAKEFOURCC('D', 'X', 'T', '3'),
    D3DFMT_DXT4 = MAKEFOURCC('D', 'X', 'T', '4'),
    D3DFMT_DXT5 = MAKEFOURCC('D', 'X', 'T', '5'),

    D3DFMT_D16_LOCKABLE = 70,
    D3DFMT_D32 = 71,
    D3DFMT_D15S1 = 73,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D24X4S4 = 79,
    D3DFMT_D16 = 80,
    D3DFMT_D32F_LOCKABLE = 82,
    D3DFMT_D24FS8 = 83,

    D3DFMT_L16 = 81,

    D3DFMT_VERTEXDATA = 100,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,

    D3DFMT_Q16W16V16U16 = 110,
    D3DFMT_MULTI2_ARGB8 = MAKEFOURCC('M', 'E', 'T', '1'),

    D3DFMT_R16F = 111,
    D3DFMT_G16R16F = 112,
    D3DFMT_A16B16G16R16F = 113,
    D3DFMT_R32F = 114,
    D3DFMT_G32R32F = 115,
    D3DFMT_A32B32G32R32F = 116,
    D3DFMT_CxV8U8 = 117,

    D3DFMT_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DPOOL : DWORD {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3,
    D3DPOOL_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DRESOURCETYPE : DWORD {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_VOLUME = 2,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_VOLUMETEXTURE = 4,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
    D3DRTYPE_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DMULTISAMPLE_TYPE : DWORD {
    D3DMULTISAMPLE_NONE = 0,
    D3DMULTISAMPLE_NONMASKABLE = 1,
    D3DMULTISAMPLE_2_SAMPLES = 2,
    D3DMULTISAMPLE_4_SAMPLES = 4,
    D3DMULTISAMPLE_FORCE_DWORD = 0x7FFFFFFF,
};

// Resource usages. The query bits (0x8000 to 0x200000) only ask CheckDeviceFormat a question;
// they are never part of a created resource.
inline constexpr DWORD D3DUSAGE_RENDERTARGET = 0x00000001;
inline constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x00000002;
inline constexpr DWORD D3DUSAGE_WRITEONLY = 0x00000008;
inline constexpr DWORD D3DUSAGE_SOFTWAREPROCESSING = 0x00000010;
inline constexpr DWORD D3DUSAGE_DONOTCLIP = 0x00000020;
inline constexpr DWORD D3DUSAGE_POINTS = 0x00000040;
inline constexpr DWORD D3DUSAGE_RTPATCHES = 0x00000080;
inline constexpr DWORD D3DUSAGE_NPATCHES = 0x00000100;
inline constexpr DWORD D3DUSAGE_DYNAMIC = 0x00000200;
inline constexpr DWORD D3DUSAGE_AUTOGENMIPMAP = 0x00000400;
inline constexpr DWORD D3DUSAGE_DMAP = 0x00004000;
inline constexpr DWORD D3DUSAGE_QUERY_LEGACYBUMPMAP = 0x00008000;
inline constexpr DWORD D3DUSAGE_QUERY_SRGBREAD = 0x00010000;
inline constexpr DWORD D3DUSAGE_QUERY_FILTER = 0x00020000;
inline constexpr DWORD D3DUSAGE_QUERY_SRGBWRITE = 0x00040000;
inline constexpr DWORD D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING = 0x00080000;
inline constexpr DWORD D3DUSAGE_QUERY_VERTEXTEXTURE = 0x00100000;
inline constexpr DWORD D3DUSAGE_QUERY_WRAPANDMIP = 0x00200000;

inline constexpr DWORD D3DLOCK_READONLY = 0x00000010;
inline constexpr DWORD D3DLOCK_NOSYSLOCK = 0x00000800;
inline constexpr DWORD D3DLOCK_NOOVERWRITE = 0x00001000;
inline constexpr DWORD D3DLOCK_DISCARD = 0x00002000;
inline constexpr DWORD D3DLOCK_DONOTWAIT = 0x00004000;
inline constexpr DWORD D3DLOCK_NO_DIRTY_UPDATE = 0x00008000;

inline constexpr DWORD D3DCLEAR_TARGET = 0x00000001;
inline constexpr DWORD D3DCLEAR_ZBUFFER = 0x00000002;
inline constexpr DWORD D3DCLEAR_STENCIL = 0x00000004;

// SetPrivateData: the data is an interface pointer, held with a reference while stored.
inline constexpr DWORD D3DSPD_IUNKNOWN = 0x00000001;

inline constexpr DWORD D3DISSUE_END = 1u << 0;
inline constexpr DWORD D3DISSUE_BEGIN = 1u << 1;
inline constexpr DWORD D3DGETDATA_FLUSH = 1u << 0;

// ---- presentation -------------------------------------------------------------------------------
enum D3DSWAPEFFECT : DWORD {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DBACKBUFFER_TYPE : DWORD {
    D3DBACKBUFFER_TYPE_MONO = 0,
    D3DBACKBUFFER_TYPE_LEFT = 1,
    D3DBACKBUFFER_TYPE_RIGHT = 2,
    D3DBACKBUFFER_TYPE_FORCE_DWORD = 0x7FFFFFFF,
};

inline constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0x00000000;
inline constexpr UINT D3DPRESENT_INTERVAL_ONE = 0x00000001;
inline constexpr UINT D3DPRESENT_INTERVAL_TWO = 0x00000002;
inline constexpr UINT D3DPRESENT_INTERVAL_THREE = 0x00000004;
inline constexpr UINT D3DPRESENT_INTERVAL_FOUR = 0x00000008;
inline constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;

inline constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x00000001;
inline constexpr DWORD D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL = 0x00000002;

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};
static_assert(sizeof(D3DDISPLAYMODE) == 16);

struct D3DDEVICE_CREATION_PARAMETERS {
    UINT AdapterOrdinal;
    D3DDEVTYPE DeviceType;
    HWND hFocusWindow;
    DWORD BehaviorFlags;
};

struct D3DADAPTER_IDENTIFIER9 {
    char Driver[512];
    char Description[512];
    char DeviceName[32];
    LONGLONG DriverVersion;  // product.version.sub-version.build, 16 bits each, high to low
    DWORD VendorId;
    DWORD DeviceId;
    DWORD SubSysId;
    DWORD Revision;
    GUID DeviceIdentifier;
    DWORD WHQLLevel;
};

struct D3DRASTER_STATUS {
    BOOL InVBlank;
    UINT ScanLine;
};

struct D3DGAMMARAMP {
    WORD red[256];
    WORD green[256];
    WORD blue[256];
};

// ---- resource descriptions and locks -------------------------------------------------------------
struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
};
static_assert(sizeof(D3DSURFACE_DESC) == 32);

struct D3DVERTEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    DWORD FVF;
};
static_assert(sizeof(D3DVERTEXBUFFER_DESC) == 24);

struct D3DINDEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
};
static_assert(sizeof(D3DINDEXBUFFER_DESC) == 20);

struct D3DLOCKED_RECT {
    INT Pitch;
    void* pBits;
};

// ---- viewport, material, light, clip status ------------------------------------------------------
struct D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};
static_assert(sizeof(D3DVIEWPORT9) == 24);

struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};
static_assert(sizeof(D3DMATERIAL9) == 68);

enum D3DLIGHTTYPE : DWORD {
    D3DLIGHT_POINT = 1,
    D3DLIGHT_SPOT = 2,
    D3DLIGHT_DIRECTIONAL = 3,
    D3DLIGHT_FORCE_DWORD = 0x7FFFFFFF,
};

struct D3DLIGHT9 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};
static_assert(sizeof(D3DLIGHT9) == 104);

struct D3DCLIPSTATUS9 {
    DWORD ClipUnion;
    DWORD ClipIntersection;
};

inline constexpr DWORD D3DMAXUSERCLIPPLANES = 32;
inline constexpr DWORD D3DCLIPPLANE0 = 1u << 0;
inline constexpr DWORD D3DCLIPPLANE1 = 1u << 1;
inline constexpr DWORD D3DCLIPPLANE2 = 1u << 2;
inline constexpr DWORD D3DCLIPPLANE3 = 1u << 3;
inline constexpr DWORD D3DCLIPPLANE4 = 1u << 4;
inline constexpr DWORD D3DCLIPPLANE5 = 1u << 5;

// ---- transforms and primitives -------------------------------------------------------------------
enum D3DTRANSFORMSTATETYPE : DWORD {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_TEXTURE1 = 17,
    D3DTS_TEXTURE2 = 18,
    D3DTS_TEXTURE3 = 19,
    D3DTS_TEXTURE4 = 20,
    D3DTS_TEXTURE5 = 21,
    D3DTS_TEXTURE6 = 22,
    D3DTS_TEXTURE7 = 23,
    D3DTS_WORLD = 256,
    D3DTS_WORLD1 = 257,
    D3DTS_WORLD2 = 258,
    D3DTS_WORLD3 = 259,
    D3DTS_FORCE_DWORD = 0x7FFFFFFF,
};
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(DWORD index) {
    return static_cast<D3DTRANSFORMSTATETYPE>(index + 256);
}

enum D3DPRIMITIVETYPE : DWORD {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
    D3DPT_FORCE_DWORD = 0x7FFFFFFF,
};

// ---- render states ------------------------------------------------------------------------------
enum D3DRENDERSTATETYPE : DWORD {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_WRAP0 = 128,
    D3DRS_WRAP1 = 129,
    D3DRS_WRAP2 = 130,
    D3DRS_WRAP3 = 131,
    D3DRS_WRAP4 = 132,
    D3DRS_WRAP5 = 133,
    D3DRS_WRAP6 = 134,
    D3DRS_WRAP7 = 135,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_VERTEXBLEND = 151,
    D3DRS_CLIPPLANEENABLE = 152,
    D3DRS_POINTSIZE = 154,
    D3DRS_POINTSIZE_MIN = 155,
    D3DRS_POINTSPRITEENABLE = 156,
    D3DRS_POINTSCALEENABLE = 157,
    D3DRS_POINTSCALE_A = 158,
    D3DRS_POINTSCALE_B = 159,
    D3DRS_POINTSCALE_C = 160,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_MULTISAMPLEMASK = 162,
    D3DRS_PATCHEDGESTYLE = 163,
    D3DRS_DEBUGMONITORTOKEN = 165,
    D3DRS_POINTSIZE_MAX = 166,
    D3DRS_INDEXEDVERTEXBLENDENABLE = 167,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_TWEENFACTOR = 170,
    D3DRS_BLENDOP = 171,
    D3DRS_POSITIONDEGREE = 172,
    D3DRS_NORMALDEGREE = 173,
    D3DRS_SCISSORTESTENABLE = 174,
    D3DRS_SLOPESCALEDEPTHBIAS = 175,
    D3DRS_ANTIALIASEDLINEENABLE = 176,
    D3DRS_MINTESSELLATIONLEVEL = 178,
    D3DRS_MAXTESSELLATIONLEVEL = 179,
    D3DRS_ADAPTIVETESS_X = 180,
    D3DRS_ADAPTIVETESS_Y = 181,
    D3DRS_ADAPTIVETESS_Z = 182,
    D3DRS_ADAPTIVETESS_W = 183,
    D3DRS_ENABLEADAPTIVETESSELLATION = 184,
    D3DRS_TWOSIDEDSTENCILMODE = 185,
    D3DRS_CCW_STENCILFAIL = 186,
    D3DRS_CCW_STENCILZFAIL = 187,
    D3DRS_CCW_STENCILPASS = 188,
    D3DRS_CCW_STENCILFUNC = 189,
    D3DRS_COLORWRITEENABLE1 = 190,
    D3DRS_COLORWRITEENABLE2 = 191,
    D3DRS_COLORWRITEENABLE3 = 192,
    D3DRS_BLENDFACTOR = 193,
    D3DRS_SRGBWRITEENABLE = 194,
    D3DRS_DEPTHBIAS = 195,
    D3DRS_WRAP8 = 198,
    D3DRS_WRAP9 = 199,
    D3DRS_WRAP10 = 200,
    D3DRS_WRAP11 = 201,
    D3DRS_WRAP12 = 202,
    D3DRS_WRAP13 = 203,
    D3DRS_WRAP14 = 204,
    D3DRS_WRAP15 = 205,
    D3DRS_SEPARATEALPHABLENDENABLE = 206,
    D3DRS_SRCBLENDALPHA = 207,
    D3DRS_DESTBLENDALPHA = 208,
    D3DRS_BLENDOPALPHA = 209,
    D3DRS_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DZBUFFERTYPE : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2, D3DZB_FORCE_DWORD = 0x7FFFFFFF };
enum D3DFILLMODE : DWORD {
    D3DFILL_POINT = 1,
    D3DFILL_WIREFRAME = 2,
    D3DFILL_SOLID = 3,
    D3DFILL_FORCE_DWORD = 0x7FFFFFFF
};
enum D3DSHADEMODE : DWORD {
    D3DSHADE_FLAT = 1,
    D3DSHADE_GOURAUD = 2,
    D3DSHADE_PHONG = 3,
    D3DSHADE_FORCE_DWORD = 0x7FFFFFFF
};
enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3, D3DCULL_FORCE_DWORD = 0x7FFFFFFF };

enum D3DBLEND : DWORD {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12,
    D3DBLEND_BOTHINVSRCALPHA = 13,
    D3DBLEND_BLENDFACTOR = 14,
    D3DBLEND_INVBLENDFACTOR = 15,
    D3DBLEND_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DBLENDOP : DWORD {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
    D3DBLENDOP_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DCMPFUNC : DWORD {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
    D3DCMP_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DSTENCILOP : DWORD {
    D3DSTENCILOP_KEEP = 1,
    D3DSTENCILOP_ZERO = 2,
    D3DSTENCILOP_REPLACE = 3,
    D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5,
    D3DSTENCILOP_INVERT = 6,
    D3DSTENCILOP_INCR = 7,
    D3DSTENCILOP_DECR = 8,
    D3DSTENCILOP_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DFOGMODE : DWORD {
    D3DFOG_NONE = 0,
    D3DFOG_EXP = 1,
    D3DFOG_EXP2 = 2,
    D3DFOG_LINEAR = 3,
    D3DFOG_FORCE_DWORD = 0x7FFFFFFF
};

enum D3DMATERIALCOLORSOURCE : DWORD {
    D3DMCS_MATERIAL = 0,
    D3DMCS_COLOR1 = 1,
    D3DMCS_COLOR2 = 2,
    D3DMCS_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DVERTEXBLENDFLAGS : DWORD {
    D3DVBF_DISABLE = 0,
    D3DVBF_1WEIGHTS = 1,
    D3DVBF_2WEIGHTS = 2,
    D3DVBF_3WEIGHTS = 3,
    D3DVBF_TWEENING = 255,
    D3DVBF_0WEIGHTS = 256,
    D3DVBF_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DPATCHEDGESTYLE : DWORD {
    D3DPATCHEDGE_DISCRETE = 0,
    D3DPATCHEDGE_CONTINUOUS = 1,
    D3DPATCHEDGE_FORCE_DWORD = 0x7FFFFFFF
};

enum D3DDEGREETYPE : DWORD {
    D3DDEGREE_LINEAR = 1,
    D3DDEGREE_QUADRATIC = 2,
    D3DDEGREE_CUBIC = 3,
    D3DDEGREE_QUINTIC = 5,
    D3DDEGREE_FORCE_DWORD = 0x7FFFFFFF,
};

inline constexpr DWORD D3DCOLORWRITEENABLE_RED = 1u << 0;
inline constexpr DWORD D3DCOLORWRITEENABLE_GREEN = 1u << 1;
inline constexpr DWORD D3DCOLORWRITEENABLE_BLUE = 1u << 2;
inline constexpr DWORD D3DCOLORWRITEENABLE_ALPHA = 1u << 3;

inline constexpr DWORD D3DWRAP_U = 0x00000001;
inline constexpr DWORD D3DWRAP_V = 0x00000002;
inline constexpr DWORD D3DWRAP_W = 0x00000004;

// ---- texture stages and samplers ----------------------------------------------------------------
enum D3DTEXTURESTAGESTATETYPE : DWORD {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_BUMPENVMAT00 = 7,
    D3DTSS_BUMPENVMAT01 = 8,
    D3DTSS_BUMPENVMAT10 = 9,
    D3DTSS_BUMPENVMAT11 = 10,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_BUMPENVLSCALE = 22,
    D3DTSS_BUMPENVLOFFSET = 23,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_COLORARG0 = 26,
    D3DTSS_ALPHAARG0 = 27,
    D3DTSS_RESULTARG = 28,
    D3DTSS_CONSTANT = 32,
    D3DTSS_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DTEXTUREOP : DWORD {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_ADDSMOOTH = 11,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16,
    D3DTOP_PREMODULATE = 17,
    D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
    D3DTOP_MODULATECOLOR_ADDALPHA = 19,
    D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
    D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21,
    D3DTOP_BUMPENVMAP = 22,
    D3DTOP_BUMPENVMAPLUMINANCE = 23,
    D3DTOP_DOTPRODUCT3 = 24,
    D3DTOP_MULTIPLYADD = 25,
    D3DTOP_LERP = 26,
    D3DTOP_FORCE_DWORD = 0x7FFFFFFF,
};

// Texture-stage arguments: a selector in the low bits plus two modifier bits.
inline constexpr DWORD D3DTA_SELECTMASK = 0x0000000F;
inline constexpr DWORD D3DTA_DIFFUSE = 0x00000000;
inline constexpr DWORD D3DTA_CURRENT = 0x00000001;
inline constexpr DWORD D3DTA_TEXTURE = 0x00000002;
inline constexpr DWORD D3DTA_TFACTOR = 0x00000003;
inline constexpr DWORD D3DTA_SPECULAR = 0x00000004;
inline constexpr DWORD D3DTA_TEMP = 0x00000005;
inline constexpr DWORD D3DTA_CONSTANT = 0x00000006;
inline constexpr DWORD D3DTA_COMPLEMENT = 0x00000010;
inline constexpr DWORD D3DTA_ALPHAREPLICATE = 0x00000020;

enum D3DTEXTURETRANSFORMFLAGS : DWORD {
    D3DTTFF_DISABLE = 0,
    D3DTTFF_COUNT1 = 1,
    D3DTTFF_COUNT2 = 2,
    D3DTTFF_COUNT3 = 3,
    D3DTTFF_COUNT4 = 4,
    D3DTTFF_PROJECTED = 256,
    D3DTTFF_FORCE_DWORD = 0x7FFFFFFF,
};

inline constexpr DWORD D3DTSS_TCI_PASSTHRU = 0x00000000;
inline constexpr DWORD D3DTSS_TCI_CAMERASPACENORMAL = 0x00010000;
inline constexpr DWORD D3DTSS_TCI_CAMERASPACEPOSITION = 0x00020000;
inline constexpr DWORD D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR = 0x00030000;
inline constexpr DWORD D3DTSS_TCI_SPHEREMAP = 0x00040000;

enum D3DSAMPLERSTATETYPE : DWORD {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_ADDRESSW = 3,
    D3DSAMP_BORDERCOLOR = 4,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
    D3DSAMP_MIPMAPLODBIAS = 8,
    D3DSAMP_MAXMIPLEVEL = 9,
    D3DSAMP_MAXANISOTROPY = 10,
    D3DSAMP_SRGBTEXTURE = 11,
    D3DSAMP_ELEMENTINDEX = 12,
    D3DSAMP_DMAPOFFSET = 13,
    D3DSAMP_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DTEXTUREADDRESS : DWORD {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
    D3DTADDRESS_MIRRORONCE = 5,
    D3DTADDRESS_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DTEXTUREFILTERTYPE : DWORD {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
    D3DTEXF_PYRAMIDALQUAD = 6,
    D3DTEXF_GAUSSIANQUAD = 7,
    D3DTEXF_FORCE_DWORD = 0x7FFFFFFF,
};

// Stage and sampler counts of this device: eight fixed-function stages, sixteen samplers.
inline constexpr DWORD D3DDP_MAXTEXCOORD = 8;

// ---- flexible vertex format codes ----------------------------------------------------------------
inline constexpr DWORD D3DFVF_RESERVED0 = 0x001;
inline constexpr DWORD D3DFVF_POSITION_MASK = 0x400E;
inline constexpr DWORD D3DFVF_XYZ = 0x002;
inline constexpr DWORD D3DFVF_XYZRHW = 0x004;
inline constexpr DWORD D3DFVF_XYZB1 = 0x006;
inline constexpr DWORD D3DFVF_XYZB2 = 0x008;
inline constexpr DWORD D3DFVF_XYZB3 = 0x00A;
inline constexpr DWORD D3DFVF_XYZB4 = 0x00C;
inline constexpr DWORD D3DFVF_XYZB5 = 0x00E;
inline constexpr DWORD D3DFVF_XYZW = 0x4002;
inline constexpr DWORD D3DFVF_NORMAL = 0x010;
inline constexpr DWORD D3DFVF_PSIZE = 0x020;
inline constexpr DWORD D3DFVF_DIFFUSE = 0x040;
inline constexpr DWORD D3DFVF_SPECULAR = 0x080;
inline constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
inline constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
inline constexpr DWORD D3DFVF_TEX0 = 0x000;
inline constexpr DWORD D3DFVF_TEX1 = 0x100;
inline constexpr DWORD D3DFVF_TEX2 = 0x200;
inline constexpr DWORD D3DFVF_TEX3 = 0x300;
inline constexpr DWORD D3DFVF_TEX4 = 0x400;
inline constexpr DWORD D3DFVF_TEX5 = 0x500;
inline constexpr DWORD D3DFVF_TEX6 = 0x600;
inline constexpr DWORD D3DFVF_TEX7 = 0x700;
inline constexpr DWORD D3DFVF_TEX8 = 0x800;
inline constexpr DWORD D3DFVF_LASTBETA_UBYTE4 = 0x1000;
inline constexpr DWORD D3DFVF_RESERVED2 = 0x6000;
inline constexpr DWORD D3DFVF_LASTBETA_D3DCOLOR = 0x8000;

inline constexpr DWORD D3DFVF_TEXTUREFORMAT1 = 3;  // one float
inline constexpr DWORD D3DFVF_TEXTUREFORMAT2 = 0;  // two floats (the default)
inline constexpr DWORD D3DFVF_TEXTUREFORMAT3 = 1;  // three floats
inline constexpr DWORD D3DFVF_TEXTUREFORMAT4 = 2;  // four floats
constexpr DWORD D3DFVF_TEXCOORDSIZE1(DWORD set) { return D3DFVF_TEXTUREFORMAT1 << (set * 2 + 16); }
constexpr DWORD D3DFVF_TEXCOORDSIZE2(DWORD /*set*/) { return D3DFVF_TEXTUREFORMAT2; }
constexpr DWORD D3DFVF_TEXCOORDSIZE3(DWORD set) { return D3DFVF_TEXTUREFORMAT3 << (set * 2 + 16); }
constexpr DWORD D3DFVF_TEXCOORDSIZE4(DWORD set) { return D3DFVF_TEXTUREFORMAT4 << (set * 2 + 16); }

// ---- vertex declarations -------------------------------------------------------------------------
enum D3DDECLTYPE : BYTE {
    D3DDECLTYPE_FLOAT1 = 0,
    D3DDECLTYPE_FLOAT2 = 1,
    D3DDECLTYPE_FLOAT3 = 2,
    D3DDECLTYPE_FLOAT4 = 3,
    D3DDECLTYPE_D3DCOLOR = 4,
    D3DDECLTYPE_UBYTE4 = 5,
    D3DDECLTYPE_SHORT2 = 6,
    D3DDECLTYPE_SHORT4 = 7,
    D3DDECLTYPE_UBYTE4N = 8,
    D3DDECLTYPE_SHORT2N = 9,
    D3DDECLTYPE_SHORT4N = 10,
    D3DDECLTYPE_USHORT2N = 11,
    D3DDECLTYPE_USHORT4N = 12,
    D3DDECLTYPE_UDEC3 = 13,
    D3DDECLTYPE_DEC3N = 14,
    D3DDECLTYPE_FLOAT16_2 = 15,
    D3DDECLTYPE_FLOAT16_4 = 16,
    D3DDECLTYPE_UNUSED = 17,
};

enum D3DDECLMETHOD : BYTE {
    D3DDECLMETHOD_DEFAULT = 0,
    D3DDECLMETHOD_PARTIALU = 1,
    D3DDECLMETHOD_PARTIALV = 2,
    D3DDECLMETHOD_CROSSUV = 3,
    D3DDECLMETHOD_UV = 4,
    D3DDECLMETHOD_LOOKUP = 5,
    D3DDECLMETHOD_LOOKUPPRESAMPLED = 6,
};

enum D3DDECLUSAGE : BYTE {
    D3DDECLUSAGE_POSITION = 0,
    D3DDECLUSAGE_BLENDWEIGHT = 1,
    D3DDECLUSAGE_BLENDINDICES = 2,
    D3DDECLUSAGE_NORMAL = 3,
    D3DDECLUSAGE_PSIZE = 4,
    D3DDECLUSAGE_TEXCOORD = 5,
    D3DDECLUSAGE_TANGENT = 6,
    D3DDECLUSAGE_BINORMAL = 7,
    D3DDECLUSAGE_TESSFACTOR = 8,
    D3DDECLUSAGE_POSITIONT = 9,
    D3DDECLUSAGE_COLOR = 10,
    D3DDECLUSAGE_FOG = 11,
    D3DDECLUSAGE_DEPTH = 12,
    D3DDECLUSAGE_SAMPLE = 13,
};

// Type, Method and Usage are plain bytes, as in the stored record, so element arrays can be
// written as brace lists of numbers or of the named values above.
struct D3DVERTEXELEMENT9 {
    WORD Stream;
    WORD Offset;
    BYTE Type;
    BYTE Method;
    BYTE Usage;
    BYTE UsageIndex;
};
static_assert(sizeof(D3DVERTEXELEMENT9) == 8);

inline constexpr D3DVERTEXELEMENT9 D3DDECL_END = {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0};
inline constexpr UINT MAXD3DDECLLENGTH = 64;  // elements, end marker not counted
inline constexpr UINT MAXD3DDECLUSAGEINDEX = 15;

// ---- state blocks and queries -------------------------------------------------------------------
enum D3DSTATEBLOCKTYPE : DWORD {
    D3DSBT_ALL = 1,
    D3DSBT_PIXELSTATE = 2,
    D3DSBT_VERTEXSTATE = 3,
    D3DSBT_FORCE_DWORD = 0x7FFFFFFF,
};

enum D3DQUERYTYPE : DWORD {
    D3DQUERYTYPE_VCACHE = 4,
    D3DQUERYTYPE_RESOURCEMANAGER = 5,
    D3DQUERYTYPE_VERTEXSTATS = 6,
    D3DQUERYTYPE_EVENT = 8,
    D3DQUERYTYPE_OCCLUSION = 9,
    D3DQUERYTYPE_TIMESTAMP = 10,
    D3DQUERYTYPE_TIMESTAMPDISJOINT = 11,
    D3DQUERYTYPE_TIMESTAMPFREQ = 12,
};

struct D3DDEVINFO_VCACHE {
    DWORD Pattern;      // the bit pattern 'CACH'
    DWORD OptMethod;    // 0: longest strips; 1: vertex cache
    DWORD CacheSize;    // cache entries
    DWORD MagicNumber;  // where a strip should restart for best reuse
};
static_assert(sizeof(D3DDEVINFO_VCACHE) == 16);

// ---- capabilities -------------------------------------------------------------------------------
struct D3DVSHADERCAPS2_0 {
    DWORD Caps;
    INT DynamicFlowControlDepth;
    INT NumTemps;
    INT StaticFlowControlDepth;
};

struct D3DPSHADERCAPS2_0 {
    DWORD Caps;
    INT DynamicFlowControlDepth;
    INT NumTemps;
    INT StaticFlowControlDepth;
    INT NumInstructionSlots;
};

struct D3DCAPS9 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD Caps;
    DWORD Caps2;
    DWORD Caps3;
    DWORD PresentationIntervals;
    DWORD CursorCaps;
    DWORD DevCaps;
    DWORD PrimitiveMiscCaps;
    DWORD RasterCaps;
    DWORD ZCmpCaps;
    DWORD SrcBlendCaps;
    DWORD DestBlendCaps;
    DWORD AlphaCmpCaps;
    DWORD ShadeCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD CubeTextureFilterCaps;
    DWORD VolumeTextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD VolumeTextureAddressCaps;
    DWORD LineCaps;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxVolumeExtent;
    DWORD MaxTextureRepeat;
    DWORD MaxTextureAspectRatio;
    DWORD MaxAnisotropy;
    float MaxVertexW;
    float GuardBandLeft;
    float GuardBandTop;
    float GuardBandRight;
    float GuardBandBottom;
    float ExtentsAdjust;
    DWORD StencilCaps;
    DWORD FVFCaps;
    DWORD TextureOpCaps;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD VertexProcessingCaps;
    DWORD MaxActiveLights;
    DWORD MaxUserClipPlanes;
    DWORD MaxVertexBlendMatrices;
    DWORD MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
    DWORD VertexShaderVersion;
    DWORD MaxVertexShaderConst;
    DWORD PixelShaderVersion;
    float PixelShader1xMaxValue;
    DWORD DevCaps2;
    float MaxNpatchTessellationLevel;
    DWORD Reserved5;
    UINT MasterAdapterOrdinal;
    UINT AdapterOrdinalInGroup;
    UINT NumberOfAdaptersInGroup;
    DWORD DeclTypes;
    DWORD NumSimultaneousRTs;
    DWORD StretchRectFilterCaps;
    D3DVSHADERCAPS2_0 VS20Caps;
    D3DPSHADERCAPS2_0 PS20Caps;
    DWORD VertexTextureFilterCaps;
    DWORD MaxVShaderInstructionsExecuted;
    DWORD MaxPShaderInstructionsExecuted;
    DWORD MaxVertexShader30InstructionSlots;
    DWORD MaxPixelShader30InstructionSlots;
};
static_assert(sizeof(D3DCAPS9) == 304);

// DevCaps
inline constexpr DWORD D3DDEVCAPS_EXECUTESYSTEMMEMORY = 0x00000010;
inline constexpr DWORD D3DDEVCAPS_TLVERTEXSYSTEMMEMORY = 0x00000040;
inline constexpr DWORD D3DDEVCAPS_TEXTURESYSTEMMEMORY = 0x00000100;
inline constexpr DWORD D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x00000400;
inline constexpr DWORD D3DDEVCAPS_CANRENDERAFTERFLIP = 0x00000800;
inline constexpr DWORD D3DDEVCAPS_DRAWPRIMITIVES2 = 0x00002000;
inline constexpr DWORD D3DDEVCAPS_DRAWPRIMITIVES2EX = 0x00008000;
inline constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
inline constexpr DWORD D3DDEVCAPS_PUREDEVICE = 0x00100000;
inline constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x00080000;

// PrimitiveMiscCaps
inline constexpr DWORD D3DPMISCCAPS_MASKZ = 0x00000002;
inline constexpr DWORD D3DPMISCCAPS_CULLNONE = 0x00000010;
inline constexpr DWORD D3DPMISCCAPS_CULLCW = 0x00000020;
inline constexpr DWORD D3DPMISCCAPS_CULLCCW = 0x00000040;
inline constexpr DWORD D3DPMISCCAPS_COLORWRITEENABLE = 0x00000080;
inline constexpr DWORD D3DPMISCCAPS_CLIPPLANESCALEDPOINTS = 0x00000100;
inline constexpr DWORD D3DPMISCCAPS_CLIPTLVERTS = 0x00000200;
inline constexpr DWORD D3DPMISCCAPS_BLENDOP = 0x00000800;
inline constexpr DWORD D3DPMISCCAPS_SEPARATEALPHABLEND = 0x00020000;

// RasterCaps
inline constexpr DWORD D3DPRASTERCAPS_DITHER = 0x00000001;
inline constexpr DWORD D3DPRASTERCAPS_ZTEST = 0x00000010;
inline constexpr DWORD D3DPRASTERCAPS_FOGVERTEX = 0x00000080;
inline constexpr DWORD D3DPRASTERCAPS_MIPMAPLODBIAS = 0x00002000;
inline constexpr DWORD D3DPRASTERCAPS_SCISSORTEST = 0x01000000;

// Comparison capabilities (ZCmpCaps, AlphaCmpCaps)
inline constexpr DWORD D3DPCMPCAPS_NEVER = 0x00000001;
inline constexpr DWORD D3DPCMPCAPS_LESS = 0x00000002;
inline constexpr DWORD D3DPCMPCAPS_EQUAL = 0x00000004;
inline constexpr DWORD D3DPCMPCAPS_LESSEQUAL = 0x00000008;
inline constexpr DWORD D3DPCMPCAPS_GREATER = 0x00000010;
inline constexpr DWORD D3DPCMPCAPS_NOTEQUAL = 0x00000020;
inline constexpr DWORD D3DPCMPCAPS_GREATEREQUAL = 0x00000040;
inline constexpr DWORD D3DPCMPCAPS_ALWAYS = 0x00000080;

// Blend capabilities (SrcBlendCaps, DestBlendCaps)
inline constexpr DWORD D3DPBLENDCAPS_ZERO = 0x00000001;
inline constexpr DWORD D3DPBLENDCAPS_ONE = 0x00000002;
inline constexpr DWORD D3DPBLENDCAPS_SRCCOLOR = 0x00000004;
inline constexpr DWORD D3DPBLENDCAPS_INVSRCCOLOR = 0x00000008;
inline constexpr DWORD D3DPBLENDCAPS_SRCALPHA = 0x00000010;
inline constexpr DWORD D3DPBLENDCAPS_INVSRCALPHA = 0x00000020;
inline constexpr DWORD D3DPBLENDCAPS_DESTALPHA = 0x00000040;
inline constexpr DWORD D3DPBLENDCAPS_INVDESTALPHA = 0x00000080;
inline constexpr DWORD D3DPBLENDCAPS_DESTCOLOR = 0x00000100;
inline constexpr DWORD D3DPBLENDCAPS_INVDESTCOLOR = 0x00000200;
inline constexpr DWORD D3DPBLENDCAPS_SRCALPHASAT = 0x00000400;
inline constexpr DWORD D3DPBLENDCAPS_BOTHSRCALPHA = 0x00000800;
inline constexpr DWORD D3DPBLENDCAPS_BOTHINVSRCALPHA = 0x00001000;
inline constexpr DWORD D3DPBLENDCAPS_BLENDFACTOR = 0x00002000;

// ShadeCaps
inline constexpr DWORD D3DPSHADECAPS_COLORGOURAUDRGB = 0x00000008;
inline constexpr DWORD D3DPSHADECAPS_ALPHAGOURAUDBLEND = 0x00004000;

// TextureCaps
inline constexpr DWORD D3DPTEXTURECAPS_PERSPECTIVE = 0x00000001;
inline constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x00000002;
inline constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x00000004;
inline constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;
inline constexpr DWORD D3DPTEXTURECAPS_TEXREPEATNOTSCALEDBYSIZE = 0x00000040;
inline constexpr DWORD D3DPTEXTURECAPS_ALPHAPALETTE = 0x00000080;
inline constexpr DWORD D3DPTEXTURECAPS_NONPOW2CONDITIONAL = 0x00000100;
inline constexpr DWORD D3DPTEXTURECAPS_PROJECTED = 0x00000400;
inline constexpr DWORD D3DPTEXTURECAPS_CUBEMAP = 0x00000800;
inline constexpr DWORD D3DPTEXTURECAPS_VOLUMEMAP = 0x00002000;
inline constexpr DWORD D3DPTEXTURECAPS_MIPMAP = 0x00004000;
inline constexpr DWORD D3DPTEXTURECAPS_MIPVOLUMEMAP = 0x00008000;
inline constexpr DWORD D3DPTEXTURECAPS_MIPCUBEMAP = 0x00010000;
inline constexpr DWORD D3DPTEXTURECAPS_CUBEMAP_POW2 = 0x00020000;
inline constexpr DWORD D3DPTEXTURECAPS_VOLUMEMAP_POW2 = 0x00040000;
inline constexpr DWORD D3DPTEXTURECAPS_NOPROJECTEDBUMPENV = 0x00200000;

// Filter capabilities (TextureFilterCaps and the cube, volume and StretchRect variants)
inline constexpr DWORD D3DPTFILTERCAPS_MINFPOINT = 0x00000100;
inline constexpr DWORD D3DPTFILTERCAPS_MINFLINEAR = 0x00000200;
inline constexpr DWORD D3DPTFILTERCAPS_MINFANISOTROPIC = 0x00000400;
inline constexpr DWORD D3DPTFILTERCAPS_MIPFPOINT = 0x00010000;
inline constexpr DWORD D3DPTFILTERCAPS_MIPFLINEAR = 0x00020000;
inline constexpr DWORD D3DPTFILTERCAPS_MAGFPOINT = 0x01000000;
inline constexpr DWORD D3DPTFILTERCAPS_MAGFLINEAR = 0x02000000;
inline constexpr DWORD D3DPTFILTERCAPS_MAGFANISOTROPIC = 0x04000000;

// TextureAddressCaps
inline constexpr DWORD D3DPTADDRESSCAPS_WRAP = 0x00000001;
inline constexpr DWORD D3DPTADDRESSCAPS_MIRROR = 0x00000002;
inline constexpr DWORD D3DPTADDRESSCAPS_CLAMP = 0x00000004;
inline constexpr DWORD D3DPTADDRESSCAPS_BORDER = 0x00000008;
inline constexpr DWORD D3DPTADDRESSCAPS_INDEPENDENTUV = 0x00000010;
inline constexpr DWORD D3DPTADDRESSCAPS_MIRRORONCE = 0x00000020;

// LineCaps
inline constexpr DWORD D3DLINECAPS_TEXTURE = 0x00000001;
inline constexpr DWORD D3DLINECAPS_ZTEST = 0x00000002;
inline constexpr DWORD D3DLINECAPS_BLEND = 0x00000004;
inline constexpr DWORD D3DLINECAPS_ALPHACMP = 0x00000008;
inline constexpr DWORD D3DLINECAPS_FOG = 0x00000010;

// StencilCaps
inline constexpr DWORD D3DSTENCILCAPS_KEEP = 0x00000001;
inline constexpr DWORD D3DSTENCILCAPS_ZERO = 0x00000002;
inline constexpr DWORD D3DSTENCILCAPS_REPLACE = 0x00000004;
inline constexpr DWORD D3DSTENCILCAPS_INCRSAT = 0x00000008;
inline constexpr DWORD D3DSTENCILCAPS_DECRSAT = 0x00000010;
inline constexpr DWORD D3DSTENCILCAPS_INVERT = 0x00000020;
inline constexpr DWORD D3DSTENCILCAPS_INCR = 0x00000040;
inline constexpr DWORD D3DSTENCILCAPS_DECR = 0x00000080;

// FVFCaps
inline constexpr DWORD D3DFVFCAPS_TEXCOORDCOUNTMASK = 0x0000FFFF;
inline constexpr DWORD D3DFVFCAPS_DONOTSTRIPELEMENTS = 0x00080000;
inline constexpr DWORD D3DFVFCAPS_PSIZE = 0x00100000;

// TextureOpCaps
inline constexpr DWORD D3DTEXOPCAPS_DISABLE = 0x00000001;
inline constexpr DWORD D3DTEXOPCAPS_SELECTARG1 = 0x00000002;
inline constexpr DWORD D3DTEXOPCAPS_SELECTARG2 = 0x00000004;
inline constexpr DWORD D3DTEXOPCAPS_MODULATE = 0x00000008;
inline constexpr DWORD D3DTEXOPCAPS_MODULATE2X = 0x00000010;
inline constexpr DWORD D3DTEXOPCAPS_MODULATE4X = 0x00000020;
inline constexpr DWORD D3DTEXOPCAPS_ADD = 0x00000040;
inline constexpr DWORD D3DTEXOPCAPS_ADDSIGNED = 0x00000080;
inline constexpr DWORD D3DTEXOPCAPS_ADDSIGNED2X = 0x00000100;
inline constexpr DWORD D3DTEXOPCAPS_SUBTRACT = 0x00000200;

// VertexProcessingCaps
inline constexpr DWORD D3DVTXPCAPS_TEXGEN = 0x00000001;
inline constexpr DWORD D3DVTXPCAPS_MATERIALSOURCE7 = 0x00000002;
inline constexpr DWORD D3DVTXPCAPS_DIRECTIONALLIGHTS = 0x00000008;
inline constexpr DWORD D3DVTXPCAPS_POSITIONALLIGHTS = 0x00000010;
inline constexpr DWORD D3DVTXPCAPS_LOCALVIEWER = 0x00000020;

// DeclTypes (types beyond the always-supported float, colour, UBYTE4 and short ones)
inline constexpr DWORD D3DDTCAPS_UBYTE4 = 0x00000001;
inline constexpr DWORD D3DDTCAPS_UBYTE4N = 0x00000002;
inline constexpr DWORD D3DDTCAPS_SHORT2N = 0x00000004;
inline constexpr DWORD D3DDTCAPS_SHORT4N = 0x00000008;
inline constexpr DWORD D3DDTCAPS_USHORT2N = 0x00000010;
inline constexpr DWORD D3DDTCAPS_USHORT4N = 0x00000020;
inline constexpr DWORD D3DDTCAPS_UDEC3 = 0x00000040;
inline constexpr DWORD D3DDTCAPS_DEC3N = 0x00000080;
inline constexpr DWORD D3DDTCAPS_FLOAT16_2 = 0x00000100;
inline constexpr DWORD D3DDTCAPS_FLOAT16_4 = 0x00000200;

// DevCaps2
inline constexpr DWORD D3DDEVCAPS2_STREAMOFFSET = 0x00000001;

// Shader versions; version 0.0 of either kind means no shaders.
constexpr DWORD D3DVS_VERSION(DWORD major, DWORD minor) { return 0xFFFE0000u | (major << 8) | minor; }
constexpr DWORD D3DPS_VERSION(DWORD major, DWORD minor) { return 0xFFFF0000u | (major << 8) | minor; }

// Caps2 / Caps3 / PresentationIntervals helpers
inline constexpr DWORD D3DCAPS2_CANAUTOGENMIPMAP = 0x40000000;
inline constexpr DWORD D3DCAPS2_DYNAMICTEXTURES = 0x20000000;
inline constexpr DWORD D3DCAPS3_COPY_TO_VIDMEM = 0x00000100;
inline constexpr DWORD D3DCAPS3_COPY_TO_SYSTEMMEM = 0x00000200;

// ---- interfaces ---------------------------------------------------------------------------------
class IDirect3D9;
class IDirect3DDevice9;
class IDirect3DResource9;
class IDirect3DBaseTexture9;
class IDirect3DTexture9;
class IDirect3DSurface9;
class IDirect3DVertexBuffer9;
class IDirect3DIndexBuffer9;
class IDirect3DVertexDeclaration9;
class IDirect3DStateBlock9;
class IDirect3DQuery9;
// Declared for the device's slot list only; this device never creates them.
class IDirect3DSwapChain9;
class IDirect3DVolumeTexture9;
class IDirect3DCubeTexture9;
class IDirect3DVertexShader9;
class IDirect3DPixelShader9;

struct D3DRECTPATCH_INFO;
struct D3DTRIPATCH_INFO;

class IDirect3D9 : public IUnknown {
public:
    virtual HRESULT RegisterSoftwareDevice(void* initializeFunction) = 0;
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) = 0;
    virtual UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) = 0;
    virtual HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                    D3DFORMAT BackBufferFormat, BOOL bWindowed) = 0;
    virtual HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                      D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) = 0;
    virtual HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                               BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType,
                                               DWORD* pQualityLevels) = 0;
    virtual HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                           D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) = 0;
    virtual HRESULT CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SourceFormat,
                                                D3DFORMAT TargetFormat) = 0;
    virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) = 0;
    virtual HMONITOR GetAdapterMonitor(UINT Adapter) = 0;
    virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

class IDirect3DDevice9 : public IUnknown {
public:
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual UINT GetAvailableTextureMem() = 0;
    virtual HRESULT EvictManagedResources() = 0;
    virtual HRESULT GetDirect3D(IDirect3D9** ppD3D9) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* pCaps) = 0;
    virtual HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) = 0;
    virtual HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface9* pCursorBitmap) = 0;
    virtual void SetCursorPosition(INT X, INT Y, DWORD Flags) = 0;
    virtual BOOL ShowCursor(BOOL bShow) = 0;
    virtual HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                              IDirect3DSwapChain9** pSwapChain) = 0;
    virtual HRESULT GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain) = 0;
    virtual UINT GetNumberOfSwapChains() = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) = 0;
    virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                            const RGNDATA* pDirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                  IDirect3DSurface9** ppBackBuffer) = 0;
    virtual HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) = 0;
    virtual HRESULT SetDialogBoxMode(BOOL bEnableDialogs) = 0;
    virtual void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) = 0;
    virtual void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) = 0;
    virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                        D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture,
                                        HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DCubeTexture9** ppCubeTexture, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                       DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                                       HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                              D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL Discard,
                                              IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) = 0;
    virtual HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                  IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) = 0;
    virtual HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                                  IDirect3DBaseTexture9* pDestinationTexture) = 0;
    virtual HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) = 0;
    virtual HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) = 0;
    virtual HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                D3DTEXTUREFILTERTYPE Filter) = 0;
    virtual HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) = 0;
    virtual HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) = 0;
    virtual HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) = 0;
    virtual HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) = 0;
    virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) = 0;
    virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL9* pMaterial) = 0;
    virtual HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) = 0;
    virtual HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) = 0;
    virtual HRESULT LightEnable(DWORD Index, BOOL Enable) = 0;
    virtual HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) = 0;
    virtual HRESULT SetClipPlane(DWORD Index, const float* pPlane) = 0;
    virtual HRESULT GetClipPlane(DWORD Index, float* pPlane) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
    virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) = 0;
    virtual HRESULT BeginStateBlock() = 0;
    virtual HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) = 0;
    virtual HRESULT SetClipStatus(const D3DCLIPSTATUS9* pClipStatus) = 0;
    virtual HRESULT GetClipStatus(D3DCLIPSTATUS9* pClipStatus) = 0;
    virtual HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) = 0;
    virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) = 0;
    virtual HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) = 0;
    virtual HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) = 0;
    virtual HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT ValidateDevice(DWORD* pNumPasses) = 0;
    virtual HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) = 0;
    virtual HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) = 0;
    virtual HRESULT SetCurrentTexturePalette(UINT PaletteNumber) = 0;
    virtual HRESULT GetCurrentTexturePalette(UINT* PaletteNumber) = 0;
    virtual HRESULT SetScissorRect(const RECT* pRect) = 0;
    virtual HRESULT GetScissorRect(RECT* pRect) = 0;
    virtual HRESULT SetSoftwareVertexProcessing(BOOL bSoftware) = 0;
    virtual BOOL GetSoftwareVertexProcessing() = 0;
    virtual HRESULT SetNPatchMode(float nSegments) = 0;
    virtual float GetNPatchMode() = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                         UINT NumVertices, UINT startIndex, UINT primCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                    const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                           UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                           const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) = 0;
    virtual HRESULT ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount,
                                    IDirect3DVertexBuffer9* pDestBuffer, IDirect3DVertexDeclaration9* pVertexDecl,
                                    DWORD Flags) = 0;
    virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                            IDirect3DVertexDeclaration9** ppDecl) = 0;
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) = 0;
    virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) = 0;
    virtual HRESULT SetFVF(DWORD FVF) = 0;
    virtual HRESULT GetFVF(DWORD* pFVF) = 0;
    virtual HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) = 0;
    virtual HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) = 0;
    virtual HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) = 0;
    virtual HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) = 0;
    virtual HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) = 0;
    virtual HRESULT SetVertexShaderConstantI(UINT StartRegister, const INT* pConstantData, UINT Vector4iCount) = 0;
    virtual HRESULT GetVertexShaderConstantI(UINT StartRegister, INT* pConstantData, UINT Vector4iCount) = 0;
    virtual HRESULT SetVertexShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) = 0;
    virtual HRESULT GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) = 0;
    virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                    UINT Stride) = 0;
    virtual HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                    UINT* pStride) = 0;
    virtual HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) = 0;
    virtual HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) = 0;
    virtual HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) = 0;
    virtual HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) = 0;
    virtual HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) = 0;
    virtual HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) = 0;
    virtual HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) = 0;
    virtual HRESULT SetPixelShaderConstantI(UINT StartRegister, const INT* pConstantData, UINT Vector4iCount) = 0;
    virtual HRESULT GetPixelShaderConstantI(UINT StartRegister, INT* pConstantData, UINT Vector4iCount) = 0;
    virtual HRESULT SetPixelShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) = 0;
    virtual HRESULT GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) = 0;
    virtual HRESULT DrawRectPatch(UINT Handle, const float* pNumSegs, const D3DRECTPATCH_INFO* pRectPatchInfo) = 0;
    virtual HRESULT DrawTriPatch(UINT Handle, const float* pNumSegs, const D3DTRIPATCH_INFO* pTriPatchInfo) = 0;
    virtual HRESULT DeletePatch(UINT Handle) = 0;
    virtual HRESULT CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) = 0;
};

class IDirect3DResource9 : public IUnknown {
public:
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT SetPrivateData(REFGUID refguid, const void* pData, DWORD SizeOfData, DWORD Flags) = 0;
    virtual HRESULT GetPrivateData(REFGUID refguid, void* pData, DWORD* pSizeOfData) = 0;
    virtual HRESULT FreePrivateData(REFGUID refguid) = 0;
    virtual DWORD SetPriority(DWORD PriorityNew) = 0;
    virtual DWORD GetPriority() = 0;
    virtual void PreLoad() = 0;
    virtual D3DRESOURCETYPE GetType() = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
public:
    virtual DWORD SetLOD(DWORD LODNew) = 0;
    virtual DWORD GetLOD() = 0;
    virtual DWORD GetLevelCount() = 0;
    virtual HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) = 0;
    virtual D3DTEXTUREFILTERTYPE GetAutoGenFilterType() = 0;
    virtual void GenerateMipSubLevels() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
public:
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) = 0;
    virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect(UINT Level) = 0;
    virtual HRESULT AddDirtyRect(const RECT* pDirtyRect) = 0;
};

class IDirect3DSurface9 : public IDirect3DResource9 {
public:
    virtual HRESULT GetContainer(REFIID riid, void** ppContainer) = 0;
    virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect() = 0;
    virtual HRESULT GetDC(HDC* phdc) = 0;
    virtual HRESULT ReleaseDC(HDC hdc) = 0;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
public:
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
public:
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DVertexDeclaration9 : public IUnknown {
public:
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) = 0;
};

class IDirect3DStateBlock9 : public IUnknown {
public:
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT Capture() = 0;
    virtual HRESULT Apply() = 0;
};

class IDirect3DQuery9 : public IUnknown {
public:
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual D3DQUERYTYPE GetType() = 0;
    virtual DWORD GetDataSize() = 0;
    virtual HRESULT Issue(DWORD dwIssueFlags) = 0;
    virtual HRESULT GetData(void* pData, DWORD dwSize, DWORD dwGetDataFlags) = 0;
};

// Identifiers: ours, one family, each interface once.
WIN32_DECLARE_IID(IDirect3D9, {0x5D3D9001, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x01}});
WIN32_DECLARE_IID(IDirect3DDevice9, {0x5D3D9002, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x02}});
WIN32_DECLARE_IID(IDirect3DResource9, {0x5D3D9003, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x03}});
WIN32_DECLARE_IID(IDirect3DBaseTexture9,
                  {0x5D3D9004, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x04}});
WIN32_DECLARE_IID(IDirect3DTexture9, {0x5D3D9005, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x05}});
WIN32_DECLARE_IID(IDirect3DSurface9, {0x5D3D9006, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x06}});
WIN32_DECLARE_IID(IDirect3DVertexBuffer9,
                  {0x5D3D9007, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x07}});
WIN32_DECLARE_IID(IDirect3DIndexBuffer9,
                  {0x5D3D9008, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x08}});
WIN32_DECLARE_IID(IDirect3DVertexDeclaration9,
                  {0x5D3D9009, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x09}});
WIN32_DECLARE_IID(IDirect3DStateBlock9, {0x5D3D900A, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x0A}});
WIN32_DECLARE_IID(IDirect3DQuery9, {0x5D3D900B, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0x0B}});

using LPDIRECT3D9 = IDirect3D9*;
using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DRESOURCE9 = IDirect3DResource9*;
using LPDIRECT3DBASETEXTURE9 = IDirect3DBaseTexture9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DSURFACE9 = IDirect3DSurface9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;
using LPDIRECT3DVERTEXDECLARATION9 = IDirect3DVertexDeclaration9*;
using LPDIRECT3DSTATEBLOCK9 = IDirect3DStateBlock9*;
using LPDIRECT3DQUERY9 = IDirect3DQuery9*;

// The root object. SDK version 31 is the only one this runtime answers; any other yields null.
IDirect3D9* Direct3DCreate9(UINT SDKVersion);
// Silences the device's refusal notes while on; found at run time through GetProcAddress.
void DebugSetMute(BOOL mute);
