// What a picture file's header says of its size, read from the bytes alone, without a decoder.
#pragma once

#include <cstddef>
#include <cstdint>

// The stored picture's size and depth as its header claims them: for a frame that decoders
// read as the file stores it (a GIF's first image, a TIFF's first page).
struct StoredFacts
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t BitsPerPixel = 0;  // as stored: 48 for a 16-bit RGB PNG, 8 for a GIF's indices
};

// The readers of the headers, one for each format the table of formats gives one: each reads the
// facts from the bytes [bytes, bytes + size) of a picture of its format. Cheap whatever the
// picture's size: only the header's bytes are read. False when the header is cut short or claims
// no pixels; a decoder then has the last word.
bool ReadBmpFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
bool ReadPngFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
bool ReadJpegFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
bool ReadGifFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
bool ReadTiffFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
bool ReadWebPFacts(const std::uint8_t* bytes, std::size_t size, StoredFacts& facts);
