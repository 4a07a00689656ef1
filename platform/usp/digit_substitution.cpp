// ScriptRecordDigitSubstitution and ScriptApplyDigitSubstitution.
//
// There are no per-user regional settings here, so a locale's digit preferences are fixed: Arabic
// substitutes by context, Farsi and Urdu always use their national digits, every other language
// shows European digits unless a caller asks otherwise. The user's and the system's default
// locale follow the system's ANSI code page (949 → Korean), the one notion of a locale this
// platform has.
#include "platform/kernel/code_pages.h"
#include "platform/usp/refusal.h"
#include "platform/usp/usp.h"
#include "platform/usp/script_table.h"

namespace {

struct CodePageLocale {
    UINT codePage;
    LCID locale;
};

constexpr CodePageLocale kCodePageLocales[] = {
    {949, 0x0412}, {1252, 0x0409}, {1250, 0x0405}, {1251, 0x0419}, {1253, 0x0408}, {1254, 0x041F},
    {1255, 0x040D}, {1256, 0x0401}, {1257, 0x0426}, {1258, 0x042A}, {874, 0x041E},  {932, 0x0411},
    {936, 0x0804}, {950, 0x0404},
};

constexpr LCID kEnglishUnitedStates = 0x0409;

LCID systemLocale() {
    UINT codePage = GetACP();
    for (const CodePageLocale& c : kCodePageLocales) {
        if (c.codePage == codePage) {
            return c.locale;
        }
    }
    return kEnglishUnitedStates;
}

constexpr WORD kLangArabic = 0x01, kLangFarsi = 0x29, kLangUrdu = 0x20;

}  // namespace

HRESULT ScriptRecordDigitSubstitution(LCID locale, SCRIPT_DIGITSUBSTITUTE* substitution) {
    USP_REFUSE_IF(substitution == nullptr, E_INVALIDARG, "substitution is null");
    WORD language = static_cast<WORD>(locale & 0xFFFF);
    if ((language & 0x3FF) == 0) {  // LANG_NEUTRAL: the user's or the system's default locale
        language = static_cast<WORD>(systemLocale());
    }
    WORD primary = language & 0x3FF;
    SCRIPT_DIGITSUBSTITUTE record{};
    record.NationalDigitLanguage = language;
    record.TraditionalDigitLanguage = language;
    if (primary == kLangArabic) {
        record.DigitSubstitute = SCRIPT_DIGITSUBSTITUTE_CONTEXT;
    } else if (primary == kLangFarsi || primary == kLangUrdu) {
        record.DigitSubstitute = SCRIPT_DIGITSUBSTITUTE_NATIONAL;
    } else {
        record.DigitSubstitute = SCRIPT_DIGITSUBSTITUTE_NONE;
    }
    *substitution = record;
    return S_OK;
}

HRESULT ScriptApplyDigitSubstitution(const SCRIPT_DIGITSUBSTITUTE* substitution, SCRIPT_CONTROL* control,
                                     SCRIPT_STATE* state) {
    USP_REFUSE_IF(control == nullptr || state == nullptr, E_INVALIDARG, "control or state is null");
    SCRIPT_DIGITSUBSTITUTE userDefault{};
    if (substitution == nullptr) {
        ScriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &userDefault);
        substitution = &userDefault;
    }
    DWORD how = substitution->DigitSubstitute;
    USP_REFUSE_IF(how > SCRIPT_DIGITSUBSTITUTE_TRADITIONAL, E_INVALIDARG, "unknown DigitSubstitute %u",
                  static_cast<unsigned>(how));
    bool traditional = how == SCRIPT_DIGITSUBSTITUTE_TRADITIONAL || how == SCRIPT_DIGITSUBSTITUTE_CONTEXT;
    control->uDefaultLanguage =
        traditional ? substitution->TraditionalDigitLanguage : substitution->NationalDigitLanguage;
    control->fContextDigits = how == SCRIPT_DIGITSUBSTITUTE_CONTEXT;
    state->fDigitSubstitute = how != SCRIPT_DIGITSUBSTITUTE_NONE;
    return S_OK;
}
