// Test pictures held whole, and the one way the tests on every platform have them written in
// another format: with the picture libraries' encoders on Linux, with WIC's on Windows.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// Fills row y of a picture as 8-bit red, green, blue and alpha.
using RgbaRowSource = std::function<void(std::uint32_t y, std::uint8_t* rgba)>;

// A small picture held whole, as 8-bit red, green, blue, alpha, rows from the top.
struct TestPicture
{
    TestPicture(std::uint32_t width, std::uint32_t height)
        : Width(width), Height(height), Rgba(std::size_t(width) * height * 4, 255)
    {
    }

    void Set(std::uint32_t x, std::uint32_t y, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
             std::uint8_t alpha = 255)
    {
        std::uint8_t* p = Rgba.data() + 4 * (std::size_t(y) * Width + x);
        p[0] = red, p[1] = green, p[2] = blue, p[3] = alpha;
    }
    const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const
    {
        return Rgba.data() + 4 * (std::size_t(y) * Width + x);
    }
    RgbaRowSource Rows() const
    {
        return [this](std::uint32_t y, std::uint8_t* rgba) { std::memcpy(rgba, At(0, y), std::size_t(Width) * 4); };
    }

    std::uint32_t Width;
    std::uint32_t Height;
    std::vector<std::uint8_t> Rgba;
};

// An opaque picture whose every pixel differs from its neighbours, over the whole range of each channel.
TestPicture MakeTestPicture(std::uint32_t width, std::uint32_t height);
// Grey levels that a depth of bits holds exactly.
TestPicture MakeGreyTestPicture(std::uint32_t width, std::uint32_t height, int bits);
// An opaque picture of at most colours distinct colours (for palettes).
TestPicture MakeStripedTestPicture(std::uint32_t width, std::uint32_t height, unsigned colours);
// A picture whose left half (x < width / 2) is left and right half right, both 0xAARRGGBB.
TestPicture MakeHalvesTestPicture(std::uint32_t width, std::uint32_t height, std::uint32_t left, std::uint32_t right);

// The same pixels as a 24-bit .bmp file (alpha dropped).
std::vector<std::uint8_t> TestPictureAsBmp(const TestPicture& picture);
// The whole file as bytes (empty when it cannot be read).
std::vector<std::uint8_t> ReadBytes(const std::string& path);
// The Exif APP1 segment's content ("Exif\0\0" and a TIFF block) that gives an orientation.
std::vector<std::uint8_t> ExifOrientationBlock(int orientation, bool bigEndian);

// How a test picture is to be stored. Not every platform's encoders can store every kind:
// CanWriteTestPicture says which.
enum class TestFormat
{
    Png,
    Jpeg,
    Gif,
    Tiff,
    WebP,
    Heif,
    Avif,
    Jxl
};
enum class TestLayout
{
    Rgb,
    Rgba,       // for GIF: a palette with a transparent colour for every pixel of alpha 0
    Grey,       // the red channel
    GreyAlpha,  // the red channel and alpha
    Palette,    // the picture's distinct colours (at most 256), with their alpha
};
struct TestEncoding
{
    TestFormat Format = TestFormat::Png;
    TestLayout Layout = TestLayout::Rgb;
    int Bits = 8;             // per sample (PNG: 1 to 16; values scaled down, exact for levels the depth holds)
    bool Interlaced = false;  // PNG's Adam7, GIF's interlace, a progressive JPEG
    bool Lossy = false;       // WebP, HEIF, AVIF, JPEG XL (HEIF and AVIF are always lossy)
    bool Compressed = false;  // TIFF: deflated, in strips of 4 rows
    // TIFF's tag; for JPEG, PNG and WebP an Exif block; HEIF's irot and imir; JPEG XL's own (0: none).
    int Orientation = 0;
    bool BigEndianExif = true;
    std::vector<std::uint8_t> Profile = {};  // an ICC profile to embed (empty: none)
    bool HighByteOnly = false;               // PNG at 16 bits: each value v stored as v << 8 (0xFF00 for 255)
};

bool CanWriteTestPicture(const TestEncoding& encoding);
// Writes picture to path; false, with why in error, when it cannot.
bool WriteTestPicture(const std::string& path, const TestPicture& picture, const TestEncoding& encoding,
                      std::string& error);
