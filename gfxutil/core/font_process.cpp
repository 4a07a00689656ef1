// The one-time set-up of the font's process-wide state (creation step 2).
#include "gfxutil/core/font_process.h"

#include "platform/kernel/modules.h"
#include "platform/kernel/version.h"

namespace gfxutil::core {
namespace {

FontProcess g_process;

// The module, already loaded or loaded now; null when it cannot be had.
HMODULE findModule(const char* name) {
    HMODULE module = GetModuleHandleA(name);
    return module != nullptr ? module : LoadLibraryA(name);
}

template <class Function>
bool lookUp(HMODULE module, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(GetProcAddress(module, name));
    return entry != nullptr;
}

bool lookUpGdi(FontProcess& p, HMODULE gdi) {
    return lookUp(gdi, "GetCharABCWidthsI", p.getCharABCWidthsI) && lookUp(gdi, "GetCharWidthI", p.getCharWidthI) &&
           lookUp(gdi, "GetFontUnicodeRanges", p.getFontUnicodeRanges);
}

bool lookUpUniscribe(FontProcess& p, HMODULE usp) {
    return lookUp(usp, "ScriptItemize", p.scriptItemize) && lookUp(usp, "ScriptShape", p.scriptShape) &&
           lookUp(usp, "ScriptPlace", p.scriptPlace) && lookUp(usp, "ScriptBreak", p.scriptBreak) &&
           lookUp(usp, "ScriptJustify", p.scriptJustify) && lookUp(usp, "ScriptTextOut", p.scriptTextOut) &&
           lookUp(usp, "ScriptGetProperties", p.scriptGetProperties) &&
           lookUp(usp, "ScriptFreeCache", p.scriptFreeCache) &&
           lookUp(usp, "ScriptRecordDigitSubstitution", p.scriptRecordDigitSubstitution) &&
           lookUp(usp, "ScriptApplyDigitSubstitution", p.scriptApplyDigitSubstitution) &&
           lookUp(usp, "ScriptGetFontProperties", p.scriptGetFontProperties) &&
           lookUp(usp, "ScriptStringAnalyse", p.scriptStringAnalyse) &&
           lookUp(usp, "ScriptStringOut", p.scriptStringOut) && lookUp(usp, "ScriptStringFree", p.scriptStringFree) &&
           lookUp(usp, "ScriptStringCPtoX", p.scriptStringCPtoX) &&
           lookUp(usp, "ScriptString_pSize", p.scriptString_pSize);
}

HRESULT runSetUp(FontProcess& p) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    p.isNT = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (p.isNT) {
        HMODULE gdi = findModule("gdi32.dll");
        if (gdi == nullptr || !lookUpGdi(p, gdi)) {
            return E_OUTOFMEMORY;
        }
    }
    HMODULE usp = findModule("usp10.dll");
    if (usp == nullptr) {
        return S_OK;
    }
    if (!lookUpUniscribe(p, usp)) {
        return E_OUTOFMEMORY;
    }
    p.scriptGetProperties(&p.scriptProperties, &p.scriptCount);
    p.scriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &p.digitSubstitution);
    // Only a complete table of script functions makes the script path available.
    p.uniscribeAvailable = true;
    return S_OK;
}

}  // namespace

FontProcess& fontProcess() { return g_process; }

HRESULT setUpFontProcess() {
    if (!g_process.setUpDone) {
        g_process.setUpDone = true;
        g_process.setUpStatus = runSetUp(g_process);
    }
    return g_process.setUpStatus;
}

void resetFontProcessForTesting() { g_process = FontProcess{}; }

}  // namespace gfxutil::core
