// The closest-format search against a device: a row is a candidate only when the device accepts it
// for the usage and resource kind in the current display mode. The probes are expected to fail
// for most rows, so the library channel and the device's debug output are muted around them.
#include "gfxutil/tex/closest_format.h"

#include "gfxutil/tex/diagnostics.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::tex {

D3DFORMAT findClosestFormat(const FormatDescription& q, IDirect3DDevice9* device, DWORD usage,
                            D3DRESOURCETYPE resourceType) {
    MuteScope mute;
    if (device == nullptr) {
        return findClosestFormat(q);
    }
    ComPtr<IDirect3D9> root;
    D3DCAPS9 caps{};
    D3DDISPLAYMODE mode{};
    D3DDEVICE_CREATION_PARAMETERS creation{};
    if (FAILED(device->GetDirect3D(root.put())) || FAILED(device->GetDeviceCaps(&caps)) ||
        FAILED(device->GetDisplayMode(0, &mode)) || FAILED(device->GetCreationParameters(&creation))) {
        return D3DFMT_UNKNOWN;
    }
    if ((usage & D3DUSAGE_QUERY_VERTEXTEXTURE) != 0 &&
        (creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0) {
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    }
    return closestFormatWhere(q, [&](D3DFORMAT candidate) {
        return SUCCEEDED(root->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, usage,
                                                 resourceType, candidate));
    });
}

}  // namespace gfxutil::tex
