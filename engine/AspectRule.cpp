#include "engine/AspectRule.h"

#include "engine/ConversionSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

const std::uint32_t DefaultCount = 100;

// trunc toward zero into the unsigned range; NaN and negatives give 0.
std::uint32_t TruncateCount(double value)
{
    if (!(value >= 0))
        return 0;
    if (value >= 4294967295.0)
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(value);
}

}  // namespace

float AspectRatioOf(std::int32_t numerator, std::int32_t denominator)
{
    if (denominator == 0)
    {
        if (numerator == 0)
            return std::numeric_limits<float>::quiet_NaN();
        return numerator > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(static_cast<double>(numerator) / denominator);
}

bool IsUsableRatio(float ratio)
{
    return std::isfinite(ratio) && ratio > 0;
}

std::uint32_t RowsForColumns(std::uint32_t columns, float pictureRatio, float fontRatio)
{
    return TruncateCount(static_cast<double>(columns) * fontRatio / pictureRatio);
}

std::uint32_t ColumnsForRows(std::uint32_t rows, float pictureRatio, float fontRatio)
{
    return TruncateCount(static_cast<double>(rows) * pictureRatio / fontRatio);
}

bool ApplyAspectRule(float pictureRatio, float fontRatio, int direction, std::uint32_t& columns, std::uint32_t& rows,
                     int& aspectBasis)
{
    if (!IsUsableRatio(pictureRatio) || !IsUsableRatio(fontRatio))
        return false;
    if (columns != 0 && rows != 0)
    {
        if (direction != 0)
            aspectBasis = direction;
        else
            direction = aspectBasis;
        if (direction > 0)
        {
            rows = RowsForColumns(columns, pictureRatio, fontRatio);
            aspectBasis = AspectBasisColumns;
        }
        else if (direction < 0)
        {
            columns = ColumnsForRows(rows, pictureRatio, fontRatio);
            aspectBasis = AspectBasisRows;
        }
        return true;
    }
    // The first time, the larger count becomes 100 and the other follows.
    if (pictureRatio > fontRatio)
    {
        columns = DefaultCount;
        rows = RowsForColumns(DefaultCount, pictureRatio, fontRatio);
        aspectBasis = AspectBasisColumns;
    }
    else if (pictureRatio == fontRatio)
    {
        columns = DefaultCount;
        rows = DefaultCount;
        aspectBasis = AspectBasisColumns;
    }
    else
    {
        rows = DefaultCount;
        columns = ColumnsForRows(DefaultCount, pictureRatio, fontRatio);
        aspectBasis = AspectBasisRows;
    }
    return true;
}

bool ResolveGrid(std::uint32_t& columns, std::uint32_t& rows, std::uint32_t width, std::uint32_t height,
                 float cellRatio, std::string& problem)
{
    if (columns != 0 && rows != 0)
        return true;
    const float pictureRatio = AspectRatioOf(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    if (!IsUsableRatio(pictureRatio) || !IsUsableRatio(cellRatio))
    {
        problem = "the picture's proportions cannot be used; give --columns and --rows";
        return false;
    }
    int basis = AspectBasisNone;
    if (columns != 0)
        rows = RowsForColumns(columns, pictureRatio, cellRatio);
    else if (rows != 0)
        columns = ColumnsForRows(rows, pictureRatio, cellRatio);
    else
        ApplyAspectRule(pictureRatio, cellRatio, 0, columns, rows, basis);
    // A banner far wider than tall still gets its one line (and a tall one its one column); the
    // wizard shows the 0 its rule gives and lets the user choose.
    columns = std::max<std::uint32_t>(columns, MinimumGridCount);
    rows = std::max<std::uint32_t>(rows, MinimumGridCount);
    for (const auto& count : {std::make_pair("columns", columns), std::make_pair("rows", rows)})
    {
        if (count.second < MinimumGridCount || count.second > MaximumGridCount)
        {
            problem = std::string("the picture's proportions give ") + std::to_string(count.second) + " " +
                      count.first + " (1 to 5000 allowed); give --columns and --rows";
            return false;
        }
    }
    return true;
}
