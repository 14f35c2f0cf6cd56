#include "engine/RowKeeper.h"

#include <cstring>
#include <new>

CRowKeeper::CRowKeeper(const CSourcePicture& picture, const std::string& path, RgbColor background, std::uint64_t limit)
    : Source(picture.Source())
{
    const std::uint64_t bytes = std::uint64_t(Source.Width()) * Source.Height() * 4;
    if (!picture.IsDecoded() || Source.Layout().GetKind() != CPixelLayout::Kind::Bgrx32 ||
        Source.RowDistance() != static_cast<std::ptrdiff_t>(std::size_t(Source.Width()) * 4) || bytes == 0 ||
        bytes > limit)
        return;
    auto rows = std::make_shared<HeldRows>();
    if (!picture.Identify(rows->File))
        return;
    // Without the memory, the picture is simply not kept.
    rows->Pixels.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    if (!rows->Pixels)
        return;
    rows->Path = path;
    rows->Background = background;
    rows->Translucent = picture.Translucent();
    rows->Width = Source.Width();
    rows->Height = Source.Height();
    Rows = std::move(rows);
}

bool CRowKeeper::LoadRows(std::uint32_t first, std::uint32_t end)
{
    if (!Source.LoadRows(first, end))
    {
        Fail(Source.LastFailure(), Source.FailureReason());
        Rows.reset();
        return false;
    }
    // Bands overlap and come down the picture: the rows below those kept are new.
    if (Rows && first <= Kept && end > Kept)
    {
        const std::size_t rowBytes = Rows->RowBytes();
        std::memcpy(Rows->Pixels.get() + Kept * rowBytes, Source.RowBase(Kept), (end - Kept) * rowBytes);
        Kept = end;
    }
    return true;
}

std::shared_ptr<const HeldRows> CRowKeeper::Take()
{
    if (!Rows || Kept != Rows->Height)
        return nullptr;
    Kept = 0;
    return std::move(Rows);
}
