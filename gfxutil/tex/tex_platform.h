// The platform names the texture loader uses: format codes, pools, resource types, status codes,
// the palette record and the device interfaces, all from the device layer's header.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"
