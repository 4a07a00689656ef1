// The texture loader's public interface: image information, surface loading and texture creation
// from image files.
//
// Callers rely on: every function checks its arguments first and reports each refusal as one
// diagnostic line on the library channel with a status; output arguments are written only on
// success; nothing is thrown. The decoders recognise a file by its content, never by its name.
#pragma once

#include "gfxutil/core/shared_types.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"

inline constexpr DWORD D3DX_FILTER_NONE = 1;
inline constexpr DWORD D3DX_FILTER_POINT = 2;
inline constexpr DWORD D3DX_FILTER_LINEAR = 3;
inline constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
inline constexpr DWORD D3DX_FILTER_BOX = 5;
inline constexpr DWORD D3DX_FILTER_MIRROR_U = 0x10000;
inline constexpr DWORD D3DX_FILTER_MIRROR_V = 0x20000;
inline constexpr DWORD D3DX_FILTER_MIRROR_W = 0x40000;
inline constexpr DWORD D3DX_FILTER_MIRROR = 0x70000;
inline constexpr DWORD D3DX_FILTER_DITHER = 0x80000;
inline constexpr DWORD D3DX_FILTER_DITHER_DIFFUSION = 0x100000;
inline constexpr DWORD D3DX_FILTER_SRGB_IN = 0x200000;
inline constexpr DWORD D3DX_FILTER_SRGB_OUT = 0x400000;
inline constexpr DWORD D3DX_FILTER_SRGB = 0x600000;

enum D3DXIMAGE_FILEFORMAT : DWORD {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7FFFFFFF,
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};
static_assert(sizeof(D3DXIMAGE_INFO) == 28);

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo);
HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                  const RECT* pDestRect, LPCVOID pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                                  const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                  D3DCOLOR ColorKey);
HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                   const RECT* pDestRect, IDirect3DSurface9* pSrcSurface,
                                   const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                   D3DCOLOR ColorKey);

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice9* pDevice, UINT* pWidth, UINT* pHeight, UINT* pNumMipLevels,
                                     DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool);
HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture);
HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* pBaseTexture, const PALETTEENTRY* pPalette, UINT SrcLevel,
                          DWORD Filter);

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, IDirect3DTexture9** ppTexture);
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture);
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                            UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            IDirect3DTexture9** ppTexture);
