#include "platform/kernel/last_error.h"

namespace {
// One code per thread, like the system's: a failure on one thread never overwrites the code
// another thread is about to read.
thread_local DWORD t_lastError = NO_ERROR;
}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }
