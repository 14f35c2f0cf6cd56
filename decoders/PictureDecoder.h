// One picture format's decoder behind one small interface, so that the conversion and the
// wizard read every format the same way on every platform: the header first, then the stored
// rows from the top, as 8-bit blue, green, red and alpha.
#pragma once

#include "decoders/PictureFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The most pixels a picture may have: about 268 million, 16384 x 16384 or a 30000 x 8000
// panorama. Larger claims are refused when the header is read, by every decoder alike, before
// anything is allocated for them.
const std::uint64_t MaximumPicturePixels = std::uint64_t(1) << 28;

// "the KIND picture is too large (WIDTH x HEIGHT)": one way of saying it for every format.
std::string TooLargeReason(const std::string& kind, std::uint64_t width, std::uint64_t height);
// Why a picture of width x height cannot be read ("the interlaced PNG picture is too large
// (20000 x 20000)", "the picture has no pixels (0 x 5)"), or empty when its size is acceptable.
// kind names the picture in the message: "PNG", "interlaced PNG".
std::string PictureSizeProblem(const std::string& kind, std::uint64_t width, std::uint64_t height);

// Why a picture could not be opened or read, for decoders and the pictures built on them alike.
enum class PictureFailure
{
    None,
    CannotOpen,  // the file, or the decoder, could not be opened (missing, in use, access denied)
    Refused      // not a picture that can be read, or damaged, or of absurd size
};

// Why the last step of a picture's reader failed, in a kind and a few words: a decoder's, and the
// picture sources' built on them.
class CPictureFailureState
{
public:
    PictureFailure LastFailure() const { return FailureKind; }
    // A few words on the failure, e.g. "damaged PNG data: CRC error".
    const std::string& FailureReason() const { return Reason; }

protected:
    // Records the failure and returns false, for the caller to return in turn.
    bool Fail(PictureFailure kind, std::string reason)
    {
        FailureKind = kind;
        Reason = WithoutTrailingSpace(std::move(reason));
        return false;
    }
    // A library's message without the line break some end theirs with, which a message of ours,
    // one a line, would otherwise show escaped.
    static std::string WithoutTrailingSpace(std::string text)
    {
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
            text.pop_back();
        return text;
    }
    void ClearFailure() { Fail(PictureFailure::None, std::string()); }

private:
    PictureFailure FailureKind = PictureFailure::None;
    std::string Reason;
};

// What a decoder learnt from the file's header, before any pixel is decoded.
struct PictureHeader
{
    std::uint32_t Width = 0;  // as stored, before the EXIF orientation turns it upright
    std::uint32_t Height = 0;
    bool HasAlpha = false;  // the rows carry alpha that is not everywhere 255
};

// Decodes one file of one format from its bytes in memory. Open reads the header; ReadRows then
// hands out the stored rows top to bottom, each exactly once, as many at a time as asked.
class CPictureDecoder : public CPictureFailureState
{
public:
    // Why the last Open or ReadRows failed.
    using Failure = PictureFailure;

    CPictureDecoder() = default;
    virtual ~CPictureDecoder() = default;
    CPictureDecoder(const CPictureDecoder&) = delete;
    CPictureDecoder& operator=(const CPictureDecoder&) = delete;

    // Reads the header of the picture held in bytes [data, data + size), which stay where they
    // are until the decoder goes; false with LastFailure and FailureReason when it cannot. A
    // picture of zero width or height, or one too large to decode, is refused here.
    virtual bool Open(const std::uint8_t* data, std::size_t size) = 0;
    // Decodes the next count stored rows into out, row k at out + k * stride, each Width * 4
    // bytes of blue, green, red, alpha. False with the failure set when the data is damaged or
    // ends early: a decoder never pads a short file with made-up pixels.
    virtual bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) = 0;

    // Whether ReadRows may be called on another thread than Open was (one thread at a time), so
    // that rows can be decoded ahead of their use on a core of their own.
    virtual bool DecodesOnAnyThread() const { return false; }

    // The memory the decoder will hold besides the rows it hands out: a picture it decodes whole
    // (interlaced, progressive, or of a format without row-by-row output) or the strip it decodes
    // at once. Known once Open has read the header, before anything is decoded; 0 for a decoder
    // that holds no more than a few rows, or whose library keeps its memory to itself.
    virtual std::uint64_t HeldBytes() const { return 0; }

    const PictureHeader& Header() const { return HeaderRead; }
    // What the decoder read past, as picture viewers do: damage the library worked around ("Corrupt
    // JPEG data: 1214 extraneous bytes before marker 0xd0"), a colour profile left out. Empty when
    // there was nothing; only the first is kept. Read it once the rows are in.
    const std::string& Warning() const { return WarningText; }

protected:
    void Warn(const std::string& text)
    {
        if (WarningText.empty())
            WarningText = WithoutTrailingSpace(text);
    }

    // Refuses a picture of absurd size, as PictureSizeProblem tells; true when it is acceptable.
    bool AcceptSize(const std::string& kind, std::uint64_t width, std::uint64_t height)
    {
        std::string problem = PictureSizeProblem(kind, width, height);
        return problem.empty() || Fail(Failure::Refused, std::move(problem));
    }

    PictureHeader HeaderRead;

private:
    std::string WarningText;
};
