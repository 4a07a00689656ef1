// Modules and their exports: GetModuleHandleA, LoadLibraryA, GetProcAddress, FreeLibrary.
//
// There are no dynamic libraries to load here. Each layer of ours that stands in for a system
// module registers that module by name, with the entry points a program may look up at run time
// ("d3d9.dll" with "DebugSetMute", "gdi32.dll" with its glyph functions, "usp10.dll" with the
// script functions). A module nobody registered does not exist: LoadLibraryA fails with
// ERROR_MOD_NOT_FOUND, and a program takes its fallback path exactly as on a machine without it.
//
// Which modules count as already loaded: a module registered as ModuleLoading::AtStart stands for
// a library the program links against (kernel32, user32, gdi32, d3d9): the system maps those before
// the program runs, so GetModuleHandleA finds them without any LoadLibraryA and FreeLibrary never
// unloads them. A module registered as ModuleLoading::OnDemand stands for one a program only
// loads at run time (usp10, a debug runtime): GetModuleHandleA finds it only while LoadLibraryA
// references outnumber FreeLibrary calls. "kernel32.dll" is built in and always loaded; it
// exports IsDebuggerPresent, DebugBreak, OutputDebugStringA and GetLastError.
//
// Names: the directory part is ignored, case is ignored, and ".dll" is assumed when the name has
// no extension ("KERNEL32" finds "kernel32.dll"). Export names are exact, case included. Look-up
// by ordinal is not offered (ERROR_PROC_NOT_FOUND). A null module name in GetModuleHandleA names
// the program itself, which exports nothing.
//
// Registration is safe from static initialisers of any translation unit: the table is created on
// first use. Beware that a registration object alone in a file of a static library is dropped by
// the linker when nothing else in that file is used, so put it beside the module's main entry
// point (the file of Direct3DCreate9 for "d3d9.dll"), or register from the module's own set-up
// code. Registering a module again adds to its exports (a later address replaces an earlier one),
// and AtStart wins over OnDemand. All calls are thread-safe.
#pragma once

#include <initializer_list>

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

HMODULE GetModuleHandleA(LPCSTR moduleName);
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

namespace platform::kernel {

enum class ModuleLoading { AtStart, OnDemand };

struct ModuleExport {
    const char* name;
    FARPROC address;
};

// Converts any function pointer to the FARPROC a table holds; callers cast it back to the exact
// type before calling.
template <class Function>
FARPROC exportAddress(Function* function) {
    return reinterpret_cast<FARPROC>(function);
}

void registerModule(const char* name, ModuleLoading loading, std::initializer_list<ModuleExport> exports = {});

// Registers at static initialisation: `const ModuleRegistration kD3d9Module{"d3d9.dll", ...};`
struct ModuleRegistration {
    ModuleRegistration(const char* name, ModuleLoading loading, std::initializer_list<ModuleExport> exports) {
        registerModule(name, loading, exports);
    }
};

// For tests: removes a module as if it had never been registered. Handles to it stay safe to
// pass (they are refused with ERROR_INVALID_HANDLE); registering the name again revives it.
void unregisterModule(const char* name);

// For tests: the LoadLibraryA references a module holds, or -1 for an unknown handle.
int moduleLoadCount(HMODULE module);

}  // namespace platform::kernel
