#include "platform/kernel/system_message.h"

#include <cstring>
#include <string>

#include "platform/kernel/local_memory.h"

namespace {

struct SystemMessage {
    DWORD code;
    const char* text;
};

// One entry for every code the kernel stand-ins set, in the system's wording.
constexpr SystemMessage kSystemMessages[] = {
    {NO_ERROR, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_FILE_TOO_LARGE, "The file size exceeds the limit allowed and cannot be saved."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_INVALID_ADDRESS, "Attempt to access invalid address."},
    {ERROR_INVALID_FLAGS, "Invalid flags."},
    {ERROR_FILE_INVALID,
     "The volume for a file has been externally altered so that the opened file is no longer valid."},
    {ERROR_NO_UNICODE_TRANSLATION,
     "No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_MAPPED_ALIGNMENT, "The base address or the file offset specified does not have the proper alignment."},
    {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
};

const char* findText(DWORD code) {
    // An HRESULT that wraps a Win32 code reads that code's text.
    if ((code & 0xFFFF0000u) == 0x80070000u) {
        code &= 0xFFFFu;
    }
    for (const SystemMessage& message : kSystemMessages) {
        if (message.code == code) {
            return message.text;
        }
    }
    return nullptr;
}

}  // namespace

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD /*languageId*/, LPSTR buffer, DWORD size,
                     va_list* /*arguments*/) {
    (void)source;  // only meaningful for the sources that are not offered
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 ||
        (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) != 0 || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* found = findText(messageId);
    if (found == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    // System texts end with a line break, and callers print them as they come.
    std::string text = std::string(found) + "\r\n";
    auto length = static_cast<DWORD>(text.size());

    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
        DWORD bytes = length + 1 > size ? length + 1 : size;
        auto* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, bytes));
        if (block == nullptr) {
            return 0;
        }
        std::memcpy(block, text.c_str(), length + 1);
        *reinterpret_cast<LPSTR*>(buffer) = block;
        return length;
    }
    if (size < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), length + 1);
    return length;
}
