// WebP pictures through libwebp, lossy and lossless, with alpha; decoded whole, in sRGB through an
// ICCP profile.
#pragma once

#include "decoders/ColourTransform.h"
#include "decoders/PictureDecoder.h"

#include <memory>

class CWebPDecoder : public CPictureDecoder
{
public:
    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // The picture is always decoded whole.
    std::uint64_t HeldBytes() const override { return std::uint64_t(HeaderRead.Width) * HeaderRead.Height * 4; }

private:
    bool DecodeWhole();
    void ReadProfile();

    const std::uint8_t* Data = nullptr;  // the file's bytes
    std::size_t Size = 0;
    std::unique_ptr<std::uint8_t[]> Whole;  // the picture, blue, green, red, alpha
    CColourTransform Colours;
    std::uint32_t NextRow = 0;
};
