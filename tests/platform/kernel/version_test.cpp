#include "platform/kernel/version.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Version, BothRecordSizesReportTheNtLine) {
    OSVERSIONINFOA basic;
    std::memset(&basic, 0xCC, sizeof basic);
    basic.dwOSVersionInfoSize = sizeof basic;
    ASSERT_TRUE(GetVersionExA(&basic));
    EXPECT_EQ(basic.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(basic.dwMajorVersion, 5u);
    EXPECT_EQ(basic.dwMinorVersion, 1u);
    EXPECT_EQ(basic.szCSDVersion[0], '\0');
    EXPECT_EQ(basic.dwOSVersionInfoSize, sizeof basic);

    OSVERSIONINFOEXA extended;
    std::memset(&extended, 0xCC, sizeof extended);
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)));
    EXPECT_EQ(extended.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(extended.wProductType, VER_NT_WORKSTATION);
    EXPECT_EQ(extended.wServicePackMajor, 0);
}

TEST(Version, WrongSizeIsRefusedAndTheRecordUntouched) {
    constexpr DWORD kSizes[] = {0, 147, 149, 155, 157, 0xFFFFFFFF};
    for (DWORD size : kSizes) {
        SCOPED_TRACE(size);
        OSVERSIONINFOEXA record;
        std::memset(&record, 0xCC, sizeof record);
        record.dwOSVersionInfoSize = size;
        SetLastError(0);
        EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&record)));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(record.dwPlatformId, 0xCCCCCCCCu);
    }
    SetLastError(0);
    EXPECT_FALSE(GetVersionExA(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
