#include "decoders/GifDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace
{

int OnRead(GifFileType* gif, GifByteType* out, int length)
{
    auto* bytes = static_cast<CByteCursor*>(gif->UserData);
    return length > 0 ? static_cast<int>(bytes->Read(out, static_cast<std::size_t>(length))) : 0;
}

}  // namespace

CGifDecoder::CGifDecoder() = default;

CGifDecoder::~CGifDecoder()
{
    if (Gif)
    {
        int ignored = 0;
        DGifCloseFile(Gif, &ignored);
    }
}

bool CGifDecoder::Damaged(int error)
{
    const char* text = GifErrorString(error);
    return Fail(Failure::Refused, std::string("damaged GIF data: ") + (text ? text : "unknown error"));
}

bool CGifDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Bytes = {data, size, 0};
    int error = 0;
    Gif = DGifOpen(&Bytes, OnRead, &error);
    if (!Gif)
        return Damaged(error);
    return FindFirstFrame();
}

// Reads the records up to the first frame's descriptor, keeping the transparent colour that a
// graphics control block before it names.
bool CGifDecoder::FindFirstFrame()
{
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;)
    {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(Gif, &record) == GIF_ERROR)
            return Damaged(Gif->Error);
        if (record == TERMINATE_RECORD_TYPE)
            return Fail(Failure::Refused, "damaged GIF data: the file holds no picture");
        if (record == IMAGE_DESC_RECORD_TYPE)
            break;
        if (record != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(Gif, &code, &block) == GIF_ERROR)
            return Damaged(Gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block)
        {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block)
            if (DGifGetExtensionNext(Gif, &block) == GIF_ERROR)
                return Damaged(Gif->Error);
    }
    if (DGifGetImageDesc(Gif) == GIF_ERROR)
        return Damaged(Gif->Error);

    const GifImageDesc& frame = Gif->Image;
    if (!AcceptSize("GIF", static_cast<std::uint64_t>(std::max(frame.Width, 0)),
                    static_cast<std::uint64_t>(std::max(frame.Height, 0))))
        return false;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : Gif->SColorMap;
    if (!map || !map->Colors)
        Warn("the GIF picture has no colour table: it is shown in a default one");
    // Indices past the table show black, as most viewers show them. Without any table, black
    // and white come first, as GIF decoders have always taken them, and a grey ramp after them.
    for (int n = 0; n < 256; ++n)
    {
        const bool present = map && map->Colors && n < map->ColorCount;
        const auto grey = static_cast<std::uint8_t>(n == 1 ? 255 : n);
        Palette[n][0] = present ? map->Colors[n].Blue : map ? 0 : grey;
        Palette[n][1] = present ? map->Colors[n].Green : map ? 0 : grey;
        Palette[n][2] = present ? map->Colors[n].Red : map ? 0 : grey;
        Palette[n][3] = n == transparent ? 0 : 255;
    }
    HeaderRead.Width = static_cast<std::uint32_t>(frame.Width);
    HeaderRead.Height = static_cast<std::uint32_t>(frame.Height);
    HeaderRead.HasAlpha = transparent >= 0 && transparent < 256;
    Interlaced = frame.Interlace;
    Line.resize(HeaderRead.Width);
    return true;
}

std::uint64_t CGifDecoder::HeldBytes() const
{
    const std::uint64_t height = HeaderRead.Height;
    return Interlaced ? height * HeaderRead.Width + height * sizeof(std::vector<std::uint8_t>) : 0;
}

void CGifDecoder::Colour(const std::uint8_t* indices, std::uint8_t* out) const
{
    for (std::uint32_t x = 0; x < HeaderRead.Width; ++x)
        std::memcpy(out + 4 * std::size_t(x), Palette[indices[x]], 4);
}

// An interlaced frame gives its rows in four passes (every 8th from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1): all of them are read first, each row allocated as it
// arrives.
bool CGifDecoder::ReadInterlaced()
{
    static const std::uint32_t starts[4] = {0, 4, 2, 1};
    static const std::uint32_t steps[4] = {8, 8, 4, 2};
    Passes.resize(HeaderRead.Height);
    for (int pass = 0; pass < 4; ++pass)
        for (std::uint32_t y = starts[pass]; y < HeaderRead.Height; y += steps[pass])
        {
            Passes[y].resize(HeaderRead.Width);
            if (DGifGetLine(Gif, Passes[y].data(), static_cast<int>(HeaderRead.Width)) == GIF_ERROR)
                return Damaged(Gif->Error);
        }
    return true;
}

bool CGifDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Gif || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more GIF rows asked for than the picture has");
    if (Interlaced && Passes.empty() && !ReadInterlaced())
        return false;
    for (std::uint32_t n = 0; n < count; ++n)
    {
        const std::uint8_t* indices = Line.data();
        if (Interlaced)
            indices = Passes[NextRow + n].data();
        else if (DGifGetLine(Gif, Line.data(), static_cast<int>(HeaderRead.Width)) == GIF_ERROR)
            return Damaged(Gif->Error);
        Colour(indices, out + n * stride);
    }
    NextRow += count;
    return true;
}
