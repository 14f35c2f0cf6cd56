// The EXIF orientation of a photo: how its stored rows are turned to stand upright.
#pragma once

#include "decoders/PictureFormat.h"

#include <cstddef>
#include <cstdint>

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

// The orientation written where the format keeps it (a JPEG's Exif block, a TIFF's first
// directory: the format table says), in the picture file's bytes; Upright for formats that keep
// none, or when the file has no valid tag.
Orientation ReadOrientation(PictureFormat format, const std::uint8_t* bytes, std::size_t size);

// True when the upright picture's rows are the stored picture's columns.
inline bool SwapsAxes(Orientation orientation)
{
    return static_cast<int>(orientation) >= static_cast<int>(Orientation::Transposed);
}

// The stored pixel that shows at upright (x, y), for a stored picture of width x height.
void StoredPosition(Orientation orientation, std::uint32_t width, std::uint32_t height, std::uint32_t x,
                    std::uint32_t y, std::uint32_t& storedX, std::uint32_t& storedY);
