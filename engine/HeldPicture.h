// CHeldPicture: a decoded picture kept whole in memory, read again without decoding it again.
#pragma once

#include "base/MappedFile.h"
#include "base/RgbColor.h"
#include "engine/PictureSource.h"
#include "engine/PixelLayout.h"

#include <cstdint>
#include <memory>
#include <string>

// The upright rows of a picture file as a decoder gave them, composited over Background, and what
// tells whether they still are that file's.
struct HeldRows
{
    std::string Path;
    FileIdentity File;
    RgbColor Background = 0;
    bool Translucent = false;  // the background shows through: the rows hold only over Background
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::unique_ptr<std::uint8_t[]> Pixels;  // Height rows of Width blue, green, red and spare bytes

    std::size_t RowBytes() const { return std::size_t(Width) * 4; }
    // Whether a conversion of path over background would read these very rows now: the file is
    // the one they were decoded from, unchanged since.
    bool Fit(const std::string& path, RgbColor background) const;
};

// Hands held rows to the sampler as any picture does; every band is in memory already, so that
// several readers may share the rows, each with a CHeldPicture of its own.
class CHeldPicture : public CPictureSource
{
public:
    explicit CHeldPicture(std::shared_ptr<const HeldRows> rows) : Rows(std::move(rows)) {}

    std::uint32_t Width() const override { return Rows->Width; }
    std::uint32_t Height() const override { return Rows->Height; }
    bool LoadRows(std::uint32_t first, std::uint32_t end) override { return first <= end && end <= Rows->Height; }
    const std::uint8_t* RowBase(std::uint32_t y) const override { return Rows->Pixels.get() + y * Rows->RowBytes(); }
    std::ptrdiff_t RowDistance() const override { return static_cast<std::ptrdiff_t>(Rows->RowBytes()); }
    const CPixelLayout& Layout() const override { return BgrxLayout; }

private:
    std::shared_ptr<const HeldRows> Rows;
    CPixelLayout BgrxLayout{CPixelLayout::Kind::Bgrx32};
};
