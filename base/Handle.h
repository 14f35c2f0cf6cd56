// CHandle: an owned KERNEL handle (a file or a file mapping).
#pragma once

#include <utility>

// Closes its handle once: when it is closed, replaced or goes. Movable, never copied.
class CHandle
{
public:
    CHandle() = default;
    // Takes over a handle as the platform's calls return it; INVALID_HANDLE_VALUE counts as none.
    explicit CHandle(void* handle);
    ~CHandle() { Close(); }
    CHandle(CHandle&& other) noexcept : Value(std::exchange(other.Value, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other)
        {
            Close();
            Value = std::exchange(other.Value, nullptr);
        }
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    void* Get() const { return Value; }
    explicit operator bool() const { return Value != nullptr; }
    // Closes the handle, if there is one; false when the platform could not close it.
    bool Close();

private:
    void* Value = nullptr;
};
