// ScriptRecordDigitSubstitution and ScriptApplyDigitSubstitution.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/usp/usp.h"

namespace {

// Sets WIN32_CODEPAGE for one test and puts back what was there.
class CodePageScope {
public:
    explicit CodePageScope(const char* value) {
        if (const char* old = std::getenv("WIN32_CODEPAGE")) {
            m_old = old;
        }
        setenv("WIN32_CODEPAGE", value, 1);
    }
    ~CodePageScope() {
        if (m_old) {
            setenv("WIN32_CODEPAGE", m_old->c_str(), 1);
        } else {
            unsetenv("WIN32_CODEPAGE");
        }
    }

private:
    std::optional<std::string> m_old;
};

TEST(ScriptRecordDigitSubstitution, LocalesAndTheirDigits) {
    struct Case {
        const char* name;
        LCID locale;
        WORD language;
        DWORD substitute;
    };
    const Case kCases[] = {
        {"Arabic substitutes by context", 0x0401, 0x0401, SCRIPT_DIGITSUBSTITUTE_CONTEXT},
        {"Farsi uses its national digits", 0x0429, 0x0429, SCRIPT_DIGITSUBSTITUTE_NATIONAL},
        {"Korean shows European digits", 0x0412, 0x0412, SCRIPT_DIGITSUBSTITUTE_NONE},
        {"Thai shows European digits unless asked", 0x041E, 0x041E, SCRIPT_DIGITSUBSTITUTE_NONE},
        {"the user default follows code page 949", LOCALE_USER_DEFAULT, 0x0412, SCRIPT_DIGITSUBSTITUTE_NONE},
    };
    CodePageScope korean("949");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SCRIPT_DIGITSUBSTITUTE record{};
        ASSERT_EQ(ScriptRecordDigitSubstitution(c.locale, &record), S_OK);
        EXPECT_EQ(record.NationalDigitLanguage, c.language);
        EXPECT_EQ(record.TraditionalDigitLanguage, c.language);
        EXPECT_EQ(record.DigitSubstitute, c.substitute);
    }
}

TEST(ScriptRecordDigitSubstitution, UserDefaultFollowsTheCodePage) {
    CodePageScope arabic("1256");
    SCRIPT_DIGITSUBSTITUTE record{};
    ASSERT_EQ(ScriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &record), S_OK);
    EXPECT_EQ(record.NationalDigitLanguage, 0x0401);
    EXPECT_EQ(record.DigitSubstitute, SCRIPT_DIGITSUBSTITUTE_CONTEXT);
}

TEST(ScriptApplyDigitSubstitution, ControlAndState) {
    struct Case {
        const char* name;
        DWORD substitute;
        bool contextDigits;
        bool digitSubstitute;
        WORD language;
    };
    const Case kCases[] = {
        {"context", SCRIPT_DIGITSUBSTITUTE_CONTEXT, true, true, 0x0401},
        {"none", SCRIPT_DIGITSUBSTITUTE_NONE, false, false, 0x0429},
        {"national", SCRIPT_DIGITSUBSTITUTE_NATIONAL, false, true, 0x0429},
        {"traditional", SCRIPT_DIGITSUBSTITUTE_TRADITIONAL, false, true, 0x0401},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SCRIPT_DIGITSUBSTITUTE record{};
        record.NationalDigitLanguage = 0x0429;
        record.TraditionalDigitLanguage = 0x0401;
        record.DigitSubstitute = c.substitute;
        SCRIPT_CONTROL control{};
        SCRIPT_STATE state{};
        state.uBidiLevel = 1;
        ASSERT_EQ(ScriptApplyDigitSubstitution(&record, &control, &state), S_OK);
        EXPECT_EQ(control.fContextDigits, c.contextDigits);
        EXPECT_EQ(state.fDigitSubstitute, c.digitSubstitute);
        EXPECT_EQ(control.uDefaultLanguage, c.language);
        EXPECT_EQ(state.uBidiLevel, 1) << "the level is left alone";
    }
}

TEST(ScriptApplyDigitSubstitution, NullRecordMeansTheUserDefault) {
    CodePageScope korean("949");
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    state.fDigitSubstitute = 1;
    ASSERT_EQ(ScriptApplyDigitSubstitution(nullptr, &control, &state), S_OK);
    EXPECT_EQ(control.uDefaultLanguage, 0x0412);
    EXPECT_FALSE(state.fDigitSubstitute);
}

TEST(ScriptApplyDigitSubstitution, Misuse) {
    SCRIPT_DIGITSUBSTITUTE bad{};
    bad.DigitSubstitute = 4;
    SCRIPT_DIGITSUBSTITUTE good{};
    SCRIPT_CONTROL control{};
    control.uDefaultLanguage = 0x77;
    SCRIPT_STATE state{};
    struct Case {
        const char* name;
        const SCRIPT_DIGITSUBSTITUTE* record;
        SCRIPT_CONTROL* control;
        SCRIPT_STATE* state;
    };
    const Case kCases[] = {
        {"unknown substitution", &bad, &control, &state},
        {"null control", &good, nullptr, &state},
        {"null state", &good, &control, nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScriptApplyDigitSubstitution(c.record, c.control, c.state), E_INVALIDARG);
        EXPECT_EQ(control.uDefaultLanguage, 0x77u);
    }
    EXPECT_EQ(ScriptRecordDigitSubstitution(0x0412, nullptr), E_INVALIDARG);
}

}  // namespace
