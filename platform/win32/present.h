// The hand-off from the software device to the window layer.
//
// The device renders into its own back buffer and, on Present, gives the finished frame to the
// window it was created for. The SDL backend uploads it and stretches it to the client area (the
// back buffer keeps the size it was created with while the window may be resized); the headless
// backend keeps the latest frame in memory and writes it as PNG when the headless controls ask
// for that frame number.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win32/types.h"

namespace platform::win32 {

// pixels: `height` rows of `width` 32-bit pixels, X8R8G8B8 (bytes B, G, R, X in memory), rows
// `pitchBytes` apart. The X byte is ignored. Returns false when the window is unknown.
bool presentFrame(HWND window, const void* pixels, int width, int height, int pitchBytes);

// The same for a caller that writes the frame itself (the device copies its back buffer with all
// its threads): `write` gets storage for `height` rows of `width` tightly packed pixels and must
// fill all of it. It is not called when the window is unknown or the size is bad.
using FrameWriter = std::function<void(std::uint32_t* pixels)>;
bool presentFrame(HWND window, int width, int height, const FrameWriter& write);

}  // namespace platform::win32
