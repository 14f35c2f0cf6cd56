// Pictures written with the system's own encoders (WIC), for the Windows decoding tests.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <string>
#include <vector>

// A picture as 32-bit pixels 0xAARRGGBB, rows from the top.
struct TestPicture
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::vector<std::uint32_t> Pixels;

    std::uint32_t At(std::uint32_t x, std::uint32_t y) const { return Pixels[std::size_t(y) * Width + x]; }
};

// An opaque picture of smooth colour ramps with a few sharp edges, different in every row and column.
TestPicture MakeTestPicture(std::uint32_t width, std::uint32_t height);
// The same with alpha running from 0 (left) to 255 (right).
TestPicture MakeTransparentTestPicture(std::uint32_t width, std::uint32_t height);
// A picture whose left half (x < width / 2) is left and right half right, both 0xAARRGGBB.
TestPicture MakeHalvesTestPicture(std::uint32_t width, std::uint32_t height, std::uint32_t left, std::uint32_t right);
// A picture of at most colours different opaque colours (for palettes): vertical stripes.
TestPicture MakeStripedTestPicture(std::uint32_t width, std::uint32_t height, unsigned colours);

// How the encoder is to store the pixels.
enum class StoredAs
{
    Bgr24,     // 8-bit red, green, blue (alpha dropped)
    Bgra32,    // with alpha
    Gray8,     // one grey level per pixel: the picture's green channel
    Indexed8,  // a palette of the picture's colours (at most 256, with their alpha)
    Rgb48,     // 16 bits per channel, each 8-bit value v stored as v * 257
};

// Writes picture to path with WIC's encoder for container (GUID_ContainerFormatPng, ...), the
// pixels stored as asked; interlaced asks the PNG encoder for Adam7. False, with why in error,
// when the encoder cannot (or would store a different pixel format).
bool WriteWicPicture(const std::string& path, const GUID& container, const TestPicture& picture, StoredAs stored,
                     std::string& error, bool interlaced = false);

// The bytes of a JPEG with an EXIF block saying orientation (1 to 8) put in after its start marker.
std::vector<std::uint8_t> WithExifOrientation(const std::vector<std::uint8_t>& jpeg, unsigned orientation);

// The same pixels as a 24-bit .bmp file (alpha dropped).
std::vector<std::uint8_t> TestPictureAsBmp(const TestPicture& picture);

// The whole file as bytes (empty when it cannot be read).
std::vector<std::uint8_t> ReadBytes(const std::string& path);
