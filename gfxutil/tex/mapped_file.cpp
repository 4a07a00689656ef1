#include "gfxutil/tex/mapped_file.h"

#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/diagnostics.h"
#include "platform/kernel/file_mapping.h"
#include "platform/kernel/local_memory.h"
#include "platform/kernel/system_message.h"

namespace gfxutil::tex {
namespace {

HRESULT reportSystemError() {
    const DWORD error = GetLastError();
    LPSTR text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    report("%s", text != nullptr ? text : "");
    if (text != nullptr) {
        LocalFree(text);
    }
    return D3DXERR_INVALIDDATA;
}

}  // namespace

HRESULT MappedFile::open(LPCSTR name) {
    close();
    if (name == nullptr) {
        report("Invalid file name");
        return D3DERR_INVALIDCALL;
    }
    m_file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS,
                         nullptr);
    if (m_file == INVALID_HANDLE_VALUE) {
        return reportSystemError();
    }
    // The mapping's result is not tested: a failed mapping shows up when the view is asked for.
    m_mapping = CreateFileMappingA(m_file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (m_mapping == nullptr) {
        m_mapping = INVALID_HANDLE_VALUE;
    }
    const DWORD size = GetFileSize(m_file, nullptr);
    if (size == INVALID_FILE_SIZE && GetLastError() != 0) {
        const HRESULT hr = reportSystemError();
        close();
        return hr;
    }
    if (size == 0) {
        return S_OK;  // no view; the loader refuses the empty data
    }
    m_view = m_mapping == INVALID_HANDLE_VALUE ? nullptr : MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0);
    if (m_view == nullptr) {
        const HRESULT hr = reportSystemError();
        close();
        return hr;
    }
    m_size = size;
    return S_OK;
}

void MappedFile::close() {
    if (m_view != nullptr) {
        UnmapViewOfFile(m_view);
    }
    if (m_mapping != INVALID_HANDLE_VALUE) {
        CloseHandle(m_mapping);
    }
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
    }
    m_file = INVALID_HANDLE_VALUE;
    m_mapping = INVALID_HANDLE_VALUE;
    m_view = nullptr;
    m_size = 0;
}

}  // namespace gfxutil::tex

HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo) {
    gfxutil::tex::MappedFile file;
    const HRESULT hr = file.open(pSrcFile);
    if (FAILED(hr)) {
        return hr;
    }
    return D3DXGetImageInfoFromFileInMemory(file.data(), file.size(), pSrcInfo);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture) {
    gfxutil::tex::MappedFile file;
    const HRESULT hr = file.open(pSrcFile);
    if (FAILED(hr)) {
        return hr;
    }
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, file.data(), file.size(), Width, Height, MipLevels, Usage,
                                               Format, Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                               ppTexture);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, IDirect3DTexture9** ppTexture) {
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                        nullptr, ppTexture);
}
