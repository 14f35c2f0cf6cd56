// Random access to the pixels of a Windows bitmap file through a read-only mapping.
#pragma once

#include "engine/Handle.h"
#include "engine/RgbColor.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The 14-byte file header, decoded from the file (the fields are unaligned there).
struct BmpFileHeader
{
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

// The info header's first 40 bytes, decoded, plus the colour masks of a
// BI_BITFIELDS picture (from after a 40-byte header or from inside a larger one).
struct BmpInfoHeader
{
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
    std::uint32_t RedMask = 0;
    std::uint32_t GreenMask = 0;
    std::uint32_t BlueMask = 0;
};

// Maps a .bmp file read-only, checks its headers against its size, and answers
// GetPixel with rows counted from the top. The file is never copied: every pixel
// is read from the mapped view.
class CBitmapFile
{
public:
    // Why the last Open failed.
    enum class Failure
    {
        None,
        CannotOpen,
        Refused
    };

    CBitmapFile();
    virtual ~CBitmapFile();
    CBitmapFile(const CBitmapFile&) = delete;
    CBitmapFile& operator=(const CBitmapFile&) = delete;

    // Maps the whole file and checks it; false (with FailureReason) when the file
    // cannot be opened or mapped, or is refused as unreadable or unsafe.
    bool Open(const std::string& path);
    // Releases the view, the mapping and the file; harmless when closed.
    void Close();

    // The colour of pixel (x, y), y = 0 being the top row. The caller keeps
    // 0 <= x < Width() and 0 <= y < Height(); nothing is checked here.
    RgbColor GetPixel(std::uint32_t x, std::uint32_t y) const;

    // Where row y (0 the top) starts in the view, for loops that fetch many pixels.
    const std::uint8_t* RowBase(std::uint32_t y) const { return TopRow + static_cast<std::ptrdiff_t>(y) * RowStep; }
    // RowBase(y + 1) - RowBase(y): negative for rows stored bottom-up.
    std::ptrdiff_t RowDistance() const { return RowStep; }
    // Calls body(decode) once, with the decoder of this picture's layout: decode(RowBase(y), x)
    // is GetPixel(x, y), without choosing the layout again at every pixel, and
    // decode.Channels(RowBase(y), x) the same channels in the order decode.BlueLow says.
    template <class Body>
    void WithDecoder(Body&& body) const;

    bool IsOpen() const { return View != nullptr; }
    std::uint32_t Width() const { return static_cast<std::uint32_t>(InfoHeader.biWidth); }
    std::uint32_t Height() const { return PictureHeight; }
    bool IsTopDown() const { return InfoHeader.biHeight < 0; }

    Failure LastFailure() const { return FailureKind; }
    // A few words on why Open failed, e.g. "the file is too short for its headers".
    const std::string& FailureReason() const { return Reason; }

    const BmpFileHeader& GetFileHeader() const { return FileHeader; }
    const BmpInfoHeader& GetInfoHeader() const { return InfoHeader; }
    // Distance between stored rows: bytes, or pixels for 4 bits per pixel.
    std::int32_t GetRowStride() const { return RowStride; }
    const void* GetFileHandle() const { return FileHandle.Get(); }
    const void* GetMappingHandle() const { return MappingHandle.Get(); }
    const std::uint8_t* GetView() const { return View; }
    const std::uint8_t* GetColorTable() const { return ColorTable; }
    const std::uint8_t* GetPixelData() const { return PixelData; }

private:
    // How GetPixel decodes a pixel, chosen once by Open.
    enum class Layout
    {
        Indexed1,
        Indexed4,
        Indexed8,
        Rgb555,
        Bgr24,
        Bgrx32,
        Masked16,
        Masked32
    };

    // One colour channel of a masked pixel.
    struct Channel
    {
        std::uint32_t Mask = 0;
        unsigned Shift = 0;
        unsigned Bits = 0;
        std::uint8_t Scaled[256] = {};  // channel value to 0..255, for up to 8 bits
    };

    // Pixel x of a row in one layout; a Decoder binds it to this picture.
    template <Layout L>
    RgbColor Decode(const std::uint8_t* row, std::uint32_t x) const;
    template <Layout L>
    std::uint32_t DecodeChannels(const std::uint8_t* row, std::uint32_t x) const;
    template <Layout L>
    struct Decoder
    {
        // Channels gives blue in the low byte, as the file stores it, rather than red:
        // the bytes then need no reordering.
        static constexpr bool BlueLow = L == Layout::Bgr24 || L == Layout::Bgrx32;
        const CBitmapFile& File;
        RgbColor operator()(const std::uint8_t* row, std::uint32_t x) const { return File.Decode<L>(row, x); }
        // The pixel's three 8-bit channels in bytes 0 to 2 (in the order BlueLow says); byte 3 is 0.
        std::uint32_t Channels(const std::uint8_t* row, std::uint32_t x) const
        {
            return File.DecodeChannels<L>(row, x);
        }
    };

    bool Fail(Failure kind, std::string reason);
    bool CheckAndLocate(std::uint64_t fileSize);
    bool SetUpMasks(std::uint64_t fileSize);
    void LoadPalette(std::uint64_t fileSize);
    static bool SetUpChannel(Channel& channel, std::uint32_t mask);
    static unsigned ScaleChannel(const Channel& channel, std::uint32_t pixel);

    CHandle FileHandle;
    CHandle MappingHandle;
    const std::uint8_t* View;
    BmpFileHeader FileHeader;
    BmpInfoHeader InfoHeader;
    const std::uint8_t* ColorTable;
    const std::uint8_t* PixelData;
    std::int32_t RowStride;

    Layout PixelLayout;
    std::uint32_t PictureHeight;
    const std::uint8_t* TopRow;  // the stored row that holds y = 0
    std::ptrdiff_t RowStep;      // bytes from row y to row y + 1 (negative when bottom-up)
    RgbColor Palette[256];       // the colour table decoded; entries past the file's end are black
    Channel Channels[3];         // red, green, blue of a masked picture
    Failure FailureKind;
    std::string Reason;
};

// The 5-bit channel scaling: v times the single-precision constant nearest 255/31
// (just below it), with the product kept in double precision and truncated, so that
// 31 gives 254 rather than 255.
constexpr float FiveBitScale = 8.22580623626709f;

inline unsigned ScaleFiveBits(unsigned value)
{
    return static_cast<unsigned>(static_cast<double>(FiveBitScale) * value);
}

inline unsigned CBitmapFile::ScaleChannel(const Channel& channel, std::uint32_t pixel)
{
    const std::uint32_t value = (pixel & channel.Mask) >> channel.Shift;
    if (channel.Bits <= 8)
        return channel.Scaled[value];
    const std::uint64_t top = (std::uint64_t(1) << channel.Bits) - 1;
    return static_cast<unsigned>(std::uint64_t(value) * 255u / top);
}

template <CBitmapFile::Layout L>
inline RgbColor CBitmapFile::Decode(const std::uint8_t* row, std::uint32_t x) const
{
    if constexpr (L == Layout::Indexed1)
    {
        return Palette[(row[x / 8] >> (7 - x % 8)) & 1];
    }
    else if constexpr (L == Layout::Indexed4)
    {
        const std::uint8_t pair = row[x / 2];
        return Palette[(x & 1) ? (pair & 0x0F) : (pair >> 4)];
    }
    else if constexpr (L == Layout::Indexed8)
    {
        return Palette[row[x]];
    }
    else if constexpr (L == Layout::Rgb555)
    {
        const unsigned v = row[2 * std::size_t(x)] | (unsigned(row[2 * std::size_t(x) + 1]) << 8);
        return MakeRgb(ScaleFiveBits((v >> 10) & 0x1F), ScaleFiveBits((v >> 5) & 0x1F), ScaleFiveBits(v & 0x1F));
    }
    else if constexpr (L == Layout::Bgr24)
    {
        const std::uint8_t* p = row + 3 * std::size_t(x);
        return MakeRgb(p[2], p[1], p[0]);
    }
    else if constexpr (L == Layout::Bgrx32)
    {
        const std::uint8_t* p = row + 4 * std::size_t(x);
        return MakeRgb(p[2], p[1], p[0]);
    }
    else if constexpr (L == Layout::Masked16)
    {
        const std::uint32_t v = row[2 * std::size_t(x)] | (std::uint32_t(row[2 * std::size_t(x) + 1]) << 8);
        return MakeRgb(ScaleChannel(Channels[0], v), ScaleChannel(Channels[1], v), ScaleChannel(Channels[2], v));
    }
    else
    {
        const std::uint8_t* p = row + 4 * std::size_t(x);
        const std::uint32_t v =
            p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
        return MakeRgb(ScaleChannel(Channels[0], v), ScaleChannel(Channels[1], v), ScaleChannel(Channels[2], v));
    }
}

template <CBitmapFile::Layout L>
inline std::uint32_t CBitmapFile::DecodeChannels(const std::uint8_t* row, std::uint32_t x) const
{
    // Written so that the compiler reads the bytes with one or two loads.
    if constexpr (L == Layout::Bgr24)
    {
        const std::uint8_t* p = row + 3 * std::size_t(x);
        const std::uint32_t blueGreen = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
        return blueGreen | (std::uint32_t(p[2]) << 16);
    }
    else if constexpr (L == Layout::Bgrx32)
    {
        const std::uint8_t* p = row + 4 * std::size_t(x);
        return (p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24)) &
               0x00FFFFFFu;
    }
    else
    {
        return Decode<L>(row, x);
    }
}

template <class Body>
inline void CBitmapFile::WithDecoder(Body&& body) const
{
    switch (PixelLayout)
    {
    case Layout::Indexed1: body(Decoder<Layout::Indexed1>{*this}); return;
    case Layout::Indexed4: body(Decoder<Layout::Indexed4>{*this}); return;
    case Layout::Indexed8: body(Decoder<Layout::Indexed8>{*this}); return;
    case Layout::Rgb555: body(Decoder<Layout::Rgb555>{*this}); return;
    case Layout::Bgr24: body(Decoder<Layout::Bgr24>{*this}); return;
    case Layout::Bgrx32: body(Decoder<Layout::Bgrx32>{*this}); return;
    case Layout::Masked16: body(Decoder<Layout::Masked16>{*this}); return;
    case Layout::Masked32: body(Decoder<Layout::Masked32>{*this}); return;
    }
}

inline RgbColor CBitmapFile::GetPixel(std::uint32_t x, std::uint32_t y) const
{
    RgbColor color = 0;
    WithDecoder([&](const auto& decode) { color = decode(RowBase(y), x); });
    return color;
}
