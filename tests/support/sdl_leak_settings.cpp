// Leak checking for the X server tests.
//
// SDL loads its X11 helpers and the GL driver with dlopen and unloads them again when the video subsystem
// shuts down; what those libraries keep in their own globals then shows up as leaked from an
// unknown module, with nothing of ours on the stack. Loading them once more, never to be
// unloaded, keeps their globals visible to the leak checker, so only real leaks are reported.
// libdbus keeps one buffer for the life of the process by design.
#include <dlfcn.h>

namespace {

struct KeepLibrariesLoaded {
    KeepLibrariesLoaded() {
        const char* const kLibraries[] = {"libX11.so.6",    "libXext.so.6",   "libXcursor.so.1", "libXfixes.so.3",
                                          "libXi.so.6",     "libXrandr.so.2", "libXss.so.1",     "libGL.so.1",
                                          "libEGL.so.1",    "libGLX_mesa.so.0", "libdbus-1.so.3",
                                          // the software GL driver behind SDL's renderer on a bare X server
                                          "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"};
        for (const char* name : kLibraries) {
            dlopen(name, RTLD_NOW | RTLD_NODELETE);  // a library that is absent is simply not needed
        }
    }
};
const KeepLibrariesLoaded kKeepLibrariesLoaded;

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
