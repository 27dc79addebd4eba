// An owning interface pointer: releases its reference when it goes.
#pragma once

#include "compat/compat.h"

#include <utility>

namespace tarn::client {

template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : m_Ptr(other.m_Ptr) {
        if (m_Ptr) m_Ptr->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_Ptr(std::exchange(other.m_Ptr, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_Ptr, other.m_Ptr);
        return *this;
    }
    ~ComPtr() { Reset(); }

    I* Get() const { return m_Ptr; }
    I* operator->() const { return m_Ptr; }
    explicit operator bool() const { return m_Ptr != nullptr; }
    // For out arguments: releases what is held and hands out the slot.
    I** Put() {
        Reset();
        return &m_Ptr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (m_Ptr) std::exchange(m_Ptr, nullptr)->Release();
    }
    // The same object's interface J, or an empty pointer with the failure in *result.
    template <class J>
    ComPtr<J> As(REFIID iid, HRESULT* result = nullptr) const {
        ComPtr<J> other;
        const HRESULT hr = m_Ptr ? m_Ptr->QueryInterface(iid, other.PutVoid()) : E_POINTER;
        if (result) *result = hr;
        return other;
    }

private:
    I* m_Ptr = nullptr;
};

}  // namespace tarn::client
