// Builds bitmap files in memory for the tests and the fuzzer's seed corpus.
#pragma once

#include "base/RgbColor.h"

#include <cstdint>
#include <string>
#include <vector>

// Header flavours a picture can be written with.
enum class BmpHeader
{
    Info,           // 40-byte header
    InfoWithMasks,  // 40-byte header followed by three colour masks
    V4,             // 108-byte header, masks inside
    V5              // 124-byte header, masks inside
};

// A picture described pixel by pixel, written out as a .bmp file image.
class CBmpBuilder
{
public:
    CBmpBuilder(std::int32_t width, std::int32_t height, std::uint16_t bits);

    CBmpBuilder& TopDown();
    CBmpBuilder& Header(BmpHeader header);
    CBmpBuilder& Compression(std::uint32_t compression);
    CBmpBuilder& Masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
    CBmpBuilder& Palette(const std::vector<RgbColor>& colors);

    // The stored value of pixel (x, y), y counted from the top: a palette index,
    // a 16-bit word, or the 24/32-bit value whose low byte is stored first.
    CBmpBuilder& Set(std::int32_t x, std::int32_t y, std::uint32_t value);
    // A 24- or 32-bit pixel of the given colour (stored blue, green, red).
    CBmpBuilder& SetColor(std::int32_t x, std::int32_t y, RgbColor color);
    CBmpBuilder& Fill(std::uint32_t value);
    // Every pixel of a 24- or 32-bit picture in the given colour.
    CBmpBuilder& FillColor(RgbColor color);

    // Bytes of one stored row, padding included.
    std::size_t StrideBytes() const;
    // Offset of the pixel rows in the file.
    std::uint32_t PixelOffset() const;
    std::vector<std::uint8_t> Build() const;

private:
    std::int32_t Width;
    std::int32_t Height;
    std::uint16_t Bits;
    bool IsTopDown = false;
    BmpHeader HeaderKind = BmpHeader::Info;
    std::uint32_t CompressionType = 0;
    std::uint32_t MaskValues[3] = {0, 0, 0};
    std::vector<RgbColor> Colors;
    std::vector<std::uint32_t> Pixels;
};

// Writes bytes to a file, replacing it; false when they could not all be written.
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// The whole content of a file ("" when it cannot be read).
std::string ReadText(const std::string& path);
// The cell colours of a classic page, in the order they were written.
std::vector<RgbColor> PageColours(const std::string& page);

// Puts a little-endian value into a byte image at an offset.
void PutU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
void PutU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
