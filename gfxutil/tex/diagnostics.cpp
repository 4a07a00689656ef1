#include "gfxutil/tex/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "gfxutil/core/diagnostics.h"
#include "platform/kernel/cpu_features.h"
#include "platform/kernel/debug_output.h"

namespace gfxutil::tex {
namespace {

DiagnosticCapture* g_capture = nullptr;
int g_muteDepth = 0;
int g_mmxOverride = -1;
int g_mmxCached = -1;  // the processor query and the registry switch, read once per process

}  // namespace

void report(const char* format, ...) {
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    DebugMessage(0, "%s", text);
}

// MuteDebugOutput is a switch, not a counter: only the outermost scope turns it on and off.
MuteScope::MuteScope() {
    if (g_muteDepth++ == 0) {
        MuteDebugOutput(1);
    }
}

MuteScope::~MuteScope() {
    if (--g_muteDepth == 0) {
        MuteDebugOutput(0);
    }
}

bool mmxEnabled() {
    if (g_mmxOverride >= 0) {
        return g_mmxOverride != 0;
    }
    if (g_mmxCached < 0) {
        DWORD disable = 0;
        const bool switchedOff = gfxutil::core::readRegistryDword("DisableMMX", &disable) && disable != 0;
        g_mmxCached = IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE) != FALSE && !switchedOff ? 1 : 0;
    }
    return g_mmxCached != 0;
}

void overrideMmxForTesting(int value) { g_mmxOverride = value; }

DiagnosticCapture::DiagnosticCapture() : m_previous(g_capture) {
    g_capture = this;
    platform::kernel::setDebugOutputHook([this](std::string_view text) {
        constexpr std::string_view kPrefix = "D3DX: ";
        constexpr std::string_view kEnd = "\r\n";
        if (text.substr(0, kPrefix.size()) == kPrefix) {
            text.remove_prefix(kPrefix.size());
        }
        if (text.size() >= kEnd.size() && text.substr(text.size() - kEnd.size()) == kEnd) {
            text.remove_suffix(kEnd.size());
        }
        m_lines.emplace_back(text);
    });
}

DiagnosticCapture::~DiagnosticCapture() {
    g_capture = m_previous;
    if (g_capture == nullptr) {
        platform::kernel::setDebugOutputHook({});
    }
}

bool DiagnosticCapture::contains(const std::string& text) const {
    for (const std::string& line : m_lines) {
        if (line == text) {
            return true;
        }
    }
    return false;
}

}  // namespace gfxutil::tex
