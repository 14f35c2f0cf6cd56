#include "decoders/PictureFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

std::FILE* OpenPictureFile(const std::string& path, std::uint64_t& size, std::string& reason)
{
    size = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        const int error = errno;
        reason = error == ENOENT   ? "the file does not exist"
                 : error == EACCES ? "access is denied"
                                   : std::strerror(error);
        return nullptr;
    }
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))
    {
        std::fclose(file);
        reason = "not a regular file";
        return nullptr;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    // Larger reads than stdio's default: a photo is read in a few hundred calls, not thousands.
    std::setvbuf(file, nullptr, _IOFBF, 64 * 1024);
    return file;
}
