#include "platform/kernel/debugger.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>

#include "platform/kernel/trace.h"

namespace {

struct DebuggerState {
    std::mutex mutex;
    std::optional<bool> presentOverride;
    std::function<void()> breakHook;
};

DebuggerState& state() {
    static DebuggerState s;
    return s;
}

bool tracerAttached() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) {
            return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
        }
    }
    return false;
}

}  // namespace

BOOL IsDebuggerPresent() {
    DebuggerState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.presentOverride) {
            return *s.presentOverride ? TRUE : FALSE;
        }
    }
    return tracerAttached() ? TRUE : FALSE;
}

void DebugBreak() {
    DebuggerState& s = state();
    std::function<void()> hook;
    {
        std::lock_guard lock(s.mutex);
        hook = s.breakHook;
    }
    if (hook) {
        hook();
        return;
    }
    if (!IsDebuggerPresent()) {
        platform::kernel::traceNote("kernel: DebugBreak: no debugger attached; ignored");
        return;
    }
    std::raise(SIGTRAP);
}

void FatalAppExitA(UINT /*action*/, LPCSTR messageText) {
    std::fflush(nullptr);
    std::fprintf(stderr, "FatalAppExit: %s\n", messageText != nullptr ? messageText : "");
    std::fflush(stderr);
    std::_Exit(platform::kernel::kFatalAppExitStatus);
}

namespace platform::kernel {

void setDebuggerPresentOverride(std::optional<bool> present) {
    DebuggerState& s = state();
    std::lock_guard lock(s.mutex);
    s.presentOverride = present;
}

void setDebugBreakHook(std::function<void()> hook) {
    DebuggerState& s = state();
    std::lock_guard lock(s.mutex);
    s.breakHook = std::move(hook);
}

}  // namespace platform::kernel
