// The table of picture formats. Adding a format is one decoder and one row here.
#include "decoders/PictureFormat.h"

#include "base/MappedFile.h"
#include "decoders/HeaderFacts.h"

#ifdef _WIN32
#include "decoders/WicDecoder.h"
#else
#include "decoders/BmpDecoder.h"
#include "decoders/GifDecoder.h"
#include "decoders/HeifDecoder.h"
#include "decoders/JpegDecoder.h"
#include "decoders/JxlDecoder.h"
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

// The brand of an ISO base media file (its ftyp box: major brand, version, compatible brands)
// tells what it holds; AVIF files often name the generic HEIF brand "mif1" first.
bool HasBrand(const std::uint8_t* bytes, std::size_t size, const char* const* brands, std::size_t count)
{
    if (size < 16 || std::memcmp(bytes + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxSize =
        std::size_t(bytes[0]) << 24 | std::size_t(bytes[1]) << 16 | std::size_t(bytes[2]) << 8 | bytes[3];
    const std::size_t end = std::min(size, std::max<std::size_t>(boxSize, 16));
    for (std::size_t at = 8; at + 4 <= end; at += 4)
    {
        if (at == 12)
            continue;  // the minor version
        for (std::size_t n = 0; n < count; ++n)
            if (std::memcmp(bytes + at, brands[n], 4) == 0)
                return true;
    }
    return false;
}

bool IsAvif(const std::uint8_t* bytes, std::size_t size)
{
    static const char* const brands[] = {"avif", "avis"};
    return HasBrand(bytes, size, brands, 2);
}

// Checked after AVIF, whose files name HEIF's generic brands too.
bool IsHeif(const std::uint8_t* bytes, std::size_t size)
{
    static const char* const brands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"};
    return HasBrand(bytes, size, brands, 8);
}

// A bare codestream, or the ISO container with its signature box.
bool IsJxl(const std::uint8_t* bytes, std::size_t size)
{
    return StartsWith(bytes, size, "\xFF\x0A", 2) || StartsWith(bytes, size, "\0\0\0\x0CJXL \r\n\x87\n", 12);
}

// WIC has container ids for these only in newer SDKs: spelt out here. AVIF has none: the HEIF
// decoder reads it where the AV1 extension is installed.
#ifdef _WIN32
const GUID ContainerJpegXl = {0xfec14e3f, 0x427a, 0x4736, {0xaa, 0xe6, 0x27, 0xed, 0x84, 0xf6, 0x93, 0x22}};
#endif

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
    // Reads the size from the header alone; null where only the decoder can tell it.
    bool (*ReadFacts)(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
    PlatformDecoder Decoder;  // null: this platform has no decoder for the format
};

// The mapped reader reads .bmp files on every platform; the decoder takes the variants it leaves
// (run-length encoded, OS/2): WIC's on Windows, our own on Linux.
const FormatRow Formats[] = {
    {{PictureFormat::Bmp, "BMP", "bmp", ExifPlace::None},
     IsBmp,
     ReadBmpFacts,
     DECODER(CBmpDecoder, GUID_ContainerFormatBmp)},
    {{PictureFormat::Png, "PNG", "png", ExifPlace::PngChunk},
     IsPng,
     ReadPngFacts,
     DECODER(CPngDecoder, GUID_ContainerFormatPng)},
    {{PictureFormat::Jpeg, "JPEG", "jpg;jpeg", ExifPlace::JpegApp1},
     IsJpeg,
     ReadJpegFacts,
     DECODER(CJpegDecoder, GUID_ContainerFormatJpeg)},
    {{PictureFormat::Gif, "GIF", "gif", ExifPlace::None},
     IsGif,
     ReadGifFacts,
     DECODER(CGifDecoder, GUID_ContainerFormatGif)},
    {{PictureFormat::Tiff, "TIFF", "tif;tiff", ExifPlace::TiffHeader},
     IsTiff,
     ReadTiffFacts,
     DECODER(CTiffDecoder, GUID_ContainerFormatTiff)},
    {{PictureFormat::WebP, "WebP", "webp", ExifPlace::WebPChunk, "the WebP Image Extensions from the Microsoft Store"},
     IsWebP,
     ReadWebPFacts,
     DECODER(CWebPDecoder, GUID_ContainerFormatWebp)},
    {{PictureFormat::Avif, "AVIF", "avif", ExifPlace::None,
      "the AV1 Video Extension and the HEIF Image Extensions from the Microsoft Store"},
     IsAvif,
     nullptr,
     DECODER(CAvifDecoder, GUID_ContainerFormatHeif)},
    {{PictureFormat::Heif, "HEIF", "heic;heif;hif", ExifPlace::None,
      "the HEIF Image Extensions and the HEVC Video Extensions from the Microsoft Store"},
     IsHeif,
     nullptr,
     DECODER(CHeifDecoder, GUID_ContainerFormatHeif)},
    {{PictureFormat::Jxl, "JPEG XL", "jxl", ExifPlace::None, "the JPEG XL Image Extension from the Microsoft Store"},
     IsJxl,
     nullptr,
     DECODER(CJxlDecoder, ContainerJpegXl)},
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

bool ReadStoredFacts(PictureFormat format, const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    facts = StoredFacts();
    const FormatRow* row = RowOf(format);
    return bytes && row && row->ReadFacts && row->ReadFacts(bytes, size, facts);
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

std::string NoDecoderReason(PictureFormat format)
{
    const PictureFormatInfo& info = PictureFormatOf(format);
    if (format == PictureFormat::Unknown)
        return "not a picture Glyphcast can read";
    std::string reason = std::string("this system has no decoder for ") + info.Name + " pictures";
#ifdef _WIN32
    if (info.SystemCodec)
        reason += std::string(": install ") + info.SystemCodec;
#endif
    return reason;
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
