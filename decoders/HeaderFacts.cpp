#include "decoders/HeaderFacts.h"

#include <cstring>

namespace
{

// Reads little- and big-endian numbers at an offset; the callers check that the bytes are there.
std::uint32_t Little16(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t Little24(const std::uint8_t* p)
{
    return Little16(p) | std::uint32_t(p[2]) << 16;
}
std::uint32_t Little32(const std::uint8_t* p)
{
    return Little24(p) | std::uint32_t(p[3]) << 24;
}
std::uint32_t Big16(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 8 | p[1];
}
std::uint32_t Big32(const std::uint8_t* p)
{
    return Big16(p) << 16 | Big16(p + 2);
}

bool Found(StoredFacts& facts, std::uint32_t width, std::uint32_t height, std::uint32_t bits)
{
    if (width == 0 || height == 0 || bits == 0)
        return false;
    facts = {width, height, bits};
    return true;
}

}  // namespace

// The file header, then the bitmap header: the old 12-byte one of 16-bit sizes, or one of the
// later ones (40 bytes and up) with signed 32-bit sizes, a negative height meaning top-down rows.
bool ReadBmpFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    if (size < 26)
        return false;
    if (Little32(bytes + 14) == 12)
        return Found(facts, Little16(bytes + 18), Little16(bytes + 20), Little16(bytes + 24));
    if (size < 30)
        return false;
    const auto width = static_cast<std::int32_t>(Little32(bytes + 18));
    const auto height = static_cast<std::int32_t>(Little32(bytes + 22));
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return false;
    return Found(facts, std::uint32_t(width), std::uint32_t(height < 0 ? -height : height), Little16(bytes + 28));
}

// IHDR comes first: width, height, bit depth and colour type (grey, RGB, palette, grey with
// alpha, RGBA).
bool ReadPngFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    if (size < 26 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return false;
    const std::uint32_t channels[7] = {1, 0, 3, 1, 2, 0, 4};
    const std::uint32_t type = bytes[25];
    return type < 7 && Found(facts, Big32(bytes + 16), Big32(bytes + 20), bytes[24] * channels[type]);
}

// The segments up to the frame header (SOF0 to SOF15 but DHT, JPG and DAC): precision, height,
// width, components. A scan before any frame header means there is none to be had.
bool ReadJpegFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    std::size_t at = 2;
    while (at + 1 < size)
    {
        if (bytes[at] != 0xFF)
            return false;
        while (at < size && bytes[at] == 0xFF)
            ++at;
        if (at >= size)
            return false;
        const std::uint8_t code = bytes[at++];
        if ((code >= 0xD0 && code <= 0xD7) || code == 0x01)
            continue;
        if (code == 0xD9 || code == 0xDA || size - at < 2)
            return false;
        const std::size_t length = Big16(bytes + at);
        if (length < 2 || size - at < length)
            return false;
        const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame)
            return length >= 8 &&
                   Found(facts, Big16(bytes + at + 5), Big16(bytes + at + 3), bytes[at + 2] * bytes[at + 7]);
        at += length;
    }
    return false;
}

// Past the screen descriptor, its colour table and any extensions, the first image descriptor
// gives the first frame's size; a frame is decoded as palette indices.
bool ReadGifFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    if (size < 13)
        return false;
    std::size_t at = 13;
    if (bytes[10] & 0x80)
        at += 3 * (std::size_t(2) << (bytes[10] & 7));
    while (at < size)
    {
        if (bytes[at] == 0x2C)
            return size - at >= 10 && Found(facts, Little16(bytes + at + 5), Little16(bytes + at + 7), 8);
        if (bytes[at] != 0x21 || size - at < 2)
            return false;
        at += 2;  // the introducer and the extension's label, then its sub-blocks to an empty one
        while (at < size && bytes[at] != 0)
            at += std::size_t(bytes[at]) + 1;
        ++at;
    }
    return false;
}

// The first directory of a classic TIFF, in either byte order: width, length, bits per sample
// (the first sample's) and samples per pixel.
bool ReadTiffFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    if (size < 8 || bytes[0] != bytes[1] || (bytes[2] | bytes[3]) != 42)
        return false;
    const bool little = bytes[0] == 'I';
    auto read16 = [little](const std::uint8_t* p) { return little ? Little16(p) : Big16(p); };
    auto read32 = [little](const std::uint8_t* p) { return little ? Little32(p) : Big32(p); };
    const std::uint32_t directory = read32(bytes + 4);
    if (directory > size || size - directory < 2)
        return false;
    const std::uint32_t entries = read16(bytes + directory);
    if ((size - directory - 2) / 12 < entries)
        return false;
    std::uint32_t width = 0, height = 0, bits = 1, samples = 1;
    for (std::uint32_t n = 0; n < entries; ++n)
    {
        const std::uint8_t* entry = bytes + directory + 2 + n * 12;
        const std::uint32_t tag = read16(entry);
        const std::uint32_t type = read16(entry + 2);
        const std::uint32_t count = read32(entry + 4);
        // A SHORT value sits in the entry's first two bytes, a LONG in all four.
        const std::uint32_t value = type == 3 ? read16(entry + 8) : read32(entry + 8);
        if (tag == 256)
            width = value;
        else if (tag == 257)
            height = value;
        else if (tag == 277)
            samples = value;
        else if (tag == 258 && type == 3)
        {
            // Two or fewer values are in the entry itself; more are found at the offset it gives.
            const std::uint32_t offset = read32(entry + 8);
            bits = count <= 2 ? value : offset < size && size - offset >= 2 ? read16(bytes + offset) : 0;
        }
    }
    return Found(facts, width, height, bits * samples);
}

// The first chunk: an extended header with the canvas size, or a lossy or lossless bitstream
// with its own. Decoders give every WebP picture as 32-bit pixels.
bool ReadWebPFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts)
{
    if (size < 30)
        return false;
    const std::uint8_t* chunk = bytes + 12;
    if (std::memcmp(chunk, "VP8X", 4) == 0)
        return Found(facts, Little24(chunk + 12) + 1, Little24(chunk + 15) + 1, 32);
    if (std::memcmp(chunk, "VP8L", 4) == 0 && chunk[8] == 0x2F)
    {
        const std::uint32_t packed = Little32(chunk + 9);
        return Found(facts, (packed & 0x3FFF) + 1, ((packed >> 14) & 0x3FFF) + 1, 32);
    }
    if (std::memcmp(chunk, "VP8 ", 4) == 0 && chunk[11] == 0x9D && chunk[12] == 0x01 && chunk[13] == 0x2A)
        return Found(facts, Little16(chunk + 14) & 0x3FFF, Little16(chunk + 16) & 0x3FFF, 32);
    return false;
}
