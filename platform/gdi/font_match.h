// Which installed font file answers a font request, through fontconfig.
//
// A request names a family the way a program does ("Arial", "Courier New", "" for "any"), a GDI
// weight (0 = normal), italic, a character set and GDI's pitch-and-family byte. fontconfig's own
// configuration does the substitutions, so "Arial" finds its metric twin Liberation Sans and
// "Times New Roman" Liberation Serif. An empty family picks by the family bits: FF_ROMAN a serif
// face, FF_MODERN or FIXED_PITCH a monospaced one, anything else sans-serif. A character set that
// names a language (HANGUL_CHARSET, HEBREW_CHARSET, ...) asks for a face that covers it.
//
// fontconfig's start-up reads its caches and costs milliseconds, so each distinct request is
// answered once per process and remembered; so are the fallback answers.
#pragma once

#include <optional>
#include <string>

#include "platform/win32/types.h"

namespace platform::gdi {

struct FaceRequest {
    std::string family;  // UTF-8
    LONG weight = 0;
    bool italic = false;
    BYTE charSet = 0;
    BYTE pitchAndFamily = 0;
};

// A face inside a font file: the file and the face's index in it.
struct FaceLocation {
    std::string file;
    int index = 0;

    bool operator==(const FaceLocation&) const = default;
};

// The best installed face for the request; nullopt only when fontconfig finds no font at all.
std::optional<FaceLocation> matchFace(const FaceRequest& request);

// An installed face that has `codePoint`, as close to the weight and slant as fontconfig finds;
// nullopt when no installed font has the character.
std::optional<FaceLocation> matchFaceWithCharacter(char32_t codePoint, LONG weight, bool italic);

}  // namespace platform::gdi
