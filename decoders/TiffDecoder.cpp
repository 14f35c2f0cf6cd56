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

    if (ChooseScanlines())
        return LastFailure() == Failure::None;
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
    ReadProfile();
    return true;
}

// The page's ICC profile, for the pixels as they will come: grey, RGB or CMYK.
void CTiffDecoder::ReadProfile()
{
    std::uint32_t size = 0;
    void* profile = nullptr;
    if (!TIFFGetField(Tiff, TIFFTAG_ICCPROFILE, &size, &profile) || !profile || size == 0)
        return;
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    ColourInput input = ColourInput::Bgra;
    if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE)
        input = ColourInput::GreyInBgra;
    else if (photometric == PHOTOMETRIC_SEPARATED)
        input = Scanlines ? ColourInput::Cmyk : ColourInput::Bgra;  // libtiff's own RGB otherwise
    else if (photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB)
        return;  // L*a*b* is converted as it is
    if (photometric == PHOTOMETRIC_SEPARATED && !Scanlines)
        return;
    std::string problem;
    if (!Colours.FromIcc(profile, size, input, problem) && !problem.empty())
        Warn(problem);
}

// Decides whether the page is read a scanline at a time, and sets it up: true when it is (or
// when it has been refused on the way, with the failure set).
bool CTiffDecoder::ChooseScanlines()
{
    std::uint16_t planar = PLANARCONFIG_CONTIG, inkSet = INKSET_CMYK, extraCount = 0, format = SAMPLEFORMAT_UINT;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_PHOTOMETRIC, &Photometric);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_BITSPERSAMPLE, &Bits);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_SAMPLESPERPIXEL, &SamplesPerPixel);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_INKSET, &inkSet);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_COMPRESSION, &compression);
    Floating = format == SAMPLEFORMAT_IEEEFP && (Bits == 32 || Bits == 64);
    // Separate planes are read a scanline of each in turn, which only uncompressed strips allow
    // without decoding a strip again for every row.
    Separate = planar != PLANARCONFIG_CONTIG && SamplesPerPixel > 1;
    if (TIFFIsTiled(Tiff) || (Separate && (compression != COMPRESSION_NONE || Bits % 8 != 0)) || Bits == 0 ||
        (Bits > 16 && !Floating) || extraCount > SamplesPerPixel)
        return false;
    ColourSamples = static_cast<std::uint16_t>(SamplesPerPixel - extraCount);
    const bool lab = Photometric == PHOTOMETRIC_CIELAB || Photometric == PHOTOMETRIC_ICCLAB;
    const bool cmyk = Photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK && ColourSamples == 4;
    const bool grey =
        (Photometric == PHOTOMETRIC_MINISBLACK || Photometric == PHOTOMETRIC_MINISWHITE) && ColourSamples == 1;
    const bool rgb = Photometric == PHOTOMETRIC_RGB && ColourSamples == 3;
    const bool oddDepth = Bits != 1 && Bits != 2 && Bits != 4 && Bits != 8 && Bits != 16;
    if (Floating ? !(grey || rgb)
                 : !(lab && ColourSamples == 3 && (Bits == 8 || Bits == 16)) && !(cmyk && (Bits == 8 || Bits == 16)) &&
                       !((grey || rgb) && oddDepth))
        return false;

    Scanlines = true;
    std::uint32_t width = 0, height = 0;
    TIFFGetField(Tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(Tiff, TIFFTAG_IMAGELENGTH, &height);
    if (!AcceptSize("TIFF", width, height))
        return true;
    const tmsize_t scanBytes = TIFFScanlineSize(Tiff);  // of one plane when they are separate
    const std::uint64_t scanBits = std::uint64_t(width) * SamplesPerPixel * Bits;
    if (scanBytes <= 0 || std::uint64_t(scanBytes) * 8 * (Separate ? SamplesPerPixel : 1) < scanBits)
    {
        Damaged("the scanlines are of the wrong size");
        return true;
    }
    if (extraCount > 0 && (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA))
    {
        AlphaSample = ColourSamples;
        Premultiplied = extraKinds[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    try
    {
        Scan.resize(Separate ? static_cast<std::size_t>(scanBits / 8) : static_cast<std::size_t>(scanBytes));
        if (Separate)
            Plane.resize(static_cast<std::size_t>(scanBytes));
        if (lab)
            Values.resize(std::size_t(width) * 3);
        if (cmyk)
            Converted.resize(std::size_t(width) * 4);
    }
    catch (const std::bad_alloc&)
    {
        Fail(Failure::Refused, "not enough memory for the TIFF picture");
        return true;
    }
    HeaderRead.Width = width;
    HeaderRead.Height = height;
    HeaderRead.HasAlpha = AlphaSample >= 0;
    if (lab)
        Colours.FromLab(ColourInput::Lab16);
    ReadProfile();
    return true;
}

// Sample number index of a scanline, as stored: packed from the highest bit, 16-bit samples in
// the machine's order (libtiff has swapped them).
unsigned CTiffDecoder::Sample(const std::uint8_t* row, std::size_t index) const
{
    if (Bits == 8)
        return row[index];
    if (Bits == 16)
    {
        std::uint16_t value;
        std::memcpy(&value, row + 2 * index, 2);
        return value;
    }
    const std::size_t first = index * Bits;
    unsigned value = 0;
    for (std::size_t bit = first; bit < first + Bits; ++bit)
        value = value << 1 | ((row[bit / 8] >> (7 - bit % 8)) & 1);
    return value;
}

// Sample number index of a scanline as 8 bits: integers scaled from their depth, floating point
// from 0 to 1, beyond which it is clipped (NaN is black).
std::uint8_t CTiffDecoder::Level(const std::uint8_t* row, std::size_t index) const
{
    if (!Floating)
    {
        const unsigned top = (1u << Bits) - 1;
        return static_cast<std::uint8_t>((Sample(row, index) * 255 + top / 2) / top);
    }
    double value = 0;
    if (Bits == 32)
    {
        float single;
        std::memcpy(&single, row + 4 * index, 4);
        value = single;
    }
    else
        std::memcpy(&value, row + 8 * index, 8);
    return value >= 1.0 ? 255 : value > 0.0 ? static_cast<std::uint8_t>(value * 255 + 0.5) : 0;
}

// Reads scanline row into Scan, the samples of separate planes put side by side.
bool CTiffDecoder::ReadScanline(std::uint32_t row)
{
    if (!Separate)
        return TIFFReadScanline(Tiff, Scan.data(), row, 0) == 1;
    const std::size_t bytes = Bits / 8, width = HeaderRead.Width;
    for (std::uint16_t sample = 0; sample < SamplesPerPixel; ++sample)
    {
        if (TIFFReadScanline(Tiff, Plane.data(), row, sample) != 1)
            return false;
        for (std::size_t x = 0; x < width; ++x)
            std::memcpy(&Scan[(x * SamplesPerPixel + sample) * bytes], &Plane[x * bytes], bytes);
    }
    return true;
}

bool CTiffDecoder::ReadScanlines(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    const std::uint32_t width = HeaderRead.Width;
    for (std::uint32_t n = 0; n < count; ++n, ++NextRow)
    {
        if (!ReadScanline(NextRow) || (Said && !Said->Error.empty()))
            return Damaged("the picture's data cannot be decoded");
        std::uint8_t* row = out + n * stride;
        const std::uint8_t* scan = Scan.data();
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::size_t first = std::size_t(x) * SamplesPerPixel;
            std::uint8_t* pixel = row + 4 * std::size_t(x);
            if (Photometric == PHOTOMETRIC_CIELAB || Photometric == PHOTOMETRIC_ICCLAB)
            {
                // To ICC's 16-bit encoding: L 0 to 65535 for 0 to 100, a and b 0 to 65535 for -128
                // to 127, 257 a unit. CIE L*a*b* TIFFs store a and b signed, 256 a unit at 16 bits.
                const bool signedAb = Photometric == PHOTOMETRIC_CIELAB;
                const unsigned l = Sample(scan, first), a = Sample(scan, first + 1), b = Sample(scan, first + 2);
                std::uint16_t* lab = Values.data() + 3 * std::size_t(x);
                if (Bits == 8)
                {
                    lab[0] = static_cast<std::uint16_t>(l * 257);
                    lab[1] = static_cast<std::uint16_t>((signedAb ? a ^ 0x80 : a) * 257);
                    lab[2] = static_cast<std::uint16_t>((signedAb ? b ^ 0x80 : b) * 257);
                }
                else
                {
                    lab[0] = static_cast<std::uint16_t>(l);
                    auto scaled = [](unsigned offset) {
                        return static_cast<std::uint16_t>(std::min(65535u, offset * 257 / 256));
                    };
                    lab[1] = signedAb ? scaled(a ^ 0x8000) : static_cast<std::uint16_t>(a);
                    lab[2] = signedAb ? scaled(b ^ 0x8000) : static_cast<std::uint16_t>(b);
                }
            }
            else if (Photometric == PHOTOMETRIC_SEPARATED)
            {
                std::uint8_t* ink = Converted.data() + 4 * std::size_t(x);
                for (int c = 0; c < 4; ++c)
                    ink[c] = Level(scan, first + c);
                // Without a profile, each ink takes its share of the light that remains.
                const unsigned k = 255 - ink[3];
                pixel[0] = static_cast<std::uint8_t>(((255 - ink[2]) * k + 127) / 255);
                pixel[1] = static_cast<std::uint8_t>(((255 - ink[1]) * k + 127) / 255);
                pixel[2] = static_cast<std::uint8_t>(((255 - ink[0]) * k + 127) / 255);
            }
            else
            {
                for (unsigned c = 0; c < 3; ++c)
                {
                    std::uint8_t value = Level(scan, first + (ColourSamples == 3 ? c : 0));
                    if (Photometric == PHOTOMETRIC_MINISWHITE)
                        value = static_cast<std::uint8_t>(255 - value);
                    pixel[ColourSamples == 3 ? 2 - c : c] = value;
                }
            }
            pixel[3] = AlphaSample >= 0 ? Level(scan, first + AlphaSample) : 255;
            if (Premultiplied && pixel[3] != 255)
                for (int c = 0; c < 3; ++c)
                    pixel[c] =
                        pixel[3] == 0
                            ? 0
                            : static_cast<std::uint8_t>(std::min(255u, (pixel[c] * 255u + pixel[3] / 2) / pixel[3]));
        }
        if (!Values.empty())
            Colours.Apply(Values.data(), row, width);
        else if (!Converted.empty() && Colours.IsActive())
            Colours.Apply(Converted.data(), row, width);
        else if (Colours.IsActive())
            Colours.Apply(row, row, width);
        if (AlphaSample >= 0 && (!Values.empty() || !Converted.empty()))
            for (std::uint32_t x = 0; x < width; ++x)
                row[4 * std::size_t(x) + 3] = Level(scan, std::size_t(x) * SamplesPerPixel + AlphaSample);
    }
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
    if ((!Rgba && !Scanlines) || HeaderRead.Width == 0 || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more TIFF rows asked for than the picture has");
    if (Scanlines)
        return ReadScanlines(out, stride, count);
    const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
    for (std::uint32_t n = 0; n < count; ++n, ++NextRow)
    {
        if (NextRow < ChunkFirst || NextRow >= ChunkEnd)
            if (!FillChunk())
                return false;
        const auto* rows = reinterpret_cast<const std::uint8_t*>(Chunk.data());
        std::uint8_t* row = out + n * stride;
        std::memcpy(row, rows + (NextRow - ChunkFirst) * rowBytes, rowBytes);
        if (Colours.IsActive())
            Colours.Apply(row, row, HeaderRead.Width);
    }
    return true;
}
