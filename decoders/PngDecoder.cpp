// libpng reports errors by a long jump back to the setjmp of the call that started the work.
// Every call into libpng therefore goes through one of the functions marked "guarded" below:
// they set the jump point, hold no C++ object with a destructor, and return the outcome as a
// plain value; the callbacks that libpng jumps out of hold none either.
#include "decoders/PngDecoder.h"

#include "decoders/ByteCursor.h"

#include <png.h>

#include <cstring>

struct CPngDecoder::State
{
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    CByteCursor Bytes;
    bool Rgb = false;  // 8-bit RGB rows, turned into blue, green, red, opaque alpha here
    char Message[256] = {};
};

namespace
{

// A deflate stream yields at most 1032 bytes for every byte it takes.
const std::uint64_t MaximumInflation = 1032;

void KeepMessage(CPngDecoder::State& state, const char* message)
{
    std::strncpy(state.Message, message ? message : "", sizeof state.Message - 1);
    state.Message[sizeof state.Message - 1] = '\0';
}

void OnError(png_structp png, png_const_charp message)
{
    KeepMessage(*static_cast<CPngDecoder::State*>(png_get_error_ptr(png)), message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
    // Ancillary damage that libpng works around; the pixels are not affected.
}

void OnRead(png_structp png, png_bytep data, size_t length)
{
    auto* state = static_cast<CPngDecoder::State*>(png_get_io_ptr(png));
    if (state->Bytes.Read(data, length) != length)
        png_error(png, "the file ends too early");
}

// What the header says, after the transformations to 8-bit blue, green, red, alpha.
struct HeaderFacts
{
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    bool Interlaced = false;
    bool HasAlpha = false;
    bool Rgb = false;
    size_t RowBytes = 0;
    std::uint64_t StoredBytes = 0;  // the inflated data, filter bytes included, as the file holds it
};

// Guarded: reads the header and asks for every picture as 8-bit BGRA.
bool ReadHeader(CPngDecoder::State& state, HeaderFacts& facts)
{
    png_structp png = state.Png;
    png_infop info = state.Info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &state, OnRead);
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool transparent = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    facts.HasAlpha = transparent || (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    facts.Interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    const std::uint64_t bitsPerPixel = std::uint64_t(png_get_channels(png, info)) * bitDepth;
    facts.StoredBytes = ((png_get_image_width(png, info) * bitsPerPixel + 7) / 8 + 1) * png_get_image_height(png, info);

    // The commonest kind, 8-bit RGB, is read as it is stored and reordered in one pass here,
    // cheaper than libpng's two transformations.
    facts.Rgb = colorType == PNG_COLOR_TYPE_RGB && bitDepth == 8 && !transparent && !facts.Interlaced;
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (transparent)
        png_set_tRNS_to_alpha(png);
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!facts.Rgb)
    {
        png_set_bgr(png);
        if (!facts.HasAlpha)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    facts.Width = png_get_image_width(png, info);
    facts.Height = png_get_image_height(png, info);
    facts.RowBytes = png_get_rowbytes(png, info);
    return true;
}

void RgbToBgra(const std::uint8_t* rgb, std::uint8_t* out, std::uint32_t width)
{
    for (std::uint32_t x = 0; x < width; ++x, rgb += 3, out += 4)
    {
        out[0] = rgb[2];
        out[1] = rgb[1];
        out[2] = rgb[0];
        out[3] = 255;
    }
}

// Guarded: decodes the next count rows of a picture that is not interlaced (an RGB one through
// scratch, a row's worth of bytes) and, after the last, the rest of the file, so that the
// checksums of its last chunks are verified too.
bool ReadNextRows(CPngDecoder::State& state, std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count,
                  std::uint8_t* scratch, bool last)
{
    if (setjmp(png_jmpbuf(state.Png)))
        return false;
    const png_uint_32 width = png_get_image_width(state.Png, state.Info);
    for (std::uint32_t n = 0; n < count; ++n)
    {
        if (state.Rgb)
        {
            png_read_row(state.Png, scratch, nullptr);
            RgbToBgra(scratch, out + n * stride, width);
        }
        else
        {
            png_read_row(state.Png, out + n * stride, nullptr);
        }
    }
    if (last)
        png_read_end(state.Png, nullptr);
    return true;
}

// Guarded: decodes every pass of an interlaced picture into its rows, and the rest of the file.
bool ReadAllPasses(CPngDecoder::State& state, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(state.Png)))
        return false;
    png_read_image(state.Png, rows);
    png_read_end(state.Png, nullptr);
    return true;
}

}  // namespace

CPngDecoder::CPngDecoder() = default;

CPngDecoder::~CPngDecoder()
{
    if (Png && Png->Png)
        png_destroy_read_struct(&Png->Png, &Png->Info, nullptr);
}

bool CPngDecoder::Damaged()
{
    return Fail(Failure::Refused, std::string("damaged PNG data: ") + Png->Message);
}

bool CPngDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Png = std::make_unique<State>();
    Png->Bytes = {data, size, 0};
    Png->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, Png.get(), OnError, OnWarning);
    if (Png->Png)
        Png->Info = png_create_info_struct(Png->Png);
    if (!Png->Info)
        return Fail(Failure::Refused, "not enough memory for the PNG decoder");

    HeaderFacts facts;
    if (!ReadHeader(*Png, facts))
        return Damaged();
    if (facts.RowBytes != std::size_t(facts.Width) * (facts.Rgb ? 3 : 4))
        return Fail(Failure::Refused, "unsupported PNG variant");
    Png->Rgb = facts.Rgb;
    if (facts.Rgb)
        Scratch.resize(facts.RowBytes);
    HeaderRead.Width = facts.Width;
    HeaderRead.Height = facts.Height;
    HeaderRead.HasAlpha = facts.HasAlpha;
    Interlaced = facts.Interlaced;
    ReadProfile((png_get_color_type(Png->Png, Png->Info) & PNG_COLOR_MASK_COLOR) == 0);
    if (facts.Interlaced)
    {
        // Interlaced rows come in seven passes over the whole picture, which is held whole; the
        // file must be large enough to give such a picture before it is allocated.
        if (!AcceptSize("interlaced PNG", facts.Width, facts.Height))
            return false;
        if (facts.StoredBytes > MaximumInflation * Png->Bytes.Size)
            return Fail(Failure::Refused, "damaged PNG data: too little data for a " + std::to_string(facts.Width) +
                                              " x " + std::to_string(facts.Height) + " picture");
    }
    return true;
}

std::uint64_t CPngDecoder::HeldBytes() const
{
    // The rows, and where each of them is.
    const std::uint64_t height = HeaderRead.Height;
    return Interlaced ? height * HeaderRead.Width * 4 + height * sizeof(png_bytep) : 0;
}

// An iCCP profile comes first; an sRGB chunk says there is nothing to do; cHRM and gAMA together
// describe the colours otherwise. libpng has checked each chunk as it read it.
void CPngDecoder::ReadProfile(bool grey)
{
    png_structp png = Png->Png;
    png_infop info = Png->Info;
    const ColourInput input = grey ? ColourInput::GreyInBgra : ColourInput::Bgra;
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 size = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &size) == PNG_INFO_iCCP)
    {
        std::string problem;
        if (!Colours.FromIcc(profile, size, input, problem) && !problem.empty())
            Warn(problem);
        return;
    }
    if (png_get_valid(png, info, PNG_INFO_sRGB))
        return;
    double gamma = 0;
    double white[2] = {}, primaries[3][2] = {};
    if (png_get_gAMA(png, info, &gamma) &&
        png_get_cHRM(png, info, &white[0], &white[1], &primaries[0][0], &primaries[0][1], &primaries[1][0],
                     &primaries[1][1], &primaries[2][0], &primaries[2][1]))
        Colours.FromChromaticities(white, primaries, gamma, input);
}

bool CPngDecoder::ReadInterlaced()
{
    const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
    Whole.reset(new (std::nothrow) std::uint8_t[rowBytes * HeaderRead.Height]);
    std::unique_ptr<png_bytep[]> rows(new (std::nothrow) png_bytep[HeaderRead.Height]);
    if (!Whole || !rows)
        return Fail(Failure::Refused, "not enough memory for the picture");
    for (std::uint32_t y = 0; y < HeaderRead.Height; ++y)
        rows[y] = Whole.get() + y * rowBytes;
    return ReadAllPasses(*Png, rows.get()) || Damaged();
}

bool CPngDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Png || !Png->Info || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more PNG rows asked for than the picture has");
    if (png_get_interlace_type(Png->Png, Png->Info) == PNG_INTERLACE_NONE)
    {
        if (!ReadNextRows(*Png, out, stride, count, Scratch.data(), NextRow + count == HeaderRead.Height))
            return Damaged();
        if (Colours.IsActive())
            for (std::uint32_t n = 0; n < count; ++n)
                Colours.Apply(out + n * stride, out + n * stride, HeaderRead.Width);
    }
    else
    {
        if (!Whole && !ReadInterlaced())
            return false;
        const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
        for (std::uint32_t n = 0; n < count; ++n)
        {
            std::uint8_t* row = out + n * stride;
            std::memcpy(row, Whole.get() + (NextRow + n) * rowBytes, rowBytes);
            if (Colours.IsActive())
                Colours.Apply(row, row, HeaderRead.Width);
        }
    }
    NextRow += count;
    return true;
}
