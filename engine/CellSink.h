// CCellSink: where a conversion's cells go, row by row.
#pragma once

#include "base/RgbColor.h"

#include <cstdint>

// How finely a sink wants each cell sampled: Across x Down parts, each averaged on its own (the
// cell's halves, say, for a glyph that draws its top and bottom in two colours). 1 x 1 is the
// cell's average colour.
struct CellSampling
{
    std::uint32_t Across = 1;
    std::uint32_t Down = 1;
};

// Takes a grid of cells from the run: a head, the rows of cells from the top, a tail. Each call
// returns false when its output failed, which ends the run.
class CCellSink
{
public:
    CCellSink() = default;
    virtual ~CCellSink() = default;
    CCellSink(const CCellSink&) = delete;
    CCellSink& operator=(const CCellSink&) = delete;

    // The grid the run lays over the picture.
    virtual std::uint32_t GridColumns() const = 0;
    virtual std::uint32_t GridRows() const = 0;
    virtual CellSampling Sampling() const { return CellSampling(); }

    // Called first, when the run starts (the cells' sequence starts afresh here).
    virtual bool WriteHeader() = 0;
    // One row of cells, left to right: Down rows of GridColumns() x Across samples each, the top
    // one first, each left to right.
    virtual bool WriteRow(const RgbColor* samples) = 0;
    // Called last, after every row.
    virtual bool WriteFooter() = 0;
};
