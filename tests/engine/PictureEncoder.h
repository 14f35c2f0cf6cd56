// Test pictures of every format, written with the picture libraries' own encoders (Linux only).
#pragma once

#include "tests/engine/TestPicture.h"

// PNG colour types and depths as the format numbers them (0 grey, 2 RGB, 3 palette, 4 grey with
// alpha, 6 RGBA). Values are taken from the RGBA rows as they are: grey from red, and at depths
// below 8 scaled down (exact for multiples of 255 / (2^depth - 1)); a palette is made of the
// picture's distinct colours, with their alpha when any is below 255.
struct PngOptions
{
    int ColorType = 2;
    int BitDepth = 8;
    bool Interlaced = false;
};
bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height, const PngOptions& options,
              const RgbaRowSource& rows);

// Orientation 0 writes no Exif block; 1 to 8 write one with that orientation.
struct JpegOptions
{
    int Quality = 95;
    bool Progressive = false;
    bool Grey = false;
    int Orientation = 0;
    bool BigEndianExif = true;
};
bool WriteJpeg(const std::string& path, std::uint32_t width, std::uint32_t height, const JpegOptions& options,
               const RgbaRowSource& rows);

// The palette is the picture's distinct colours (at most 256); fully transparent pixels take
// the transparent index.
struct GifOptions
{
    bool Interlaced = false;
};
bool WriteGif(const std::string& path, const TestPicture& picture, const GifOptions& options);

struct TiffOptions
{
    int Orientation = 1;
    bool Alpha = false;
    bool Deflate = false;
    std::uint32_t RowsPerStrip = 0;  // 0: libtiff's default
};
bool WriteTiff(const std::string& path, std::uint32_t width, std::uint32_t height, const TiffOptions& options,
               const RgbaRowSource& rows);

bool WriteWebP(const std::string& path, const TestPicture& picture, bool lossless);
