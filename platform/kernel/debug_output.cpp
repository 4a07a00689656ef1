#include "platform/kernel/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/kernel/trace.h"

namespace {

// Everything lives in one function-local static so that output written from a static initialiser
// of another module finds it constructed.
struct DebugOutputState {
    std::mutex mutex;
    platform::kernel::DebugOutputHook hook;
    std::string openPath;  // the file currently open for WIN32_DEBUG_OUTPUT, if any
    std::FILE* file = nullptr;

    ~DebugOutputState() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

DebugOutputState& state() {
    static DebugOutputState s;
    return s;
}

// Chooses the stream for the current value of WIN32_DEBUG_OUTPUT; null means "off". The file is
// kept open between calls and reopened only when the variable names another file. Called with the
// mutex held; a file that cannot be opened is named in *failedPath so that the caller can write
// the trace note after releasing the mutex.
std::FILE* destinationLocked(DebugOutputState& s, std::string* failedPath) {
    const char* target = std::getenv("WIN32_DEBUG_OUTPUT");
    if (target == nullptr || target[0] == '\0') {
        return stderr;
    }
    if (std::strcmp(target, "off") == 0) {
        return nullptr;
    }
    if (s.file != nullptr && s.openPath == target) {
        return s.file;
    }
    if (s.file != nullptr) {
        std::fclose(s.file);
        s.file = nullptr;
        s.openPath.clear();
    }
    s.file = std::fopen(target, "ab");
    if (s.file == nullptr) {
        *failedPath = target;
        return stderr;
    }
    s.openPath = target;
    return s.file;
}

}  // namespace

void OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) {
        return;
    }
    DebugOutputState& s = state();
    std::unique_lock lock(s.mutex);
    if (s.hook) {
        platform::kernel::DebugOutputHook hook = s.hook;
        lock.unlock();
        hook(std::string_view(text));
        return;
    }
    std::string failedPath;
    std::FILE* out = destinationLocked(s, &failedPath);
    if (out != nullptr) {
        std::fputs(text, out);
        std::fflush(out);
    }
    lock.unlock();
    if (!failedPath.empty()) {
        platform::kernel::traceNote("kernel: OutputDebugStringA: cannot open WIN32_DEBUG_OUTPUT file '%s'; "
                                    "writing to standard error",
                                    failedPath.c_str());
    }
}

namespace platform::kernel {

void setDebugOutputHook(DebugOutputHook hook) {
    DebugOutputState& s = state();
    std::lock_guard lock(s.mutex);
    s.hook = std::move(hook);
}

}  // namespace platform::kernel
