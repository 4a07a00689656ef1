// The process entry helper: main() hands over to the program's WinMain.
#include <string>

#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace platform::win32 {

HINSTANCE processInstance() {
    // Any distinct non-null value serves: nothing dereferences an instance handle.
    static char anchor;
    return reinterpret_cast<HINSTANCE>(&anchor);
}

int runWinMain(int argc, char** argv, WinMainFn winMain) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    const int result = winMain(processInstance(), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    resetWindowSystem();
    return result;
}

}  // namespace platform::win32
