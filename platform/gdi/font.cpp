// CreateFontIndirectW/A and GetObjectW/A: fonts made from a request, and the request read back.
#include "platform/gdi/font.h"

#include <algorithm>
#include <string>

#include "platform/kernel/code_pages.h"

namespace platform::gdi {
namespace {

std::string utf8FromFaceName(const WCHAR (&name)[LF_FACESIZE]) {
    std::string out;
    for (int i = 0; i < LF_FACESIZE && name[i] != 0; ++i) {
        char32_t c = name[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < LF_FACESIZE && name[i + 1] >= 0xDC00 && name[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The fields both forms share, copied from one to the other.
template <class To, class From>
void copyCommonFields(To& to, const From& from) {
    to.lfHeight = from.lfHeight;
    to.lfWidth = from.lfWidth;
    to.lfEscapement = from.lfEscapement;
    to.lfOrientation = from.lfOrientation;
    to.lfWeight = from.lfWeight;
    to.lfItalic = from.lfItalic;
    to.lfUnderline = from.lfUnderline;
    to.lfStrikeOut = from.lfStrikeOut;
    to.lfCharSet = from.lfCharSet;
    to.lfOutPrecision = from.lfOutPrecision;
    to.lfClipPrecision = from.lfClipPrecision;
    to.lfQuality = from.lfQuality;
    to.lfPitchAndFamily = from.lfPitchAndFamily;
}

// A face name is at most 31 characters and always terminated, whatever the caller left in the
// last unit.
LOGFONTW widened(const LOGFONTA& narrow) {
    LOGFONTW wide{};
    copyCommonFields(wide, narrow);
    const int length = static_cast<int>(std::find(narrow.lfFaceName, narrow.lfFaceName + LF_FACESIZE - 1, '\0') -
                                        narrow.lfFaceName);
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, narrow.lfFaceName, length, wide.lfFaceName, LF_FACESIZE - 1);
    }
    return wide;
}

LOGFONTA narrowed(const LOGFONTW& wide) {
    LOGFONTA narrow{};
    copyCommonFields(narrow, wide);
    const int length = static_cast<int>(std::find(wide.lfFaceName, wide.lfFaceName + LF_FACESIZE - 1, u'\0') -
                                        wide.lfFaceName);
    if (length > 0) {
        WideCharToMultiByte(CP_ACP, 0, wide.lfFaceName, length, narrow.lfFaceName, LF_FACESIZE - 1, nullptr, nullptr);
    }
    return narrow;
}

template <class Record>
int copyOut(const Record& record, int size, LPVOID buffer) {
    if (buffer == nullptr) {
        return static_cast<int>(sizeof(Record));
    }
    const int bytes = std::min(size, static_cast<int>(sizeof(Record)));
    std::memcpy(buffer, &record, static_cast<std::size_t>(bytes));
    return bytes;
}

}  // namespace

Font* createFont(const char* call, const LOGFONTW& requestW, const LOGFONTA& requestA) {
    FaceRequest request;
    request.family = utf8FromFaceName(requestW.lfFaceName);
    request.weight = requestW.lfWeight;
    request.italic = requestW.lfItalic != 0;
    request.charSet = requestW.lfCharSet;
    request.pitchAndFamily = requestW.lfPitchAndFamily;
    const std::optional<FaceLocation> location = matchFace(request);
    const FaceDesign* design = location ? faceDesign(*location) : nullptr;
    if (design == nullptr) {
        refuse(call, "no installed face answers \"%s\"", request.family.c_str());
        return nullptr;
    }
    const FontSize size = chooseFontSize(*design, requestW.lfHeight, requestW.lfWidth);
    SizedFace* face = sizedFace(*location, size.xPixels, size.yPixels);
    if (face == nullptr) {
        refuse(call, "cannot open %s", location->file.c_str());
        return nullptr;
    }
    auto* font = new Font;
    font->requestW = requestW;
    font->requestA = requestA;
    font->requestW.lfFaceName[LF_FACESIZE - 1] = 0;
    font->requestA.lfFaceName[LF_FACESIZE - 1] = 0;
    font->face = face;
    const bool biLevel = (requestW.lfQuality & 0x7) == NONANTIALIASED_QUALITY;
    font->loadFlags = FT_LOAD_NO_BITMAP | (biLevel ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    font->metrics = computeTextMetrics(*face, size, requestW);
    addObject(font);
    return font;
}

Font* stockFont() {
    static Font* font = [] {
        LOGFONTA narrow{};
        narrow.lfHeight = 16;
        narrow.lfWeight = FW_NORMAL;
        std::memcpy(narrow.lfFaceName, "System", 7);
        Font* created = createFont("CreateCompatibleDC", widened(narrow), narrow);
        if (created != nullptr) {
            created->stock = true;
        }
        return created;
    }();
    return font;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (font == nullptr) {
        refuse("CreateFontIndirectW", "null LOGFONTW");
        return nullptr;
    }
    LOGFONTW wide = *font;
    wide.lfFaceName[LF_FACESIZE - 1] = 0;
    return createFont("CreateFontIndirectW", wide, narrowed(wide));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (font == nullptr) {
        refuse("CreateFontIndirectA", "null LOGFONTA");
        return nullptr;
    }
    LOGFONTA narrow = *font;
    narrow.lfFaceName[LF_FACESIZE - 1] = 0;
    return createFont("CreateFontIndirectA", widened(narrow), narrow);
}

// Only fonts answer GetObject here: nothing reads a bitmap's description back.
int GetObjectW(HANDLE object, int size, LPVOID buffer) {
    const Font* font = findAs<Font>(object);
    if (font == nullptr || (buffer != nullptr && size <= 0)) {
        refuse("GetObjectW", font == nullptr ? "not a font of ours" : "no room in the buffer");
        return 0;
    }
    return copyOut(font->requestW, size, buffer);
}

int GetObjectA(HANDLE object, int size, LPVOID buffer) {
    const Font* font = findAs<Font>(object);
    if (font == nullptr || (buffer != nullptr && size <= 0)) {
        refuse("GetObjectA", font == nullptr ? "not a font of ours" : "no room in the buffer");
        return 0;
    }
    return copyOut(font->requestA, size, buffer);
}
