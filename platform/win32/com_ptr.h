// An owning smart pointer for COM-style interfaces. Internal code and tests hold objects through
// it; raw AddRef/Release appear only at the API edge.
#pragma once

#include <utility>

#include "platform/win32/types.h"

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over one reference the caller already owns (as a creation call hands out).
    static ComPtr adopt(T* p) {
        ComPtr r;
        r.m_p = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr share(T* p) {
        if (p != nullptr) {
            p->AddRef();
        }
        return adopt(p);
    }
    ComPtr(const ComPtr& o) : m_p(o.m_p) {
        if (m_p != nullptr) {
            m_p->AddRef();
        }
    }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(m_p, nullptr)) {
            p->Release();
        }
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For creation calls that write an interface pointer: releases what is held first.
    T** put() {
        reset();
        return &m_p;
    }
    // Hands the reference to the caller.
    T* detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};
