// MappedFile: a whole image file mapped read-only for the duration of a texture creation.
#pragma once

#include "platform/win32/types.h"

namespace gfxutil::tex {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens and maps `name` (relative to the working directory). A null name is "Invalid file
    // name" (D3DERR_INVALIDCALL); a file that cannot be opened, sized or mapped writes the system's
    // message text for the error and gives D3DXERR_INVALIDDATA. An empty file opens with no view.
    HRESULT open(LPCSTR name);
    void close();

    const void* data() const { return m_view; }
    DWORD size() const { return m_size; }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    HANDLE m_mapping = INVALID_HANDLE_VALUE;
    const void* m_view = nullptr;
    DWORD m_size = 0;
};

}  // namespace gfxutil::tex
