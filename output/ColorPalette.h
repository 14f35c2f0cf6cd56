// CColorPalette: the few colours a page shares, chosen to stand for all the colours of its cells.
#pragma once

#include "base/RgbColor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Counts colours, then chooses at most a given number of them so that each colour counted is
// near the one that stands for it, as the eye sees colours: the colours are gathered in boxes of
// 4 levels a channel (64 along each: boxes twice as wide put the pages of four photos 0.1 further
// from them in CIEDE2000), the boxes are cut apart in CIELAB (lightness counting half again, as it
// carries the picture's shapes) where they spread most (median cut) and the cuts settled by a few rounds of moving each
// box to its nearest choice (Lloyd). Each choice is the mean of the colours it stands for. The work is bounded by the
// boxes (262144 at most), whatever the number of colours counted, and a colour's choice is found by a table.
class CColorPalette
{
public:
    CColorPalette();

    // Counts a colour; up to a third of 2^32 colours may be counted (a page counts two a cell).
    void Count(RgbColor color)
    {
        const std::size_t at = BoxOf(color);
        Box& box = Boxes[at];
        if (box.Count++ == 0)
            Used.push_back(static_cast<std::uint32_t>(at));
        box.Red += RedOf(color) & 3;
        box.Green += GreenOf(color) & 3;
        box.Blue += BlueOf(color) & 3;
    }
    // Chooses at most most colours (1 to 65535) for the colours counted so far.
    void Choose(std::size_t most);

    std::size_t Size() const { return Colors.size(); }
    // The index of the colour that stands for color, which must have been counted.
    std::uint16_t IndexOf(RgbColor color) const { return BoxChoice[BoxOf(color)]; }
    RgbColor ColorAt(std::size_t index) const { return Colors[index]; }

private:
    // A box of 4 levels a channel: what was counted in it, each channel's sum kept as its excess
    // over the box's lowest level (at most 3 a colour), so that a box takes 16 bytes and the
    // table half the cache it would with whole sums.
    struct Box
    {
        std::uint32_t Count = 0;
        std::uint32_t Red = 0, Green = 0, Blue = 0;
    };

    static std::size_t BoxOf(RgbColor color)
    {
        return (std::size_t(RedOf(color) >> 2) << 12) | (std::size_t(GreenOf(color) >> 2) << 6) | (BlueOf(color) >> 2);
    }

    std::vector<Box> Boxes;                // every box, by BoxOf
    std::vector<std::uint32_t> Used;       // the boxes counted in, in the order first counted
    std::vector<std::uint16_t> BoxChoice;  // the chosen colour of each box
    std::vector<RgbColor> Colors;          // the choices
};
