#include "platform/gdi/gdi_object.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <unordered_set>

#include "platform/kernel/trace.h"

namespace platform::gdi {
namespace {

struct ObjectTable {
    std::mutex mutex;
    std::unordered_set<const void*> live;
};

ObjectTable& table() {
    static ObjectTable* instance = new ObjectTable;  // never destroyed: handles may be used at exit
    return *instance;
}

}  // namespace

void addObject(GdiObject* object) {
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    t.live.insert(object);
}

void removeObject(GdiObject* object) {
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    t.live.erase(object);
}

GdiObject* findObject(const void* handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    // The const_cast is safe: every pointer in the table was added as a non-const GdiObject.
    return t.live.count(handle) != 0 ? static_cast<GdiObject*>(const_cast<void*>(handle)) : nullptr;
}

void refuse(const char* call, const char* format, ...) {
    if (!kernel::traceEnabled()) {
        return;
    }
    char what[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof what, format, args);
    va_end(args);
    kernel::traceNote("gdi: %s: %s", call, what);
}

}  // namespace platform::gdi
