// Pictures written with the system's own encoders (WIC), for the Windows tests.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include "tests/engine/TestPicture.h"

// How the encoder is to store the pixels.
enum class StoredAs
{
    Bgr24,     // 8-bit red, green, blue (alpha dropped)
    Bgra32,    // with alpha
    Gray8,     // one grey level per pixel: the picture's red channel
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
