// The dispatch table, its initialising entries, the public entry points and the selection.
#include "gfxutil/math/dispatch.h"

#include <new>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/math/sse2_forms.h"
#include "platform/d3d9/d3d9.h"
#include "platform/kernel/cpu_features.h"
#include "platform/kernel/debug_output.h"

namespace gfxutil::math {

namespace {

// Initialising entries: select, then continue through the same slot.
#define GFX_INIT_DECLARATION(slot, name, body, Ret, params, args) Ret init_##body params;
GFX_MATH_SLOTS(GFX_INIT_DECLARATION)
#undef GFX_INIT_DECLARATION

const AnyFunction kInitialising[kSlotCount] = {
#define GFX_INIT_ADDRESS(slot, name, body, Ret, params, args) anyFunction(&init_##body),
    GFX_MATH_SLOTS(GFX_INIT_ADDRESS)
#undef GFX_INIT_ADDRESS
};

// Constant-initialised, so that a dispatched call from any static initialiser finds it filled.
AnyFunction g_table[kSlotCount] = {
#define GFX_INIT_ADDRESS(slot, name, body, Ret, params, args) anyFunction(&init_##body),
    GFX_MATH_SLOTS(GFX_INIT_ADDRESS)
#undef GFX_INIT_ADDRESS
};

#define GFX_INIT_ENTRY(slot, name, body, Ret, params, args)        \
    Ret init_##body params {                                        \
        selectMathImplementations(1);                               \
        return reinterpret_cast<Ret(*) params>(g_table[slot]) args; \
    }
GFX_MATH_SLOTS(GFX_INIT_ENTRY)
#undef GFX_INIT_ENTRY

DWORD g_state = kNotSelected;

void apply(std::span<const SlotForm> set) {
    for (const SlotForm& f : set) g_table[f.slot] = f.form;
}

// A zero-byte allocation must give a unique non-null block and freeing null must do nothing;
// the library keeps zero-length buffers and relies on both.
void checkAllocatorOnce() {
    static bool checked = false;
    if (checked) return;
    checked = true;
    void* first = ::operator new(0, std::nothrow);
    void* second = ::operator new(0, std::nothrow);
    const bool conforms = first != nullptr && second != nullptr && first != second;
    ::operator delete(first);
    ::operator delete(second);
    ::operator delete(static_cast<void*>(nullptr));
    if (!conforms) {
        OutputDebugStringA("D3DX: (WARN) Overloaded ::new and ::delete operators do not conform to C++ standards:\r\n");
        OutputDebugStringA("D3DX: (WARN) An allocation of zero bytes should return a unique non-null pointer to at\r\n");
        OutputDebugStringA("D3DX: (WARN) least zero bytes. Deletion of a null pointer should quietly do nothing.\r\n");
        OutputDebugStringA("D3DX: (WARN) D3DX relies upon this behavior.\r\n");
    }
}

// The switch: "DisablePSGP", overridden by "DisableD3DXPSGP" when that one can be read.
DWORD readSwitch() {
    DWORD d = 0;
    gfxutil::core::readRegistryDword("DisablePSGP", &d);
    gfxutil::core::readRegistryDword("DisableD3DXPSGP", &d);
    return d;
}

struct CpuBits {
    bool mmx = false, sse = false, sse2 = false;
    bool threeDNow = false, threeDNowExt = false, mmxExt = false;
};

CpuBits queryCpu() {
    using platform::kernel::cpuid;
    namespace k = platform::kernel;
    CpuBits bits;
    if (cpuid(0).eax == 0) return bits;
    const DWORD edx = cpuid(1).edx;
    bits.mmx = (edx & k::kCpuidEdxMmx) != 0;
    bits.sse = (edx & k::kCpuidEdxSse) != 0;
    bits.sse2 = (edx & k::kCpuidEdxSse2) != 0;
    if (cpuid(k::kCpuidExtendedBase).eax > k::kCpuidExtendedBase) {
        const DWORD ext = cpuid(k::kCpuidExtendedBase + 1).edx;
        bits.threeDNow = (ext & k::kCpuidExtEdx3DNow) != 0;
        bits.threeDNowExt = (ext & k::kCpuidExtEdx3DNowExt) != 0;
        bits.mmxExt = (ext & k::kCpuidExtEdxMmxExt) != 0;
    }
    return bits;
}

// The 3DNow! set applies its parts by what the processor itself reports: a system that claims
// 3DNow! for a processor without MMX keeps the portable forms.
void apply3DNow(const CpuBits& bits) {
    if (!(bits.mmx && bits.threeDNow)) return;
    apply(threeDNowSet());
    if (bits.threeDNowExt && bits.mmxExt) apply(threeDNowExtendedSet());
    if (bits.sse) apply(threeDNowSseArraySet());
}

}  // namespace

DWORD selectMathImplementations(int request) {
    checkAllocatorOnce();
    if (request == 0) {
        g_state = kNotSelected;
        for (int i = 0; i < kSlotCount; ++i) g_table[i] = kInitialising[i];
        return g_state;
    }
    if (g_state != kNotSelected) return g_state;

    g_state = kSelectedPortable;
    for (int i = 0; i < kSlotCount; ++i) g_table[i] = portableTable()[i];
    apply(portableFastSet());

    const DWORD d = readSwitch();
    if (d == 1) return g_state;
    const CpuBits bits = queryCpu();
    if (d != 2 && IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE)) {
        DebugMessage(0, "(INFO) Using 3DNow Instructions");
        apply3DNow(bits);
        g_state = kSelected3DNow;
    } else if (bits.sse2) {
        DebugMessage(0, "(INFO) Using SSE2 Instructions");
        apply(sse2Set());
        if (avx2::available()) apply(avx2Set());
        if (avx2::available() && avx512::available()) apply(avx512Set());
        g_state = kSelectedSse2;
    } else if (IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE)) {
        DebugMessage(0, "(INFO) Using SSE Instructions");
        apply(sseSet());
        g_state = kSelectedSse;
    } else {
        DebugMessage(0, "(INFO) Using x87 Instructions");
    }
    return g_state;
}

AnyFunction dispatchedForm(int slot) { return g_table[slot]; }
AnyFunction initialisingForm(int slot) { return kInitialising[slot]; }

}  // namespace gfxutil::math

// The public entry points: one indirect call each.
#define GFX_PUBLIC_ENTRY(slot, name, body, Ret, params, args) \
    Ret name params { return reinterpret_cast<Ret(*) params>(::gfxutil::math::g_table[slot]) args; }
GFX_MATH_SLOTS(GFX_PUBLIC_ENTRY)
#undef GFX_PUBLIC_ENTRY
