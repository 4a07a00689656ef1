// The objects behind GDI handles, and the table that tells our handles from anything else.
//
// A handle is the address of its object. Every call looks the handle up in the table of live
// objects before touching it, so a stale, foreign (a stock object of the window layer) or made-up
// handle is refused the way GDI refuses it, with a note on the trace channel, and never
// dereferenced. The layer is used from one thread at a time, like the DCs it stands in for; the
// table itself is guarded so that creating fonts on two threads cannot corrupt it.
#pragma once

#include "platform/gdi/gdi.h"

namespace platform::gdi {

enum class ObjectKind { DeviceContext, Font, Bitmap };

class GdiObject {
public:
    explicit GdiObject(ObjectKind kind) : m_kind(kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    ObjectKind kind() const { return m_kind; }

    // How many DCs hold this object selected; DeleteObject refuses while it is not 0.
    int selections = 0;
    // Stock objects (a DC's initial font and bitmap) live for the whole process and are never
    // deleted; DeleteObject on them succeeds and does nothing, as GDI does.
    bool stock = false;

private:
    ObjectKind m_kind;
};

// Adds a new object to the table; its address becomes its handle.
void addObject(GdiObject* object);
// Removes it from the table (the caller then deletes it).
void removeObject(GdiObject* object);
// The live object with this handle, or null.
GdiObject* findObject(const void* handle);

// The live object of type T (which names its kind as T::kKind), or null.
template <class T>
T* findAs(const void* handle) {
    GdiObject* object = findObject(handle);
    return object != nullptr && object->kind() == T::kKind ? static_cast<T*>(object) : nullptr;
}

// One trace note "gdi: <call>: <what>" for a refused call.
void refuse(const char* call, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace platform::gdi
