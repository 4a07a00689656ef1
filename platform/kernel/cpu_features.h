// Processor identification: the CPUID instruction and the system's IsProcessorFeaturePresent.
//
// Both report this machine's processor. IsProcessorFeaturePresent is derived from the CPUID
// leaves, as the system derives it, so the two always agree unless a test says otherwise.
//
// Tests (and benchmarks comparing code paths) can pretend to run on another processor:
// - setCpuidHook replaces the answers of cpuid() for the leaves the hook chooses to answer (and
//   therefore also what IsProcessorFeaturePresent derives from them);
// - setProcessorFeatureHook answers IsProcessorFeaturePresent directly for the features it
//   chooses, which can model a system whose report disagrees with CPUID (say, 3DNow! reported
//   but MMX absent).
// A hook returns std::nullopt for a question it leaves to the real processor. The hooks are
// process-wide and not synchronised with running queries: set them before the code under test
// runs.
#pragma once

#include <functional>
#include <optional>

#include "platform/win32/types.h"

inline constexpr DWORD PF_FLOATING_POINT_PRECISION_ERRATA = 0;
inline constexpr DWORD PF_FLOATING_POINT_EMULATED = 1;
inline constexpr DWORD PF_COMPARE_EXCHANGE_DOUBLE = 2;
inline constexpr DWORD PF_MMX_INSTRUCTIONS_AVAILABLE = 3;
inline constexpr DWORD PF_XMMI_INSTRUCTIONS_AVAILABLE = 6;    // SSE
inline constexpr DWORD PF_3DNOW_INSTRUCTIONS_AVAILABLE = 7;
inline constexpr DWORD PF_RDTSC_INSTRUCTION_AVAILABLE = 8;
inline constexpr DWORD PF_PAE_ENABLED = 9;
inline constexpr DWORD PF_XMMI64_INSTRUCTIONS_AVAILABLE = 10;  // SSE2
inline constexpr DWORD PF_SSE3_INSTRUCTIONS_AVAILABLE = 13;

// TRUE when the processor (and the system) support the feature; FALSE for unknown features.
BOOL IsProcessorFeaturePresent(DWORD feature);

namespace platform::kernel {

// The four result registers of one CPUID query.
struct CpuidResult {
    DWORD eax = 0;
    DWORD ebx = 0;
    DWORD ecx = 0;
    DWORD edx = 0;
};

// Runs CPUID for leaf (EAX) and subleaf (ECX). On a processor without the instruction every
// register reads 0, which callers take as "leaf 0 is the highest: no features".
CpuidResult cpuid(DWORD leaf, DWORD subleaf = 0);

// CPUID bits callers test; named here once so that no caller spells a bit number.
inline constexpr DWORD kCpuidExtendedBase = 0x80000000u;
inline constexpr DWORD kCpuidEdxRdtsc = 1u << 4;         // leaf 1
inline constexpr DWORD kCpuidEdxPae = 1u << 6;           // leaf 1
inline constexpr DWORD kCpuidEdxCx8 = 1u << 8;           // leaf 1
inline constexpr DWORD kCpuidEdxMmx = 1u << 23;          // leaf 1
inline constexpr DWORD kCpuidEdxSse = 1u << 25;          // leaf 1
inline constexpr DWORD kCpuidEdxSse2 = 1u << 26;         // leaf 1
inline constexpr DWORD kCpuidEcxSse3 = 1u << 0;          // leaf 1
inline constexpr DWORD kCpuidExtEdxMmxExt = 1u << 22;    // leaf 0x80000001
inline constexpr DWORD kCpuidExtEdx3DNowExt = 1u << 30;  // leaf 0x80000001
inline constexpr DWORD kCpuidExtEdx3DNow = 1u << 31;     // leaf 0x80000001

using CpuidHook = std::function<std::optional<CpuidResult>(DWORD leaf, DWORD subleaf)>;
using ProcessorFeatureHook = std::function<std::optional<bool>(DWORD feature)>;

void setCpuidHook(CpuidHook hook);                          // an empty function removes it
void setProcessorFeatureHook(ProcessorFeatureHook hook);    // an empty function removes it

}  // namespace platform::kernel
