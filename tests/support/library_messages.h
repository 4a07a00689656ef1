// Capture of the graphics utility library's diagnostic lines, for the library's own test suites.
//
// From construction to destruction every "D3DX: <text>\r\n" line the library writes is kept, and
// the diagnostic state starts as a fresh process's: no profile entry (level 0) and no registry, so
// every message is written and no switch is set.
#pragma once

#include <string>
#include <vector>

#include "tests/platform/kernel/kernel_test_support.h"

namespace testsupport {

class LibraryMessages {
public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // The texts so far, without the "D3DX: " prefix and the "\r\n" line end.
    std::vector<std::string> texts() const;
    void clear() { m_lines.clear(); }
    // texts(), then clear().
    std::vector<std::string> take();

private:
    kernel_test::ScratchDir m_dir;
    kernel_test::ScopedEnv m_profile;
    kernel_test::ScopedEnv m_registry;
    std::vector<std::string> m_lines;
};

}  // namespace testsupport
