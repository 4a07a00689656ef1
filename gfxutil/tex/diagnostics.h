// The texture loader's door to the library's diagnostic channel and to the few platform switches
// it reads (the DisableMMX registry value and the processor's MMX feature).
//
// Every message of the loader goes through report(): one line of level 0 on the library's
// channel, muted while a device probe that may fail is running (MuteScope).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace gfxutil::tex {

// printf-style; written as one diagnostic line of level 0.
void report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Mutes the library channel (and the device's debug output) for its lifetime.
class MuteScope {
public:
    MuteScope();
    ~MuteScope();
    MuteScope(const MuteScope&) = delete;
    MuteScope& operator=(const MuteScope&) = delete;
};

// True when the processor has MMX and the registry value DisableMMX is not a non-zero DWORD.
// Read once per process, as the loader's choices that depend on it are made once.
bool mmxEnabled();

// Test support: collects the channel's lines (without the "D3DX: " prefix and the line end) while
// an instance lives, through the debugger-output hook; nothing is written meanwhile. Instances
// may nest only in stack order, and the outermost one removes the hook.
class DiagnosticCapture {
public:
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
    const std::vector<std::string>& lines() const { return m_lines; }
    bool contains(const std::string& text) const;
    void clear() { m_lines.clear(); }

private:
    std::vector<std::string> m_lines;
    DiagnosticCapture* m_previous = nullptr;
};

// Test support: forces the MMX answer (1 on, 0 off, -1 back to the machine's).
void overrideMmxForTesting(int value);

}  // namespace gfxutil::tex
