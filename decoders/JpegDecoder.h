// JPEG pictures through libjpeg-turbo: baseline, progressive, greyscale and CMYK, in sRGB through
// an embedded ICC profile (APP2). Damage libjpeg only warns about is read past, as viewers do, with
// a warning; a file that ends early is refused.
#pragma once

#include "decoders/ColourTransform.h"
#include "decoders/PictureDecoder.h"

#include <memory>

class CJpegDecoder : public CPictureDecoder
{
public:
    CJpegDecoder();
    ~CJpegDecoder() override;

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // A progressive picture's coefficients are held whole.
    std::uint64_t HeldBytes() const override { return CoefficientBytes; }

    // libjpeg's state, kept apart from every C++ object so that its errors can jump out of it.
    struct State;

private:
    bool Damaged();
    void ReadProfile();

    std::size_t FileSize = 0;
    std::uint64_t CoefficientBytes = 0;
    std::unique_ptr<State> Jpeg;
    CColourTransform Colours;
    std::uint32_t NextRow = 0;
};
