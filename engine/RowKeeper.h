// CRowKeeper: reads a decoded picture for one purpose and keeps its rows for the next.
#pragma once

#include "engine/HeldPicture.h"
#include "engine/SourcePicture.h"

#include <cstdint>
#include <memory>

// Stands between an opened picture and its reader, handing on every band and keeping a copy of
// each row as it first comes down, so that a later reading of the same picture needs no decoding.
// Only a picture a decoder reads is kept (a bitmap is read from its mapping, as fast as a copy),
// and only while its rows take at most the limit.
class CRowKeeper : public CPictureSource
{
public:
    CRowKeeper(const CSourcePicture& picture, const std::string& path, RgbColor background, std::uint64_t limit);

    std::uint32_t Width() const override { return Source.Width(); }
    std::uint32_t Height() const override { return Source.Height(); }
    bool LoadRows(std::uint32_t first, std::uint32_t end) override;
    const std::uint8_t* RowBase(std::uint32_t y) const override { return Source.RowBase(y); }
    std::ptrdiff_t RowDistance() const override { return Source.RowDistance(); }
    const CPixelLayout& Layout() const override { return Source.Layout(); }
    std::uint64_t MemoryNeeded(std::uint32_t bands) const override { return Source.MemoryNeeded(bands); }

    // The rows, once every one has come down; null when they were not kept.
    std::shared_ptr<const HeldRows> Take();

private:
    CPictureSource& Source;
    std::shared_ptr<HeldRows> Rows;  // null: not kept
    std::uint32_t Kept = 0;          // rows copied so far, from the top
};
