// Opening a picture file for one of the Linux decoders.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Opens path for reading and tells its size; null with reason (a few words) when it cannot.
std::FILE* OpenPictureFile(const std::string& path, std::uint64_t& size, std::string& reason);

// Closes a stdio file once, when the owner goes.
class CPictureFile
{
public:
    CPictureFile() = default;
    ~CPictureFile() { Close(); }
    CPictureFile(const CPictureFile&) = delete;
    CPictureFile& operator=(const CPictureFile&) = delete;

    // Opens path; false with reason when it cannot.
    bool Open(const std::string& path, std::string& reason)
    {
        File = OpenPictureFile(path, Size, reason);
        return File != nullptr;
    }
    void Close()
    {
        if (File)
            std::fclose(File);
        File = nullptr;
    }
    std::FILE* Get() const { return File; }
    std::uint64_t FileSize() const { return Size; }

private:
    std::FILE* File = nullptr;
    std::uint64_t Size = 0;
};
