#include "engine/DecodedPicture.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace
{

// Stored rows allocated together when a picture is held whole.
const std::uint32_t ChunkRows = 64;
// Rows a streaming band asks the decoder for at once.
const std::uint32_t StepRows = 16;
// The most memory rows decoded ahead may take (beyond two chunks of them).
const std::uint64_t MaximumAheadBytes = 16 * 1024 * 1024;

}  // namespace

bool CDecodedPicture::DecoderFailed()
{
    const Failure kind = Decoder->LastFailure() == Failure::None ? Failure::Refused : Decoder->LastFailure();
    const std::string reason = Decoder->FailureReason().empty()
                                   ? std::string("damaged ") + PictureFormatName(FileFormat) + " data"
                                   : Decoder->FailureReason();
    return Fail(kind, reason);
}

bool CDecodedPicture::Open(std::unique_ptr<CPictureDecoder> decoder, const std::uint8_t* bytes, std::size_t size,
                           PictureFormat format, RgbColor background)
{
    Ahead.reset();
    Decoder = std::move(decoder);
    DecoderWarning.clear();
    FileFormat = format;
    Background = background;
    ClearFailure();
    Band.clear();
    StoredChunks.clear();
    StoredRows.clear();
    BandFirst = BandEnd = 0;
    StoredDone = 0;
    if (!Decoder)
        return Fail(Failure::Refused, "not a picture Glyphcast can read");
    if (!Decoder->Open(bytes, size))
        return DecoderFailed();

    const PictureHeader& header = Decoder->Header();
    StoredWidth = header.Width;
    StoredHeight = header.Height;
    SeeThrough = header.HasAlpha;
    // Every decoder checks the size it reads; this holds for any decoder all the same.
    const std::string problem = PictureSizeProblem(PictureFormatName(format), StoredWidth, StoredHeight);
    if (!problem.empty())
        return Fail(Failure::Refused, problem);
    Turn = ReadOrientation(format, bytes, size);
    UprightWidth = SwapsAxes(Turn) ? StoredHeight : StoredWidth;
    UprightHeight = SwapsAxes(Turn) ? StoredWidth : StoredHeight;
    StoredRowBytes = std::size_t(StoredWidth) * 4;
    RowBytes = std::size_t(UprightWidth) * 4;
    Streams = Turn == Orientation::Upright || Turn == Orientation::Mirrored;
    return true;
}

std::uint64_t CDecodedPicture::MemoryNeeded(std::uint32_t bands) const
{
    if (UprightHeight == 0)
        return 0;
    const std::uint64_t held = Decoder ? Decoder->HeldBytes() : 0;
    const std::uint64_t whole = Streams ? 0 : std::uint64_t(StoredHeight) * (StoredRowBytes + sizeof(std::uint8_t*));
    // A band covers its share of the rows and the row it shares with the next.
    const std::uint64_t bandRows =
        std::min<std::uint64_t>(UprightHeight, (UprightHeight + std::max(bands, 1u) - 1) / std::max(bands, 1u) + 1);
    const std::uint64_t band = bandRows * RowBytes;
    const std::uint64_t chunkBytes = std::uint64_t(CRowPrefetcher::ChunkRows) * StoredRowBytes;
    const std::uint64_t ahead =
        Streams && Decoder && Decoder->DecodesOnAnyThread() ? std::min(band, MaximumAheadBytes) + 2 * chunkBytes : 0;
    return held + whole + band + ahead;
}

// Lays every pixel over the background: c' = (c * a + b * (255 - a) + 127) / 255 per channel.
void CDecodedPicture::Composite(std::uint8_t* row) const
{
    const unsigned back[3] = {BlueOf(Background), GreenOf(Background), RedOf(Background)};
    for (std::uint32_t x = 0; x < StoredWidth; ++x, row += 4)
    {
        const unsigned alpha = row[3];
        if (alpha == 255)
            continue;
        for (int n = 0; n < 3; ++n)
            row[n] = static_cast<std::uint8_t>((row[n] * alpha + back[n] * (255 - alpha) + 127) / 255);
    }
}

void CDecodedPicture::Mirror(std::uint8_t* row) const
{
    std::uint8_t* left = row;
    std::uint8_t* right = row + StoredRowBytes - 4;
    for (; left < right; left += 4, right -= 4)
    {
        std::uint8_t pixel[4];
        std::memcpy(pixel, left, 4);
        std::memcpy(left, right, 4);
        std::memcpy(right, pixel, 4);
    }
}

bool CDecodedPicture::DecodeStored(std::uint8_t* out, std::uint32_t count)
{
    if (count > StoredHeight - StoredDone)
        return Fail(Failure::Refused, "the picture has fewer rows than asked for");
    if (!Decoder->ReadRows(out, static_cast<std::ptrdiff_t>(StoredRowBytes), count))
        return DecoderFailed();
    StoredDone += count;
    if (Decoder->Header().HasAlpha)
        for (std::uint32_t n = 0; n < count; ++n)
            Composite(out + std::size_t(n) * StoredRowBytes);
    return true;
}

bool CDecodedPicture::DecodeAhead(std::uint8_t* out, std::uint32_t count) const
{
    if (!Decoder->ReadRows(out, static_cast<std::ptrdiff_t>(StoredRowBytes), count))
        return false;
    for (std::uint32_t n = 0; n < count; ++n)
    {
        std::uint8_t* row = out + std::size_t(n) * StoredRowBytes;
        if (Decoder->Header().HasAlpha)
            Composite(row);
        if (Turn == Orientation::Mirrored)
            Mirror(row);
    }
    return true;
}

bool CDecodedPicture::TakeStored(std::uint8_t* out, std::uint32_t count)
{
    if (count > StoredHeight - StoredDone)
        return Fail(Failure::Refused, "the picture has fewer rows than asked for");
    for (std::uint32_t n = 0; n < count; ++n, ++StoredDone)
    {
        const std::uint8_t* row = Ahead->Take(StoredDone);
        if (!row)
            return Ahead->OutOfMemory() ? Fail(Failure::Refused, "not enough memory for the picture") : DecoderFailed();
        if (out)
            std::memcpy(out + std::size_t(n) * RowBytes, row, RowBytes);
    }
    return true;
}

// Grows the band to hold bytes. The whole band being loaded, limit bytes, is reserved at once,
// so that it is never copied as it grows; memory the rows have not reached yet is only address
// space, never touched before decoded rows arrive in it.
bool CDecodedPicture::GrowBand(std::uint64_t bytes, std::uint64_t limit)
{
    if (bytes <= Band.size())
        return true;
    try
    {
        if (limit > Band.capacity())
            Band.reserve(static_cast<std::size_t>(limit));
        Band.resize(static_cast<std::size_t>(bytes));
    }
    catch (const std::exception&)  // bad_alloc or length_error: all that reserving can throw
    {
        return Fail(Failure::Refused, "not enough memory for the picture");
    }
    return true;
}

bool CDecodedPicture::DecodeWhole()
{
    try
    {
        StoredRows.reserve(StoredHeight);
        while (StoredDone < StoredHeight)
        {
            const std::uint32_t count = std::min(ChunkRows, StoredHeight - StoredDone);
            StoredChunks.emplace_back(new std::uint8_t[std::size_t(count) * StoredRowBytes]);
            std::uint8_t* chunk = StoredChunks.back().get();
            if (!DecodeStored(chunk, count))
                return false;
            for (std::uint32_t n = 0; n < count; ++n)
                StoredRows.push_back(chunk + std::size_t(n) * StoredRowBytes);
        }
    }
    catch (const std::bad_alloc&)
    {
        return Fail(Failure::Refused, "not enough memory for the picture");
    }
    // The decoder's own buffers are no longer needed.
    DecoderWarning = Decoder->Warning();
    Decoder.reset();
    return true;
}

// Fills upright row y from the whole stored picture.
void CDecodedPicture::Gather(std::uint32_t y, std::uint8_t* row) const
{
    for (std::uint32_t x = 0; x < UprightWidth; ++x)
    {
        std::uint32_t storedX = 0, storedY = 0;
        StoredPosition(Turn, StoredWidth, StoredHeight, x, y, storedX, storedY);
        std::memcpy(row + 4 * std::size_t(x), StoredRows[storedY] + 4 * std::size_t(storedX), 4);
    }
}

bool CDecodedPicture::LoadRows(std::uint32_t first, std::uint32_t end)
{
    if (LastFailure() != Failure::None)
        return false;
    end = std::min(end, UprightHeight);
    // Rows a streaming band has already decoded stay: the decoder cannot give them again.
    if (Streams)
        end = std::max(end, BandEnd);
    if (first < BandFirst || first >= end)
        return Fail(Failure::Refused, "rows asked for out of order");

    // Keep the rows the new band shares with the old one, at its start.
    const std::uint32_t kept = BandEnd > first ? std::min(BandEnd, end) - first : 0;
    if (kept > 0 && first > BandFirst)
        std::memmove(Band.data(), Band.data() + std::size_t(first - BandFirst) * RowBytes, kept * RowBytes);

    if (Streams && Decoder->DecodesOnAnyThread())
    {
        // The rows come from the thread that decodes them ahead, composited and mirrored there. It
        // may go up to a band ahead (as the first band tells its height), within a limit, so that
        // a band of many rows is decoded while the one before is sampled.
        if (!Ahead)
        {
            const std::uint64_t chunkBytes = std::uint64_t(CRowPrefetcher::ChunkRows) * StoredRowBytes;
            const std::uint64_t chunks = (end - first + CRowPrefetcher::ChunkRows - 1) / CRowPrefetcher::ChunkRows;
            const std::uint64_t affordable = std::max<std::uint64_t>(2, MaximumAheadBytes / chunkBytes);
            Ahead = std::make_unique<CRowPrefetcher>(
                [this](std::uint8_t* out, std::uint32_t count) { return DecodeAhead(out, count); }, StoredRowBytes,
                StoredHeight, static_cast<unsigned>(std::clamp<std::uint64_t>(chunks, 2, affordable)));
        }
        if (StoredDone < first && !TakeStored(nullptr, first - StoredDone))
            return false;
        // The band grows only as decoded rows arrive, never ahead of the data.
        const std::uint64_t bandBytes = std::uint64_t(end - first) * RowBytes;
        for (std::uint32_t from = first + kept; from < end;)
        {
            const std::uint32_t count = std::min(end - from, CRowPrefetcher::ChunkRows);
            if (!GrowBand(std::uint64_t(from + count - first) * RowBytes, bandBytes) ||
                !TakeStored(Band.data() + std::size_t(from - first) * RowBytes, count))
                return false;
            from += count;
        }
    }
    else if (Streams)
    {
        // Rows between the old band and the new one are decoded and dropped.
        const std::uint64_t bandBytes = std::uint64_t(end - first) * RowBytes;
        if (StoredDone < first && !GrowBand(RowBytes, bandBytes))
            return false;
        while (StoredDone < first)
            if (!DecodeStored(Band.data(), 1))
                return false;
        // The band grows only as decoded rows arrive, never ahead of the data.
        for (std::uint32_t from = first + kept; from < end;)
        {
            const std::uint32_t count = std::min(end - from, StepRows);
            if (!GrowBand(std::uint64_t(from + count - first) * RowBytes, bandBytes))
                return false;
            std::uint8_t* rows = Band.data() + std::size_t(from - first) * RowBytes;
            if (!DecodeStored(rows, count))
                return false;
            if (Turn == Orientation::Mirrored)
                for (std::uint32_t n = 0; n < count; ++n)
                    Mirror(rows + std::size_t(n) * RowBytes);
            from += count;
        }
    }
    else
    {
        if (StoredDone < StoredHeight && !DecodeWhole())
            return false;
        const std::uint64_t bandBytes = std::uint64_t(end - first) * RowBytes;
        if (!GrowBand(bandBytes, bandBytes))
            return false;
        for (std::uint32_t y = first + kept; y < end; ++y)
        {
            std::uint8_t* row = Band.data() + std::size_t(y - first) * RowBytes;
            if (Turn == Orientation::Rotated180 || Turn == Orientation::Flipped)
            {
                std::memcpy(row, StoredRows[StoredHeight - 1 - y], RowBytes);
                if (Turn == Orientation::Rotated180)
                    Mirror(row);
            }
            else
            {
                Gather(y, row);
            }
        }
    }
    BandFirst = first;
    BandEnd = end;
    return true;
}
