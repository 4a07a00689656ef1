#include "platform/win32/key_codes.h"

#include <SDL.h>

#include "platform/win32/windows.h"

namespace platform::win32 {
namespace {

struct KeyPair {
    SDL_Keycode sdl;
    UINT vk;
};

constexpr KeyPair kKeys[] = {
    {SDLK_ESCAPE, VK_ESCAPE},     {SDLK_RETURN, VK_RETURN},     {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_SPACE, VK_SPACE},       {SDLK_TAB, VK_TAB},           {SDLK_BACKSPACE, VK_BACK},
    {SDLK_LEFT, VK_LEFT},         {SDLK_RIGHT, VK_RIGHT},       {SDLK_UP, VK_UP},
    {SDLK_DOWN, VK_DOWN},         {SDLK_INSERT, VK_INSERT},     {SDLK_DELETE, VK_DELETE},
    {SDLK_HOME, VK_HOME},         {SDLK_END, VK_END},           {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},     {SDLK_PAUSE, VK_PAUSE},       {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_LSHIFT, VK_SHIFT},      {SDLK_RSHIFT, VK_SHIFT},      {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},     {SDLK_LALT, VK_MENU},         {SDLK_RALT, VK_MENU},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY}, {SDLK_KP_PLUS, VK_ADD},    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL}, {SDLK_KP_DIVIDE, VK_DIVIDE},
};

// SDL numbers F1..F12 and the keypad digits 1..9 consecutively, but its keypad 0 comes after 9.
constexpr SDL_Keycode kKeypad[10] = {SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4,
                                     SDLK_KP_5, SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9};

}  // namespace

UINT virtualKeyFromSdl(std::int32_t sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) {
        return static_cast<UINT>('A' + (sdlKey - SDLK_a));
    }
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) {
        return static_cast<UINT>('0' + (sdlKey - SDLK_0));
    }
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) {
        return VK_F1 + static_cast<UINT>(sdlKey - SDLK_F1);
    }
    for (UINT digit = 0; digit < 10; ++digit) {
        if (kKeypad[digit] == sdlKey) {
            return VK_NUMPAD0 + digit;
        }
    }
    for (const KeyPair& pair : kKeys) {
        if (pair.sdl == sdlKey) {
            return pair.vk;
        }
    }
    return 0;
}

}  // namespace platform::win32
