// GIF pictures through giflib: the first frame, with its transparency.
#pragma once

#include "decoders/PictureDecoder.h"
#include "decoders/ByteCursor.h"

#include <memory>
#include <vector>

struct GifFileType;

class CGifDecoder : public CPictureDecoder
{
public:
    CGifDecoder();
    ~CGifDecoder() override;

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // An interlaced frame is held whole, a byte a pixel.
    std::uint64_t HeldBytes() const override;

private:
    bool Damaged(int error);
    bool FindFirstFrame();
    bool ReadInterlaced();
    void Colour(const std::uint8_t* indices, std::uint8_t* out) const;

    CByteCursor Bytes;
    GifFileType* Gif = nullptr;
    std::uint8_t Palette[256][4] = {};              // blue, green, red, alpha of each index
    std::vector<std::uint8_t> Line;                 // one row of indices
    std::vector<std::vector<std::uint8_t>> Passes;  // an interlaced frame's rows of indices
    bool Interlaced = false;
    std::uint32_t NextRow = 0;
};
