#include "platform/kernel/system_message.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/local_memory.h"

namespace {

TEST(SystemMessage, FixedBufferReceivesTextOrNothing) {
    const char kExpected[] = "The system cannot find the file specified.\r\n";
    char buffer[128];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, buffer, sizeof buffer,
                             nullptr),
              sizeof kExpected - 1);
    EXPECT_STREQ(buffer, kExpected);

    // Exactly large enough, and one short.
    char exact[sizeof kExpected];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, exact, sizeof exact, nullptr),
              sizeof kExpected - 1);
    char shortBuffer[sizeof kExpected - 1];
    std::memset(shortBuffer, 'q', sizeof shortBuffer);
    SetLastError(0);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, shortBuffer,
                             sizeof shortBuffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(shortBuffer[0], 'q');
}

TEST(SystemMessage, EveryCodeTheKernelSetsHasAText) {
    constexpr DWORD kCodes[] = {
        ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_TOO_MANY_OPEN_FILES, ERROR_ACCESS_DENIED,
        ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY, ERROR_GEN_FAILURE, ERROR_INVALID_PARAMETER,
        ERROR_INSUFFICIENT_BUFFER, ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE,
        ERROR_FILE_TOO_LARGE, ERROR_MORE_DATA, ERROR_INVALID_ADDRESS, ERROR_INVALID_FLAGS, ERROR_FILE_INVALID,
        ERROR_NO_UNICODE_TRANSLATION, ERROR_MAPPED_ALIGNMENT, ERROR_CANT_RESOLVE_FILENAME,
    };
    for (DWORD code : kCodes) {
        SCOPED_TRACE(code);
        char* text = nullptr;
        DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
        ASSERT_GT(length, 2u);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::strlen(text), length);
        EXPECT_EQ(std::string(text + length - 3), ".\r\n");
        EXPECT_EQ(LocalFree(text), nullptr);
    }
}

TEST(SystemMessage, Win32HresultsReadTheirCodesText) {
    char a[128];
    char b[128];
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x80070002u, 0, a, sizeof a, nullptr), 0u);
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, b, sizeof b, nullptr), 0u);
    EXPECT_STREQ(a, b);
}

TEST(SystemMessage, RefusedRequests) {
    char buffer[64];
    struct Case {
        const char* name;
        DWORD flags;
        DWORD code;
        LPSTR target;
        DWORD error;
    };
    const Case kCases[] = {
        {"unknown code", FORMAT_MESSAGE_FROM_SYSTEM, 0x12345, buffer, ERROR_MR_MID_NOT_FOUND},
        {"no source", 0, ERROR_FILE_NOT_FOUND, buffer, ERROR_INVALID_PARAMETER},
        {"string source", FORMAT_MESSAGE_FROM_STRING, ERROR_FILE_NOT_FOUND, buffer, ERROR_INVALID_PARAMETER},
        {"module source", FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE, ERROR_FILE_NOT_FOUND, buffer,
         ERROR_INVALID_PARAMETER},
        {"null buffer", FORMAT_MESSAGE_FROM_SYSTEM, ERROR_FILE_NOT_FOUND, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(FormatMessageA(c.flags, nullptr, c.code, 0, c.target, sizeof buffer, nullptr), 0u);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(LocalMemory, BlocksAreTrackedSoBadFreesAreRefused) {
    auto* block = static_cast<unsigned char*>(LocalAlloc(LPTR, 32));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(block[i], 0);
    }
    EXPECT_EQ(LocalFree(block), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalFree(block), block);  // a second free is refused
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    int local = 0;
    EXPECT_EQ(LocalFree(&local), &local);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LMEM_MOVEABLE, 8), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    void* empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
}

}  // namespace
