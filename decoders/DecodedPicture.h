// A picture of any decoded format, upright and over the page's background, handed to the cell
// sampler a band of rows at a time.
#pragma once

#include "decoders/Orientation.h"
#include "decoders/PictureDecoder.h"
#include "engine/RgbColor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Turns a decoder's stored rows into the upright picture's rows, composited over a background
// colour, and keeps only the band of rows the sampler is working on. Rows are decoded as the band
// moves down and are allocated as they arrive; only a picture whose upright rows are not its
// stored rows in order (turned or flipped) is held whole.
class CDecodedPicture
{
public:
    using Failure = CPictureDecoder::Failure;

    // The pixel layout of every held row: blue, green, red and a byte that is not a colour.
    struct BgrxDecoder
    {
        static constexpr bool BlueLow = true;
        RgbColor operator()(const std::uint8_t* row, std::uint32_t x) const
        {
            const std::uint8_t* p = row + 4 * std::size_t(x);
            return MakeRgb(p[2], p[1], p[0]);
        }
        std::uint32_t Channels(const std::uint8_t* row, std::uint32_t x) const
        {
            const std::uint8_t* p = row + 4 * std::size_t(x);
            return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        }
    };

    CDecodedPicture() = default;
    CDecodedPicture(const CDecodedPicture&) = delete;
    CDecodedPicture& operator=(const CDecodedPicture&) = delete;

    // Opens path with a decoder for its format and reads the header and the orientation;
    // transparent pixels will be laid over background. False with the failure set.
    bool Open(std::unique_ptr<CPictureDecoder> decoder, const std::string& path, PictureFormat format,
              RgbColor background);

    // The upright picture's size.
    std::uint32_t Width() const { return UprightWidth; }
    std::uint32_t Height() const { return UprightHeight; }
    Orientation GetOrientation() const { return Turn; }
    PictureFormat Format() const { return FileFormat; }

    // Makes the upright rows [first, end) readable through RowBase until the next call. The
    // bands come down the picture: first never lies above the previous band's first row.
    // False with the failure set when the data is damaged or the band cannot be held.
    bool LoadRows(std::uint32_t first, std::uint32_t end);
    // Where upright row y, of the band last loaded, begins.
    const std::uint8_t* RowBase(std::uint32_t y) const { return Band.data() + std::size_t(y - BandFirst) * RowBytes; }
    std::ptrdiff_t RowDistance() const { return static_cast<std::ptrdiff_t>(RowBytes); }
    // Calls body with the decoder of the held rows' pixels, as the mapped bitmap does.
    template <class Body>
    void WithDecoder(Body&& body) const
    {
        body(BgrxDecoder{});
    }

    Failure LastFailure() const { return FailureKind; }
    const std::string& FailureReason() const { return Reason; }

private:
    bool Fail(Failure kind, std::string reason);
    bool DecoderFailed();
    // Decodes count stored rows into out (count rows of RowBytes), composited.
    bool DecodeStored(std::uint8_t* out, std::uint32_t count);
    // Decodes every stored row into StoredRows, chunk by chunk as they arrive.
    bool DecodeWhole();
    bool GrowBand(std::uint64_t bytes, std::uint64_t limit);
    void Composite(std::uint8_t* row) const;
    void Mirror(std::uint8_t* row) const;
    void Gather(std::uint32_t y, std::uint8_t* row) const;

    std::unique_ptr<CPictureDecoder> Decoder;
    PictureFormat FileFormat = PictureFormat::Unknown;
    Orientation Turn = Orientation::Upright;
    RgbColor Background = 0;
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
    Failure FailureKind = Failure::None;
    std::string Reason;
};
