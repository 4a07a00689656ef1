#include "platform/kernel/file_mapping.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/kernel/local_memory.h"
#include "platform/kernel/system_message.h"
#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::ScratchDir;

HANDLE openForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS,
                       nullptr);
}

// The system's text for a code, as a texture loader would fetch it.
std::string systemText(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
                                  nullptr);
    if (length == 0) {
        return "(none)";
    }
    std::string result(text, length);
    EXPECT_EQ(LocalFree(text), nullptr);
    return result;
}

TEST(FileMapping, NormalFileIsMappedWhole) {
    ScratchDir dir;
    std::string contents = "\xFF\xD8\xFF\xE0 not really a JPEG, but bytes all the same";
    contents.push_back('\0');
    contents += "after a zero";
    HANDLE file = openForReading(dir.write("image.jpg", contents));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    SetLastError(1234);
    DWORD size = GetFileSize(file, nullptr);
    EXPECT_EQ(size, contents.size());
    EXPECT_EQ(GetLastError(), NO_ERROR);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::memcmp(view, contents.data(), contents.size()), 0);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
}

TEST(FileMapping, ViewOutlivesTheHandlesItCameFrom) {
    ScratchDir dir;
    HANDLE file = openForReading(dir.write("data.bin", "0123456789"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_TRUE(CloseHandle(file));
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4));
    ASSERT_TRUE(CloseHandle(mapping));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::string(view, 4), "0123");
    EXPECT_TRUE(UnmapViewOfFile(view));
}

TEST(FileMapping, EmptyFileHasSizeZeroAndNoMapping) {
    ScratchDir dir;
    HANDLE file = openForReading(dir.write("empty.jpg", ""));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetLastError(0);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    EXPECT_EQ(mapping, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    EXPECT_EQ(GetLastError(), NO_ERROR);
    // The loader closes the failed mapping handle too: refused harmlessly.
    EXPECT_FALSE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
}

TEST(FileMapping, OpenFailuresGiveTheirCodeAndTheSystemText) {
    ScratchDir dir;
    dir.write("present.jpg", "x");
    std::filesystem::create_directories(dir.path("folder"));
    std::string fifo = dir.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
        DWORD error;
        const char* text;
    };
    const Case kCases[] = {
        {"missing file", dir.path("missing.jpg"), ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
        {"missing folder", dir.path("nowhere/missing.jpg"), ERROR_PATH_NOT_FOUND,
         "The system cannot find the path specified.\r\n"},
        {"file used as folder", dir.path("present.jpg/inner.jpg"), ERROR_PATH_NOT_FOUND,
         "The system cannot find the path specified.\r\n"},
        {"relative missing file", "no-such-file-here.jpg", ERROR_FILE_NOT_FOUND,
         "The system cannot find the file specified.\r\n"},
        {"empty name", "", ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
        {"directory", dir.path("folder"), ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
        {"pipe (must not block)", fifo, ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
        {"name too long", std::string(5000, 'a'), ERROR_FILENAME_EXCED_RANGE,
         "The filename or extension is too long.\r\n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(openForReading(c.path), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(systemText(GetLastError()), c.text);
    }
}

TEST(FileMapping, BackslashesSeparateFolders) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.path("data"));
    dir.write("data/062bois.jpg", "wood");
    std::string windowsStyle = dir.path("data") + "\\062bois.jpg";
    HANDLE file = openForReading(windowsStyle);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 4u);
    CloseHandle(file);
}

TEST(FileMapping, OnlyReadingIsOffered) {
    ScratchDir dir;
    std::string path = dir.write("data.bin", "abc");
    kernel_test::TraceCapture trace;
    struct Case {
        const char* name;
        DWORD access;
        DWORD disposition;
        DWORD error;
    };
    constexpr Case kCases[] = {
        {"write", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"read and write", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"no access", 0, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"create always", GENERIC_READ, CREATE_ALWAYS, ERROR_INVALID_PARAMETER},
        {"open always", GENERIC_READ, OPEN_ALWAYS, ERROR_INVALID_PARAMETER},
        {"truncate", GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(CreateFileA(path.c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(trace.notes().size(), std::size(kCases));
    // The file is untouched by the refused calls.
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
}

TEST(FileMapping, MappingAndViewArgumentsAreChecked) {
    ScratchDir dir;
    HANDLE file = openForReading(dir.write("data.bin", std::string(100, 'z')));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    struct Case {
        const char* name;
        DWORD access;
        DWORD offsetLow;
        SIZE_T bytes;
        DWORD error;
    };
    constexpr Case kCases[] = {
        {"write access", FILE_MAP_WRITE, 0, 0, ERROR_ACCESS_DENIED},
        {"copy access", FILE_MAP_COPY, 0, 0, ERROR_ACCESS_DENIED},
        {"unaligned offset", FILE_MAP_READ, 4096, 0, ERROR_MAPPED_ALIGNMENT},
        {"offset past the end", FILE_MAP_READ, kAllocationGranularity, 0, ERROR_ACCESS_DENIED},
        {"length past the end", FILE_MAP_READ, 0, 101, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(MapViewOfFile(mapping, c.access, 0, c.offsetLow, c.bytes), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // Handles of the wrong kind, and mappings the stand-in does not offer.
    SetLastError(0);
    EXPECT_EQ(MapViewOfFile(file, FILE_MAP_READ, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetFileSize(mapping, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(CreateFileMappingA(mapping, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 16, nullptr), nullptr);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, "named"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 101, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // A partial mapping limits its views.
    HANDLE partial = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 10, nullptr);
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(MapViewOfFile(partial, FILE_MAP_READ, 0, 0, 11), nullptr);
    const void* view = MapViewOfFile(partial, FILE_MAP_READ, 0, 0, 10);
    EXPECT_NE(view, nullptr);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_TRUE(CloseHandle(partial));

    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
}

TEST(FileMapping, StaleAndForeignHandlesAndAddressesAreRefused) {
    ScratchDir dir;
    HANDLE file = openForReading(dir.write("data.bin", "abc"));
    ASSERT_TRUE(CloseHandle(file));
    int local = 0;
    const HANDLE kHandles[] = {file, nullptr, INVALID_HANDLE_VALUE, &local};
    for (HANDLE handle : kHandles) {
        SCOPED_TRACE(handle);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetFileSize(handle, nullptr), INVALID_FILE_SIZE);
    }
    SetLastError(0);
    EXPECT_FALSE(UnmapViewOfFile(&local));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
    EXPECT_EQ(systemText(ERROR_INVALID_ADDRESS), "Attempt to access invalid address.\r\n");
}

TEST(FileMapping, HighHalfOfTheSizeIsReported) {
    ScratchDir dir;
    HANDLE file = openForReading(dir.write("data.bin", "abcdef"));
    DWORD high = 0xFFFF;
    EXPECT_EQ(GetFileSize(file, &high), 6u);
    EXPECT_EQ(high, 0u);
    CloseHandle(file);
}

}  // namespace
