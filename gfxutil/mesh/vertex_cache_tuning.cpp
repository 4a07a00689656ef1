// The vertex-cache tuning values recorded at every storage step, for a later optimisation.
//
// A device is asked once (the answer is memoised for the last device asked, process-wide and
// unguarded, as mesh creation happens on one thread); the registry and then the environment may
// override the values at every step, the magic number never exceeding the cache size.
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {
namespace {

struct Memo {
    IDirect3DDevice9* device = nullptr;  // identity only; never dereferenced
    VertexCacheTuning values;
};
Memo g_memo;

// What a device that cannot say gets: a 12-entry cache restarting strips at 7.
constexpr VertexCacheTuning kFallback{12, 7};

// A read that keeps answering "not yet" is given up after this many tries, so a device that
// never completes the query cannot hang mesh creation.
constexpr int kMaxQueryPolls = 100000;

// A family of adapters (vendor 0x1002, devices 0x5144 to 0x5147) for which tuning to the reported
// cache does harm; they get no tuning at all.
bool isAdapterWithoutCacheTuning(const D3DADAPTER_IDENTIFIER9& id) {
    return id.VendorId == 0x1002 && id.DeviceId >= 0x5144 && id.DeviceId <= 0x5147;
}

HRESULT askDevice(IDirect3DDevice9* device, VertexCacheTuning* out) {
    HRESULT hr = device->CreateQuery(D3DQUERYTYPE_VCACHE, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IDirect3DQuery9> query;
    hr = device->CreateQuery(D3DQUERYTYPE_VCACHE, query.put());
    if (FAILED(hr)) {
        return hr;
    }
    hr = query->Issue(D3DISSUE_END);
    if (FAILED(hr)) {
        return hr;
    }
    D3DDEVINFO_VCACHE info{};
    int polls = 0;
    do {
        hr = query->GetData(&info, sizeof info, D3DGETDATA_FLUSH);
    } while (hr == S_FALSE && ++polls < kMaxQueryPolls);
    if (hr != S_OK) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    if (info.OptMethod == 0) {
        *out = VertexCacheTuning{0, 0};
    } else {
        *out = VertexCacheTuning{info.CacheSize, info.MagicNumber};
    }
    return S_OK;
}

// A decimal environment value; anything else leaves the value alone.
bool readEnvironmentDword(const char* name, DWORD* value) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text < '0' || *text > '9') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull) {
        return false;
    }
    *value = static_cast<DWORD>(parsed);
    return true;
}

void applyOverrides(VertexCacheTuning* t) {
    DWORD value = 0;
    if (core::readRegistryDword("D3DXVertexCacheSize", &value)) {
        t->cacheSize = value;
    }
    if (core::readRegistryDword("D3DXOptMagicNumber", &value)) {
        t->magicNumber = std::min(value, t->cacheSize);
    }
    if (readEnvironmentDword("D3DXVertexCacheSize", &value)) {
        t->cacheSize = value;
    }
    if (readEnvironmentDword("D3DXOptMagicNumber", &value)) {
        t->magicNumber = std::min(value, t->cacheSize);
    }
}

}  // namespace

HRESULT queryVertexCacheTuning(IDirect3DDevice9* device, IDirect3D9* root, const D3DCAPS9& caps,
                               VertexCacheTuning* out) {
    VertexCacheTuning values;
    if (g_memo.device == device) {
        values = g_memo.values;
    } else {
        D3DADAPTER_IDENTIFIER9 id{};
        const HRESULT hr = root->GetAdapterIdentifier(caps.AdapterOrdinal, 0, &id);
        if (FAILED(hr)) {
            return hr;
        }
        if (isAdapterWithoutCacheTuning(id)) {
            values = VertexCacheTuning{0, 0};
        } else if (FAILED(askDevice(device, &values))) {
            values = kFallback;
        }
        g_memo = Memo{device, values};
    }
    applyOverrides(&values);
    *out = values;
    return S_OK;
}

void resetVertexCacheMemoForTesting() { g_memo = Memo{}; }

}  // namespace gfxutil::mesh
