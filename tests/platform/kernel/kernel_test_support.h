// Helpers shared by the kernel stand-ins' tests: environment variables set for one test, a
// scratch directory, and capture of the debugger output and the trace channel.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/debug_output.h"
#include "platform/kernel/trace.h"

namespace kernel_test {

// Sets (or, with nullopt, removes) one environment variable and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = ::getenv(name)) {
            m_old = old;
        }
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A fresh directory under the system's temporary folder, removed with its contents afterwards.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kernel-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path(std::string_view name) const { return (m_path / name).string(); }

    std::string write(std::string_view name, std::string_view contents) const {
        std::string file = path(name);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        return file;
    }

private:
    std::filesystem::path m_path;
};

// Collects every debugger-output call while alive.
class DebugOutputCapture {
public:
    DebugOutputCapture() {
        platform::kernel::setDebugOutputHook([this](std::string_view text) { m_calls.emplace_back(text); });
    }
    ~DebugOutputCapture() { platform::kernel::setDebugOutputHook({}); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    const std::vector<std::string>& calls() const { return m_calls; }

private:
    std::vector<std::string> m_calls;
};

// Collects every trace note while alive.
class TraceCapture {
public:
    TraceCapture() {
        platform::kernel::setTraceHook([this](std::string_view note) { m_notes.emplace_back(note); });
    }
    ~TraceCapture() { platform::kernel::setTraceHook({}); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    const std::vector<std::string>& notes() const { return m_notes; }
    bool anyContains(std::string_view text) const {
        for (const std::string& note : m_notes) {
            if (note.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::string> m_notes;
};

}  // namespace kernel_test
