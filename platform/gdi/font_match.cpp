#include "platform/gdi/font_match.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/gdi/gdi.h"

namespace platform::gdi {
namespace {

// The fontconfig language of a GDI character set that implies one; null for the others.
const char* languageOfCharSet(BYTE charSet) {
    struct Entry {
        BYTE charSet;
        const char* language;
    };
    static constexpr Entry kLanguages[] = {
        {128, "ja"},    // SHIFTJIS_CHARSET
        {HANGUL_CHARSET, "ko"},
        {130, "ko"},    // JOHAB_CHARSET
        {134, "zh-cn"}, // GB2312_CHARSET
        {136, "zh-tw"}, // CHINESEBIG5_CHARSET
        {161, "el"},    // GREEK_CHARSET
        {162, "tr"},    // TURKISH_CHARSET
        {HEBREW_CHARSET, "he"},
        {ARABIC_CHARSET, "ar"},
        {204, "ru"},    // RUSSIAN_CHARSET
        {222, "th"},    // THAI_CHARSET
    };
    for (const Entry& e : kLanguages) {
        if (e.charSet == charSet) {
            return e.language;
        }
    }
    return nullptr;
}

const char* genericFamily(BYTE pitchAndFamily) {
    const BYTE family = pitchAndFamily & 0xF0;
    if (family == FF_ROMAN) {
        return "serif";
    }
    if (family == FF_MODERN || (pitchAndFamily & 0x3) == FIXED_PITCH) {
        return "monospace";
    }
    return "sans-serif";
}

int fontconfigWeight(LONG gdiWeight) {
    // GDI weights are the OpenType usWeightClass scale; 0 means "don't care", taken as normal.
    const int weight = gdiWeight <= 0 ? FW_NORMAL : (gdiWeight > 1000 ? 1000 : gdiWeight);
    return FcWeightFromOpenType(weight);
}

// Runs the configured substitutions on `pattern`, matches it and reads the file and index.
std::optional<FaceLocation> matchPattern(FcPattern* pattern, const FcCharSet* mustHave, char32_t codePoint) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::optional<FaceLocation> location;
    if (match != nullptr) {
        FcChar8* file = nullptr;
        int index = 0;
        FcCharSet* charSet = nullptr;
        const bool hasChar = mustHave == nullptr ||
                             (FcPatternGetCharSet(match, FC_CHARSET, 0, &charSet) == FcResultMatch &&
                              FcCharSetHasChar(charSet, codePoint));
        if (hasChar && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            location = FaceLocation{reinterpret_cast<const char*>(file), index};
        }
        FcPatternDestroy(match);
    }
    return location;
}

std::mutex& cacheMutex() {
    static std::mutex mutex;
    return mutex;
}

// fontconfig keeps its configuration for the process once anything asks it a question. Releasing
// it at exit returns that memory, so leak checkers see only what is really lost.
void initialiseOnce() {
    static const bool initialised = [] {
        FcInit();
        std::atexit(FcFini);
        return true;
    }();
    (void)initialised;
}

}  // namespace

std::optional<FaceLocation> matchFace(const FaceRequest& request) {
    using Key = std::tuple<std::string, LONG, bool, BYTE, BYTE>;
    static std::map<Key, std::optional<FaceLocation>> cache;
    const Key key{request.family, request.weight, request.italic, request.charSet, request.pitchAndFamily};
    std::lock_guard lock(cacheMutex());
    if (auto found = cache.find(key); found != cache.end()) {
        return found->second;
    }
    initialiseOnce();
    FcPattern* pattern = FcPatternCreate();
    const char* family = request.family.empty() ? genericFamily(request.pitchAndFamily) : request.family.c_str();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, fontconfigWeight(request.weight));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (const char* language = languageOfCharSet(request.charSet)) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    }
    std::optional<FaceLocation> location = matchPattern(pattern, nullptr, 0);
    FcPatternDestroy(pattern);
    cache.emplace(key, location);
    return location;
}

std::optional<FaceLocation> matchFaceWithCharacter(char32_t codePoint, LONG weight, bool italic) {
    using Key = std::tuple<char32_t, LONG, bool>;
    static std::map<Key, std::optional<FaceLocation>> cache;
    const Key key{codePoint, weight, italic};
    std::lock_guard lock(cacheMutex());
    if (auto found = cache.find(key); found != cache.end()) {
        return found->second;
    }
    initialiseOnce();
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, codePoint);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcPatternAddInteger(pattern, FC_WEIGHT, fontconfigWeight(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    std::optional<FaceLocation> location = matchPattern(pattern, wanted, codePoint);
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
    cache.emplace(key, location);
    return location;
}

}  // namespace platform::gdi
