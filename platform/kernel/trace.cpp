#include "platform/kernel/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform::kernel {

namespace {

// Function-local statics so that a note written from another module's static initialiser finds
// the channel constructed.
std::mutex& traceMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceHook& traceHook() {
    static TraceHook hook;
    return hook;
}

bool environmentSwitchOn() {
    const char* value = std::getenv("WIN32_TRACE");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

void setTraceHook(TraceHook hook) {
    std::lock_guard lock(traceMutex());
    traceHook() = std::move(hook);
}

bool traceEnabled() {
    {
        std::lock_guard lock(traceMutex());
        if (traceHook()) {
            return true;
        }
    }
    return environmentSwitchOn();
}

void traceNote(const char* format, ...) {
    TraceHook hook;
    {
        std::lock_guard lock(traceMutex());
        hook = traceHook();
    }
    if (!hook && !environmentSwitchOn()) {
        return;
    }

    char note[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(note, sizeof note, format, args);
    va_end(args);

    // The hook runs outside the lock so that it may itself write notes.
    if (hook) {
        hook(std::string_view(note));
        return;
    }
    std::fprintf(stderr, "%s\n", note);
}

}  // namespace platform::kernel
