// JPEG XL pictures through libjxl.
#pragma once

#include "decoders/ColourTransform.h"
#include "decoders/PictureDecoder.h"

#include <memory>

// Reads the first frame of a JPEG XL file (a bare codestream or the container), turned upright
// by libjxl as the file's own orientation says (the format table keeps no EXIF place for it, so
// that it is applied once), in sRGB: libjxl renders its XYB pictures into sRGB itself, and the
// picture's ICC profile converts the rest. The frame is decoded whole into a buffer of ours.
class CJxlDecoder : public CPictureDecoder
{
public:
    CJxlDecoder();
    ~CJxlDecoder() override;

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    std::uint64_t HeldBytes() const override { return std::uint64_t(HeaderRead.Width) * HeaderRead.Height * 4; }

    // libjxl's decoder, kept apart so that its header stays out of this one.
    struct State;

private:
    bool Damaged(const char* why);
    bool ChooseColours();
    bool Decode();

    std::unique_ptr<State> Jxl;
    std::unique_ptr<std::uint8_t[]> Whole;  // the upright picture, red, green, blue, alpha
    CColourTransform Colours;
    bool Grey = false;
    std::uint32_t NextRow = 0;
};
