// The device-to-window frame hand-off: keep the frame, show it, and write it when the schedule
// asks for this frame.
#include "platform/win32/present.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

// Larger than any back buffer the device makes; keeps the size arithmetic far from overflow.
constexpr int kLargestSide = 16384;

std::string capturePath(const std::string& directory, int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05d.png", frame);
    return (std::filesystem::path(directory.empty() ? "." : directory) / name).string();
}

void capture(const InputSchedule& schedule, const PresentedFrame& frame) {
    std::error_code error;
    if (!schedule.captureDirectory.empty()) {
        std::filesystem::create_directories(schedule.captureDirectory, error);
    }
    const std::string path = capturePath(schedule.captureDirectory, frame.frame);
    const std::string failure = writePng(path, frame);
    if (failure.empty()) {
        notice("captured frame " + std::to_string(frame.frame) + " to " + path);
    } else {
        notice("cannot capture frame " + std::to_string(frame.frame) + " to " + path + ": " + failure);
    }
}

}  // namespace

bool presentFrame(HWND handle, int width, int height, const FrameWriter& write) {
    Window* window = findWindow(handle);
    if (window == nullptr || width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide || !write) {
        refusal("presentFrame", window == nullptr ? "unknown window" : "bad frame description");
        return false;
    }
    WindowSystemState& state = windowSystem();
    PresentedFrame frame;
    frame.window = handle;
    frame.frame = state.currentFrame;
    frame.width = width;
    frame.height = height;
    // The previous frame's storage is reused: a frame is some megabytes, and a fresh vector
    // would be allocated and zeroed every frame only to be overwritten.
    if (state.lastFrame) frame.pixels.swap(state.lastFrame->pixels);
    frame.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    write(frame.pixels.data());
    backend().present(*window, frame);
    if (frame.frame >= 0 && captureRequested(state.schedule, frame.frame)) {
        capture(state.schedule, frame);
    }
    state.lastFrame = std::move(frame);
    return true;
}

bool presentFrame(HWND handle, const void* pixels, int width, int height, int pitchBytes) {
    if (pixels == nullptr || static_cast<long long>(pitchBytes) < static_cast<long long>(width) * 4) {
        refusal("presentFrame", findWindow(handle) == nullptr ? "unknown window" : "bad frame description");
        return false;
    }
    return presentFrame(handle, width, height, [&](std::uint32_t* destination) {
        const auto* source = static_cast<const unsigned char*>(pixels);
        const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
        for (int row = 0; row < height; ++row) {
            std::memcpy(destination + static_cast<std::size_t>(row) * static_cast<std::size_t>(width),
                        source + static_cast<std::ptrdiff_t>(row) * pitchBytes, rowBytes);
        }
    });
}

}  // namespace platform::win32
