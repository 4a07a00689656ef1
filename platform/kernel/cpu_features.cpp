#include "platform/kernel/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

platform::kernel::CpuidHook& cpuidHook() {
    static platform::kernel::CpuidHook hook;
    return hook;
}

platform::kernel::ProcessorFeatureHook& featureHook() {
    static platform::kernel::ProcessorFeatureHook hook;
    return hook;
}

platform::kernel::CpuidResult hardwareCpuid(DWORD leaf, DWORD subleaf) {
    platform::kernel::CpuidResult r;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, subleaf, a, b, c, d);
    r = {a, b, c, d};
#else
    (void)leaf;
    (void)subleaf;
#endif
    return r;
}

// Leaf 1 EDX/ECX, or zeros when the processor stops at leaf 0.
platform::kernel::CpuidResult standardFeatures() {
    if (platform::kernel::cpuid(0).eax < 1) {
        return {};
    }
    return platform::kernel::cpuid(1);
}

DWORD extendedFeaturesEdx() {
    DWORD highest = platform::kernel::cpuid(platform::kernel::kCpuidExtendedBase).eax;
    if (highest < platform::kernel::kCpuidExtendedBase + 1) {
        return 0;
    }
    return platform::kernel::cpuid(platform::kernel::kCpuidExtendedBase + 1).edx;
}

}  // namespace

BOOL IsProcessorFeaturePresent(DWORD feature) {
    using namespace platform::kernel;
    if (const ProcessorFeatureHook& hook = featureHook()) {
        if (std::optional<bool> answer = hook(feature)) {
            return *answer ? TRUE : FALSE;
        }
    }
    switch (feature) {
    case PF_FLOATING_POINT_PRECISION_ERRATA:
    case PF_FLOATING_POINT_EMULATED:
        return FALSE;  // hardware floating point without the old division erratum
    case PF_COMPARE_EXCHANGE_DOUBLE:
        return (standardFeatures().edx & kCpuidEdxCx8) != 0;
    case PF_MMX_INSTRUCTIONS_AVAILABLE:
        return (standardFeatures().edx & kCpuidEdxMmx) != 0;
    case PF_XMMI_INSTRUCTIONS_AVAILABLE:
        return (standardFeatures().edx & kCpuidEdxSse) != 0;
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE:
        return (standardFeatures().edx & kCpuidEdxSse2) != 0;
    case PF_SSE3_INSTRUCTIONS_AVAILABLE:
        return (standardFeatures().ecx & kCpuidEcxSse3) != 0;
    case PF_RDTSC_INSTRUCTION_AVAILABLE:
        return (standardFeatures().edx & kCpuidEdxRdtsc) != 0;
    case PF_PAE_ENABLED:
        return (standardFeatures().edx & kCpuidEdxPae) != 0;
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE:
        return (extendedFeaturesEdx() & kCpuidExtEdx3DNow) != 0;
    default:
        return FALSE;
    }
}

namespace platform::kernel {

CpuidResult cpuid(DWORD leaf, DWORD subleaf) {
    if (const CpuidHook& hook = cpuidHook()) {
        if (std::optional<CpuidResult> answer = hook(leaf, subleaf)) {
            return *answer;
        }
    }
    return hardwareCpuid(leaf, subleaf);
}

void setCpuidHook(CpuidHook hook) { cpuidHook() = std::move(hook); }

void setProcessorFeatureHook(ProcessorFeatureHook hook) { featureHook() = std::move(hook); }

}  // namespace platform::kernel
