// Reference counting and interface look-up, written once for every COM-style object.
//
// An implementation class derives from ComObject<Impl, Primary, AlsoAnswers...>: Primary is the
// interface it implements (its most derived interface), AlsoAnswers the base interfaces that
// QueryInterface must also answer to. The base adds no virtual functions of its own, so the
// interface's slot order stays exactly as declared.
//
// An Impl may answer a null output of QueryInterface its own way by defining
//     static HRESULT refuseNullQueryOutput();   // public, or ComObject a friend
// (the sprite writes its diagnostic line and answers D3DERR_INVALIDCALL); without it the answer
// is E_POINTER.
//
// Objects belong to one thread at a time, so the count is plain arithmetic. An aggregated object
// (m_outer set) forwards its IUnknown calls to the outer object and does not count itself.
#pragma once

#include "platform/win32/types.h"

template <class Impl, class Primary, class... AlsoAnswers>
class ComObject : public Primary {
public:
    HRESULT QueryInterface(REFIID iid, void** out) final {
        if (m_outer != nullptr) {
            return m_outer->QueryInterface(iid, out);
        }
        if (out == nullptr) {
            if constexpr (requires { Impl::refuseNullQueryOutput(); }) {
                return Impl::refuseNullQueryOutput();
            } else {
                return E_POINTER;
            }
        }
        *out = nullptr;
        if (iid == iidOf<IUnknown>() || iid == iidOf<Primary>() || ((iid == iidOf<AlsoAnswers>()) || ...)) {
            *out = static_cast<Primary*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }

    ULONG AddRef() final {
        if (m_outer != nullptr) {
            return m_outer->AddRef();
        }
        return ++m_refs;
    }

    ULONG Release() final {
        if (m_outer != nullptr) {
            return m_outer->Release();
        }
        const ULONG left = --m_refs;
        if (left == 0) {
            delete static_cast<Impl*>(this);
        }
        return left;
    }

    // The count as it stands, for tests that check who keeps whom alive.
    ULONG refCount() const { return m_refs; }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IUnknown* m_outer = nullptr;  // not counted

private:
    ULONG m_refs = 1;
};
