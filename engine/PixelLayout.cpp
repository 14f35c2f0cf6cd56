#include "engine/PixelLayout.h"

// A channel is one run of set bits (or none); its values scale to 0..255 as
// v * 255 / (2^n - 1), except that 5-bit channels keep the classic scaling.
bool CPixelLayout::SetUpChannel(Channel& channel, std::uint32_t mask)
{
    channel = Channel();
    channel.Mask = mask;
    if (mask == 0)
        return true;
    unsigned shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    const std::uint64_t run = std::uint64_t(mask) >> shift;
    if ((run & (run + 1)) != 0)
        return false;
    unsigned bits = 0;
    while ((run >> bits) & 1)
        ++bits;
    channel.Shift = shift;
    channel.Bits = bits;
    if (bits <= 8)
    {
        const unsigned top = (1u << bits) - 1;
        for (unsigned v = 0; v <= top; ++v)
            channel.Scaled[v] = static_cast<std::uint8_t>(bits == 5 ? ScaleFiveBits(v) : v * 255 / top);
    }
    return true;
}
