// How a picture's row bytes hold its pixels, and the decoding of each layout.
#pragma once

#include "base/RgbColor.h"

#include <cstddef>
#include <cstdint>

// The 5-bit channel scaling: v times the single-precision constant nearest 255/31
// (just below it), with the product kept in double precision and truncated, so that
// 31 gives 254 rather than 255.
constexpr float FiveBitScale = 8.22580623626709f;

inline unsigned ScaleFiveBits(unsigned value)
{
    return static_cast<unsigned>(static_cast<double>(FiveBitScale) * value);
}

// One of the pixel layouts a picture's rows may have (a bitmap's depths and masks; the decoded
// pictures' blue, green, red and a byte that is no colour), with the palette or masks it needs.
// The cell sampler and the bitmap reader decode pixels through it; WithDecoder chooses the
// layout once, so that loops over many pixels do not choose it again at every pixel.
class CPixelLayout
{
public:
    enum class Kind
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

    CPixelLayout() = default;
    explicit CPixelLayout(Kind kind) : Layout(kind) {}

    Kind GetKind() const { return Layout; }
    void SetKind(Kind kind) { Layout = kind; }
    // The colour table of an indexed layout; entries never set are black.
    RgbColor Palette[256] = {};
    // Red, green and blue of a masked layout.
    Channel Channels[3];
    // Sets up a channel from its mask: false when the mask is not one run of bits.
    static bool SetUpChannel(Channel& channel, std::uint32_t mask);

    // Calls body(decode) once, with the decoder of this layout: decode(row, x) is the colour of
    // pixel x of a row, and decode.Channels(row, x) its three 8-bit channels in bytes 0 to 2 (blue
    // first when decode.BlueLow, as the file stores it, else red first), byte 3 being 0.
    template <class Body>
    void WithDecoder(Body&& body) const;

    // The colour of pixel x of a row in this layout.
    RgbColor Pixel(const std::uint8_t* row, std::uint32_t x) const
    {
        RgbColor color = 0;
        WithDecoder([&](const auto& decode) { color = decode(row, x); });
        return color;
    }

private:
    template <Kind L>
    RgbColor Decode(const std::uint8_t* row, std::uint32_t x) const;
    template <Kind L>
    std::uint32_t DecodeChannels(const std::uint8_t* row, std::uint32_t x) const;
    static unsigned ScaleChannel(const Channel& channel, std::uint32_t pixel);

    template <Kind L>
    struct Decoder
    {
        // Channels gives blue in the low byte, as the bytes are stored, rather than red: the
        // bytes then need no reordering.
        static constexpr bool BlueLow = L == Kind::Bgr24 || L == Kind::Bgrx32;
        const CPixelLayout& Layout;
        RgbColor operator()(const std::uint8_t* row, std::uint32_t x) const { return Layout.Decode<L>(row, x); }
        std::uint32_t Channels(const std::uint8_t* row, std::uint32_t x) const
        {
            return Layout.DecodeChannels<L>(row, x);
        }
    };

    Kind Layout = Kind::Bgrx32;
};

inline unsigned CPixelLayout::ScaleChannel(const Channel& channel, std::uint32_t pixel)
{
    const std::uint32_t value = (pixel & channel.Mask) >> channel.Shift;
    if (channel.Bits <= 8)
        return channel.Scaled[value];
    const std::uint64_t top = (std::uint64_t(1) << channel.Bits) - 1;
    return static_cast<unsigned>(std::uint64_t(value) * 255u / top);
}

template <CPixelLayout::Kind L>
inline RgbColor CPixelLayout::Decode(const std::uint8_t* row, std::uint32_t x) const
{
    if constexpr (L == Kind::Indexed1)
    {
        return Palette[(row[x / 8] >> (7 - x % 8)) & 1];
    }
    else if constexpr (L == Kind::Indexed4)
    {
        const std::uint8_t pair = row[x / 2];
        return Palette[(x & 1) ? (pair & 0x0F) : (pair >> 4)];
    }
    else if constexpr (L == Kind::Indexed8)
    {
        return Palette[row[x]];
    }
    else if constexpr (L == Kind::Rgb555)
    {
        const unsigned v = row[2 * std::size_t(x)] | (unsigned(row[2 * std::size_t(x) + 1]) << 8);
        return MakeRgb(ScaleFiveBits((v >> 10) & 0x1F), ScaleFiveBits((v >> 5) & 0x1F), ScaleFiveBits(v & 0x1F));
    }
    else if constexpr (L == Kind::Bgr24)
    {
        const std::uint8_t* p = row + 3 * std::size_t(x);
        return MakeRgb(p[2], p[1], p[0]);
    }
    else if constexpr (L == Kind::Bgrx32)
    {
        const std::uint8_t* p = row + 4 * std::size_t(x);
        return MakeRgb(p[2], p[1], p[0]);
    }
    else if constexpr (L == Kind::Masked16)
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

template <CPixelLayout::Kind L>
inline std::uint32_t CPixelLayout::DecodeChannels(const std::uint8_t* row, std::uint32_t x) const
{
    // Written so that the compiler reads the bytes with one or two loads.
    if constexpr (L == Kind::Bgr24)
    {
        const std::uint8_t* p = row + 3 * std::size_t(x);
        const std::uint32_t blueGreen = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
        return blueGreen | (std::uint32_t(p[2]) << 16);
    }
    else if constexpr (L == Kind::Bgrx32)
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
inline void CPixelLayout::WithDecoder(Body&& body) const
{
    switch (Layout)
    {
    case Kind::Indexed1: body(Decoder<Kind::Indexed1>{*this}); return;
    case Kind::Indexed4: body(Decoder<Kind::Indexed4>{*this}); return;
    case Kind::Indexed8: body(Decoder<Kind::Indexed8>{*this}); return;
    case Kind::Rgb555: body(Decoder<Kind::Rgb555>{*this}); return;
    case Kind::Bgr24: body(Decoder<Kind::Bgr24>{*this}); return;
    case Kind::Bgrx32: body(Decoder<Kind::Bgrx32>{*this}); return;
    case Kind::Masked16: body(Decoder<Kind::Masked16>{*this}); return;
    case Kind::Masked32: body(Decoder<Kind::Masked32>{*this}); return;
    }
}
