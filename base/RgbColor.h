// The colour value shared by reader, resampler and writer: 0x00BBGGRR, red lowest.
#pragma once

#include <cstdint>

typedef std::uint32_t RgbColor;

inline constexpr RgbColor MakeRgb(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}

inline constexpr unsigned RedOf(RgbColor color)
{
    return color & 0xFFu;
}
inline constexpr unsigned GreenOf(RgbColor color)
{
    return (color >> 8) & 0xFFu;
}
inline constexpr unsigned BlueOf(RgbColor color)
{
    return (color >> 16) & 0xFFu;
}
