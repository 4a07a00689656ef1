// The font's process-wide state: which system line the process runs on, the GDI glyph functions
// and the script functions looked up at run time, the script property table and the user's digit
// substitution. It is set up once, by the first font creation, on the one thread that creates
// fonts; nothing guards it.
//
// The script functions come from "usp10.dll" when a module of that name can be had; without it
// every font shapes text with GDI alone. A set-up that fails (a missing entry point) is remembered
// with its status, and every later creation fails with that status: nothing ever calls an entry
// point that was not found.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/usp/usp.h"
#include "platform/win32/types.h"

namespace gfxutil::core {

struct FontProcess {
    bool setUpDone = false;
    HRESULT setUpStatus = S_OK;
    bool isNT = false;

    // "gdi32.dll", NT only.
    decltype(&::GetCharABCWidthsI) getCharABCWidthsI = nullptr;
    decltype(&::GetCharWidthI) getCharWidthI = nullptr;
    decltype(&::GetFontUnicodeRanges) getFontUnicodeRanges = nullptr;

    // "usp10.dll".
    bool uniscribeAvailable = false;
    decltype(&::ScriptItemize) scriptItemize = nullptr;
    decltype(&::ScriptShape) scriptShape = nullptr;
    decltype(&::ScriptPlace) scriptPlace = nullptr;
    decltype(&::ScriptBreak) scriptBreak = nullptr;
    decltype(&::ScriptJustify) scriptJustify = nullptr;
    decltype(&::ScriptTextOut) scriptTextOut = nullptr;
    decltype(&::ScriptGetProperties) scriptGetProperties = nullptr;
    decltype(&::ScriptFreeCache) scriptFreeCache = nullptr;
    decltype(&::ScriptRecordDigitSubstitution) scriptRecordDigitSubstitution = nullptr;
    decltype(&::ScriptApplyDigitSubstitution) scriptApplyDigitSubstitution = nullptr;
    decltype(&::ScriptGetFontProperties) scriptGetFontProperties = nullptr;
    decltype(&::ScriptStringAnalyse) scriptStringAnalyse = nullptr;
    decltype(&::ScriptStringOut) scriptStringOut = nullptr;
    decltype(&::ScriptStringFree) scriptStringFree = nullptr;
    decltype(&::ScriptStringCPtoX) scriptStringCPtoX = nullptr;
    decltype(&::ScriptString_pSize) scriptString_pSize = nullptr;

    const SCRIPT_PROPERTIES** scriptProperties = nullptr;
    INT scriptCount = 0;
    SCRIPT_DIGITSUBSTITUTE digitSubstitution{};
};

FontProcess& fontProcess();

// Runs the one-time set-up when no font has done it yet; returns its status (now or remembered).
HRESULT setUpFontProcess();

// For tests: forgets the set-up, so that the next creation looks the modules up again (after a
// test has removed or replaced "usp10.dll", say). Fonts created before keep working only while
// the modules they found stay registered.
void resetFontProcessForTesting();

}  // namespace gfxutil::core
