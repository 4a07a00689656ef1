// What the software device reports about itself: its capabilities and the formats it supports.
//
// Both describe the device as it really is, because the library sizes and formats textures from
// them: one adapter with the HAL device type; hardware transform and lighting (unless the
// D3D9_SOFTWARE_VP switch hides it); textures up to 4096 x 4096 of the rasteriser's sampled formats,
// power-of-two sizes preferred but others accepted (conditional non-power-of-two); full mip chains
// with point and linear filtering including linear mip filtering; every comparison function for the
// alpha and depth tests; two texture stages, eight lights, six user clip planes, four streams;
// 32-bit indices up to 0xFFFFFF. What the rasteriser does not do (stencil operations, shaders,
// point sizes, vertex blending, anisotropic filtering) is not reported.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

inline constexpr UINT kMaxTextureSize = 4096;
inline constexpr UINT kMaxTextureStages = 8;  // stage state kept for all eight; two are drawn
inline constexpr UINT kMaxSamplers = 16;
inline constexpr UINT kMaxStreams = 4;
inline constexpr UINT kMaxStreamStride = 1024;
inline constexpr UINT kMaxClipPlanes = 6;
inline constexpr UINT kMaxActiveLights = 8;
inline constexpr DWORD kMaxVertexIndex = 0x00FFFFFF;
inline constexpr DWORD kMaxPrimitiveCount = 0x00FFFFFF;

D3DCAPS9 softwareDeviceCaps(bool hardwareTransformAndLighting);

// The answer of IDirect3D9::CheckDeviceFormat for adapter 0 and the HAL device.
HRESULT checkDeviceFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE resourceType, D3DFORMAT format);

}  // namespace platform::d3d9
