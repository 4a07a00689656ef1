// ScriptStringAnalyse, ScriptString_pSize, ScriptStringCPtoX and ScriptStringFree.
//
// What is offered is what a caller needs to draw a string it cannot shape itself and to cut the
// picture at character boundaries: fallback fonts (SSA_FALLBACK, and SSA_LINK, which means the
// same here), a right-to-left paragraph (SSA_RTL), glyphs (SSA_GLYPHS, always made), SSA_BREAK
// and SSA_DZWG (accepted; nothing here depends on them). Passwords, tabs, clipping and fitting,
// GCP classes, hot keys, metafiles and caller advances are refused with E_INVALIDARG, so that no
// caller gets a picture that silently ignores what it asked for.
//
// Text with a charset other than -1 is bytes in the code page of that GDI character set (the
// system's ANSI code page for DEFAULT_CHARSET and unknown sets), widened before analysis;
// character positions then count the UTF-16 units of the widened text.
#include <new>
#include <string>

#include "platform/kernel/code_pages.h"
#include "platform/usp/refusal.h"
#include "platform/usp/string_analysis.h"

namespace {

using platform::usp::StringAnalysis;

constexpr DWORD kSupportedFlags = SSA_GLYPHS | SSA_FALLBACK | SSA_LINK | SSA_RTL | SSA_BREAK | SSA_DZWG;

struct CharsetCodePage {
    int charset;
    UINT codePage;
};

constexpr CharsetCodePage kCharsetCodePages[] = {
    {0, 1252},   {128, 932},  {129, 949},  {134, 936},  {136, 950}, {161, 1253}, {162, 1254},
    {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250},
};

UINT codePageOf(int charset) {
    for (const CharsetCodePage& c : kCharsetCodePages) {
        if (c.charset == charset) {
            return c.codePage;
        }
    }
    return CP_ACP;
}

bool widen(const void* text, int length, int charset, std::u16string& wide) {
    UINT codePage = codePageOf(charset);
    const auto* bytes = static_cast<const char*>(text);
    int units = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
    if (units <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(units));
    return MultiByteToWideChar(codePage, 0, bytes, length, wide.data(), units) == units;
}

}  // namespace

HRESULT ScriptStringAnalyse(HDC dc, const void* text, int length, int glyphRoom, int charset, DWORD flags,
                            int requiredWidth, SCRIPT_CONTROL* control, SCRIPT_STATE* state, const int* dx,
                            SCRIPT_TABDEF* tabs, const BYTE* inClass, SCRIPT_STRING_ANALYSIS* analysis) {
    (void)requiredWidth;  // only SSA_CLIP and SSA_FIT use it
    (void)tabs;           // only SSA_TAB uses them
    USP_REFUSE_IF(analysis == nullptr, E_INVALIDARG, "analysis is null");
    USP_REFUSE_IF(dc == nullptr, E_INVALIDARG, "dc is null");
    USP_REFUSE_IF(text == nullptr || length <= 0, E_INVALIDARG, "no text (length %d)", length);
    USP_REFUSE_IF(glyphRoom <= 0, E_INVALIDARG, "room for %d glyphs", glyphRoom);
    USP_REFUSE_IF((flags & ~kSupportedFlags) != 0, E_INVALIDARG, "flags 0x%x are not supported",
                  static_cast<unsigned>(flags & ~kSupportedFlags));
    USP_REFUSE_IF(dx != nullptr || inClass != nullptr, E_INVALIDARG, "caller advances and classes are not supported");
    std::u16string wide;
    if (charset == -1) {
        wide.assign(static_cast<const WCHAR*>(text), static_cast<std::size_t>(length));
    } else {
        USP_REFUSE_IF(!widen(text, length, charset, wide), E_INVALIDARG, "text is not valid in the code page of charset %d",
                      charset);
    }
    SCRIPT_STATE paragraph = state != nullptr ? *state : SCRIPT_STATE{};
    if ((flags & SSA_RTL) != 0 && (paragraph.uBidiLevel & 1) == 0) {
        paragraph.uBidiLevel = static_cast<WORD>(paragraph.uBidiLevel + 1);
    }
    auto* result = new (std::nothrow) StringAnalysis;
    if (result == nullptr) {
        return E_OUTOFMEMORY;
    }
    bool fallback = (flags & (SSA_FALLBACK | SSA_LINK)) != 0;
    HRESULT hr = platform::usp::layOutString(dc, wide, fallback, control, &paragraph, *result);
    if (SUCCEEDED(hr) && result->glyphCount > glyphRoom) {
        hr = E_OUTOFMEMORY;  // the caller offers more room and asks again
    }
    if (FAILED(hr)) {
        if (hr == E_INVALIDARG) {
            platform::usp::noteRefusal(__func__, "no font of ours is selected into the DC");
        }
        delete result;
        return hr;
    }
    *analysis = result;
    return S_OK;
}

const SIZE* ScriptString_pSize(SCRIPT_STRING_ANALYSIS analysis) {
    if (analysis == nullptr) {
        platform::usp::noteRefusal(__func__, "analysis is null");
        return nullptr;
    }
    return &static_cast<StringAnalysis*>(analysis)->size;
}

// The leading edge of a character is where reading it starts: its left edge when it reads left to
// right, its right edge otherwise; the trailing edge is the other one. Position -1 (trailing) and
// position `length` (leading) are the string's start and end in the paragraph's direction.
HRESULT ScriptStringCPtoX(SCRIPT_STRING_ANALYSIS analysis, int characterPosition, BOOL trailing, int* x) {
    USP_REFUSE_IF(analysis == nullptr || x == nullptr, E_INVALIDARG, "analysis or x is null");
    const auto& a = *static_cast<const StringAnalysis*>(analysis);
    const int length = static_cast<int>(a.edges.size());
    if (characterPosition == -1 || characterPosition == length) {
        bool start = characterPosition == -1;
        *x = start != a.rtlParagraph ? 0 : a.size.cx;
        return S_OK;
    }
    USP_REFUSE_IF(characterPosition < 0 || characterPosition >= length, E_INVALIDARG,
                  "position %d outside the string's %d characters", characterPosition, length);
    const platform::usp::CharacterEdges& e = a.edges[characterPosition];
    bool left = (trailing != FALSE) == e.rtl;
    *x = left ? e.left : e.right;
    return S_OK;
}

HRESULT ScriptStringFree(SCRIPT_STRING_ANALYSIS* analysis) {
    USP_REFUSE_IF(analysis == nullptr || *analysis == nullptr, E_INVALIDARG, "no analysis to free");
    delete static_cast<StringAnalysis*>(*analysis);
    *analysis = nullptr;
    return S_OK;
}
