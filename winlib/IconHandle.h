// CIconHandle: an owned icon or cursor, as CIcon and CCursor.
#pragma once

#include <utility>
#include "winlib/Win32.h"

// Destroys its icon or cursor once, with Destroy, when it is replaced or goes. Movable, never copied.
template <BOOL(WINAPI* Destroy)(HICON)>
class CIconHandle
{
public:
    CIconHandle() = default;
    explicit CIconHandle(HICON handle) : Handle(handle) {}
    ~CIconHandle() { Reset(); }
    CIconHandle(CIconHandle&& other) noexcept : Handle(std::exchange(other.Handle, nullptr)) {}
    CIconHandle& operator=(CIconHandle&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            Handle = std::exchange(other.Handle, nullptr);
        }
        return *this;
    }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;

    operator HICON() const { return Handle; }

private:
    void Reset()
    {
        if (Handle)
            Destroy(std::exchange(Handle, nullptr));
    }

    HICON Handle = nullptr;
};

using CIcon = CIconHandle<::DestroyIcon>;
using CCursor = CIconHandle<::DestroyCursor>;
