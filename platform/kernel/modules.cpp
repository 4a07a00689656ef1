#include "platform/kernel/modules.h"

#include <cctype>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/kernel/debug_output.h"
#include "platform/kernel/debugger.h"

namespace {

using platform::kernel::ModuleLoading;

struct ModuleRecord {
    std::string name;  // normalised; empty for the program itself
    ModuleLoading loading = ModuleLoading::OnDemand;
    bool registered = true;
    int loadCount = 0;  // LoadLibraryA references not yet freed
    std::map<std::string, FARPROC, std::less<>> exports;

    bool loaded() const { return registered && (loading == ModuleLoading::AtStart || loadCount > 0); }
};

struct ModuleTable {
    std::mutex mutex;
    std::deque<ModuleRecord> records;  // a deque keeps records in place, so handles stay valid

    ModuleTable() {
        records.push_back({"", ModuleLoading::AtStart, true, 0, {}});
        records.push_back({"kernel32.dll",
                           ModuleLoading::AtStart,
                           true,
                           0,
                           {
                               {"DebugBreak", platform::kernel::exportAddress(&DebugBreak)},
                               {"GetLastError", platform::kernel::exportAddress(&GetLastError)},
                               {"IsDebuggerPresent", platform::kernel::exportAddress(&IsDebuggerPresent)},
                               {"OutputDebugStringA", platform::kernel::exportAddress(&OutputDebugStringA)},
                           }});
    }
};

ModuleTable& table() {
    static ModuleTable t;
    return t;
}

std::string normaliseName(std::string_view name) {
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    std::string result;
    for (char c : name) {
        result.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    if (result.find('.') == std::string::npos) {
        result += ".dll";
    }
    return result;
}

ModuleRecord* findByNameLocked(ModuleTable& t, const std::string& name) {
    for (ModuleRecord& record : t.records) {
        if (!record.name.empty() && record.name == name) {
            return &record;
        }
    }
    return nullptr;
}

ModuleRecord* findByHandleLocked(ModuleTable& t, HMODULE module) {
    for (ModuleRecord& record : t.records) {
        if (reinterpret_cast<HMODULE>(&record) == module) {
            return &record;
        }
    }
    return nullptr;
}

HMODULE handleOf(ModuleRecord& record) { return reinterpret_cast<HMODULE>(&record); }

}  // namespace

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    if (moduleName == nullptr) {
        return handleOf(t.records.front());
    }
    ModuleRecord* record = findByNameLocked(t, normaliseName(moduleName));
    if (record == nullptr || !record->loaded()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return handleOf(*record);
}

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr || fileName[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    ModuleRecord* record = findByNameLocked(t, normaliseName(fileName));
    if (record == nullptr || !record->registered) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++record->loadCount;
    return handleOf(*record);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    ModuleRecord* record = module == nullptr ? &t.records.front() : findByHandleLocked(t, module);
    if (record == nullptr || !record->loaded()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A "name" below 0x10000 is an ordinal in the system's convention; it is not a pointer to read.
    if (reinterpret_cast<std::uintptr_t>(procName) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    auto it = record->exports.find(std::string_view(procName));
    if (it == record->exports.end() || it->second == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return it->second;
}

BOOL FreeLibrary(HMODULE module) {
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    ModuleRecord* record = findByHandleLocked(t, module);
    if (record == nullptr || !record->loaded()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (record->loadCount > 0) {
        --record->loadCount;
    }
    return TRUE;
}

namespace platform::kernel {

void registerModule(const char* name, ModuleLoading loading, std::initializer_list<ModuleExport> exports) {
    if (name == nullptr || name[0] == '\0') {
        return;
    }
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    std::string normalised = normaliseName(name);
    ModuleRecord* record = findByNameLocked(t, normalised);
    if (record == nullptr) {
        record = &t.records.emplace_back();
        record->name = normalised;
        record->loading = loading;
    } else if (!record->registered) {
        record->registered = true;
        record->loading = loading;
    } else if (loading == ModuleLoading::AtStart) {
        record->loading = loading;
    }
    for (const ModuleExport& entry : exports) {
        if (entry.name != nullptr) {
            record->exports[entry.name] = entry.address;
        }
    }
}

void unregisterModule(const char* name) {
    if (name == nullptr) {
        return;
    }
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    if (ModuleRecord* record = findByNameLocked(t, normaliseName(name))) {
        record->registered = false;
        record->loadCount = 0;
        record->exports.clear();
    }
}

int moduleLoadCount(HMODULE module) {
    ModuleTable& t = table();
    std::lock_guard lock(t.mutex);
    ModuleRecord* record = findByHandleLocked(t, module);
    return record == nullptr ? -1 : record->loadCount;
}

}  // namespace platform::kernel
