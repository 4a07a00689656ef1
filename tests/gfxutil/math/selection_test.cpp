// The one-time selection: registry switches read from REGEDIT4 files, processors simulated through
// the kernel layer's hooks, the messages, selecting once and the reset request.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/math/dispatch.h"
#include "gfxutil/math/sse2_forms.h"
#include "platform/kernel/cpu_features.h"
#include "platform/kernel/registry.h"
#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using namespace gfxutil::math;
using platform::kernel::CpuidResult;

// The processors the cases pretend to run on. Leaf 1 EDX and leaf 0x80000001 EDX; nullopt leaves
// a leaf to the real processor.
struct Processor {
    std::optional<DWORD> leaf1Edx;
    std::optional<DWORD> extEdx;
    std::optional<bool> reports3DNow;  // what IsProcessorFeaturePresent says
    std::optional<bool> reportsSse;
};

constexpr DWORD kMmx = platform::kernel::kCpuidEdxMmx;
constexpr DWORD kSse = platform::kernel::kCpuidEdxSse;
constexpr DWORD kSse2 = platform::kernel::kCpuidEdxSse2;
constexpr DWORD k3DNow = platform::kernel::kCpuidExtEdx3DNow;
constexpr DWORD k3DNowAll = k3DNow | platform::kernel::kCpuidExtEdx3DNowExt | platform::kernel::kCpuidExtEdxMmxExt;

class Selection : public testing::Test {
protected:
    Selection()
        : m_profile("WIN32_PROFILE", m_dir.path("absent.ini")), m_registry("WIN32_REGISTRY", std::nullopt) {
        selectMathImplementations(0);
        gfxutil::core::resetDiagnosticsForTesting();
        platform::kernel::reloadRegistry();
    }
    ~Selection() override {
        platform::kernel::setCpuidHook({});
        platform::kernel::setProcessorFeatureHook({});
        selectMathImplementations(0);  // the next test selects afresh, on the real processor
        platform::kernel::reloadRegistry();
    }

    void useRegistry(const std::string& values) {
        const std::string file =
            m_dir.write("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n" + values);
        m_registryFile.emplace("WIN32_REGISTRY", file);
        platform::kernel::reloadRegistry();
    }

    static void pretend(const Processor& p) {
        platform::kernel::setCpuidHook([p](DWORD leaf, DWORD) -> std::optional<CpuidResult> {
            if (leaf == 0 && p.leaf1Edx) return CpuidResult{1, 0, 0, 0};
            if (leaf == 1 && p.leaf1Edx) return CpuidResult{0, 0, 0, *p.leaf1Edx};
            if (leaf == 0x80000000u && p.extEdx) return CpuidResult{0x80000001u, 0, 0, 0};
            if (leaf == 0x80000001u && p.extEdx) return CpuidResult{0, 0, 0, *p.extEdx};
            return std::nullopt;
        });
        platform::kernel::setProcessorFeatureHook([p](DWORD feature) -> std::optional<bool> {
            if (feature == PF_3DNOW_INSTRUCTIONS_AVAILABLE) return p.reports3DNow;
            if (feature == PF_XMMI_INSTRUCTIONS_AVAILABLE) return p.reportsSse;
            return std::nullopt;
        });
    }

    // Runs the selection through a dispatched call and returns the lines written.
    std::vector<std::string> firstCall() {
        kernel_test::DebugOutputCapture capture;
        D3DXVECTOR3 v(0.0f, 3.0f, 4.0f);
        EXPECT_EQ(&v, D3DXVec3Normalize(&v, &v));
        EXPECT_FLOAT_EQ(0.8f, v.z);
        return capture.calls();
    }

    kernel_test::ScratchDir m_dir;
    kernel_test::ScopedEnv m_profile;
    kernel_test::ScopedEnv m_registry;
    std::optional<kernel_test::ScopedEnv> m_registryFile;
};

struct Case {
    const char* name;
    const char* registry;  // value lines, or null for no registry at all
    Processor processor;
    DWORD state;
    const char* message;  // null: nothing written
};

const Case kCases[] = {
    {"no registry: this machine has SSE2", nullptr, {}, kSelectedSse2, "D3DX: (INFO) Using SSE2 Instructions\r\n"},
    {"DisableD3DXPSGP=1 keeps the portable forms", "\"DisableD3DXPSGP\"=dword:00000001\n", {}, kSelectedPortable,
     nullptr},
    {"DisablePSGP=1 keeps the portable forms", "\"DisablePSGP\"=dword:00000001\n", {}, kSelectedPortable, nullptr},
    {"DisableD3DXPSGP=0 overrides DisablePSGP=1",
     "\"DisablePSGP\"=dword:00000001\n\"DisableD3DXPSGP\"=dword:00000000\n", {}, kSelectedSse2,
     "D3DX: (INFO) Using SSE2 Instructions\r\n"},
    {"a string value is ignored", "\"DisableD3DXPSGP\"=\"1\"\n", {}, kSelectedSse2,
     "D3DX: (INFO) Using SSE2 Instructions\r\n"},
    {"a binary value is ignored", "\"DisablePSGP\"=hex:01,00,00,00\n", {}, kSelectedSse2,
     "D3DX: (INFO) Using SSE2 Instructions\r\n"},
    {"3DNow! reported", nullptr, {kMmx | kSse | kSse2, k3DNowAll, true, true}, kSelected3DNow,
     "D3DX: (INFO) Using 3DNow Instructions\r\n"},
    {"DisablePSGP=2 skips 3DNow!", "\"DisablePSGP\"=dword:00000002\n", {kMmx | kSse | kSse2, k3DNowAll, true, true},
     kSelectedSse2, "D3DX: (INFO) Using SSE2 Instructions\r\n"},
    {"SSE without SSE2", nullptr, {kMmx | kSse, 0u, false, true}, kSelectedSse, "D3DX: (INFO) Using SSE Instructions\r\n"},
    {"neither", nullptr, {kMmx, 0u, false, false}, kSelectedPortable, "D3DX: (INFO) Using x87 Instructions\r\n"},
};

TEST_F(Selection, RegistrySwitchesAndProcessorsChooseTheSet) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        selectMathImplementations(0);
        gfxutil::core::resetDiagnosticsForTesting();
        m_registryFile.reset();
        if (c.registry != nullptr) useRegistry(c.registry);
        platform::kernel::reloadRegistry();
        pretend(c.processor);
        const std::vector<std::string> lines = firstCall();
        EXPECT_EQ(c.state, selectMathImplementations(1));
        if (c.message == nullptr) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(1u, lines.size());
            EXPECT_EQ(c.message, lines[0]);
        }
        // The table-driven normalisation is there whatever was chosen.
        EXPECT_NE(initialisingForm(7), dispatchedForm(7));
        if (c.state == kSelectedPortable) {
            EXPECT_EQ(anyFunction(&fast::vec3Normalize), dispatchedForm(7));
            EXPECT_EQ(anyFunction(&fast::matrixMultiply), dispatchedForm(3));
        }
        if (c.state == kSelectedSse) {
            EXPECT_EQ(anyFunction(&sse2::matrixMultiply), dispatchedForm(3));
        }
        // The SSE2 selection adds the AVX2 forms, and then the AVX-512 ones, where this machine has
        // them (the processor hooks fake the identification bits, not the instructions).
        if (c.state == kSelectedSse2) {
            const bool avx512 = avx512::available() && avx2::available();
            EXPECT_EQ(avx512             ? anyFunction(&avx512::matrixMultiply)
                      : avx2::available() ? anyFunction(&avx2::matrixMultiply)
                                          : anyFunction(&sse2::matrixMultiply),
                      dispatchedForm(3));
            const AnyFunction widest = avx512 ? anyFunction(&avx512::vec3TransformCoordArray)
                                       : avx2::available() ? anyFunction(&avx2::vec3TransformCoordArray)
                                                           : anyFunction(&sse2::vec3TransformCoordArray);
            EXPECT_EQ(widest, dispatchedForm(63));
        }
    }
}

// The 3DNow! set applies its parts by the processor's own bits.
TEST_F(Selection, ThreeDNowPartsFollowTheProcessorBits) {
    struct PartCase {
        const char* name;
        Processor processor;
        AnyFunction slot3;
        AnyFunction slot63;
    };
    const PartCase cases[] = {
        {"MMX, 3DNow! and SSE", {kMmx | kSse, k3DNow, true, true}, anyFunction(&pairs::matrixMultiply),
         anyFunction(&sse2::vec3TransformCoordArray)},
        {"MMX and 3DNow!, no SSE", {kMmx, k3DNow, true, false}, anyFunction(&pairs::matrixMultiply),
         anyFunction(&portable::vec3TransformCoordArray)},
        {"3DNow! reported without MMX", {kSse, k3DNow, true, true}, anyFunction(&fast::matrixMultiply),
         anyFunction(&portable::vec3TransformCoordArray)},
    };
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.name);
        selectMathImplementations(0);
        pretend(c.processor);
        firstCall();
        EXPECT_EQ(kSelected3DNow, selectMathImplementations(1));
        EXPECT_EQ(c.slot3, dispatchedForm(3));
        EXPECT_EQ(c.slot63, dispatchedForm(63));
    }
}

TEST_F(Selection, RunsOncePerProcessAndWritesOneMessage) {
    EXPECT_EQ(kNotSelected, selectMathImplementations(0));
    for (int i = 0; i < kSlotCount; ++i) EXPECT_EQ(initialisingForm(i), dispatchedForm(i)) << "slot " << i;
    kernel_test::DebugOutputCapture capture;
    D3DXMATRIX a, b;
    D3DXMatrixTranslation(&a, 1, 2, 3);  // through slot 26, which selects
    D3DXMatrixMultiply(&b, &a, &a);
    D3DXVECTOR3 v(1, 2, 2);
    D3DXVec3Normalize(&v, &v);
    EXPECT_EQ(kSelectedSse2, selectMathImplementations(1));
    ASSERT_EQ(1u, capture.calls().size());
    EXPECT_EQ("D3DX: (INFO) Using SSE2 Instructions\r\n", capture.calls()[0]);
    EXPECT_EQ(6.0f, b._43);
    for (int i = 0; i < kSlotCount; ++i) EXPECT_NE(initialisingForm(i), dispatchedForm(i)) << "slot " << i;
}

// A reset returns to the initialising entries, so the next call selects again and sees a
// changed registry.
TEST_F(Selection, ResetSelectsAgainOnTheNextCall) {
    EXPECT_EQ(1u, firstCall().size());
    EXPECT_EQ(kSelectedSse2, selectMathImplementations(1));
    useRegistry("\"DisableD3DXPSGP\"=dword:00000001\n");
    EXPECT_EQ(kSelectedSse2, selectMathImplementations(1));  // already selected: not read again
    EXPECT_EQ(kNotSelected, selectMathImplementations(0));
    EXPECT_EQ(initialisingForm(10), dispatchedForm(10));
    EXPECT_TRUE(firstCall().empty());
    EXPECT_EQ(kSelectedPortable, selectMathImplementations(1));
}

}  // namespace
