// The markers and statuses every part of the graphics utility library shares.
//
// D3DX_DEFAULT (and D3DX_DEFAULT_FLOAT for float sizes) means "let the library choose"; each
// function says what it chooses. The library's own failure statuses sit beside the device's.
#pragma once

#include <cfloat>

#include "platform/win32/types.h"

inline constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
inline constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
inline constexpr FLOAT D3DX_DEFAULT_FLOAT = FLT_MAX;

inline constexpr HRESULT D3DXERR_INVALIDMESH = MAKE_HRESULT_VALUE(0x88760B55u);
inline constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_HRESULT_VALUE(0x88760B59u);
