// The table of picture formats. Adding a format is one decoder and one row here.
#include "decoders/PictureFormat.h"

#include "base/MappedFile.h"

#ifdef _WIN32
#include "decoders/WicDecoder.h"
#else
#include "decoders/GifDecoder.h"
#include "decoders/JpegDecoder.h"
#include "decoders/PngDecoder.h"
#include "decoders/TiffDecoder.h"
#include "decoders/WebPDecoder.h"
#endif

#include <algorithm>
#include <cstring>

namespace
{

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* signature, std::size_t length)
{
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

bool IsBmp(const std::uint8_t* bytes, std::size_t size)
{
    return StartsWith(bytes, size, "BM", 2);
}

bool IsPng(const std::uint8_t* bytes, std::size_t size)
{
    return StartsWith(bytes, size, "\x89PNG\r\n\x1A\n", 8);
}

bool IsJpeg(const std::uint8_t* bytes, std::size_t size)
{
    return StartsWith(bytes, size, "\xFF\xD8\xFF", 3);
}

bool IsGif(const std::uint8_t* bytes, std::size_t size)
{
    return StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6);
}

// Classic TIFF (42) and BigTIFF (43), in either byte order.
bool IsTiff(const std::uint8_t* bytes, std::size_t size)
{
    return StartsWith(bytes, size, "II*\0", 4) || StartsWith(bytes, size, "MM\0*", 4) ||
           StartsWith(bytes, size, "II+\0", 4) || StartsWith(bytes, size, "MM\0+", 4);
}

bool IsWebP(const std::uint8_t* bytes, std::size_t size)
{
    return size >= 12 && StartsWith(bytes, size, "RIFF", 4) && std::memcmp(bytes + 8, "WEBP", 4) == 0;
}

#ifdef _WIN32
// Windows reads every format through WIC's decoder for its container.
using PlatformDecoder = const GUID*;
#define DECODER(LinuxDecoder, WicContainer) &WicContainer
#else
using PlatformDecoder = std::unique_ptr<CPictureDecoder> (*)();
template <class Decoder>
std::unique_ptr<CPictureDecoder> Make()
{
    return std::make_unique<Decoder>();
}
#define DECODER(LinuxDecoder, WicContainer) &Make<LinuxDecoder>
#endif

struct FormatRow
{
    PictureFormatInfo Info;
    bool (*Matches)(const std::uint8_t* bytes, std::size_t size);
    PlatformDecoder Decoder;  // null: this platform has no decoder for the format
};

// The mapped reader reads .bmp files on every platform; on Windows WIC takes the variants it leaves.
#ifdef _WIN32
#define BMP_DECODER &GUID_ContainerFormatBmp
#else
#define BMP_DECODER nullptr
#endif

const FormatRow Formats[] = {
    {{PictureFormat::Bmp, "BMP", "bmp", ExifPlace::None}, IsBmp, BMP_DECODER},
    {{PictureFormat::Png, "PNG", "png", ExifPlace::None}, IsPng, DECODER(CPngDecoder, GUID_ContainerFormatPng)},
    {{PictureFormat::Jpeg, "JPEG", "jpg;jpeg", ExifPlace::JpegApp1},
     IsJpeg,
     DECODER(CJpegDecoder, GUID_ContainerFormatJpeg)},
    {{PictureFormat::Gif, "GIF", "gif", ExifPlace::None}, IsGif, DECODER(CGifDecoder, GUID_ContainerFormatGif)},
    {{PictureFormat::Tiff, "TIFF", "tif;tiff", ExifPlace::TiffHeader},
     IsTiff,
     DECODER(CTiffDecoder, GUID_ContainerFormatTiff)},
    {{PictureFormat::WebP, "WebP", "webp", ExifPlace::None}, IsWebP, DECODER(CWebPDecoder, GUID_ContainerFormatWebp)},
};

const PictureFormatInfo UnknownFormat;

const FormatRow* RowOf(PictureFormat format)
{
    for (const FormatRow& row : Formats)
        if (row.Info.Format == format)
            return &row;
    return nullptr;
}

}  // namespace

PictureFormat SniffPictureFormat(const std::uint8_t* bytes, std::size_t size)
{
    if (!bytes)
        return PictureFormat::Unknown;
    for (const FormatRow& row : Formats)
        if (row.Matches(bytes, size))
            return row.Info.Format;
    return PictureFormat::Unknown;
}

bool SniffPictureFile(const std::string& path, PictureFormat& format, std::size_t& headBytes)
{
    format = PictureFormat::Unknown;
    headBytes = 0;
    CMappedFile file;
    if (!file.Open(path))
        return file.LastFailure() == CMappedFile::Failure::Empty;
    headBytes = std::min<std::size_t>(file.Size(), 16);
    format = SniffPictureFormat(file.Data(), file.Size());
    return true;
}

const PictureFormatInfo& PictureFormatOf(PictureFormat format)
{
    const FormatRow* row = RowOf(format);
    return row ? row->Info : UnknownFormat;
}

std::vector<PictureFormatInfo> KnownPictureFormats()
{
    std::vector<PictureFormatInfo> formats;
    for (const FormatRow& row : Formats)
        formats.push_back(row.Info);
    return formats;
}

std::unique_ptr<CPictureDecoder> CreatePictureDecoder(PictureFormat format)
{
#ifdef _WIN32
    return CreateWicDecoder(format);
#else
    const FormatRow* row = RowOf(format);
    return row && row->Decoder ? row->Decoder() : nullptr;
#endif
}

#ifdef _WIN32
std::unique_ptr<CWicDecoder> CreateWicDecoder(PictureFormat format)
{
    const FormatRow* row = RowOf(format);
    if (!row || !row->Decoder || !CWicDecoder::Reads(*row->Decoder))
        return nullptr;
    return std::make_unique<CWicDecoder>(format, *row->Decoder);
}
#endif
