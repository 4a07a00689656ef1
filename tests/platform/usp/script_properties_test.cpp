// ScriptGetProperties: one record per script id, consistent with what ScriptItemize reports.
#include <gtest/gtest.h>

#include "platform/usp/script_table.h"
#include "platform/usp/usp.h"

namespace {

using namespace platform::usp;

TEST(ScriptGetProperties, TableRows) {
    const SCRIPT_PROPERTIES** table = nullptr;
    int count = 0;
    ASSERT_EQ(ScriptGetProperties(&table, &count), S_OK);
    ASSERT_EQ(count, kScriptCount);
    struct Case {
        const char* name;
        WORD script;
        WORD langid;
        BYTE charSet;
        bool numeric;
        bool complex;
        bool needsWordBreaking;
    };
    const Case kCases[] = {
        {"undefined", kScriptUndefined, 0x00, 1, false, false, false},
        {"Latin", kScriptLatin, 0x09, 0, false, false, false},
        {"Hangul", kScriptHangul, 0x12, 129, false, false, false},
        {"Hebrew", kScriptHebrew, 0x0D, 177, false, true, false},
        {"Arabic", kScriptArabic, 0x01, 178, false, true, false},
        {"Thai", kScriptThai, 0x1E, 222, false, true, true},
        {"Arabic digits", kScriptArabicDigits, 0x01, 178, true, false, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const SCRIPT_PROPERTIES& p = *table[c.script];
        EXPECT_EQ(p.langid, c.langid);
        EXPECT_EQ(p.bCharSet, c.charSet);
        EXPECT_EQ(p.fNumeric, c.numeric);
        EXPECT_EQ(p.fComplex, c.complex);
        EXPECT_EQ(p.fNeedsWordBreaking, c.needsWordBreaking);
    }
}

TEST(ScriptGetProperties, EitherOutputAlone) {
    const SCRIPT_PROPERTIES** table = nullptr;
    int count = 0;
    EXPECT_EQ(ScriptGetProperties(&table, nullptr), S_OK);
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(ScriptGetProperties(nullptr, &count), S_OK);
    EXPECT_EQ(count, kScriptCount);
    EXPECT_EQ(ScriptGetProperties(nullptr, nullptr), E_INVALIDARG);
}

}  // namespace
