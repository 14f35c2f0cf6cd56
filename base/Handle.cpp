#include "base/Handle.h"

#include "base/Win32Api.h"

CHandle::CHandle(void* handle) : Value(handle == INVALID_HANDLE_VALUE ? nullptr : handle)
{
}

bool CHandle::Close()
{
    if (!Value)
        return true;
    return CloseHandle(std::exchange(Value, nullptr)) != FALSE;
}
