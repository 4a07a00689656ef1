#include "gfxutil/core/diagnostics.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/debugger.h"
#include "platform/kernel/modules.h"
#include "platform/kernel/registry.h"
#include "platform/win32/message_box.h"
#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::ScopedEnv;
using kernel_test::ScratchDir;

// What the fake runtimes' "DebugSetMute" exports were called with.
std::vector<BOOL> g_runtimeMuteCalls;
std::vector<BOOL> g_debugRuntimeMuteCalls;
void runtimeDebugSetMute(BOOL mute) { g_runtimeMuteCalls.push_back(mute); }
void debugRuntimeDebugSetMute(BOOL mute) { g_debugRuntimeMuteCalls.push_back(mute); }

struct ShownBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Every test starts from a fresh process's diagnostic state: no profile entry, no registry, no
// runtime modules, no debugger, and every output captured.
class Diagnostics : public testing::Test {
protected:
    Diagnostics()
        : m_profile("WIN32_PROFILE", m_dir.path("absent.ini")), m_registry("WIN32_REGISTRY", std::nullopt) {
        gfxutil::core::resetDiagnosticsForTesting();
        platform::kernel::reloadRegistry();
        platform::kernel::setDebuggerPresentOverride(false);
        platform::kernel::setDebugBreakHook([this] { ++m_breaks; });
        platform::win32::setMessageBoxHook([this](const platform::win32::MessageBoxRecord& box) {
            m_boxes.push_back({box.owner, box.text, box.caption, box.type});
            return m_answer;
        });
        g_runtimeMuteCalls.clear();
        g_debugRuntimeMuteCalls.clear();
    }
    ~Diagnostics() override {
        platform::win32::setMessageBoxHook({});
        platform::kernel::setDebugBreakHook({});
        platform::kernel::setDebuggerPresentOverride(std::nullopt);
        platform::kernel::unregisterModule("d3d9.dll");
        platform::kernel::unregisterModule("d3d9d.dll");
        gfxutil::core::resetDiagnosticsForTesting();
        platform::kernel::reloadRegistry();
    }

    void setProfile(const std::string& contents) { ::setenv("WIN32_PROFILE", m_dir.write("win.ini", contents).c_str(), 1); }

    // Installs a registry whose Direct3D key holds the given value lines.
    void setRegistry(const std::string& valueLines) {
        std::string path = m_dir.write("registry.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n" + valueLines);
        ::setenv("WIN32_REGISTRY", path.c_str(), 1);
        platform::kernel::reloadRegistry();
    }

    ScratchDir m_dir;
    ScopedEnv m_profile;
    ScopedEnv m_registry;
    kernel_test::DebugOutputCapture m_output;
    int m_breaks = 0;
    std::vector<ShownBox> m_boxes;
    int m_answer = IDNO;
};

// ---- DebugMessage ---------------------------------------------------------------------------

TEST_F(Diagnostics, MessageIsOneLineWithPrefixAndCrLf) {
    DebugMessage(0, "pDevice pointer is invalid");
    DebugMessage(0, "%s %d %u", "formatted", -3, 7u);
    ASSERT_EQ(m_output.calls().size(), 2u);
    EXPECT_EQ(m_output.calls()[0], "D3DX: pDevice pointer is invalid\r\n");
    EXPECT_EQ(m_output.calls()[1], "D3DX: formatted -3 7\r\n");
}

TEST_F(Diagnostics, LongMessagesAreCutTwice) {
    // The message keeps at most 4095 characters; the line built from it is cut to 4095 as well.
    constexpr std::size_t kLengths[] = {4086, 4087, 4088, 4089, 4090, 4095, 4096, 5000};
    for (std::size_t length : kLengths) {
        SCOPED_TRACE(length);
        gfxutil::core::resetDiagnosticsForTesting();
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text.push_back(static_cast<char>('a' + i % 26));
        }
        std::size_t before = m_output.calls().size();
        DebugMessage(0, "%s", text.c_str());
        ASSERT_EQ(m_output.calls().size(), before + 1);
        std::string kept = text.substr(0, 4095);
        std::string expected = ("D3DX: " + kept + "\r\n").substr(0, 4095);
        EXPECT_EQ(m_output.calls().back(), expected);
    }
}

TEST_F(Diagnostics, FiveThousandCharacterMessageKeepsPrefixAndFirst4089Characters) {
    std::string text(5000, 'x');
    text[4088] = 'L';  // the last character kept
    text[4089] = 'C';  // the first one cut
    DebugMessage(0, "%s", text.c_str());
    ASSERT_EQ(m_output.calls().size(), 1u);
    const std::string& line = m_output.calls()[0];
    EXPECT_EQ(line.size(), 4095u);
    EXPECT_EQ(line.substr(0, 6), "D3DX: ");
    EXPECT_EQ(line.back(), 'L');
    EXPECT_EQ(line.find('C'), std::string::npos);
    EXPECT_EQ(line.find('\r'), std::string::npos);
}

TEST_F(Diagnostics, ProfileLevelFiltersMessages) {
    struct Case {
        const char* name;
        const char* profile;  // null: no profile file
        int messageLevel;
        bool written;
    };
    constexpr Case kCases[] = {
        {"no file, level 0", nullptr, 0, true},
        {"no file, level 1", nullptr, 1, false},
        {"no entry, level 0", "[Direct3D]\nother=5\n", 0, true},
        {"level 0 allows 0", "[Direct3D]\ndebug=0\n", 0, true},
        {"level 2 allows 2", "[Direct3D]\ndebug=2\n", 2, true},
        {"level 2 refuses 3", "[Direct3D]\ndebug=2\n", 3, false},
        {"negative silences 0", "[Direct3D]\ndebug=-1\n", 0, false},
        {"negative allows below", "[Direct3D]\ndebug=-1\n", -1, true},
        {"other section ignored", "[Other]\ndebug=-1\n", 0, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        gfxutil::core::resetDiagnosticsForTesting();
        if (c.profile != nullptr) {
            setProfile(c.profile);
        } else {
            ::setenv("WIN32_PROFILE", m_dir.path("absent.ini").c_str(), 1);
        }
        std::size_t before = m_output.calls().size();
        DebugMessage(c.messageLevel, "probe");
        EXPECT_EQ(m_output.calls().size() - before, c.written ? 1u : 0u);
    }
}

TEST_F(Diagnostics, LevelIsReadOnceEvenWhenItIsMinusOne) {
    setProfile("[Direct3D]\ndebug=-1\n");
    DebugMessage(0, "silenced");
    setProfile("[Direct3D]\ndebug=0\n");
    DebugMessage(0, "still silenced: the level is kept for the life of the process");
    EXPECT_TRUE(m_output.calls().empty());
    gfxutil::core::resetDiagnosticsForTesting();
    DebugMessage(0, "read again");
    EXPECT_EQ(m_output.calls().size(), 1u);
}

// ---- MuteDebugOutput ------------------------------------------------------------------------

TEST_F(Diagnostics, NothingIsWrittenWhileMuted) {
    DebugMessage(0, "before");
    MuteDebugOutput(1);
    DebugMessage(0, "while muted");
    MuteDebugOutput(1);
    DebugMessage(0, "still muted");
    MuteDebugOutput(0);
    DebugMessage(0, "after");
    ASSERT_EQ(m_output.calls().size(), 2u);
    EXPECT_EQ(m_output.calls()[0], "D3DX: before\r\n");
    EXPECT_EQ(m_output.calls()[1], "D3DX: after\r\n");
}

TEST_F(Diagnostics, RuntimeMuteFollowsTheDoNotMuteSwitch) {
    struct Case {
        const char* name;
        const char* registryLines;  // null: no registry
        bool runtimeCalled;
    };
    constexpr Case kCases[] = {
        {"no registry", nullptr, true},
        {"no value", "\"Other\"=dword:00000001\n", true},
        {"switch set", "\"D3DXDoNotMute\"=dword:00000001\n", false},
        {"switch set to another nonzero", "\"D3DXDoNotMute\"=dword:00000005\n", false},
        {"switch zero", "\"D3DXDoNotMute\"=dword:00000000\n", true},
        {"switch as text is not a DWORD", "\"D3DXDoNotMute\"=\"1\"\n", true},
    };
    platform::kernel::registerModule("d3d9.dll", platform::kernel::ModuleLoading::AtStart,
                                     {{"DebugSetMute", platform::kernel::exportAddress(&runtimeDebugSetMute)}});
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        gfxutil::core::resetDiagnosticsForTesting();
        g_runtimeMuteCalls.clear();
        if (c.registryLines != nullptr) {
            setRegistry(c.registryLines);
        } else {
            ::unsetenv("WIN32_REGISTRY");
            platform::kernel::reloadRegistry();
        }
        std::size_t before = m_output.calls().size();
        MuteDebugOutput(1);
        DebugMessage(0, "muted either way");
        MuteDebugOutput(0);
        EXPECT_EQ(m_output.calls().size(), before);  // the library's own channel is always muted
        EXPECT_EQ(g_runtimeMuteCalls, c.runtimeCalled ? (std::vector<BOOL>{1, 0}) : std::vector<BOOL>{});
    }
}

TEST_F(Diagnostics, DoNotMuteSwitchIsReadOnce) {
    platform::kernel::registerModule("d3d9.dll", platform::kernel::ModuleLoading::AtStart,
                                     {{"DebugSetMute", platform::kernel::exportAddress(&runtimeDebugSetMute)}});
    MuteDebugOutput(1);
    setRegistry("\"D3DXDoNotMute\"=dword:00000001\n");
    MuteDebugOutput(0);
    EXPECT_EQ(g_runtimeMuteCalls, (std::vector<BOOL>{1, 0}));
}

TEST_F(Diagnostics, RuntimeNotLoadedIsNotLoadedForMutingButFoundOnceItIs) {
    platform::kernel::registerModule("d3d9.dll", platform::kernel::ModuleLoading::OnDemand,
                                     {{"DebugSetMute", platform::kernel::exportAddress(&runtimeDebugSetMute)}});
    MuteDebugOutput(1);
    MuteDebugOutput(0);
    EXPECT_TRUE(g_runtimeMuteCalls.empty());

    HMODULE runtime = LoadLibraryA("d3d9.dll");  // the program loads the runtime later on
    ASSERT_NE(runtime, nullptr);
    EXPECT_EQ(platform::kernel::moduleLoadCount(runtime), 1);
    MuteDebugOutput(1);
    MuteDebugOutput(0);
    EXPECT_EQ(g_runtimeMuteCalls, (std::vector<BOOL>{1, 0}));
    // The entry is held with one extra reference, taken once.
    EXPECT_EQ(platform::kernel::moduleLoadCount(runtime), 2);
}

TEST_F(Diagnostics, BothRuntimesAreMutedWhenBothAreLoaded) {
    platform::kernel::registerModule("d3d9.dll", platform::kernel::ModuleLoading::AtStart,
                                     {{"DebugSetMute", platform::kernel::exportAddress(&runtimeDebugSetMute)}});
    platform::kernel::registerModule("d3d9d.dll", platform::kernel::ModuleLoading::AtStart,
                                     {{"DebugSetMute", platform::kernel::exportAddress(&debugRuntimeDebugSetMute)}});
    MuteDebugOutput(1);
    EXPECT_EQ(g_runtimeMuteCalls, std::vector<BOOL>{1});
    EXPECT_EQ(g_debugRuntimeMuteCalls, std::vector<BOOL>{1});
}

TEST_F(Diagnostics, RuntimeWithoutTheExportGivesItsReferenceBack) {
    platform::kernel::registerModule("d3d9.dll", platform::kernel::ModuleLoading::OnDemand);
    HMODULE runtime = LoadLibraryA("d3d9.dll");
    ASSERT_NE(runtime, nullptr);
    for (int i = 0; i < 5; ++i) {
        MuteDebugOutput(1);
        MuteDebugOutput(0);
    }
    EXPECT_EQ(platform::kernel::moduleLoadCount(runtime), 1);
    EXPECT_TRUE(FreeLibrary(runtime));
    EXPECT_EQ(GetModuleHandleA("d3d9.dll"), nullptr);
}

// ---- registry DWORD read --------------------------------------------------------------------

TEST_F(Diagnostics, RegistryDwordReadAcceptsOnlyFourByteDwords) {
    struct Case {
        const char* name;
        const char* registryLines;  // null: no registry
        bool ok;
        DWORD value;  // when ok
    };
    constexpr Case kCases[] = {
        {"dword", "\"V\"=dword:0000002a\n", true, 42},
        {"dword zero", "\"V\"=dword:00000000\n", true, 0},
        {"text of one character", "\"V\"=\"2\"\n", false, 0},
        {"text of three characters", "\"V\"=\"abc\"\n", false, 0},
        {"long text", "\"V\"=\"a longer text\"\n", false, 0},
        {"binary of four bytes", "\"V\"=hex:01,00,00,00\n", false, 0},
        {"short dword-typed data", "\"V\"=hex(4):01,00\n", false, 0},
        {"missing value", "\"Other\"=dword:00000001\n", false, 0},
        {"no registry", nullptr, false, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.registryLines != nullptr) {
            setRegistry(c.registryLines);
        } else {
            ::unsetenv("WIN32_REGISTRY");
            platform::kernel::reloadRegistry();
        }
        DWORD destination = 0xA5A5A5A5;
        EXPECT_EQ(gfxutil::core::readRegistryDword("V", &destination), c.ok);
        // A failed read leaves the destination exactly as it was.
        EXPECT_EQ(destination, c.ok ? c.value : 0xA5A5A5A5);
    }
}

// ---- assertion report -----------------------------------------------------------------------

constexpr const char* kAssertionLine = "D3DX: Assertion failure! (mesh.cpp 42): count > 0\r\n";
constexpr const char* kQuestion =
    "mesh.cpp (42):\n\nD3DXASSERT(count > 0);\n\nDo you want to invoke the debugger?  Cancel will terminate the "
    "application";

TEST_F(Diagnostics, AssertionModes) {
    struct Case {
        const char* name;
        const char* registryLines;  // null: no "D3DX" value
        bool debugger;
        int answer;
        bool result;
        int breaks;
        bool asked;
    };
    constexpr Case kCases[] = {
        {"no value, no debugger", nullptr, false, IDYES, false, 0, false},
        {"no value, debugger", nullptr, true, IDYES, false, 0, false},
        {"text value counts as none", "\"D3DX\"=\"2\"\n", false, IDYES, false, 0, false},
        {"mode 0", "\"D3DX\"=dword:00000000\n", true, IDYES, false, 0, false},
        {"mode 1, debugger", "\"D3DX\"=dword:00000001\n", true, IDYES, true, 1, false},
        {"mode 1, no debugger", "\"D3DX\"=dword:00000001\n", false, IDYES, false, 0, false},
        {"mode 2, debugger", "\"D3DX\"=dword:00000002\n", true, IDYES, true, 1, false},
        {"mode 2, no debugger, No", "\"D3DX\"=dword:00000002\n", false, IDNO, false, 0, true},
        {"mode 2, no debugger, Yes", "\"D3DX\"=dword:00000002\n", false, IDYES, true, 1, true},
        {"mode 2, box not shown", "\"D3DX\"=dword:00000002\n", false, 0, false, 0, true},
        {"mode 3, debugger, Yes", "\"D3DX\"=dword:00000003\n", true, IDYES, true, 1, true},
        {"mode 3, debugger, No", "\"D3DX\"=dword:00000003\n", true, IDNO, false, 0, true},
        {"mode 3, no debugger, Yes", "\"D3DX\"=dword:00000003\n", false, IDYES, true, 1, true},
        {"mode 4", "\"D3DX\"=dword:00000004\n", true, IDYES, false, 0, false},
        {"mode 4, no debugger", "\"D3DX\"=dword:00000004\n", false, IDYES, false, 0, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        gfxutil::core::resetDiagnosticsForTesting();
        if (c.registryLines != nullptr) {
            setRegistry(c.registryLines);
        } else {
            setRegistry("\"Other\"=dword:00000002\n");
        }
        platform::kernel::setDebuggerPresentOverride(c.debugger);
        m_answer = c.answer;
        m_breaks = 0;
        m_boxes.clear();
        std::size_t before = m_output.calls().size();

        EXPECT_EQ(gfxutil::core::reportAssertion("mesh.cpp", 42, "count > 0"), c.result);
        EXPECT_EQ(m_breaks, c.breaks);
        ASSERT_EQ(m_boxes.size(), c.asked ? 1u : 0u);
        ASSERT_EQ(m_output.calls().size(), before + 1);
        EXPECT_EQ(m_output.calls().back(), kAssertionLine);
        if (c.asked) {
            EXPECT_EQ(m_boxes[0].owner, nullptr);
            EXPECT_EQ(m_boxes[0].text, kQuestion);
            EXPECT_EQ(m_boxes[0].caption, "D3DX Assertion Failure");
            EXPECT_EQ(m_boxes[0].type, MB_TASKMODAL | MB_ICONERROR | MB_YESNOCANCEL | MB_DEFBUTTON2);
        }
    }
}

TEST_F(Diagnostics, AssertionSetUpHappensOnceAndAFailedReadMeansModeZeroForGood) {
    platform::kernel::setDebuggerPresentOverride(false);
    EXPECT_FALSE(gfxutil::core::reportAssertion("a.cpp", 1, "first"));
    setRegistry("\"D3DX\"=dword:00000002\n");
    m_answer = IDYES;
    EXPECT_FALSE(gfxutil::core::reportAssertion("a.cpp", 2, "second"));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(m_output.calls().size(), 2u);
}

TEST_F(Diagnostics, AssertionModeIsKeptAfterTheFirstRead) {
    setRegistry("\"D3DX\"=dword:00000003\n");
    m_answer = IDNO;
    EXPECT_FALSE(gfxutil::core::reportAssertion("a.cpp", 1, "first"));
    setRegistry("\"D3DX\"=dword:00000000\n");
    EXPECT_FALSE(gfxutil::core::reportAssertion("a.cpp", 2, "second"));
    EXPECT_EQ(m_boxes.size(), 2u);  // still mode 3
}

TEST_F(Diagnostics, AssertionIsWrittenEvenWhenMutedAwayOnlyByTheChannel) {
    setRegistry("\"D3DX\"=dword:00000002\n");
    MuteDebugOutput(1);
    m_answer = IDNO;
    EXPECT_FALSE(gfxutil::core::reportAssertion("a.cpp", 1, "x"));
    // The line goes through the muted channel, the question does not.
    EXPECT_TRUE(m_output.calls().empty());
    EXPECT_EQ(m_boxes.size(), 1u);
}

TEST_F(Diagnostics, LongAssertionTextIsCutToTheQuestionBuffer) {
    setRegistry("\"D3DX\"=dword:00000003\n");
    std::string expression(1000, 'e');
    EXPECT_FALSE(gfxutil::core::reportAssertion("module.cpp", 7, expression.c_str()));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text.size(), 255u);
    const std::string prefix = "module.cpp (7):\n\nD3DXASSERT(";
    EXPECT_EQ(m_boxes[0].text, prefix + std::string(255 - prefix.size(), 'e'));
    ASSERT_EQ(m_output.calls().size(), 1u);
    EXPECT_NE(m_output.calls()[0].find(expression), std::string::npos);
}

TEST_F(Diagnostics, NullTextsAreReportedAsEmpty) {
    EXPECT_FALSE(gfxutil::core::reportAssertion(nullptr, 3, nullptr));
    DebugMessage(0, nullptr);
    ASSERT_EQ(m_output.calls().size(), 1u);
    EXPECT_EQ(m_output.calls()[0], "D3DX: Assertion failure! ( 3): \r\n");
}

TEST_F(Diagnostics, AssertMacroReportsOnlyFailures) {
    setRegistry("\"D3DX\"=dword:00000001\n");
    platform::kernel::setDebuggerPresentOverride(true);
    int count = 1;
    D3DXASSERT(count == 1);
    EXPECT_TRUE(m_output.calls().empty());
    D3DXASSERT(count == 2);
    ASSERT_EQ(m_output.calls().size(), 1u);
    EXPECT_NE(m_output.calls()[0].find("): count == 2\r\n"), std::string::npos);
    // Once inside the report, once more at the failing line.
    EXPECT_EQ(m_breaks, 2);
}

using DiagnosticsDeathTest = Diagnostics;

TEST_F(DiagnosticsDeathTest, CancelEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setRegistry("\"D3DX\"=dword:00000002\n");
    m_answer = IDCANCEL;
    EXPECT_EXIT(gfxutil::core::reportAssertion("mesh.cpp", 42, "count > 0"),
                testing::ExitedWithCode(platform::kernel::kFatalAppExitStatus),
                "D3DX Assertion Failure; application terminated");
}

}  // namespace
