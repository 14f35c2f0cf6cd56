// WebP pictures through libwebp, lossy and lossless, with alpha; decoded whole.
#pragma once

#include "decoders/PictureDecoder.h"

#include <memory>
#include <vector>

class CWebPDecoder : public CPictureDecoder
{
public:
    bool Open(const std::string& path) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;

private:
    bool DecodeWhole();

    std::vector<std::uint8_t> Data;         // the whole file, until it is decoded
    std::unique_ptr<std::uint8_t[]> Whole;  // the picture, blue, green, red, alpha
    std::uint32_t NextRow = 0;
};
