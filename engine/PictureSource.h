// CPictureSource: a picture as the cell sampler reads it, rows from the top.
#pragma once

#include "decoders/PictureDecoder.h"
#include "engine/PixelLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The one interface between a picture and the sampler, whatever the picture's format: the mapped
// bitmap, whose rows are all in memory already, and the decoded pictures, which hold only the
// band of rows the sampler is working on. LastFailure tells why its Open or LoadRows failed.
class CPictureSource : public CPictureFailureState
{
public:
    using Failure = PictureFailure;

    CPictureSource() = default;
    virtual ~CPictureSource() = default;
    CPictureSource(const CPictureSource&) = delete;
    CPictureSource& operator=(const CPictureSource&) = delete;

    // The upright picture's size; 0 x 0 until it is open.
    virtual std::uint32_t Width() const = 0;
    virtual std::uint32_t Height() const = 0;
    // Makes rows [first, end) readable through RowBase until the next call. The bands come down
    // the picture: first never lies above the previous band's first row. False with the failure
    // set when the rows cannot be had (damaged data, no memory for the band).
    virtual bool LoadRows(std::uint32_t first, std::uint32_t end) = 0;
    // Where row y, of the band last loaded, begins.
    virtual const std::uint8_t* RowBase(std::uint32_t y) const = 0;
    // RowBase(y + 1) - RowBase(y): negative for rows stored bottom-up.
    virtual std::ptrdiff_t RowDistance() const = 0;
    // How the row bytes hold the pixels.
    virtual const CPixelLayout& Layout() const = 0;

    // The memory reading every row will take when the rows are loaded in bands of about
    // Height() / bands rows each: whole pictures held in memory and the band. Known once the picture
    // is open, before any row is decoded; 0 for a picture whose rows are in a mapped file.
    virtual std::uint64_t MemoryNeeded(std::uint32_t bands) const
    {
        (void)bands;
        return 0;
    }
};
