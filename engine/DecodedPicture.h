// A picture of any decoded format, upright and over the page's background, handed to the cell
// sampler a band of rows at a time.
#pragma once

#include "base/RgbColor.h"
#include "decoders/Orientation.h"
#include "decoders/PictureDecoder.h"
#include "engine/PictureSource.h"
#include "engine/RowPrefetcher.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Turns a decoder's stored rows into the upright picture's rows, composited over a background
// colour, and keeps only the band of rows the sampler is working on. Rows are decoded as the band
// moves down and are allocated as they arrive; only a picture whose upright rows are not its
// stored rows in order (turned or flipped) is held whole. Where the decoder allows it, the rows
// of a picture that is not held whole are decoded ahead on a second thread.
class CDecodedPicture : public CPictureSource
{
public:
    CDecodedPicture() = default;

    // Opens the picture held in bytes (which stay where they are while it is open) with a decoder
    // for its format, and reads the header and the orientation; transparent pixels will be laid
    // over background. False with the failure set.
    bool Open(std::unique_ptr<CPictureDecoder> decoder, const std::uint8_t* bytes, std::size_t size,
              PictureFormat format, RgbColor background);

    // The upright picture's size.
    std::uint32_t Width() const override { return UprightWidth; }
    std::uint32_t Height() const override { return UprightHeight; }
    Orientation GetOrientation() const { return Turn; }
    // What the decoder read past (CPictureDecoder::Warning), so far; empty when nothing.
    std::string Warning() const { return Decoder ? Decoder->Warning() : DecoderWarning; }
    PictureFormat Format() const { return FileFormat; }
    // Whether the background shows through somewhere, so that the rows depend on it.
    bool Translucent() const { return SeeThrough; }

    // Decodes the upright rows [first, end) into the band, keeping what the last band shares.
    bool LoadRows(std::uint32_t first, std::uint32_t end) override;
    const std::uint8_t* RowBase(std::uint32_t y) const override
    {
        return Band.data() + std::size_t(y - BandFirst) * RowBytes;
    }
    std::ptrdiff_t RowDistance() const override { return static_cast<std::ptrdiff_t>(RowBytes); }
    // Every held row is blue, green, red and a byte that is not a colour.
    const CPixelLayout& Layout() const override { return BgrxLayout; }
    // The decoder's own whole picture, the stored picture when it is turned, the band and the rows
    // decoded ahead.
    std::uint64_t MemoryNeeded(std::uint32_t bands) const override;

private:
    bool DecoderFailed();
    // Decodes count stored rows into out (count rows of RowBytes), composited.
    bool DecodeStored(std::uint8_t* out, std::uint32_t count);
    // Decodes count stored rows into out as they come from the file (composited and, for a
    // mirrored picture, mirrored); for the thread that decodes ahead, touching nothing else.
    bool DecodeAhead(std::uint8_t* out, std::uint32_t count) const;
    // Takes the next count stored rows from the thread that decodes ahead into out (null: dropped).
    bool TakeStored(std::uint8_t* out, std::uint32_t count);
    // Decodes every stored row into StoredRows, chunk by chunk as they arrive.
    bool DecodeWhole();
    bool GrowBand(std::uint64_t bytes, std::uint64_t limit);
    void Composite(std::uint8_t* row) const;
    void Mirror(std::uint8_t* row) const;
    void Gather(std::uint32_t y, std::uint8_t* row) const;

    std::unique_ptr<CPictureDecoder> Decoder;
    std::string DecoderWarning;  // the decoder's, once it is gone
    PictureFormat FileFormat = PictureFormat::Unknown;
    Orientation Turn = Orientation::Upright;
    RgbColor Background = 0;
    bool SeeThrough = false;
    bool Streams = true;  // upright rows are the stored rows in order
    std::uint32_t StoredWidth = 0;
    std::uint32_t StoredHeight = 0;
    std::uint32_t UprightWidth = 0;
    std::uint32_t UprightHeight = 0;
    std::size_t RowBytes = 0;  // of an upright row
    std::size_t StoredRowBytes = 0;
    std::uint32_t StoredDone = 0;    // stored rows decoded so far
    std::vector<std::uint8_t> Band;  // upright rows [BandFirst, BandEnd)
    std::uint32_t BandFirst = 0;
    std::uint32_t BandEnd = 0;
    // The whole stored picture, when it does not stream: chunks of rows, and where each row is.
    std::vector<std::unique_ptr<std::uint8_t[]>> StoredChunks;
    std::vector<const std::uint8_t*> StoredRows;
    // Last, so that it goes first: its thread uses the decoder and the state above.
    std::unique_ptr<CRowPrefetcher> Ahead;
    CPixelLayout BgrxLayout{CPixelLayout::Kind::Bgrx32};
};
