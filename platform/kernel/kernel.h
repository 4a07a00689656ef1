// The kernel and registry services a Windows program calls, standing in on Linux: debugger
// output, the user profile, the registry, processor features, module look-up, the debugger calls,
// file mapping, code pages, the last error, system message texts and version information, plus
// the C runtime's generator and our own trace channel for misuse notes.
//
// Each concept lives in its own header, and each header states what it stands in for, what
// callers may rely on, and the choices made where the system's behaviour is not ours to copy.
// Include this one header to get them all. Every stand-in is thread-safe unless its header says
// otherwise, and keeps its process-wide state in function-local statics, so any of them may be
// called from a static initialiser.
//
// Environment variables read here: WIN32_DEBUG_OUTPUT, WIN32_PROFILE, WIN32_REGISTRY,
// WIN32_CODEPAGE, WIN32_TRACE (and HOME for the default profile).
#pragma once

#include "platform/kernel/code_pages.h"
#include "platform/kernel/cpu_features.h"
#include "platform/kernel/crt_rand.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/debugger.h"
#include "platform/kernel/file_mapping.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/local_memory.h"
#include "platform/kernel/modules.h"
#include "platform/kernel/profile.h"
#include "platform/kernel/registry.h"
#include "platform/kernel/system_message.h"
#include "platform/kernel/trace.h"
#include "platform/kernel/version.h"
