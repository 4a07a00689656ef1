#include "platform/kernel/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel/trace.h"

namespace {

// Handles are pointers to these; the live ones are listed so that stale or foreign handles are
// refused.
struct KernelObject {
    enum class Kind { File, Mapping };
    Kind kind;
    int fd;                   // a mapping holds its own duplicate of the file's descriptor
    std::uint64_t size = 0;   // mappings only: the mapped length
};

struct HandleTable {
    std::mutex mutex;
    std::set<KernelObject*> objects;
    std::map<const void*, std::size_t> views;  // base address -> length
};

HandleTable& table() {
    static HandleTable t;
    return t;
}

// Looks a handle up as the given kind; null (and ERROR_INVALID_HANDLE) when it is not one.
KernelObject* findLocked(HandleTable& t, HANDLE handle, KernelObject::Kind kind) {
    auto* object = static_cast<KernelObject*>(handle);
    if (!t.objects.contains(object) || object->kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

HANDLE addLocked(HandleTable& t, KernelObject object) {
    auto* stored = new KernelObject(object);
    t.objects.insert(stored);
    return stored;
}

// The system distinguishes a missing file from a missing directory on the way to it.
DWORD errorForMissing(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    }
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    if (::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_FILE_NOT_FOUND;
}

DWORD errorForOpen(int error, const std::string& path) {
    switch (error) {
    case ENOENT: return errorForMissing(path);
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if ((desiredAccess & GENERIC_WRITE) != 0 || (desiredAccess & GENERIC_READ) == 0) {
        platform::kernel::traceNote("kernel: CreateFileA: '%s': access 0x%08X refused; only GENERIC_READ is offered",
                                    fileName, desiredAccess);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition != OPEN_EXISTING) {
        platform::kernel::traceNote("kernel: CreateFileA: '%s': disposition %u refused; only OPEN_EXISTING is offered",
                                    fileName, creationDisposition);
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = fileName;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    // Non-blocking so that a pipe cannot stall the open; regular files ignore the flag.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetLastError(errorForOpen(errno, path));
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        platform::kernel::traceNote("kernel: CreateFileA: '%s' is not a regular file", fileName);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if ((flagsAndAttributes & FILE_FLAG_RANDOM_ACCESS) != 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    } else if ((flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) != 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    return addLocked(t, {KernelObject::Kind::File, fd});
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    KernelObject* object = findLocked(t, file, KernelObject::Kind::File);
    if (object == nullptr) {
        return INVALID_FILE_SIZE;
    }
    struct stat info {};
    if (::fstat(object->fd, &info) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(info.st_size);
    if (fileSizeHigh != nullptr) {
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    } else if (size > 0xFFFFFFFFu) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return INVALID_FILE_SIZE;
    }
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES /*security*/, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name) {
    if (name != nullptr || protect != PAGE_READONLY) {
        platform::kernel::traceNote("kernel: CreateFileMappingA: only unnamed PAGE_READONLY mappings are offered");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    KernelObject* object = findLocked(t, file, KernelObject::Kind::File);
    if (object == nullptr) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(object->fd, &info) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    auto fileSize = static_cast<std::uint64_t>(info.st_size);
    std::uint64_t size = (static_cast<std::uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
    if (size == 0) {
        size = fileSize;
    }
    if (size == 0) {
        SetLastError(ERROR_FILE_INVALID);
        return nullptr;
    }
    if (size > fileSize) {
        // A read-only mapping cannot grow the file.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int fd = ::fcntl(object->fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    return addLocked(t, {KernelObject::Kind::Mapping, fd, size});
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow,
                     SIZE_T numberOfBytesToMap) {
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    KernelObject* object = findLocked(t, mapping, KernelObject::Kind::Mapping);
    if (object == nullptr) {
        return nullptr;
    }
    if (desiredAccess != FILE_MAP_READ) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::uint64_t offset = (static_cast<std::uint64_t>(fileOffsetHigh) << 32) | fileOffsetLow;
    if (offset % kAllocationGranularity != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset >= object->size || numberOfBytesToMap > object->size - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::size_t length = numberOfBytesToMap != 0 ? numberOfBytesToMap : static_cast<std::size_t>(object->size - offset);
    void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, object->fd, static_cast<off_t>(offset));
    if (view == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    t.views[view] = length;
    return view;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress) {
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.views.find(baseAddress);
    if (it == t.views.end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    ::munmap(const_cast<void*>(it->first), it->second);
    t.views.erase(it);
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    auto* stored = static_cast<KernelObject*>(object);
    if (t.objects.erase(stored) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(stored->fd);
    delete stored;
    return TRUE;
}
