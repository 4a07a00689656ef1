// LocalAlloc and LocalFree, as far as callers need them: FormatMessageA hands out its text in a
// block that the caller releases with LocalFree.
//
// Only fixed blocks exist (LMEM_FIXED, optionally LMEM_ZEROINIT); LMEM_MOVEABLE is refused with
// ERROR_INVALID_PARAMETER. Blocks are tracked, so LocalFree of a pointer that is not a live block
// fails (returns the pointer, ERROR_INVALID_HANDLE) instead of corrupting the heap.
#pragma once

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

using HLOCAL = HANDLE;

inline constexpr UINT LMEM_FIXED = 0x0000;
inline constexpr UINT LMEM_MOVEABLE = 0x0002;
inline constexpr UINT LMEM_ZEROINIT = 0x0040;
inline constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);  // null on success (and for a null block)
