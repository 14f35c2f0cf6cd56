#include "decoders/BmpDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{

const std::size_t FileHeaderSize = 14;
const std::uint32_t CoreHeaderSize = 12;
const std::uint32_t CompressionRle8 = 1;
const std::uint32_t CompressionRle4 = 2;
// A run-length file gives at most 255 pixels for every two bytes, more only by skipping: one
// whose header claims far more pixels than its bytes could give is damaged, and is refused
// before anything is allocated for it.
const std::uint64_t MaximumPixelsPerByte = 4096;

std::uint32_t U16(const std::uint8_t* p)
{
    return p[0] | std::uint32_t(p[1]) << 8;
}

std::uint32_t U32(const std::uint8_t* p)
{
    return U16(p) | U16(p + 2) << 16;
}

}  // namespace

bool CBmpDecoder::Refuse(const std::string& why)
{
    return Fail(Failure::Refused, "damaged BMP data: " + why);
}

// Reads up to entries colours, as many as there is room for before the pixels; indices past
// them show black.
bool CBmpDecoder::ReadPalette(std::size_t at, std::size_t entryBytes, std::uint32_t entries)
{
    if (PixelsAt < at || PixelsAt > Size)
        return Refuse("the colour table is cut short");
    entries = static_cast<std::uint32_t>(std::min<std::size_t>(entries, (PixelsAt - at) / entryBytes));
    for (std::uint32_t n = 0; n < entries && n < 256; ++n)
    {
        const std::uint8_t* entry = Data + at + n * entryBytes;
        Palette[n][0] = entry[0], Palette[n][1] = entry[1], Palette[n][2] = entry[2], Palette[n][3] = 255;
    }
    return true;
}

bool CBmpDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Data = data;
    Size = size;
    if (size < FileHeaderSize + 16 || data[0] != 'B' || data[1] != 'M')
        return Refuse("the header is cut short");
    PixelsAt = U32(data + 10);
    const std::uint8_t* info = data + FileHeaderSize;
    const std::uint32_t headerSize = U32(info);
    if (headerSize < CoreHeaderSize || headerSize > size - FileHeaderSize)
        return Refuse("the header is cut short");
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t used = 0;
    if (headerSize == CoreHeaderSize)
    {
        width = U16(info + 4);
        height = U16(info + 6);
        Bits = U16(info + 10);
    }
    else
    {
        width = static_cast<std::int32_t>(U32(info + 4));
        height = static_cast<std::int32_t>(U32(info + 8));
        Bits = U16(info + 14);
        Compression = headerSize >= 20 ? U32(info + 16) : 0;
        used = headerSize >= 36 ? U32(info + 32) : 0;
    }
    TopDown = height < 0;
    height = height < 0 ? -height : height;
    // OS/2 2.x's own compressions (Huffman, RLE24) and Windows' embedded JPEG and PNG are not read.
    if (Compression > CompressionRle4)
        return Fail(Failure::Refused, "unsupported BMP compression (type " + std::to_string(Compression) + ")");
    const bool paletted = Bits == 1 || Bits == 4 || Bits == 8;
    if (!paletted && !(Bits == 24 && Compression == 0))
        return Fail(Failure::Refused, "unsupported BMP depth of " + std::to_string(Bits) + " bits per pixel");
    if ((Compression == CompressionRle8 && Bits != 8) || (Compression == CompressionRle4 && Bits != 4) ||
        (Compression != 0 && TopDown))
        return Refuse("its compression does not fit its depth");
    if (width <= 0 || !AcceptSize("BMP", static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height)))
        return width <= 0 ? Fail(Failure::Refused, PictureSizeProblem("BMP", 0, std::uint64_t(height))) : false;
    if (paletted)
    {
        const std::uint32_t entries = used > 0 && used < (1u << Bits) ? used : (1u << Bits);
        if (!ReadPalette(FileHeaderSize + headerSize, headerSize == CoreHeaderSize ? 3 : 4, entries))
            return false;
    }
    if (PixelsAt >= size)
        return Refuse("there are no pixels");
    const std::uint64_t available = size - PixelsAt;
    if (Compression == 0)
    {
        const std::uint64_t stride = (std::uint64_t(width) * Bits + 31) / 32 * 4;
        if (stride * std::uint64_t(height) > available)
            return Refuse("the data end early");
    }
    else if (std::uint64_t(width) * std::uint64_t(height) > available * MaximumPixelsPerByte)
    {
        return Refuse("too little data for a " + std::to_string(width) + " x " + std::to_string(height) + " picture");
    }
    HeaderRead.Width = static_cast<std::uint32_t>(width);
    HeaderRead.Height = static_cast<std::uint32_t>(height);
    HeaderRead.HasAlpha = false;
    return true;
}

// Unpacks the run-length data into one index a pixel, rows as stored (the bottom row first).
bool CBmpDecoder::Unpack()
{
    const std::uint32_t width = HeaderRead.Width, height = HeaderRead.Height;
    Indices.reset(new (std::nothrow) std::uint8_t[std::size_t(width) * height]());
    if (!Indices)
        return Fail(Failure::Refused, "not enough memory for the BMP picture");
    const std::uint8_t* at = Data + PixelsAt;
    const std::uint8_t* end = Data + Size;
    const bool four = Compression == CompressionRle4;
    std::uint32_t x = 0, y = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && y < height)
            Indices[std::size_t(y) * width + x] = index;
        ++x;
    };
    while (y < height)
    {
        if (end - at < 2)
            return Refuse("the data end early");
        const unsigned count = at[0], value = at[1];
        at += 2;
        if (count > 0)
        {
            for (unsigned n = 0; n < count; ++n)
                put(static_cast<std::uint8_t>(four ? (n % 2 ? value & 15 : value >> 4) : value));
            continue;
        }
        if (value == 0)  // end of the row
        {
            x = 0, ++y;
        }
        else if (value == 1)  // end of the picture
        {
            return true;
        }
        else if (value == 2)  // a move right and up
        {
            if (end - at < 2)
                return Refuse("the data end early");
            x += at[0], y += at[1];
            at += 2;
        }
        else  // value pixels as they are, padded to two bytes
        {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) / 2 * 2;
            if (std::size_t(end - at) < bytes)
                return Refuse("the data end early");
            for (unsigned n = 0; n < value; ++n)
                put(static_cast<std::uint8_t>(four ? (n % 2 ? at[n / 2] & 15 : at[n / 2] >> 4) : at[n]));
            at += std::min<std::size_t>(padded, std::size_t(end - at));
        }
    }
    return true;
}

// Stored row number stored (from the file's first) as blue, green, red and alpha.
void CBmpDecoder::StoredRow(std::uint32_t stored, std::uint8_t* out) const
{
    const std::uint32_t width = HeaderRead.Width;
    if (Indices)
    {
        const std::uint8_t* indices = Indices.get() + std::size_t(stored) * width;
        for (std::uint32_t x = 0; x < width; ++x)
            std::memcpy(out + 4 * std::size_t(x), Palette[indices[x]], 4);
        return;
    }
    const std::size_t strideBytes = (std::size_t(width) * Bits + 31) / 32 * 4;
    const std::uint8_t* row = Data + PixelsAt + std::size_t(stored) * strideBytes;
    for (std::uint32_t x = 0; x < width; ++x, out += 4)
    {
        if (Bits == 24)
        {
            out[0] = row[3 * x], out[1] = row[3 * x + 1], out[2] = row[3 * x + 2], out[3] = 255;
            continue;
        }
        const std::size_t bit = std::size_t(x) * Bits;
        const unsigned index = (row[bit / 8] >> (8 - Bits - bit % 8)) & ((1u << Bits) - 1);
        std::memcpy(out, Palette[index], 4);
    }
}

bool CBmpDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Data || HeaderRead.Width == 0 || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more BMP rows asked for than the picture has");
    if (Compression != 0 && !Indices && count > 0 && !Unpack())
        return false;
    for (std::uint32_t n = 0; n < count; ++n, ++NextRow)
        StoredRow(TopDown ? NextRow : HeaderRead.Height - 1 - NextRow, out + n * stride);
    return true;
}
