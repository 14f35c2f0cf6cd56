// Averages the picture area under each grid cell with fractional pixel coverage.
#pragma once

#include "engine/RgbColor.h"

#include <cstdint>

class CBitmapFile;

// Lays a Columns x Rows grid over an open picture and computes the area-weighted
// average colour of a cell. Edges and running sums are single precision, products
// and quotients double, so that every platform gives the same colours.
class CCellSampler {
public:
    CCellSampler(const CBitmapFile& source, std::uint32_t columns, std::uint32_t rows);

    // Selects the cell row y (0 is the top of the picture).
    void BeginRow(std::uint32_t y);
    // The average colour of cell x of the current row.
    RgbColor SampleCell(std::uint32_t x) const;

    // Edge number index of a grid of count cells over extent pixels:
    // (index * extent) / count in double precision, rounded to single.
    static float Edge(std::uint32_t index, float extent, float count);
    // The exact ceiling of an edge: the first pixel past the cell.
    static std::uint32_t EdgeCeiling(float edge);
    // The share of pixel i's interval [i, i + 1) that lies within [low, high].
    static double Weight(std::uint32_t i, float low, float high);

private:
    const CBitmapFile& Source;
    std::uint32_t PixelWidth;
    std::uint32_t PixelHeight;
    float Width;
    float Height;
    float ColumnCount;
    float RowCount;
    float Top;
    float Bottom;
    std::uint32_t FirstRow;
    std::uint32_t EndRow;
};
