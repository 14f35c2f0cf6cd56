// One picture format's decoder behind one small interface, so that the conversion and the
// wizard read PNG, JPEG, GIF, TIFF and WebP the same way on every platform: the header first,
// then the stored rows from the top, as 8-bit blue, green, red and alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The formats told apart by a file's first bytes (never by its name).
enum class PictureFormat
{
    Unknown,
    Bmp,
    Png,
    Jpeg,
    Gif,
    Tiff,
    WebP
};

// The format whose signature starts bytes (size of them available), or Unknown.
PictureFormat SniffPictureFormat(const std::uint8_t* bytes, std::size_t size);
// The format's usual name for messages: "PNG", "JPEG", ...
const char* PictureFormatName(PictureFormat format);
// The format of the file at path, from its first bytes; false when it cannot be opened or read.
// headBytes tells how many bytes there were to look at (0: the file is empty).
bool SniffPictureFile(const std::string& path, PictureFormat& format, std::size_t& headBytes);

// The most pixels a picture may have: about 268 million, 16384 x 16384 or a 30000 x 8000
// panorama. Larger claims are refused when the header is read, by every decoder alike, before
// anything is allocated for them.
const std::uint64_t MaximumPicturePixels = std::uint64_t(1) << 28;

// What a decoder learnt from the file's header, before any pixel is decoded.
struct PictureHeader
{
    std::uint32_t Width = 0;  // as stored, before the EXIF orientation turns it upright
    std::uint32_t Height = 0;
    bool HasAlpha = false;  // the rows carry alpha that is not everywhere 255
};

// Decodes one file of one format. Open reads the header; ReadRows then hands out the stored
// rows top to bottom, each exactly once, as many at a time as the caller asks.
class CPictureDecoder
{
public:
    // Why the last Open or ReadRows failed.
    enum class Failure
    {
        None,
        CannotOpen,  // the file could not be opened or read (missing, in use, access denied)
        Refused      // not a picture this decoder reads, or damaged, or of absurd size
    };

    CPictureDecoder() = default;
    virtual ~CPictureDecoder() = default;
    CPictureDecoder(const CPictureDecoder&) = delete;
    CPictureDecoder& operator=(const CPictureDecoder&) = delete;

    // Opens the file and reads its header; false with LastFailure and FailureReason when it
    // cannot. A picture of zero width or height, or one too large to decode, is refused here.
    virtual bool Open(const std::string& path) = 0;
    // Decodes the next count stored rows into out, row k at out + k * stride, each Width * 4
    // bytes of blue, green, red, alpha. False with the failure set when the data is damaged or
    // ends early: a decoder never pads a short file with made-up pixels.
    virtual bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) = 0;

    const PictureHeader& Header() const { return HeaderRead; }
    Failure LastFailure() const { return FailureKind; }
    // A few words on the failure, e.g. "damaged PNG data: CRC error".
    const std::string& FailureReason() const { return Reason; }

protected:
    bool Fail(Failure kind, std::string reason)
    {
        FailureKind = kind;
        Reason = std::move(reason);
        return false;
    }

    PictureHeader HeaderRead;

private:
    Failure FailureKind = Failure::None;
    std::string Reason;
};

// The decoder this platform has for format, or null when it has none (a .bmp is the mapped
// reader's; WebP where the system lacks a codec).
std::unique_ptr<CPictureDecoder> CreatePictureDecoder(PictureFormat format);
