// Finds the orientation tag in a JPEG's APP1 Exif block, a TIFF's first directory, a PNG's eXIf
// chunk or a WebP file's EXIF chunk. The file is read through positioned reads of a few bytes
// each, and nothing in it is trusted: every offset is checked against what could be read.
#include "decoders/Orientation.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

namespace
{

// Reads up to size bytes at offset into out; returns how many it read.
using ByteReader = std::function<std::size_t(std::uint64_t offset, std::uint8_t* out, std::size_t size)>;

const std::uint16_t OrientationTag = 0x0112;
const std::uint16_t TypeShort = 3;
// Markers of a JPEG file that carry no length.
const std::uint8_t MarkerStartOfImage = 0xD8;
const std::uint8_t MarkerStartOfScan = 0xDA;
const std::uint8_t MarkerEndOfImage = 0xD9;
const std::uint8_t MarkerApp1 = 0xE1;
// Segments of a JPEG file scanned before the orientation is given up.
const int MaximumSegments = 64;
// Chunks of a PNG or WebP file scanned before the orientation is given up: a large PNG may hold
// thousands of data chunks before its eXIf.
const int MaximumChunks = 1 << 16;

// A TIFF structure (a TIFF file, or the TIFF block inside an Exif segment) of a given byte
// order, at base within the file and limit bytes long.
class CTiffBlock
{
public:
    CTiffBlock(const ByteReader& read, std::uint64_t base, std::uint64_t limit) : Read(read), Base(base), Limit(limit)
    {
    }

    // The orientation in the first directory, or 0 when there is none.
    int FindOrientation()
    {
        std::uint8_t header[16];
        if (!Fetch(0, header, 8))
            return 0;
        if (header[0] == 'I' && header[1] == 'I')
            BigEndian = false;
        else if (header[0] == 'M' && header[1] == 'M')
            BigEndian = true;
        else
            return 0;
        const unsigned version = U16(header + 2);
        if (version == 42)
            return FindIn(U32(header + 4), false);
        // BigTIFF: offset size 8, then a 64-bit offset of the first directory.
        if (version == 43 && U16(header + 4) == 8 && Fetch(8, header + 8, 8))
            return FindIn(U64(header + 8), true);
        return 0;
    }

private:
    bool Fetch(std::uint64_t offset, std::uint8_t* out, std::size_t size) const
    {
        if (offset > Limit || size > Limit - offset)
            return false;
        return Read(Base + offset, out, size) == size;
    }

    unsigned U16(const std::uint8_t* p) const
    {
        return BigEndian ? (unsigned(p[0]) << 8 | p[1]) : (unsigned(p[1]) << 8 | p[0]);
    }
    std::uint32_t U32(const std::uint8_t* p) const
    {
        return BigEndian ? (std::uint32_t(U16(p)) << 16 | U16(p + 2)) : (std::uint32_t(U16(p + 2)) << 16 | U16(p));
    }
    std::uint64_t U64(const std::uint8_t* p) const
    {
        return BigEndian ? (std::uint64_t(U32(p)) << 32 | U32(p + 4)) : (std::uint64_t(U32(p + 4)) << 32 | U32(p));
    }

    // Looks through the entries of the directory at offset for the orientation tag.
    int FindIn(std::uint64_t offset, bool big)
    {
        const std::size_t countSize = big ? 8 : 2;
        const std::size_t entrySize = big ? 20 : 12;
        std::uint8_t bytes[20];
        if (!Fetch(offset, bytes, countSize))
            return 0;
        const std::uint64_t count = big ? U64(bytes) : U16(bytes);
        // A directory holds its tags in ascending order; a few thousand entries is already absurd.
        for (std::uint64_t n = 0; n < count && n < 4096; ++n)
        {
            if (!Fetch(offset + countSize + n * entrySize, bytes, entrySize))
                return 0;
            const unsigned tag = U16(bytes);
            if (tag > OrientationTag)
                return 0;
            if (tag != OrientationTag)
                continue;
            const std::uint64_t values = big ? U64(bytes + 4) : U32(bytes + 4);
            if (U16(bytes + 2) != TypeShort || values < 1)
                return 0;
            // The value sits in the entry itself, left-justified.
            return static_cast<int>(U16(bytes + (big ? 12 : 8)));
        }
        return 0;
    }

    const ByteReader& Read;
    std::uint64_t Base;
    std::uint64_t Limit;
    bool BigEndian = false;
};

// Walks the segments of a JPEG file up to its first scan, looking for an APP1 Exif block.
int FindJpegOrientation(const ByteReader& read)
{
    std::uint8_t bytes[10];
    if (read(0, bytes, 2) != 2 || bytes[0] != 0xFF || bytes[1] != MarkerStartOfImage)
        return 0;
    std::uint64_t at = 2;
    for (int segment = 0; segment < MaximumSegments; ++segment)
    {
        if (read(at, bytes, 4) != 4 || bytes[0] != 0xFF)
            return 0;
        const std::uint8_t marker = bytes[1];
        if (marker == 0xFF)
        {
            ++at;  // a fill byte before the marker
            continue;
        }
        if (marker == MarkerStartOfScan || marker == MarkerEndOfImage)
            return 0;
        const unsigned length = unsigned(bytes[2]) << 8 | bytes[3];
        if (length < 2)
            return 0;
        if (marker == MarkerApp1 && length >= 2 + 6 + 8 && read(at + 4, bytes, 6) == 6 &&
            std::memcmp(bytes, "Exif\0\0", 6) == 0)
        {
            const int found = CTiffBlock(read, at + 10, length - 8).FindOrientation();
            if (found != 0)
                return found;
        }
        at += 2 + length;
    }
    return 0;
}

// The orientation in an EXIF block of length bytes at offset: a TIFF structure, which some
// writers put after JPEG's "Exif\0\0" as well.
int FindInExifBlock(const ByteReader& read, std::uint64_t offset, std::uint64_t length)
{
    std::uint8_t head[6];
    if (length >= 6 && read(offset, head, 6) == 6 && std::memcmp(head, "Exif\0\0", 6) == 0)
        offset += 6, length -= 6;
    return CTiffBlock(read, offset, length).FindOrientation();
}

// Walks a PNG file's chunks (length, type, data, checksum) to its eXIf chunk.
int FindPngOrientation(const ByteReader& read)
{
    std::uint64_t at = 8;  // past the signature
    std::uint8_t header[8];
    for (int chunk = 0; chunk < MaximumChunks && read(at, header, 8) == 8; ++chunk)
    {
        const std::uint64_t length = std::uint64_t(header[0]) << 24 | header[1] << 16 | header[2] << 8 | header[3];
        if (std::memcmp(header + 4, "eXIf", 4) == 0)
            return FindInExifBlock(read, at + 8, length);
        if (std::memcmp(header + 4, "IEND", 4) == 0)
            return 0;
        at += 12 + length;
    }
    return 0;
}

// Walks a WebP file's RIFF chunks (code, little-endian length, data padded to two bytes) to its
// EXIF chunk.
int FindWebPOrientation(const ByteReader& read)
{
    std::uint64_t at = 12;  // past "RIFF", the size and "WEBP"
    std::uint8_t header[8];
    for (int chunk = 0; chunk < MaximumChunks && read(at, header, 8) == 8; ++chunk)
    {
        const std::uint64_t length = header[4] | header[5] << 8 | header[6] << 16 | std::uint64_t(header[7]) << 24;
        if (std::memcmp(header, "EXIF", 4) == 0)
            return FindInExifBlock(read, at + 8, length);
        at += 8 + length + (length & 1);
    }
    return 0;
}

}  // namespace

Orientation ReadOrientation(PictureFormat format, const std::uint8_t* bytes, std::size_t size)
{
    const ByteReader read = [bytes, size](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
        if (offset >= size)
            return std::size_t(0);
        const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
        std::memcpy(out, bytes + offset, available);
        return available;
    };
    int value = 0;
    switch (PictureFormatOf(format).Exif)
    {
    case ExifPlace::JpegApp1: value = FindJpegOrientation(read); break;
    case ExifPlace::TiffHeader: value = CTiffBlock(read, 0, UINT64_MAX).FindOrientation(); break;
    case ExifPlace::PngChunk: value = FindPngOrientation(read); break;
    case ExifPlace::WebPChunk: value = FindWebPOrientation(read); break;
    case ExifPlace::None: break;
    }
    if (value < 1 || value > 8)
        return Orientation::Upright;
    return static_cast<Orientation>(value);
}

void StoredPosition(Orientation orientation, std::uint32_t width, std::uint32_t height, std::uint32_t x,
                    std::uint32_t y, std::uint32_t& storedX, std::uint32_t& storedY)
{
    switch (orientation)
    {
    case Orientation::Upright: storedX = x, storedY = y; break;
    case Orientation::Mirrored: storedX = width - 1 - x, storedY = y; break;
    case Orientation::Rotated180: storedX = width - 1 - x, storedY = height - 1 - y; break;
    case Orientation::Flipped: storedX = x, storedY = height - 1 - y; break;
    case Orientation::Transposed: storedX = y, storedY = x; break;
    case Orientation::RotatedRight: storedX = y, storedY = height - 1 - x; break;
    case Orientation::Transversed: storedX = width - 1 - y, storedY = height - 1 - x; break;
    case Orientation::RotatedLeft: storedX = width - 1 - y, storedY = x; break;
    }
}
