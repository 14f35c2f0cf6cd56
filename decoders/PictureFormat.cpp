// Recognises a picture's format from its first bytes.
#include "decoders/PictureDecoder.h"

#include <cstdio>
#include <cstring>

namespace
{

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* signature, std::size_t length)
{
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

}  // namespace

PictureFormat SniffPictureFormat(const std::uint8_t* bytes, std::size_t size)
{
    if (!bytes)
        return PictureFormat::Unknown;
    if (StartsWith(bytes, size, "BM", 2))
        return PictureFormat::Bmp;
    if (StartsWith(bytes, size, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6))
        return PictureFormat::Gif;
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    if (StartsWith(bytes, size, "II*\0", 4) || StartsWith(bytes, size, "MM\0*", 4) ||
        StartsWith(bytes, size, "II+\0", 4) || StartsWith(bytes, size, "MM\0+", 4))
        return PictureFormat::Tiff;
    if (size >= 12 && StartsWith(bytes, size, "RIFF", 4) && std::memcmp(bytes + 8, "WEBP", 4) == 0)
        return PictureFormat::WebP;
    return PictureFormat::Unknown;
}

const char* PictureFormatName(PictureFormat format)
{
    switch (format)
    {
    case PictureFormat::Bmp: return "BMP";
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Jpeg: return "JPEG";
    case PictureFormat::Gif: return "GIF";
    case PictureFormat::Tiff: return "TIFF";
    case PictureFormat::WebP: return "WebP";
    case PictureFormat::Unknown: break;
    }
    return "unknown";
}

bool SniffPictureFile(const std::string& path, PictureFormat& format, std::size_t& headBytes)
{
    format = PictureFormat::Unknown;
    headBytes = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::uint8_t head[16];
    headBytes = std::fread(head, 1, sizeof head, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return false;
    format = SniffPictureFormat(head, headBytes);
    return true;
}
