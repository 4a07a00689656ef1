// The mapping from SDL key codes to virtual keys. Letters and digits map by the key's symbol, so
// 'A' is the key that types an a on the user's layout, as virtual keys are on the desktop.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

namespace platform::win32 {

// `sdlKey` is an SDL_Keycode. Returns 0 for keys without a virtual key.
UINT virtualKeyFromSdl(std::int32_t sdlKey);

}  // namespace platform::win32
