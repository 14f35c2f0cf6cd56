// The picture formats the program reads, told apart by a file's first bytes (never by its name),
// and the one table that says everything about each: its signature, its name, the reader of its
// header, the decoder each platform reads it with, and where a photo of it keeps its EXIF orientation.
#pragma once

#include "decoders/HeaderFacts.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPictureDecoder;

enum class PictureFormat
{
    Unknown,
    Bmp,
    Png,
    Jpeg,
    Gif,
    Tiff,
    WebP,
    Heif,
    Avif,
    Jxl
};

// Where a format keeps the EXIF orientation tag of a photo that its decoder leaves to us.
enum class ExifPlace
{
    None,        // none, or the decoder turns the picture itself (HEIF's irot and imir, JPEG XL's own)
    JpegApp1,    // an APP1 "Exif" segment before the first scan
    TiffHeader,  // the file itself is a TIFF structure, the tag in its first directory
    PngChunk,    // an eXIf chunk, a TIFF structure
    WebPChunk    // an EXIF chunk of the RIFF file, a TIFF structure (some writers put "Exif\0\0" first)
};

// What the program knows of one format.
struct PictureFormatInfo
{
    PictureFormat Format = PictureFormat::Unknown;
    const char* Name = "unknown";  // for messages: "PNG", "JPEG", ...
    const char* Extensions = "";   // the usual file name extensions, "jpg;jpeg"
    ExifPlace Exif = ExifPlace::None;
    // On Windows, what the user installs when the system has no decoder for the format (the
    // system's own codecs have none); Linux's decoders are always there.
    const char* SystemCodec = nullptr;
};

// The format whose signature starts bytes (size of them available), or Unknown.
PictureFormat SniffPictureFormat(const std::uint8_t* bytes, std::size_t size);
// The format of the file at path, from its first bytes; false when it cannot be opened or read.
// headBytes tells how many bytes there were to look at (0: the file is empty).
bool SniffPictureFile(const std::string& path, PictureFormat& format, std::size_t& headBytes);

// The stored picture's size and depth as the header of a picture of format, held in bytes
// [bytes, bytes + size), claims them. Cheap whatever the picture's size: only the header's bytes
// are read. False when the format's header is not read here, or is cut short or claims no pixels;
// a decoder then has the last word.
bool ReadStoredFacts(PictureFormat format, const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);

// The table's entry for format (Unknown has one too, named "unknown").
const PictureFormatInfo& PictureFormatOf(PictureFormat format);
// Every known format, in the table's order (the bitmap first).
std::vector<PictureFormatInfo> KnownPictureFormats();
// The format's usual name for messages: "PNG", "JPEG", ...
inline const char* PictureFormatName(PictureFormat format)
{
    return PictureFormatOf(format).Name;
}

// Why this platform reads no picture of format: "not a picture Glyphcast can read" for Unknown;
// for a format without a decoder here, that it has none and, on Windows, what to install.
std::string NoDecoderReason(PictureFormat format);

// A new decoder of this platform for format: Debian's library for it on Linux, the system's
// Windows Imaging Component on Windows. Null when the platform has none: a .bmp on Linux, which
// the mapped reader reads alone, or a format this Windows has no codec for.
std::unique_ptr<CPictureDecoder> CreatePictureDecoder(PictureFormat format);
