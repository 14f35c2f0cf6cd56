#include "output/CellColors.h"

#include <utility>

namespace
{

// The mean of the quarters in shape, each channel rounded.
RgbColor MeanOf(const RgbColor quarters[4], unsigned shape)
{
    unsigned count = 0, red = 0, green = 0, blue = 0;
    for (unsigned quarter = 0; quarter < 4; ++quarter)
    {
        if (shape & (1u << quarter))
        {
            ++count;
            red += RedOf(quarters[quarter]);
            green += GreenOf(quarters[quarter]);
            blue += BlueOf(quarters[quarter]);
        }
    }
    return MakeRgb((red + count / 2) / count, (green + count / 2) / count, (blue + count / 2) / count);
}

unsigned SquaredDistance(RgbColor a, RgbColor b)
{
    const int red = int(RedOf(a)) - int(RedOf(b));
    const int green = int(GreenOf(a)) - int(GreenOf(b));
    const int blue = int(BlueOf(a)) - int(BlueOf(b));
    return unsigned(red * red + green * green + blue * blue);
}

// How far the quarters of shape lie from their mean, squared and summed.
unsigned SpreadOf(const RgbColor quarters[4], unsigned shape)
{
    const RgbColor mean = MeanOf(quarters, shape);
    unsigned spread = 0;
    for (unsigned quarter = 0; quarter < 4; ++quarter)
        if (shape & (1u << quarter))
            spread += SquaredDistance(quarters[quarter], mean);
    return spread;
}

unsigned QuarterCount(unsigned shape)
{
    return (shape & 1) + ((shape >> 1) & 1) + ((shape >> 2) & 1) + ((shape >> 3) & 1);
}

unsigned Lightness(RgbColor color)
{
    return RedOf(color) * 2 + GreenOf(color) * 5 + BlueOf(color);
}

}  // namespace

int InkedQuarters(char32_t character)
{
    // U+2596 to U+259F: the quadrants, in the order of the block elements.
    static const unsigned char Quadrants[] = {BottomLeftQuarter,
                                              BottomRightQuarter,
                                              TopLeftQuarter,
                                              TopLeftQuarter | BottomLeftQuarter | BottomRightQuarter,
                                              TopLeftQuarter | BottomRightQuarter,
                                              TopLeftQuarter | TopRightQuarter | BottomLeftQuarter,
                                              TopLeftQuarter | TopRightQuarter | BottomRightQuarter,
                                              TopRightQuarter,
                                              TopRightQuarter | BottomLeftQuarter,
                                              TopRightQuarter | BottomLeftQuarter | BottomRightQuarter};
    switch (character)
    {
    case U' ':
    case U'\u00A0': return 0;
    case U'\u2580': return TopLeftQuarter | TopRightQuarter;
    case U'\u2584': return BottomLeftQuarter | BottomRightQuarter;
    case U'\u2588': return AllQuarters;
    case U'\u258C': return TopLeftQuarter | BottomLeftQuarter;
    case U'\u2590': return TopRightQuarter | BottomRightQuarter;
    default: break;
    }
    if (character >= U'\u2596' && character <= U'\u259F')
        return Quadrants[character - U'\u2596'];
    return -1;
}

char32_t FlippedHalfBlock(char32_t character)
{
    return character == U'\u2580' ? U'\u2584' : character == U'\u2584' ? U'\u2580' : 0;
}

CellColors ChooseCellColors(char32_t character, const RgbColor quarters[4])
{
    CellColors colors;
    const int shape = InkedQuarters(character);
    if (shape == 0 || shape == AllQuarters)
    {
        // The ground of a full block shows where a font's block falls short of the cell.
        colors.Back = colors.Fore = MeanOf(quarters, AllQuarters);
        colors.Inked = shape != 0;
        return colors;
    }
    if (shape > 0)
    {
        // Halves sampled as such come as two alike quarters each: no mean to take.
        if ((shape == (TopLeftQuarter | TopRightQuarter) || shape == (BottomLeftQuarter | BottomRightQuarter)) &&
            quarters[0] == quarters[1] && quarters[2] == quarters[3])
        {
            const bool top = shape & TopLeftQuarter;
            colors.Fore = quarters[top ? 0 : 2];
            colors.Back = quarters[top ? 2 : 0];
            return colors;
        }
        colors.Fore = MeanOf(quarters, unsigned(shape));
        colors.Back = MeanOf(quarters, AllQuarters & ~unsigned(shape));
        return colors;
    }

    // Of each split and its complement, only the one without the top-left quarter is tried.
    unsigned best = AllQuarters;
    unsigned bestSpread = SpreadOf(quarters, AllQuarters);
    for (unsigned split = 2; split < AllQuarters; split += 2)
    {
        const unsigned spread = SpreadOf(quarters, split) + SpreadOf(quarters, AllQuarters & ~split);
        if (spread < bestSpread)
        {
            bestSpread = spread;
            best = split;
        }
    }
    if (best == AllQuarters)
    {
        colors.Back = colors.Fore = MeanOf(quarters, AllQuarters);
        return colors;
    }
    RgbColor larger = MeanOf(quarters, AllQuarters & ~best), smaller = MeanOf(quarters, best);
    const unsigned largerCount = QuarterCount(AllQuarters & ~best), smallerCount = QuarterCount(best);
    if (smallerCount > largerCount || (smallerCount == largerCount && Lightness(smaller) < Lightness(larger)))
        std::swap(larger, smaller);
    colors.Back = larger;
    colors.Fore = smaller;
    return colors;
}
