// TIFF pictures through libtiff: the first page, in any layout libtiff turns into RGBA.
#pragma once

#include "decoders/ByteCursor.h"
#include "decoders/PictureDecoder.h"

#include <memory>
#include <string>
#include <vector>

struct tiff;

class CTiffDecoder : public CPictureDecoder
{
public:
    CTiffDecoder();
    ~CTiffDecoder() override;

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // A strip (or a row of tiles) is decoded at once.
    std::uint64_t HeldBytes() const override { return std::uint64_t(ChunkRows) * HeaderRead.Width * 4; }

    // What libtiff said last, kept by its handlers.
    struct Messages;

private:
    bool Damaged(const char* fallback);
    bool FillChunk();

    CByteCursor Bytes;  // what libtiff reads, through the procedures it is given
    tiff* Tiff = nullptr;
    std::unique_ptr<Messages> Said;
    struct Image;
    std::unique_ptr<Image> Rgba;
    std::vector<std::uint32_t> Chunk;  // decoded rows [ChunkFirst, ChunkEnd), bytes blue, green, red, alpha
    std::uint32_t ChunkRows = 0;       // rows decoded at once: a strip's or a tile's height
    std::uint32_t ChunkFirst = 0;
    std::uint32_t ChunkEnd = 0;
    std::uint32_t NextRow = 0;
};
