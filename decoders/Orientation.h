// The EXIF orientation of a photo: how its stored rows are turned to stand upright.
#pragma once

#include "decoders/PictureDecoder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The orientation tag's values: where the stored first row and first column belong.
enum class Orientation
{
    Upright = 1,       // as stored
    Mirrored = 2,      // mirrored left to right
    Rotated180 = 3,    // upside down
    Flipped = 4,       // mirrored top to bottom
    Transposed = 5,    // rows become columns, first row the left column
    RotatedRight = 6,  // turned a quarter clockwise to stand upright
    Transversed = 7,   // rows become columns, first row the right column, bottom up
    RotatedLeft = 8    // turned a quarter anticlockwise to stand upright
};

// Reads up to size bytes at offset into out; returns how many it read.
using ByteReader = std::function<std::size_t(std::uint64_t offset, std::uint8_t* out, std::size_t size)>;

// The orientation written in a JPEG's Exif block or in a TIFF's first directory; Upright for
// other formats, or when the file has no valid tag.
Orientation ReadOrientation(PictureFormat format, const ByteReader& read);
// The same for a file on disk.
Orientation ReadFileOrientation(PictureFormat format, const std::string& path);
// The same for bytes in memory.
Orientation ReadOrientation(PictureFormat format, const std::uint8_t* bytes, std::size_t size);

// True when the upright picture's rows are the stored picture's columns.
inline bool SwapsAxes(Orientation orientation)
{
    return static_cast<int>(orientation) >= static_cast<int>(Orientation::Transposed);
}

// The stored pixel that shows at upright (x, y), for a stored picture of width x height.
void StoredPosition(Orientation orientation, std::uint32_t width, std::uint32_t height, std::uint32_t x,
                    std::uint32_t y, std::uint32_t& storedX, std::uint32_t& storedY);
