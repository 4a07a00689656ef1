// The user profile: the per-user settings file that GetProfileIntA reads, kept as an INI file.
//
// The file is $WIN32_PROFILE when that variable is set and not empty, else ~/.config/win.ini
// ($HOME/.config/win.ini). It is read afresh at every call: the profile is consulted a handful of
// times per process, and a test can rewrite it or point the variable elsewhere at any moment.
//
// Format: "[Section]" lines open a section; "key=value" lines set a key; lines starting with ';'
// or '#' and blank lines are ignored; anything else is skipped with a trace note. Section and key
// names compare without regard to case and without surrounding blanks; when a key appears twice in
// a section, or a section twice in the file, the first occurrence wins. A value in double quotes
// has them removed.
//
// GetProfileIntA returns the default when the file, the section or the key is missing, or the
// value is empty. Otherwise the value is read as an integer the way the system reads one: leading
// blanks, an optional sign, then decimal digits or "0x" and hexadecimal digits, stopping at the
// first other character (so "12abc" is 12 and "abc" is 0), wrapping modulo 2^32. A negative value
// comes back as its two's complement, so a caller that stores the result in a signed integer gets
// the negative number back; callers rely on "-1" switching their diagnostics off.
#pragma once

#include "platform/win32/types.h"

UINT GetProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue);
