#include "platform/kernel/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel/registry_file.h"
#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::ScopedEnv;
using kernel_test::ScratchDir;
using kernel_test::TraceCapture;

constexpr const char* kD3dKey = "hkey_local_machine\\software\\direct3d";

// ---- the file format ------------------------------------------------------------------------

TEST(RegistryFile, ReadsEachValueKindWithItsType) {
    struct Case {
        const char* name;
        const char* line;
        DWORD type;
        std::vector<BYTE> bytes;
    };
    const Case kCases[] = {
        {"dword", "\"V\"=dword:00000001", REG_DWORD, {1, 0, 0, 0}},
        {"dword little-endian", "\"V\"=dword:12345678", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
        {"short dword", "\"V\"=dword:ff", REG_DWORD, {0xFF, 0, 0, 0}},
        {"text", "\"V\"=\"1\"", REG_SZ, {'1', 0}},
        {"empty text", "\"V\"=\"\"", REG_SZ, {0}},
        {"escapes", "\"V\"=\"a\\\\b\\\"c\"", REG_SZ, {'a', '\\', 'b', '"', 'c', 0}},
        {"binary", "\"V\"=hex:01,ab, FF", REG_BINARY, {0x01, 0xAB, 0xFF}},
        {"empty binary", "\"V\"=hex:", REG_BINARY, {}},
        {"typed binary", "\"V\"=hex(4):02,00,00,00", REG_DWORD, {2, 0, 0, 0}},
        {"continued binary", "\"V\"=hex:01,02,\\\n  03,04", REG_BINARY, {1, 2, 3, 4}},
        {"blanks around =", "\"V\" = dword:00000003", REG_DWORD, {3, 0, 0, 0}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string text = std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n") + c.line + "\n";
        int notes = 0;
        platform::kernel::RegistryContents contents =
            platform::kernel::parseRegistryText(text, [&](int, std::string_view) { ++notes; });
        EXPECT_EQ(notes, 0);
        const platform::kernel::RegistryValue* value = contents.findValue(kD3dKey, "v");
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, c.type);
        EXPECT_EQ(value->data, c.bytes);
    }
}

TEST(RegistryFile, MalformedLinesAreSkippedOneNoteEachAndTheRestIsKept) {
    struct Case {
        const char* name;
        const char* line;
    };
    constexpr Case kCases[] = {
        {"no equals", "\"Bad\""},
        {"unquoted name", "Bad=dword:00000001"},
        {"unterminated name", "\"Bad=dword:1"},
        {"dword too long", "\"Bad\"=dword:123456789"},
        {"dword not hex", "\"Bad\"=dword:12g4"},
        {"dword empty", "\"Bad\"=dword:"},
        {"unterminated text", "\"Bad\"=\"abc"},
        {"text with trailing junk", "\"Bad\"=\"abc\" junk"},
        {"bad hex byte", "\"Bad\"=hex:01,2"},
        {"bad hex type", "\"Bad\"=hex(z):01"},
        {"unknown kind", "\"Bad\"=qword:1"},
        {"value deletion", "\"Bad\"=-"},
        {"binary garbage", "\x01\x02\xFF\xFE"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string text = std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"Before\"=dword:1\n") +
                           c.line + "\n\"After\"=dword:2\n";
        std::vector<int> lines;
        platform::kernel::RegistryContents contents =
            platform::kernel::parseRegistryText(text, [&](int line, std::string_view) { lines.push_back(line); });
        EXPECT_EQ(lines, std::vector<int>{4});
        EXPECT_NE(contents.findValue(kD3dKey, "before"), nullptr);
        EXPECT_NE(contents.findValue(kD3dKey, "after"), nullptr);
        EXPECT_EQ(contents.findValue(kD3dKey, "bad"), nullptr);
    }
}

TEST(RegistryFile, BadKeyHeadersLeaveTheirValuesOut) {
    struct Case {
        const char* name;
        const char* header;
    };
    constexpr Case kCases[] = {
        {"unknown root", "[HKEY_NOWHERE\\Software]"},
        {"unclosed", "[HKEY_LOCAL_MACHINE\\Software"},
        {"deletion", "[-HKEY_LOCAL_MACHINE\\Software]"},
        {"empty", "[]"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string text = std::string("REGEDIT4\n") + c.header + "\n\"V\"=dword:1\n";
        std::vector<int> lines;
        platform::kernel::RegistryContents contents =
            platform::kernel::parseRegistryText(text, [&](int line, std::string_view) { lines.push_back(line); });
        // The header is rejected, and the value under it has no key to go to.
        EXPECT_EQ(lines, (std::vector<int>{2, 3}));
        EXPECT_TRUE(contents.keys.empty());
    }
}

TEST(RegistryFile, TextWithoutTheHeaderIsIgnoredWithOneNote) {
    constexpr const char* kTexts[] = {
        "[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"V\"=dword:1\n",
        "",
        "REGEDIT3\n",
    };
    for (const char* text : kTexts) {
        SCOPED_TRACE(text);
        int notes = 0;
        platform::kernel::RegistryContents contents =
            platform::kernel::parseRegistryText(text, [&](int, std::string_view) { ++notes; });
        EXPECT_EQ(notes, 1);
        EXPECT_TRUE(contents.keys.empty());
    }
}

TEST(RegistryFile, LaterDefinitionOfAValueWinsAndSectionsMerge) {
    platform::kernel::RegistryContents contents = platform::kernel::parseRegistryText(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"A\"=dword:1\n"
        "[hkey_local_machine\\SOFTWARE\\direct3d]\n\"a\"=dword:2\n\"B\"=\"x\"\n",
        [](int, std::string_view) { ADD_FAILURE(); });
    const platform::kernel::RegistryValue* a = contents.findValue(kD3dKey, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data, (std::vector<BYTE>{2, 0, 0, 0}));
    EXPECT_NE(contents.findValue(kD3dKey, "b"), nullptr);
    EXPECT_TRUE(contents.keyExists("hkey_local_machine\\software"));
    EXPECT_FALSE(contents.keyExists("hkey_local_machine\\soft"));
}

// ---- the Reg* calls -------------------------------------------------------------------------

class RegistryCalls : public testing::Test {
protected:
    void install(const std::string& contents) {
        m_env.emplace("WIN32_REGISTRY", m_dir.write("registry.reg", contents));
        platform::kernel::reloadRegistry();
    }
    ~RegistryCalls() override { platform::kernel::reloadRegistry(); }

    ScratchDir m_dir;
    std::optional<ScopedEnv> m_env;
};

constexpr const char* kStandardFile =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\r\n"
    "\"DisablePSGP\"=dword:00000001\r\n"
    "\"D3DX\"=\"2\"\r\n"
    "\"Name\"=\"some text\"\r\n"
    "@=dword:0000002a\r\n";

TEST_F(RegistryCalls, DwordAndStringValuesKeepTheirTypes) {
    install(kStandardFile);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);
    ASSERT_NE(key, nullptr);

    struct Case {
        const char* name;
        DWORD type;
        DWORD size;
        DWORD number;  // the first four bytes, for values that have them
    };
    constexpr Case kCases[] = {
        {"DisablePSGP", REG_DWORD, 4, 1},
        {"disablepsgp", REG_DWORD, 4, 1},
        {"D3DX", REG_SZ, 2, '2'},
        {nullptr, REG_DWORD, 4, 42},
        {"", REG_DWORD, 4, 42},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name ? c.name : "(default)");
        DWORD type = 0xDEAD;
        DWORD number = 0;
        DWORD size = sizeof number;
        ASSERT_EQ(RegQueryValueExA(key, c.name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(number, c.number);
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryCalls, SizeQueriesAndTooSmallBuffers) {
    install(kStandardFile);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 10u);  // "some text" and its zero

    char buffer[4] = {'k', 'e', 'e', 'p'};
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::memcmp(buffer, "keep", 4), 0);

    char text[16] = {};
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "some text");
    EXPECT_EQ(size, 10u);
    RegCloseKey(key);
}

TEST_F(RegistryCalls, RefusedCalls) {
    install(kStandardFile);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD reserved = 0;
    HKEY bogus = reinterpret_cast<HKEY>(&value);

    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegQueryValueExA(key, "DisablePSGP", &reserved, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegQueryValueExA(key, "DisablePSGP", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(value, 0u);

    HKEY out = HKEY_USERS;
    EXPECT_EQ(RegOpenKeyA(bogus, "x", &out), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(RegQueryValueExA(bogus, "x", nullptr, nullptr, nullptr, nullptr), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCloseKey(bogus), static_cast<LONG>(ERROR_INVALID_HANDLE));

    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    // A closed handle is refused, not used.
    EXPECT_EQ(RegQueryValueExA(key, "DisablePSGP", nullptr, nullptr, nullptr, &size),
              static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(RegistryCalls, KeysOpenByPathIgnoringCaseAndEmptyParts) {
    install(kStandardFile);
    struct Case {
        const char* name;
        HKEY root;
        const char* subKey;
        LONG expected;
    };
    const Case kCases[] = {
        {"exact", HKEY_LOCAL_MACHINE, "Software\\Direct3D", ERROR_SUCCESS},
        {"case", HKEY_LOCAL_MACHINE, "SOFTWARE\\direct3d", ERROR_SUCCESS},
        {"trailing separator", HKEY_LOCAL_MACHINE, "Software\\Direct3D\\", ERROR_SUCCESS},
        {"ancestor without a section", HKEY_LOCAL_MACHINE, "Software", ERROR_SUCCESS},
        {"root itself", HKEY_LOCAL_MACHINE, nullptr, ERROR_SUCCESS},
        {"other root", HKEY_CURRENT_USER, "Software\\Direct3D", static_cast<LONG>(ERROR_FILE_NOT_FOUND)},
        {"missing", HKEY_LOCAL_MACHINE, "Software\\Direct3D\\Deeper", static_cast<LONG>(ERROR_FILE_NOT_FOUND)},
        {"prefix is not a key", HKEY_LOCAL_MACHINE, "Soft", static_cast<LONG>(ERROR_FILE_NOT_FOUND)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyA(c.root, c.subKey, &key), c.expected);
        EXPECT_EQ(key != nullptr, c.expected == ERROR_SUCCESS);
        if (key != nullptr) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
    }
    // A key opened relative to an open key.
    HKEY software = nullptr;
    HKEY d3d = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &software), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyA(software, "Direct3D", &d3d), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(d3d, "DisablePSGP", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    RegCloseKey(d3d);
    RegCloseKey(software);
}

TEST(RegistryWithoutFile, EveryReadFails) {
    ScratchDir dir;
    const std::optional<std::string> kSettings[] = {std::nullopt, std::string(), dir.path("absent.reg")};
    for (const std::optional<std::string>& setting : kSettings) {
        SCOPED_TRACE(setting.value_or("(unset)"));
        ScopedEnv env("WIN32_REGISTRY", setting);
        platform::kernel::reloadRegistry();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(key, nullptr);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "x", nullptr, nullptr, nullptr, &size),
                  static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    }
}

TEST_F(RegistryCalls, ChangedFileIsReadAgain) {
    install("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"V\"=dword:1\n");
    auto read = [] {
        HKEY key = nullptr;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key) != ERROR_SUCCESS) {
            return DWORD{0xFFFFFFFF};
        }
        RegQueryValueExA(key, "V", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        return value;
    };
    EXPECT_EQ(read(), 1u);
    // A file of another size is noticed without help.
    m_dir.write("registry.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"V\"=dword:00000002\n");
    EXPECT_EQ(read(), 2u);
    // Another file named by the variable is noticed too.
    ScopedEnv other("WIN32_REGISTRY", m_dir.write("other.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"V\"=dword:3\n"));
    EXPECT_EQ(read(), 3u);
}

TEST_F(RegistryCalls, MalformedFileGivesNotesOnceAndKeepsGoodLines) {
    TraceCapture trace;
    install("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"A\"=dword:zz\n\"B\"=dword:5\nnonsense\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(key, "B", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(RegQueryValueExA(key, "A", nullptr, nullptr, nullptr, &size), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    RegCloseKey(key);
    // Reading again does not parse (or complain) again.
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(trace.notes().size(), 2u);
    EXPECT_TRUE(trace.anyContains("registry.reg:3"));
    EXPECT_TRUE(trace.anyContains("registry.reg:5"));
}

TEST_F(RegistryCalls, NonRegularOrUnreadableFilesAreIgnored) {
    TraceCapture trace;
    std::filesystem::create_directories(m_dir.path("a-directory"));
    const std::string kPaths[] = {m_dir.path("a-directory"), "/dev/zero",
                                  m_dir.write("utf16.reg", std::string("\xFF\xFER\0E\0", 6))};
    for (const std::string& path : kPaths) {
        SCOPED_TRACE(path);
        ScopedEnv env("WIN32_REGISTRY", path);
        platform::kernel::reloadRegistry();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_EQ(trace.notes().size(), 3u);
}

}  // namespace
