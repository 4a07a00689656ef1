// A private X server for the suites that open real windows, and the command-line X tools they
// drive it with: finding a program, running a command, and reading a window dump written by xwd.
//
// The header stays free of Xlib: its macros (None, Bool, Status, ...) collide with the test
// framework's names, so only xvfb.cpp includes it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// The full path of an executable found on PATH, or an empty string.
std::string findProgram(const char* name);

// Runs a shell command and returns its standard output.
std::string runCommand(const std::string& command);

// True when a client can connect to the named display.
bool canOpenDisplay(const std::string& name);

// One private Xvfb. The display number starts from the process id, so test processes run one
// after another never reuse the number of a server that is still going away, and a number anyone
// still listens on is skipped. -noreset: by default the server resets whenever its last client
// leaves and refuses connections meanwhile, which windows opened and closed one after another
// would keep running into.
class XvfbServer {
public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { stop(); }

    // Starts `program` (the Xvfb executable) with one screen of the given geometry ("WxHxD") and
    // waits, with a bounded timeout, until a client can connect.
    bool start(const std::string& program, const std::string& screen = "1024x768x24");
    void stop();
    // ":N" once started.
    const std::string& name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

// One Xvfb shared by all tests of a suite: start() from SetUpTestSuite, stop() from
// TearDownTestSuite. A suite skips its tests while the state is NotInstalled and fails them,
// printing failure(), while it is Failed.
//
// In CI (CI=true in the environment) a missing Xvfb is Failed, not NotInstalled: the real-window
// tests are part of what CI vouches for, so a machine without the server must fail the run rather
// than report the tests as skipped.
class SuiteXvfb {
public:
    enum class State { NotInstalled, Failed, Running };
    void start();
    void stop();
    State state() const { return m_state; }
    const std::string& name() const { return m_server.name(); }
    // Why the state is Failed (or NotInstalled), in one sentence for the test's failure message.
    const std::string& failure() const { return m_failure; }

private:
    XvfbServer m_server;
    State m_state = State::NotInstalled;
    std::string m_failure;
};

// True when the environment says this is a CI run (CI=true).
bool runningInCi();

// Points DISPLAY at a server for the life of the object (and hides any Wayland display, so SDL
// takes X), restoring the previous value afterwards.
class ScopedDisplay {
public:
    explicit ScopedDisplay(const std::string& name);
    ScopedDisplay(const ScopedDisplay&) = delete;
    ScopedDisplay& operator=(const ScopedDisplay&) = delete;
    ~ScopedDisplay();

private:
    std::optional<std::string> m_oldDisplay;
    std::optional<std::string> m_oldWayland;
};

// A window dump in the X Window Dump format as xwd writes it: a big-endian header of 25 fields,
// the window name, a colour map of 12-byte entries, then the pixels row by row. Only 32-bit
// pixels (what a 24-bit TrueColor screen gives) are read.
class WindowDump {
public:
    // Null when the bytes are not a complete 32-bit dump.
    static std::optional<WindowDump> parse(std::vector<unsigned char> bytes);
    static std::optional<WindowDump> readFile(const std::string& path);

    int width() const { return static_cast<int>(field(kWidth)); }
    int height() const { return static_cast<int>(field(kHeight)); }
    // The pixel at (x, y) as 0xRRGGBB.
    std::uint32_t rgb(int x, int y) const;

private:
    enum Field {
        kHeaderSize = 0,
        kVersion = 1,
        kWidth = 4,
        kHeight = 5,
        kByteOrder = 7,
        kBitsPerPixel = 11,
        kBytesPerLine = 12,
        kRedMask = 14,
        kGreenMask = 15,
        kBlueMask = 16,
        kColourMapEntries = 19,
        kFieldCount = 25,
    };
    explicit WindowDump(std::vector<unsigned char> bytes) : m_bytes(std::move(bytes)) {}
    std::uint32_t field(int index) const;

    std::vector<unsigned char> m_bytes;
    std::size_t m_pixelsAt = 0;
};

// Dumps the X window `xid` with xwd into `path` and reads it back.
std::optional<WindowDump> dumpWindow(const std::string& xid, const std::string& path);

}  // namespace testsupport
