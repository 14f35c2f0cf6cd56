// TIFF pictures through libtiff: the first page, in any layout libtiff turns into RGBA, in sRGB
// through the page's ICC profile. CIE L*a*b* pages, CMYK pages and grey or RGB pages of depths
// libtiff does not turn into RGBA (12 bits, say) are read sample by sample here instead, a
// scanline at a time, where they are stored in strips.
#pragma once

#include "decoders/ByteCursor.h"
#include "decoders/ColourTransform.h"
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
    bool ChooseScanlines();
    void ReadProfile();
    bool ReadScanlines(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count);
    unsigned Sample(const std::uint8_t* row, std::size_t index) const;
    std::uint8_t Level(const std::uint8_t* row, std::size_t index) const;
    bool ReadScanline(std::uint32_t row);

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
    CColourTransform Colours;

    // The page read a scanline at a time, and how its samples are laid out.
    bool Scanlines = false;
    std::uint16_t Photometric = 0;
    std::uint16_t Bits = 8;
    bool Floating = false;  // samples are 32- or 64-bit floating point, 0 to 1
    std::uint16_t SamplesPerPixel = 1;
    std::uint16_t ColourSamples = 1;
    int AlphaSample = -1;  // the sample that is alpha, if any
    bool Premultiplied = false;
    bool Separate = false;                // each sample is stored in its own plane
    std::vector<std::uint8_t> Scan;       // one stored scanline, its samples side by side
    std::vector<std::uint8_t> Plane;      // one scanline of one plane, when they are separate
    std::vector<std::uint16_t> Values;    // one row of L*a*b* values for the colour transform
    std::vector<std::uint8_t> Converted;  // one row of CMYK for the colour transform
};
