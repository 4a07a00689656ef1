// A device's record of the calls made on it, kept only while switched on (see controls.h).
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace platform::d3d9 {

class CallLog {
public:
    void enable(bool on) { m_on = on; }
    bool enabled() const { return m_on; }
    std::vector<std::string> take() { return std::exchange(m_lines, {}); }

    // printf-style, one line per call; formatting is skipped entirely while the log is off.
    template <class... Args>
    void add(const char* format, Args... args) {
        if (!m_on) {
            return;
        }
        char line[256];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
        std::snprintf(line, sizeof line, format, args...);
#pragma GCC diagnostic pop
        m_lines.emplace_back(line);
    }

private:
    bool m_on = false;
    std::vector<std::string> m_lines;
};

}  // namespace platform::d3d9
