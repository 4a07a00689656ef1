// "usp10.dll" in the kernel's module table: loaded on demand, with the sixteen script functions.
#include <gtest/gtest.h>

#include "platform/kernel/modules.h"
#include "platform/usp/usp.h"

namespace {

using platform::kernel::exportAddress;

TEST(UspModule, SixteenEntriesByName) {
    struct Case {
        const char* name;
        FARPROC address;
    };
    const Case kCases[] = {
        {"ScriptItemize", exportAddress(&ScriptItemize)},
        {"ScriptShape", exportAddress(&ScriptShape)},
        {"ScriptPlace", exportAddress(&ScriptPlace)},
        {"ScriptBreak", exportAddress(&ScriptBreak)},
        {"ScriptJustify", exportAddress(&ScriptJustify)},
        {"ScriptTextOut", exportAddress(&ScriptTextOut)},
        {"ScriptGetProperties", exportAddress(&ScriptGetProperties)},
        {"ScriptFreeCache", exportAddress(&ScriptFreeCache)},
        {"ScriptRecordDigitSubstitution", exportAddress(&ScriptRecordDigitSubstitution)},
        {"ScriptApplyDigitSubstitution", exportAddress(&ScriptApplyDigitSubstitution)},
        {"ScriptGetFontProperties", exportAddress(&ScriptGetFontProperties)},
        {"ScriptStringAnalyse", exportAddress(&ScriptStringAnalyse)},
        {"ScriptStringOut", exportAddress(&ScriptStringOut)},
        {"ScriptStringFree", exportAddress(&ScriptStringFree)},
        {"ScriptStringCPtoX", exportAddress(&ScriptStringCPtoX)},
        {"ScriptString_pSize", exportAddress(&ScriptString_pSize)},
    };
    EXPECT_EQ(GetModuleHandleA("usp10.dll"), nullptr) << "loaded only on demand";
    HMODULE module = LoadLibraryA("usp10.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("USP10"), module);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetProcAddress(module, c.name), c.address);
    }
    EXPECT_EQ(GetProcAddress(module, "ScriptStringValidate"), nullptr) << "nothing beyond the sixteen";
    EXPECT_EQ(GetProcAddress(module, "scriptshape"), nullptr) << "export names are exact";
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("usp10.dll"), nullptr);
}

// The font's way of calling: through the looked-up pointer, with the exact type.
TEST(UspModule, CallThroughTheLookedUpEntry) {
    HMODULE module = LoadLibraryA("usp10.dll");
    ASSERT_NE(module, nullptr);
    using Itemize = HRESULT (*)(const WCHAR*, int, int, const SCRIPT_CONTROL*, const SCRIPT_STATE*, SCRIPT_ITEM*, int*);
    auto itemize = reinterpret_cast<Itemize>(GetProcAddress(module, "ScriptItemize"));
    ASSERT_NE(itemize, nullptr);
    SCRIPT_ITEM items[4];
    int count = 0;
    EXPECT_EQ(itemize(u"ab 가", 4, 4, nullptr, nullptr, items, &count), S_OK);
    EXPECT_EQ(count, 2);
    FreeLibrary(module);
}

}  // namespace
