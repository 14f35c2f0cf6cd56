// PNG pictures through libpng: every colour type and depth, palettes, transparency, interlacing; in
// sRGB through the picture's iCCP profile, or its cHRM chromaticities and gAMA gamma.
#pragma once

#include "decoders/ColourTransform.h"
#include "decoders/PictureDecoder.h"

#include <memory>
#include <vector>

class CPngDecoder : public CPictureDecoder
{
public:
    CPngDecoder();
    ~CPngDecoder() override;

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // An interlaced picture is held whole.
    std::uint64_t HeldBytes() const override;

    // libpng's state, kept apart from every C++ object so that its errors can jump out of it.
    struct State;

private:
    bool Damaged();
    bool ReadInterlaced();
    void ReadProfile(bool grey);

    std::unique_ptr<State> Png;
    CColourTransform Colours;
    std::unique_ptr<std::uint8_t[]> Whole;  // an interlaced picture, decoded whole
    std::vector<std::uint8_t> Scratch;      // one stored row of an RGB picture
    std::uint32_t NextRow = 0;
    bool Interlaced = false;
};
