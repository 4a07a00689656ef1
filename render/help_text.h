// The on-screen help text: eight fixed lines drawn with the help font over everything else, last
// in every frame.
#pragma once

#include "platform/win32/types.h"

struct HelpLine {
    LONG top;          // y of the line's rectangle
    const char* text;  // zero-terminated, code page 949
};
inline constexpr int kHelpLineCount = 8;

// The eight lines in drawing order (for tests and benchmarks).
const HelpLine* helpLines();

// Draws the eight lines through helpFont (DrawTextA, no sprite, count -1, DT_NOCLIP, 0xFFFFDC00).
// Needs helpFont; the frame skips it when the font could not be created.
void drawHelpText();
