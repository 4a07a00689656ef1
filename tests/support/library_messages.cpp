#include "tests/support/library_messages.h"

#include "gfxutil/core/diagnostics.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/registry.h"

namespace testsupport {

LibraryMessages::LibraryMessages()
    : m_profile("WIN32_PROFILE", m_dir.path("absent.ini")), m_registry("WIN32_REGISTRY", std::nullopt) {
    gfxutil::core::resetDiagnosticsForTesting();
    platform::kernel::reloadRegistry();
    platform::kernel::setDebugOutputHook([this](std::string_view text) { m_lines.emplace_back(text); });
}

LibraryMessages::~LibraryMessages() {
    platform::kernel::setDebugOutputHook({});
    gfxutil::core::resetDiagnosticsForTesting();
}

std::vector<std::string> LibraryMessages::texts() const {
    std::vector<std::string> out;
    for (std::string text : m_lines) {
        if (text.rfind("D3DX: ", 0) == 0) {
            text.erase(0, 6);
        }
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
            text.erase(text.size() - 2);
        }
        out.push_back(text);
    }
    return out;
}

std::vector<std::string> LibraryMessages::take() {
    std::vector<std::string> out = texts();
    m_lines.clear();
    return out;
}

}  // namespace testsupport
