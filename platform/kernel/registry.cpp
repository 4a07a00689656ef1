#include "platform/kernel/registry.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "platform/kernel/registry_file.h"
#include "platform/kernel/trace.h"

namespace {

using platform::kernel::RegistryContents;
using platform::kernel::RegistryValue;
using platform::kernel::registryFoldCase;

constexpr off_t kMaxRegistryFileSize = 16 * 1024 * 1024;

// What an HKEY from RegOpenKeyA points at. Live handles are kept in a set so that an unknown or
// closed handle is refused rather than dereferenced.
struct OpenKey {
    std::string path;  // folded full path
};

// The identity of the parsed file: any change of these makes the next open parse it again.
struct FileSignature {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileSignature& other) const {
        return path == other.path && device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

struct RegistryState {
    std::mutex mutex;
    std::optional<FileSignature> loaded;  // none: nothing parsed yet, or forgotten
    bool present = false;                 // a registry file was found and read
    RegistryContents contents;
    std::set<OpenKey*> openKeys;
};

RegistryState& state() {
    static RegistryState s;
    return s;
}

std::optional<std::string> rootPath(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return "hkey_classes_root";
    if (key == HKEY_CURRENT_USER) return "hkey_current_user";
    if (key == HKEY_LOCAL_MACHINE) return "hkey_local_machine";
    if (key == HKEY_USERS) return "hkey_users";
    if (key == HKEY_CURRENT_CONFIG) return "hkey_current_config";
    return std::nullopt;
}

// Reads and parses the file named by sig.path; malformed lines become trace notes.
void parseFileLocked(RegistryState& s, const FileSignature& sig, const struct stat& info) {
    s.contents = {};
    s.present = false;
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxRegistryFileSize) {
        platform::kernel::traceNote("kernel: registry: %s: not a regular file of at most 16 MiB; ignored",
                                    sig.path.c_str());
        return;
    }
    std::ifstream file(sig.path, std::ios::binary);
    if (!file) {
        platform::kernel::traceNote("kernel: registry: %s: cannot be read; ignored", sig.path.c_str());
        return;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string body = text.str();
    if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
        platform::kernel::traceNote("kernel: registry: %s: UTF-16 files are not read; export as REGEDIT4; ignored",
                                    sig.path.c_str());
        return;
    }
    s.contents = platform::kernel::parseRegistryText(body, [&](int line, std::string_view reason) {
        platform::kernel::traceNote("kernel: registry: %s:%d: %.*s; line ignored", sig.path.c_str(), line,
                                    static_cast<int>(reason.size()), reason.data());
    });
    s.present = true;
}

// Brings the parsed contents in line with $WIN32_REGISTRY and the file as it is now.
void refreshLocked(RegistryState& s) {
    const char* path = std::getenv("WIN32_REGISTRY");
    FileSignature sig;
    struct stat info {};
    if (path == nullptr || path[0] == '\0' || ::stat(path, &info) != 0) {
        // No registry: nothing to remember but that fact, so a file appearing later is seen.
        s.loaded.reset();
        s.present = false;
        s.contents = {};
        return;
    }
    sig.path = path;
    sig.device = info.st_dev;
    sig.inode = info.st_ino;
    sig.size = info.st_size;
    sig.modified = info.st_mtim;
    if (s.loaded && *s.loaded == sig) {
        return;
    }
    parseFileLocked(s, sig, info);
    s.loaded = sig;
}

// The folded path of an open key or root; nullopt for a handle that is neither.
std::optional<std::string> keyPathLocked(RegistryState& s, HKEY key) {
    if (std::optional<std::string> root = rootPath(key)) {
        return root;
    }
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (s.openKeys.contains(open)) {
        return open->path;
    }
    return std::nullopt;
}

}  // namespace

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    if (result == nullptr) {
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    }
    *result = nullptr;
    RegistryState& s = state();
    std::lock_guard lock(s.mutex);
    std::optional<std::string> path = keyPathLocked(s, key);
    if (!path) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    std::string_view rest = subKey != nullptr ? std::string_view(subKey) : std::string_view();
    while (!rest.empty()) {
        std::size_t slash = rest.find('\\');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (!part.empty()) {
            *path += '\\';
            *path += registryFoldCase(part);
        }
    }
    bool isRoot = path->find('\\') == std::string::npos;
    if (!isRoot) {
        refreshLocked(s);
        if (!s.present || !s.contents.keyExists(*path)) {
            return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        }
    }
    auto* open = new OpenKey{std::move(*path)};
    s.openKeys.insert(open);
    *result = reinterpret_cast<HKEY>(open);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    }
    RegistryState& s = state();
    std::lock_guard lock(s.mutex);
    std::optional<std::string> path = keyPathLocked(s, key);
    if (!path) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    refreshLocked(s);
    const RegistryValue* value =
        s.present ? s.contents.findValue(*path, registryFoldCase(valueName != nullptr ? valueName : "")) : nullptr;
    if (value == nullptr) {
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    }
    if (type != nullptr) {
        *type = value->type;
    }
    auto size = static_cast<DWORD>(value->data.size());
    if (data == nullptr) {
        if (dataSize != nullptr) {
            *dataSize = size;
        }
        return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
        *dataSize = size;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    std::copy(value->data.begin(), value->data.end(), data);
    *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (rootPath(key)) {
        return ERROR_SUCCESS;
    }
    RegistryState& s = state();
    std::lock_guard lock(s.mutex);
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (s.openKeys.erase(open) == 0) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    delete open;
    return ERROR_SUCCESS;
}

namespace platform::kernel {

void reloadRegistry() {
    RegistryState& s = state();
    std::lock_guard lock(s.mutex);
    s.loaded.reset();
    s.present = false;
    s.contents = {};
}

}  // namespace platform::kernel
