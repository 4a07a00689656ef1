// The processor-specific dispatch of the math functions.
//
// Each dispatched public function forwards, arguments untouched, through its slot of a table of
// 73 function addresses. The table starts out with initialising entries: the first call of any
// dispatched function selects, once for the process, the implementation of every slot and then
// continues into it. Selection copies the portable table, writes the portable fast set over it
// and then, unless the registry switches it off, one processor set:
//
//   "DisablePSGP" / "DisableD3DXPSGP" (DWORDs under HKEY_LOCAL_MACHINE\Software\Direct3D; the
//   second wins when both are set; a value of another type is ignored): 1 keeps the portable
//   forms, 2 skips the 3DNow! set only.
//
// and says which one it chose on the library's diagnostic channel ("(INFO) Using SSE2
// Instructions" and so on). State: 0xFFFF before selection, then 0 portable, 1 3DNow!, 2 SSE2,
// 3 SSE.
//
// Choices made here:
// - Every processor form gives the portable bits: the forms repeat the portable order of
//   operations in double-precision lanes (sse2_forms.h). The sets list only the slots that have a
//   form of their own; the other slots the published lists name keep the portable form.
// - On a processor with AVX2 and FMA, forms for those instructions go over the SSE2 set, and on
//   one with AVX-512 wider ones again; the choice is part of the one selection and writes no
//   message of its own.
// - D3DXVec3TransformCoordArray's processor forms work in float lanes for speed, within a few
//   units in the last place of the portable results rather than on its bits (coord_blocks.h).
//   The demo's frames do not depend on it: the renderer does not call it. The sprite module does,
//   for sprites under a transform other than the identity.
// - The 3DNow! set holds two-lane forms (pair_forms.cpp), since 64-bit code cannot issue 3DNow!
//   instructions; it is chosen only when the system reports 3DNow!, and tests force it through
//   the kernel layer's processor hooks.
// - A reset (request 0) returns the table to its initialising entries, so the next dispatched
//   call selects again (and reads the registry again); the state reads 0xFFFF meanwhile, as
//   before the first selection.
#pragma once

#include <span>

#include "gfxutil/math/portable.h"

namespace gfxutil::math {

inline constexpr int kSlotCount = 73;

inline constexpr DWORD kNotSelected = 0xFFFF;
inline constexpr DWORD kSelectedPortable = 0;
inline constexpr DWORD kSelected3DNow = 1;
inline constexpr DWORD kSelectedSse2 = 2;
inline constexpr DWORD kSelectedSse = 3;

// A slot's function address, whatever its signature.
using AnyFunction = void (*)();

template <class F>
inline AnyFunction anyFunction(F* f) {
    return reinterpret_cast<AnyFunction>(f);
}

struct SlotForm {
    int slot;
    AnyFunction form;
};

// Request nonzero: select (once); zero: reset. Returns the selection state.
DWORD selectMathImplementations(int request);

// What slot `slot` of the dispatch table holds now, and its initialising entry.
AnyFunction dispatchedForm(int slot);
AnyFunction initialisingForm(int slot);

// The tables and sets the selection writes from.
std::span<const AnyFunction, kSlotCount> portableTable();
std::span<const SlotForm> portableFastSet();
std::span<const SlotForm> sseSet();
std::span<const SlotForm> sse2Set();
std::span<const SlotForm> threeDNowSet();          // with MMX and 3DNow!
std::span<const SlotForm> threeDNowExtendedSet();  // and with the 3DNow! and MMX extensions
std::span<const SlotForm> threeDNowSseArraySet();  // and with SSE: the array transforms
std::span<const SlotForm> avx2Set();               // over the SSE2 set with AVX2 and FMA
std::span<const SlotForm> avx512Set();             // and then with AVX-512

}  // namespace gfxutil::math
