#include "platform/kernel/cpu_features.h"

#include <gtest/gtest.h>

namespace {

using platform::kernel::CpuidResult;

// Restores the real processor after each test.
class CpuFeatures : public testing::Test {
protected:
    ~CpuFeatures() override {
        platform::kernel::setCpuidHook({});
        platform::kernel::setProcessorFeatureHook({});
    }
};

struct FeatureBit {
    const char* name;
    DWORD feature;
    bool extended;  // leaf 0x80000001 instead of leaf 1
    bool inEcx;
    DWORD bit;
};

constexpr FeatureBit kFeatureBits[] = {
    {"MMX", PF_MMX_INSTRUCTIONS_AVAILABLE, false, false, platform::kernel::kCpuidEdxMmx},
    {"SSE", PF_XMMI_INSTRUCTIONS_AVAILABLE, false, false, platform::kernel::kCpuidEdxSse},
    {"SSE2", PF_XMMI64_INSTRUCTIONS_AVAILABLE, false, false, platform::kernel::kCpuidEdxSse2},
    {"SSE3", PF_SSE3_INSTRUCTIONS_AVAILABLE, false, true, platform::kernel::kCpuidEcxSse3},
    {"RDTSC", PF_RDTSC_INSTRUCTION_AVAILABLE, false, false, platform::kernel::kCpuidEdxRdtsc},
    {"CX8", PF_COMPARE_EXCHANGE_DOUBLE, false, false, platform::kernel::kCpuidEdxCx8},
    {"3DNow", PF_3DNOW_INSTRUCTIONS_AVAILABLE, true, false, platform::kernel::kCpuidExtEdx3DNow},
};

TEST_F(CpuFeatures, FeatureAnswersAgreeWithCpuidOnThisMachine) {
    DWORD highest = platform::kernel::cpuid(0).eax;
    DWORD highestExtended = platform::kernel::cpuid(platform::kernel::kCpuidExtendedBase).eax;
    CpuidResult standard = highest >= 1 ? platform::kernel::cpuid(1) : CpuidResult{};
    CpuidResult extended = highestExtended >= platform::kernel::kCpuidExtendedBase + 1
                               ? platform::kernel::cpuid(platform::kernel::kCpuidExtendedBase + 1)
                               : CpuidResult{};
    for (const FeatureBit& f : kFeatureBits) {
        SCOPED_TRACE(f.name);
        const CpuidResult& leaf = f.extended ? extended : standard;
        bool expected = ((f.inEcx ? leaf.ecx : leaf.edx) & f.bit) != 0;
        EXPECT_EQ(IsProcessorFeaturePresent(f.feature) != FALSE, expected);
    }
}

#if defined(__x86_64__)
TEST_F(CpuFeatures, X86_64ProcessorsAlwaysReportTheBaseline) {
    // Every x86-64 processor has MMX, SSE and SSE2; a wrong leaf or bit would lose them.
    EXPECT_GE(platform::kernel::cpuid(0).eax, 1u);
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    // The vendor string of leaf 0 is twelve printable characters.
    CpuidResult leaf0 = platform::kernel::cpuid(0);
    for (DWORD reg : {leaf0.ebx, leaf0.edx, leaf0.ecx}) {
        for (int i = 0; i < 4; ++i) {
            char c = static_cast<char>((reg >> (8 * i)) & 0xFF);
            EXPECT_GE(c, 0x20);
            EXPECT_LT(c, 0x7F);
        }
    }
}
#endif

TEST_F(CpuFeatures, SimulatedProcessorsThroughTheCpuidHook) {
    struct Processor {
        const char* name;
        DWORD highest;
        DWORD leaf1Edx;
        DWORD highestExtended;
        DWORD extendedEdx;
        bool mmx, sse, sse2, threeDNow;
    };
    using namespace platform::kernel;
    constexpr Processor kProcessors[] = {
        {"no leaf 1", 0, kCpuidEdxMmx | kCpuidEdxSse | kCpuidEdxSse2, 0, 0, false, false, false, false},
        {"SSE2 without 3DNow", 1, kCpuidEdxMmx | kCpuidEdxSse | kCpuidEdxSse2, 0x80000001, 0, true, true, true,
         false},
        {"3DNow with MMX", 1, kCpuidEdxMmx, 0x80000001, kCpuidExtEdx3DNow, true, false, false, true},
        {"3DNow bit without the extended leaf", 1, kCpuidEdxMmx, 0x80000000, kCpuidExtEdx3DNow, true, false,
         false, false},
        {"SSE only", 2, kCpuidEdxSse, 0x80000008, 0, false, true, false, false},
    };
    for (const Processor& p : kProcessors) {
        SCOPED_TRACE(p.name);
        setCpuidHook([&p](DWORD leaf, DWORD) -> std::optional<CpuidResult> {
            switch (leaf) {
            case 0: return CpuidResult{p.highest, 0, 0, 0};
            case 1: return CpuidResult{0, 0, 0, p.leaf1Edx};
            case 0x80000000: return CpuidResult{p.highestExtended, 0, 0, 0};
            case 0x80000001: return CpuidResult{0, 0, 0, p.extendedEdx};
            default: return CpuidResult{};
            }
        });
        EXPECT_EQ(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE) != FALSE, p.mmx);
        EXPECT_EQ(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != FALSE, p.sse);
        EXPECT_EQ(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE, p.sse2);
        EXPECT_EQ(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE) != FALSE, p.threeDNow);
    }
}

TEST_F(CpuFeatures, CpuidHookMayLeaveLeavesToTheProcessor) {
    CpuidResult real = platform::kernel::cpuid(0);
    platform::kernel::setCpuidHook([](DWORD leaf, DWORD) -> std::optional<CpuidResult> {
        if (leaf == 0x80000001) {
            return CpuidResult{0, 0, 0, platform::kernel::kCpuidExtEdx3DNow};
        }
        return std::nullopt;
    });
    CpuidResult passed = platform::kernel::cpuid(0);
    EXPECT_EQ(passed.eax, real.eax);
    EXPECT_EQ(passed.ebx, real.ebx);
    EXPECT_EQ(platform::kernel::cpuid(0x80000001).edx, platform::kernel::kCpuidExtEdx3DNow);
}

TEST_F(CpuFeatures, FeatureHookCanDisagreeWithCpuid) {
    // A system that reports 3DNow! while the processor lacks MMX: callers must cope with both.
    platform::kernel::setProcessorFeatureHook([](DWORD feature) -> std::optional<bool> {
        if (feature == PF_3DNOW_INSTRUCTIONS_AVAILABLE) return true;
        if (feature == PF_MMX_INSTRUCTIONS_AVAILABLE) return false;
        return std::nullopt;
    });
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
    bool sse2 = (platform::kernel::cpuid(1).edx & platform::kernel::kCpuidEdxSse2) != 0;
    EXPECT_EQ(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE, sse2);
}

TEST_F(CpuFeatures, UnknownAndAbsentFeatures) {
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_FLOATING_POINT_EMULATED));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_FLOATING_POINT_PRECISION_ERRATA));
    EXPECT_FALSE(IsProcessorFeaturePresent(999));
}

}  // namespace
