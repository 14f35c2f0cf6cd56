#include "decoders/ReadOnlyFile.h"

#ifdef _WIN32
#include "engine/TextEncoding.h"

#include <windows.h>

std::FILE* OpenReadOnlyFile(const std::string& path)
{
    if (TextCodePageId() != CP_UTF8 || GetACP() == CP_UTF8)
        return std::fopen(path.c_str(), "rb");
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return nullptr;
    std::wstring name(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, &name[0], length);
    return _wfopen(name.c_str(), L"rb");
}

#else

std::FILE* OpenReadOnlyFile(const std::string& path)
{
    return std::fopen(path.c_str(), "rb");
}

#endif
