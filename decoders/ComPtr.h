// CComPtr: an owned COM interface pointer, released once.
#pragma once

#include <objbase.h>

#include <utility>

// Holds one reference to an interface and releases it when replaced or gone. Movable, never copied.
template <class T>
class CComPtr
{
public:
    CComPtr() = default;
    ~CComPtr() { Release(); }
    CComPtr(CComPtr&& other) noexcept : Pointer(std::exchange(other.Pointer, nullptr)) {}
    CComPtr& operator=(CComPtr&& other) noexcept
    {
        if (this != &other)
        {
            Release();
            Pointer = std::exchange(other.Pointer, nullptr);
        }
        return *this;
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    T* Get() const { return Pointer; }
    T* operator->() const { return Pointer; }
    explicit operator bool() const { return Pointer != nullptr; }

    // Where a creating call stores its new reference; anything held before is released first.
    T** Receive()
    {
        Release();
        return &Pointer;
    }
    // The same, typed for calls that hand out an interface as void** (CoCreateInstance, QueryInterface).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    // Asks the object for another of its interfaces; S_OK puts it in other.
    template <class Q>
    HRESULT QueryInterface(CComPtr<Q>& other) const
    {
        if (!Pointer)
            return E_POINTER;
        return Pointer->QueryInterface(__uuidof(Q), other.ReceiveVoid());
    }

    void Release()
    {
        if (Pointer)
            std::exchange(Pointer, nullptr)->Release();
    }

private:
    T* Pointer = nullptr;
};
