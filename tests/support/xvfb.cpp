#include "tests/support/xvfb.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

// Last: Xlib's macros must not reach the standard headers.
#include <X11/Xlib.h>

extern char** environ;

namespace testsupport {
namespace {

// True when anything still listens for display N: a lock file, a socket file, or a socket in the
// abstract namespace (which a server that is shutting down may still hold after its lock is gone).
bool displayInUse(int display) {
    const std::string n = std::to_string(display);
    if (std::filesystem::exists("/tmp/.X" + n + "-lock") || std::filesystem::exists("/tmp/.X11-unix/X" + n)) {
        return true;
    }
    std::ifstream sockets("/proc/net/unix");
    const std::string wanted = "/tmp/.X11-unix/X" + n;
    for (std::string line; std::getline(sockets, line);) {
        if (line.size() >= wanted.size() && line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void restoreEnvironment(const char* name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

}  // namespace

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    const std::string all = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        const std::filesystem::path candidate = std::filesystem::path(all.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

std::string runCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        ::pclose(pipe);
    }
    return out;
}

bool canOpenDisplay(const std::string& name) {
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

bool XvfbServer::start(const std::string& program, const std::string& screen) {
    const int first = 100 + static_cast<int>(::getpid() % 400);
    for (int display = first; display < first + 40; ++display) {
        if (displayInUse(display)) continue;
        const std::string name = ":" + std::to_string(display);
        std::vector<std::string> args = {program, name, "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
            return false;
        }
        for (int tries = 0; tries < 400; ++tries) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;  // lost the number to another server: try the next
                break;
            }
            if (canOpenDisplay(name)) {
                m_name = name;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        stop();
    }
    return false;
}

void XvfbServer::stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    m_name.clear();
}

bool runningInCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

void SuiteXvfb::start() {
    if (m_state == State::Running) {
        return;
    }
    const std::string program = findProgram("Xvfb");
    if (program.empty()) {
        if (runningInCi()) {
            m_state = State::Failed;
            m_failure = "Xvfb is not installed, and with CI=true the real-window tests must run "
                        "(scripts/setup.sh installs the xvfb package)";
        } else {
            m_state = State::NotInstalled;
            m_failure = "Xvfb is not installed (scripts/setup.sh installs the xvfb package)";
        }
        return;
    }
    if (m_server.start(program)) {
        m_state = State::Running;
        m_failure.clear();
    } else {
        m_state = State::Failed;
        m_failure = program + " was found but did not start a display";
    }
}

void SuiteXvfb::stop() {
    m_server.stop();
    if (m_state == State::Running) {
        m_state = State::NotInstalled;
    }
}

ScopedDisplay::ScopedDisplay(const std::string& name)
    : m_oldDisplay(environmentValue("DISPLAY")), m_oldWayland(environmentValue("WAYLAND_DISPLAY")) {
    ::setenv("DISPLAY", name.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
}

ScopedDisplay::~ScopedDisplay() {
    restoreEnvironment("DISPLAY", m_oldDisplay);
    restoreEnvironment("WAYLAND_DISPLAY", m_oldWayland);
}

std::uint32_t WindowDump::field(int index) const {
    const unsigned char* p = &m_bytes[static_cast<std::size_t>(index) * 4];
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::optional<WindowDump> WindowDump::parse(std::vector<unsigned char> bytes) {
    if (bytes.size() < kFieldCount * 4) {
        return std::nullopt;
    }
    WindowDump dump(std::move(bytes));
    const std::size_t size = dump.m_bytes.size();
    const std::uint64_t width = dump.field(kWidth);
    const std::uint64_t height = dump.field(kHeight);
    const std::uint64_t pitch = dump.field(kBytesPerLine);
    const std::uint64_t pixelsAt =
        std::uint64_t{dump.field(kHeaderSize)} + std::uint64_t{dump.field(kColourMapEntries)} * 12;
    // Everything a pixel read touches must lie inside the file: a short or foreign file is refused
    // here rather than read past its end later.
    if (dump.field(kVersion) != 7 || dump.field(kBitsPerPixel) != 32 || dump.field(kHeaderSize) < kFieldCount * 4 ||
        width == 0 || height == 0 || width > 65536 || height > 65536 || pitch < width * 4 ||
        pixelsAt + height * pitch > size || dump.field(kRedMask) == 0 || dump.field(kGreenMask) == 0 ||
        dump.field(kBlueMask) == 0) {
        return std::nullopt;
    }
    dump.m_pixelsAt = static_cast<std::size_t>(pixelsAt);
    return dump;
}

std::optional<WindowDump> WindowDump::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return parse(std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}));
}

std::uint32_t WindowDump::rgb(int x, int y) const {
    const std::size_t at =
        m_pixelsAt + static_cast<std::size_t>(y) * field(kBytesPerLine) + static_cast<std::size_t>(x) * 4;
    const unsigned char* p = &m_bytes[at];
    // Byte order 0 is least significant byte first.
    const std::uint32_t value = field(kByteOrder) == 0
                                    ? (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                                       std::uint32_t{p[1]} << 8 | p[0])
                                    : (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                       std::uint32_t{p[2]} << 8 | p[3]);
    const auto channel = [&](std::uint32_t mask) {
        int shift = 0;
        while ((mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        return (value >> shift) & 0xFF;
    };
    return (channel(field(kRedMask)) << 16) | (channel(field(kGreenMask)) << 8) | channel(field(kBlueMask));
}

std::optional<WindowDump> dumpWindow(const std::string& xid, const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    runCommand("xwd -silent -id " + xid + " -out '" + path + "' 2>&1");
    return WindowDump::readFile(path);
}

}  // namespace testsupport
