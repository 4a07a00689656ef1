#include "platform/d3d9/texture.h"

#include <algorithm>
#include <new>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

UINT fullChainLength(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1) {
        ++levels;
    }
    return levels;
}

Texture* Texture::create(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool) {
    auto* t = new (std::nothrow) Texture();
    if (t == nullptr) {
        return nullptr;
    }
    t->attachResource(device, D3DRTYPE_TEXTURE, pool);
    // A level is lockable unless it lives in the device's own memory; dynamic textures are the
    // exception the runtime makes for the default pool.
    const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC) != 0;
    try {
        for (UINT i = 0; i < levels; ++i) {
            SurfaceDesc desc{format, usage, pool, std::max(1u, width >> i), std::max(1u, height >> i), lockable};
            auto level = Surface::createLevel(device, t, desc);
            if (level == nullptr) {
                t->Release();
                return nullptr;
            }
            t->m_levels.push_back(std::move(level));
        }
    } catch (const std::bad_alloc&) {
        t->Release();
        return nullptr;
    }
    return t;
}

DWORD Texture::SetLOD(DWORD LODNew) {
    const DWORD old = m_lod;
    if (pool() == D3DPOOL_MANAGED) {
        m_lod = std::min<DWORD>(LODNew, levelCount() - 1);
        m_viewBuilt = false;
    }
    return old;
}

DWORD Texture::GetLOD() { return m_lod; }

DWORD Texture::GetLevelCount() { return levelCount(); }

HRESULT Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) {
    REFUSE_IF((usage() & D3DUSAGE_AUTOGENMIPMAP) == 0, D3DERR_INVALIDCALL, "not an automatic mip-map texture");
    REFUSE_IF(FilterType != D3DTEXF_POINT && FilterType != D3DTEXF_LINEAR, D3DERR_INVALIDCALL, "filter %u",
              static_cast<unsigned>(FilterType));
    m_autoGenFilter = FilterType;
    return D3D_OK;
}

D3DTEXTUREFILTERTYPE Texture::GetAutoGenFilterType() { return m_autoGenFilter; }

void Texture::GenerateMipSubLevels() {}  // one level only: nothing to generate

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    REFUSE_IF(Level >= levelCount(), D3DERR_INVALIDCALL, "level %u past %u levels", Level, levelCount());
    return m_levels[Level]->GetDesc(pDesc);
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
    REFUSE_IF(ppSurfaceLevel == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(Level >= levelCount(), D3DERR_INVALIDCALL, "level %u past %u levels", Level, levelCount());
    Surface* s = m_levels[Level].get();
    s->AddRef();  // moves the texture's count
    *ppSurfaceLevel = s;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    REFUSE_IF(Level >= levelCount(), D3DERR_INVALIDCALL, "level %u past %u levels", Level, levelCount());
    return m_levels[Level]->LockRect(pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level) {
    REFUSE_IF(Level >= levelCount(), D3DERR_INVALIDCALL, "level %u past %u levels", Level, levelCount());
    return m_levels[Level]->UnlockRect();
}

HRESULT Texture::AddDirtyRect(const RECT* pDirtyRect) {
    REFUSE_IF(pDirtyRect != nullptr && !m_levels[0]->validRect(*pDirtyRect), D3DERR_INVALIDCALL,
              "rectangle outside the texture");
    return D3D_OK;  // every update is seen at once: nothing to track
}

const raster::TextureView& Texture::view() {
    if (!m_viewBuilt) {
        m_view = raster::TextureView{};
        const auto format = rasterTextureFormat(this->format());
        if (format) {
            m_view.format = *format;
            const UINT first = std::min<UINT>(m_lod, levelCount() - 1);
            const UINT count = std::min<UINT>(levelCount() - first, raster::kMaxMipLevels);
            for (UINT i = 0; i < count; ++i) {
                const Surface& s = *m_levels[first + i];
                m_view.levels[i] =
                    raster::TextureLevel{s.bits(), static_cast<int32_t>(s.pitch()), s.desc().width, s.desc().height};
            }
            m_view.levelCount = count;
        }
        m_viewBuilt = true;
    }
    return m_view;
}

}  // namespace platform::d3d9
