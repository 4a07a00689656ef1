// The headless backend: no window and no display. Windows exist only as bookkeeping, presented
// frames stay in memory (the common code keeps the latest), input comes from the schedule alone,
// and message boxes print "<caption>: <text>" to standard error and answer with their default
// button. The display is a list of modes, the last of which is the desktop's own.
#include <cstdio>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

class HeadlessBackend final : public Backend {
public:
    explicit HeadlessBackend(std::vector<DisplayMode> modes) : m_modes(std::move(modes)) {}

    BackendKind kind() const override { return BackendKind::Headless; }

    bool createWindow(Window&) override { return true; }
    void destroyWindow(Window&) override {}

    // Maximising fills the display; the size arrives as the system's own size report.
    void showWindow(Window& window, int command) override {
        if (command == SW_MAXIMIZE) {
            const DisplayMode display = currentDisplayMode();
            window.clientWidth = display.width;
            window.clientHeight = display.height;
            eventSink().clientSizeChanged(window.handle, SIZE_MAXIMIZED, display.width, display.height);
        }
    }

    void pumpEvents(EventSink&) override {}
    bool waitForEvents(int) override { return false; }  // nothing outside the schedule ever arrives

    void present(Window&, const PresentedFrame&) override {}

    std::vector<DisplayMode> displayModes() override { return m_modes; }
    DisplayMode currentDisplayMode() override { return m_modes.empty() ? DisplayMode{} : m_modes.back(); }
    bool applyDisplayMode(const std::optional<DisplayMode>&) override { return true; }

    void setCursorVisible(bool) override {}

    int messageBox(const MessageBoxRecord& box) override {
        std::fprintf(stderr, "%s: %s\n", box.caption, box.text);
        std::fflush(stderr);
        return defaultButton(box.type);
    }

private:
    std::vector<DisplayMode> m_modes;
};

}  // namespace

std::unique_ptr<Backend> makeHeadlessBackend(std::vector<DisplayMode> modes) {
    return std::make_unique<HeadlessBackend>(std::move(modes));
}

}  // namespace platform::win32
