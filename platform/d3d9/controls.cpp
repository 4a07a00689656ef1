#include "platform/d3d9/controls.h"

#include <cstdlib>
#include <cstring>

#include "platform/d3d9/device.h"

namespace platform::d3d9 {
namespace {

std::optional<Failure> g_failure;
std::optional<bool> g_softwareOnly;
std::optional<bool> g_noBlend;

bool envSwitch(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

Device* ours(IDirect3DDevice9* device) { return device == nullptr ? nullptr : dynamic_cast<Device*>(device); }

}  // namespace

void setFailure(std::optional<Failure> failure) { g_failure = failure; }

Failure activeFailure() {
    if (g_failure) {
        return *g_failure;
    }
    const char* value = std::getenv("D3D9_FAIL");
    if (value != nullptr && std::strcmp(value, "create") == 0) {
        return Failure::CreateRoot;
    }
    if (value != nullptr && std::strcmp(value, "device") == 0) {
        return Failure::CreateDevice;
    }
    return Failure::None;
}

void setSoftwareVertexProcessingOnly(std::optional<bool> softwareOnly) { g_softwareOnly = softwareOnly; }

bool softwareVertexProcessingOnly() {
    if (g_softwareOnly) {
        return *g_softwareOnly;
    }
    return envSwitch("D3D9_SOFTWARE_VP");
}

void setRenderTargetBlendingUnavailable(std::optional<bool> unavailable) { g_noBlend = unavailable; }

bool renderTargetBlendingUnavailable() { return g_noBlend ? *g_noBlend : envSwitch("D3D9_NO_RT_BLEND"); }

bool setCallLogging(IDirect3DDevice9* device, bool on) {
    Device* d = ours(device);
    if (d == nullptr) {
        return false;
    }
    d->callLog().enable(on);
    return true;
}

std::vector<std::string> takeCallLog(IDirect3DDevice9* device) {
    Device* d = ours(device);
    return d == nullptr ? std::vector<std::string>{} : d->callLog().take();
}

}  // namespace platform::d3d9
