// Switches for tests and scripted runs of the software device.
//
// Failure switches let the application's failure paths run without a broken machine:
//   D3D9_FAIL=create     Direct3DCreate9 yields nothing
//   D3D9_FAIL=device     CreateDevice fails with D3DERR_NOTAVAILABLE
//   D3D9_SOFTWARE_VP=1   the capabilities lack hardware transform and lighting, so only software
//                        vertex processing can be asked for (the device draws the same either way)
//   D3D9_NO_RT_BLEND=1   CheckDeviceFormat answers D3DERR_NOTAVAILABLE to
//                        D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, as a render target format that
//                        cannot blend would (the device still blends when asked to)
// The environment is read at each call unless a test has set the switch in-process; an in-process
// setting wins until it is cleared with std::nullopt.
//
// The call log records, per device and only while switched on, one line per device call in the
// order made: the method name and its main arguments ("SetRenderState(22, 3)", "DrawPrimitive(5,
// 0, 4)"). Scene tests use it to check the order of device calls in one frame.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

enum class Failure { None, CreateRoot, CreateDevice };

void setFailure(std::optional<Failure> failure);
Failure activeFailure();

void setSoftwareVertexProcessingOnly(std::optional<bool> softwareOnly);
bool softwareVertexProcessingOnly();

void setRenderTargetBlendingUnavailable(std::optional<bool> unavailable);
bool renderTargetBlendingUnavailable();

// Both refuse (false / empty) when `device` is not one of ours.
bool setCallLogging(IDirect3DDevice9* device, bool on);
std::vector<std::string> takeCallLog(IDirect3DDevice9* device);

}  // namespace platform::d3d9
