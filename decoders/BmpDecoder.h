// CBmpDecoder: the .bmp variants the mapped reader leaves alone, read on Linux.
#pragma once

#include "decoders/PictureDecoder.h"

#include <memory>
#include <vector>

// Run-length encoded bitmaps (RLE8 and RLE4) and OS/2 bitmaps (the 12-byte header of OS/2 1.x and
// the 16- to 64-byte headers of OS/2 2.x, with 1, 4, 8 or 24 bits per pixel), as WIC reads them on
// Windows. A run-length picture is stored from the bottom up and skips pixels at will, so it is
// unpacked whole, one byte a pixel, before its first row; pixels it skips show the palette's
// first colour, as other viewers show them. Data that end before the picture does are refused.
class CBmpDecoder : public CPictureDecoder
{
public:
    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // Nothing but the file's bytes and the decoder's own: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // A run-length picture unpacked whole, a byte a pixel.
    std::uint64_t HeldBytes() const override
    {
        return Compression ? std::uint64_t(HeaderRead.Width) * HeaderRead.Height : 0;
    }

private:
    bool Refuse(const std::string& why);
    bool ReadPalette(std::size_t at, std::size_t entryBytes, std::uint32_t entries);
    bool Unpack();
    void StoredRow(std::uint32_t stored, std::uint8_t* out) const;

    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t PixelsAt = 0;  // where the pixel data start
    std::uint32_t Bits = 0;
    std::uint32_t Compression = 0;  // 0 none, 1 RLE8, 2 RLE4
    bool TopDown = false;
    std::uint8_t Palette[256][4] = {};        // blue, green, red, opaque alpha of each index
    std::unique_ptr<std::uint8_t[]> Indices;  // an unpacked run-length picture, stored rows
    std::uint32_t NextRow = 0;
};
