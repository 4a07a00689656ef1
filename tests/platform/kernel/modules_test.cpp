#include "platform/kernel/modules.h"

#include <gtest/gtest.h>

#include "platform/kernel/debugger.h"

namespace {

using platform::kernel::exportAddress;
using platform::kernel::ModuleLoading;

int answerOne() { return 1; }
int answerTwo() { return 2; }

// Registered before main runs, from this file's static initialisation.
const platform::kernel::ModuleRegistration kStaticModule{
    "static-test.dll", ModuleLoading::AtStart, {{"Answer", exportAddress(&answerOne)}}};

int callAnswer(HMODULE module, const char* name) {
    FARPROC proc = GetProcAddress(module, name);
    return proc == nullptr ? -1 : reinterpret_cast<int (*)()>(proc)();
}

TEST(Modules, Kernel32IsBuiltInAndFoundUnderItsUsualSpellings) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    constexpr const char* kSpellings[] = {"KERNEL32.DLL", "kernel32", "C:\\Windows\\System32\\kernel32.dll",
                                          "/lib/kernel32.dll"};
    for (const char* spelling : kSpellings) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(GetModuleHandleA(spelling), kernel);
    }
    FARPROC proc = GetProcAddress(kernel, "IsDebuggerPresent");
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(reinterpret_cast<BOOL (*)()>(proc), &IsDebuggerPresent);
    // Export names are exact.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(kernel, "isdebuggerpresent"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

TEST(Modules, RegistrationFromAStaticInitialiserIsSeen) {
    HMODULE module = GetModuleHandleA("static-test.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(callAnswer(module, "Answer"), 1);
}

TEST(Modules, OnDemandModuleIsLoadedOnlyWhileReferenced) {
    platform::kernel::registerModule("ondemand-test.dll", ModuleLoading::OnDemand,
                                     {{"Answer", exportAddress(&answerTwo)}});
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("ondemand-test.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    HMODULE first = LoadLibraryA("ondemand-test.dll");
    ASSERT_NE(first, nullptr);
    HMODULE second = LoadLibraryA("OnDemand-Test");
    EXPECT_EQ(second, first);
    EXPECT_EQ(platform::kernel::moduleLoadCount(first), 2);
    EXPECT_EQ(GetModuleHandleA("ondemand-test.dll"), first);
    EXPECT_EQ(callAnswer(first, "Answer"), 2);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("ondemand-test.dll"), first);  // one reference left
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("ondemand-test.dll"), nullptr);
    EXPECT_EQ(platform::kernel::moduleLoadCount(first), 0);

    // Unloaded: the handle is refused, not used.
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetProcAddress(first, "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Modules, AtStartModuleStaysLoadedWhateverFreeLibraryIsCalled) {
    platform::kernel::registerModule("atstart-test.dll", ModuleLoading::AtStart);
    HMODULE module = GetModuleHandleA("atstart-test.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryA("atstart-test.dll"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("atstart-test.dll"), module);
}

TEST(Modules, UnknownModulesHandlesAndNamesAreRefused) {
    struct Case {
        const char* name;
        const char* module;
        DWORD error;
    };
    constexpr Case kCases[] = {
        {"unregistered module", "usp10-not-registered.dll", ERROR_MOD_NOT_FOUND},
        {"debug runtime nobody provides", "d3d9d-not-registered.dll", ERROR_MOD_NOT_FOUND},
        {"null name", nullptr, ERROR_INVALID_PARAMETER},
        {"empty name", "", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(c.module), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }

    int notAModule = 0;
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&notAModule)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // An ordinal is never read as a string.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(kernel, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(5))), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(platform::kernel::moduleLoadCount(reinterpret_cast<HMODULE>(&notAModule)), -1);
}

TEST(Modules, ProgramModuleExistsAndExportsNothing) {
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(program, GetModuleHandleA("kernel32.dll"));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(program, "IsDebuggerPresent"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

TEST(Modules, RegisteringAgainMergesExportsAndAtStartWins) {
    platform::kernel::registerModule("merge-test.dll", ModuleLoading::OnDemand, {{"One", exportAddress(&answerOne)}});
    EXPECT_EQ(GetModuleHandleA("merge-test.dll"), nullptr);
    platform::kernel::registerModule("MERGE-TEST.DLL", ModuleLoading::AtStart,
                                     {{"Two", exportAddress(&answerTwo)}, {"One", exportAddress(&answerTwo)}});
    HMODULE module = GetModuleHandleA("merge-test.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(callAnswer(module, "One"), 2);  // the later address replaced the earlier one
    EXPECT_EQ(callAnswer(module, "Two"), 2);
}

TEST(Modules, UnregisteredModuleDisappearsAndItsHandlesAreRefused) {
    platform::kernel::registerModule("gone-test.dll", ModuleLoading::AtStart, {{"Answer", exportAddress(&answerOne)}});
    HMODULE module = GetModuleHandleA("gone-test.dll");
    ASSERT_NE(module, nullptr);
    platform::kernel::unregisterModule("gone-test.dll");
    EXPECT_EQ(GetModuleHandleA("gone-test.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("gone-test.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "Answer"), nullptr);
    // Registering it again revives the same module, without the old exports.
    platform::kernel::registerModule("gone-test.dll", ModuleLoading::AtStart);
    EXPECT_EQ(GetModuleHandleA("gone-test.dll"), module);
    EXPECT_EQ(GetProcAddress(module, "Answer"), nullptr);
}

}  // namespace
