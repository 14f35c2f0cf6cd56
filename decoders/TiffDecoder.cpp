#include "decoders/TiffDecoder.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

struct CTiffDecoder::Messages
{
    std::string Error;
};

struct CTiffDecoder::Image
{
    TIFFRGBAImage Value;
    bool Begun = false;
};

namespace
{

// The largest block of memory libtiff may take at once, and the most rows of RGBA kept here.
const tmsize_t MaximumLibraryAllocation = tmsize_t(512) * 1024 * 1024;
const std::uint64_t MaximumChunkBytes = std::uint64_t(256) * 1024 * 1024;

int OnError(TIFF*, void* user, const char*, const char* format, va_list arguments)
{
    auto* said = static_cast<CTiffDecoder::Messages*>(user);
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    if (said->Error.empty())
        said->Error = text;
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;  // unknown tags and the like: the pixels are not affected
}

// libtiff's file procedures over the bytes in memory. It maps them too: strips are then read in
// place rather than copied.
CByteCursor& CursorOf(thandle_t handle)
{
    return *static_cast<CByteCursor*>(handle);
}

tmsize_t OnReadBytes(thandle_t handle, void* out, tmsize_t size)
{
    return size < 0 ? -1 : static_cast<tmsize_t>(CursorOf(handle).Read(out, static_cast<std::size_t>(size)));
}

tmsize_t OnWriteBytes(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t OnSeek(thandle_t handle, toff_t offset, int whence)
{
    CByteCursor& bytes = CursorOf(handle);
    const std::uint64_t base = whence == SEEK_CUR ? bytes.At : whence == SEEK_END ? bytes.Size : 0;
    const std::uint64_t target = base + offset;
    if (target < base || target > bytes.Size)
        return static_cast<toff_t>(-1);
    bytes.At = static_cast<std::size_t>(target);
    return target;
}

int OnClose(thandle_t)
{
    return 0;
}

toff_t OnSize(thandle_t handle)
{
    return CursorOf(handle).Size;
}

int OnMap(thandle_t handle, void** base, toff_t* size)
{
    *base = const_cast<std::uint8_t*>(CursorOf(handle).Data);
    *size = CursorOf(handle).Size;
    return 1;
}

void OnUnmap(thandle_t, void*, toff_t)
{
}

}  // namespace

CTiffDecoder::CTiffDecoder() = default;

CTiffDecoder::~CTiffDecoder()
{
    if (Rgba && Rgba->Begun)
        TIFFRGBAImageEnd(&Rgba->Value);
    if (Tiff)
        TIFFClose(Tiff);
}

bool CTiffDecoder::Damaged(const char* fallback)
{
    const std::string said = Said && !Said->Error.empty() ? Said->Error : fallback;
    return Fail(Failure::Refused, "damaged TIFF data: " + said);
}

bool CTiffDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Bytes = {data, size, 0};
    Said = std::make_unique<Messages>();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return Fail(Failure::Refused, "not enough memory for the TIFF decoder");
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, MaximumLibraryAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, Said.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, Said.get());
    Tiff = TIFFClientOpenExt("picture", "r", &Bytes, OnReadBytes, OnWriteBytes, OnSeek, OnClose, OnSize, OnMap, OnUnmap,
                             options);
    TIFFOpenOptionsFree(options);
    if (!Tiff)
        return Damaged("the file cannot be read as TIFF");

    char message[1024] = {};
    if (!TIFFRGBAImageOK(Tiff, message))
        return Fail(Failure::Refused, std::string("unsupported TIFF variant: ") + message);
    Rgba = std::make_unique<Image>();
    if (!TIFFRGBAImageBegin(&Rgba->Value, Tiff, 1, message))
        return Fail(Failure::Refused, std::string("unsupported TIFF variant: ") + message);
    Rgba->Begun = true;
    // The rows come as stored; the orientation is applied by the caller, like every format's.
    Rgba->Value.req_orientation = Rgba->Value.orientation;

    const std::uint32_t width = Rgba->Value.width, height = Rgba->Value.height;
    if (!AcceptSize("TIFF", width, height))
        return false;
    std::uint32_t rows = 0;
    if (TIFFIsTiled(Tiff))
        TIFFGetField(Tiff, TIFFTAG_TILELENGTH, &rows);
    else
        TIFFGetFieldDefaulted(Tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    // Rows are decoded a strip (or a row of tiles) at a time, so that each is decoded once;
    // a huge strip is taken in parts, at the cost of decoding it more than once.
    const std::uint64_t rowBytes = std::uint64_t(width) * 4;
    if (rowBytes > MaximumChunkBytes)
        return Fail(Failure::Refused, "the TIFF picture is too wide (" + std::to_string(width) + " pixels)");
    const std::uint64_t fitting = MaximumChunkBytes / rowBytes;
    ChunkRows = static_cast<std::uint32_t>(std::min<std::uint64_t>({rows == 0 ? height : rows, height, fitting}));

    HeaderRead.Width = width;
    HeaderRead.Height = height;
    HeaderRead.HasAlpha = Rgba->Value.alpha != 0;
    return true;
}

// Decodes the rows from NextRow on, up to a chunk's worth, as blue, green, red, alpha.
bool CTiffDecoder::FillChunk()
{
    const std::uint32_t height = HeaderRead.Height;
    // Chunks start on strip boundaries so that no strip is decoded twice.
    ChunkFirst = NextRow;
    ChunkEnd = std::min(height, (NextRow / ChunkRows + 1) * ChunkRows);
    const std::size_t pixels = std::size_t(HeaderRead.Width) * (ChunkEnd - ChunkFirst);
    try
    {
        if (Chunk.size() < pixels)
            Chunk.resize(pixels);
    }
    catch (const std::bad_alloc&)
    {
        return Fail(Failure::Refused, "not enough memory for the TIFF picture");
    }
    Rgba->Value.row_offset = static_cast<int>(ChunkFirst);
    Rgba->Value.col_offset = 0;
    if (!TIFFRGBAImageGet(&Rgba->Value, Chunk.data(), HeaderRead.Width, ChunkEnd - ChunkFirst))
        return Damaged("the picture's data cannot be decoded");
    if (Said && !Said->Error.empty())
        return Damaged("");
    // libtiff gives colours multiplied by their alpha; the rows carry them as they are.
    for (std::size_t n = 0; n < pixels; ++n)
    {
        const std::uint32_t abgr = Chunk[n];
        const unsigned alpha = TIFFGetA(abgr);
        unsigned channels[3] = {TIFFGetB(abgr), TIFFGetG(abgr), TIFFGetR(abgr)};
        if (alpha != 255)
            for (unsigned& c : channels)
                c = alpha == 0 ? 0 : std::min(255u, (c * 255 + alpha / 2) / alpha);
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(channels[0]), static_cast<std::uint8_t>(channels[1]),
                                       static_cast<std::uint8_t>(channels[2]), static_cast<std::uint8_t>(alpha)};
        std::memcpy(&Chunk[n], bytes, 4);
    }
    return true;
}

bool CTiffDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Rgba || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more TIFF rows asked for than the picture has");
    const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
    for (std::uint32_t n = 0; n < count; ++n, ++NextRow)
    {
        if (NextRow < ChunkFirst || NextRow >= ChunkEnd)
            if (!FillChunk())
                return false;
        const auto* rows = reinterpret_cast<const std::uint8_t*>(Chunk.data());
        std::memcpy(out + n * stride, rows + (NextRow - ChunkFirst) * rowBytes, rowBytes);
    }
    return true;
}
