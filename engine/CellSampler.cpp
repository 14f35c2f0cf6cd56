#include "engine/CellSampler.h"

#include "engine/BitmapFile.h"

#include <algorithm>

CCellSampler::CCellSampler(const CBitmapFile& source, std::uint32_t columns, std::uint32_t rows)
    : Source(source), PixelWidth(source.Width()), PixelHeight(source.Height()),
      Width(static_cast<float>(PixelWidth)), Height(static_cast<float>(PixelHeight)),
      ColumnCount(static_cast<float>(columns)), RowCount(static_cast<float>(rows)), Top(0),
      Bottom(0), FirstRow(0), EndRow(0)
{
}

float CCellSampler::Edge(std::uint32_t index, float extent, float count)
{
    return static_cast<float>(static_cast<double>(index) * extent / count);
}

std::uint32_t CCellSampler::EdgeCeiling(float edge)
{
    // edge + 1 is formed in double: in single precision it may round up to the
    // next integer and take in a pixel that lies wholly outside the cell.
    const auto whole = static_cast<std::uint32_t>(edge);
    if (static_cast<double>(edge) > static_cast<double>(whole))
        return static_cast<std::uint32_t>(static_cast<double>(edge) + 1.0);
    return whole;
}

double CCellSampler::Weight(std::uint32_t i, float low, float high)
{
    const double begin = i;
    const double end = begin + 1.0;
    if (begin < low)
        return end - low;
    if (high < end)
        return high - begin;
    return 1.0;
}

void CCellSampler::BeginRow(std::uint32_t y)
{
    Top = Edge(y, Height, RowCount);
    Bottom = Edge(y + 1, Height, RowCount);
    FirstRow = static_cast<std::uint32_t>(Top);
    // The clamp matters only when the height is not exact in single precision.
    EndRow = std::min(EdgeCeiling(Bottom), PixelHeight);
}

RgbColor CCellSampler::SampleCell(std::uint32_t x) const
{
    const float left = Edge(x, Width, ColumnCount);
    const float right = Edge(x + 1, Width, ColumnCount);
    const auto firstColumn = static_cast<std::uint32_t>(left);
    const std::uint32_t endColumn = std::min(EdgeCeiling(right), PixelWidth);

    float weightSum = 0, redSum = 0, greenSum = 0, blueSum = 0;
    for (std::uint32_t i = firstColumn; i < endColumn; ++i) {
        const double wx = Weight(i, left, right);
        for (std::uint32_t j = FirstRow; j < EndRow; ++j) {
            const double w = wx * Weight(j, Top, Bottom);
            const RgbColor c = Source.GetPixel(i, j);
            weightSum = static_cast<float>(weightSum + w);
            redSum = static_cast<float>(redSum + w * RedOf(c));
            greenSum = static_cast<float>(greenSum + w * GreenOf(c));
            blueSum = static_cast<float>(blueSum + w * BlueOf(c));
        }
    }
    if (!(weightSum > 0))
        return 0; // a cell without pixels (only possible for an empty picture) is black

    // Rounding in the single-precision sums can carry a quotient to 256 for a very
    // large cell; that is held at 255 rather than wrapped to 0.
    auto component = [weightSum](float sum) {
        const double quotient = static_cast<double>(sum) / weightSum;
        return quotient >= 255.0 ? 255u : static_cast<unsigned>(quotient);
    };
    return MakeRgb(component(redSum), component(greenSum), component(blueSum));
}
