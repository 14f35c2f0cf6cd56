#include "decoders/JxlDecoder.h"

#include <jxl/decode.h>

#include <new>
#include <vector>

struct CJxlDecoder::State
{
    JxlDecoder* Decoder = nullptr;
    JxlBasicInfo Info = {};
};

namespace
{

const JxlPixelFormat RgbaFormat = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};

bool IsSrgb(const JxlColorEncoding& encoding)
{
    return (encoding.color_space == JXL_COLOR_SPACE_RGB || encoding.color_space == JXL_COLOR_SPACE_GRAY) &&
           encoding.white_point == JXL_WHITE_POINT_D65 &&
           (encoding.color_space == JXL_COLOR_SPACE_GRAY || encoding.primaries == JXL_PRIMARIES_SRGB) &&
           encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

}  // namespace

CJxlDecoder::CJxlDecoder() = default;

CJxlDecoder::~CJxlDecoder()
{
    if (Jxl && Jxl->Decoder)
        JxlDecoderDestroy(Jxl->Decoder);
}

bool CJxlDecoder::Damaged(const char* why)
{
    return Fail(Failure::Refused, std::string("damaged JPEG XL data: ") + why);
}

bool CJxlDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Jxl = std::make_unique<State>();
    Jxl->Decoder = JxlDecoderCreate(nullptr);
    if (!Jxl->Decoder)
        return Fail(Failure::Refused, "not enough memory for the JPEG XL decoder");
    JxlDecoder* decoder = Jxl->Decoder;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder, data, size) != JXL_DEC_SUCCESS)
        return Damaged("the decoder cannot be set up");
    JxlDecoderCloseInput(decoder);

    // The header, then the colour encoding, both before any pixel.
    for (;;)
    {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status == JXL_DEC_ERROR)
            return Damaged("the header cannot be read");
        if (status == JXL_DEC_NEED_MORE_INPUT)
            return Damaged("the data end early");
        if (status == JXL_DEC_BASIC_INFO)
        {
            if (JxlDecoderGetBasicInfo(decoder, &Jxl->Info) != JXL_DEC_SUCCESS)
                return Damaged("the header cannot be read");
            // The rows come upright: a turn by a quarter swaps the sides.
            const JxlBasicInfo& info = Jxl->Info;
            const bool swaps = info.orientation >= JXL_ORIENT_TRANSPOSE;
            const std::uint32_t width = swaps ? info.ysize : info.xsize;
            const std::uint32_t height = swaps ? info.xsize : info.ysize;
            if (!AcceptSize("JPEG XL", width, height))
                return false;
            HeaderRead.Width = width;
            HeaderRead.Height = height;
            HeaderRead.HasAlpha = info.alpha_bits > 0;
            Grey = info.num_color_channels == 1;
        }
        else if (status == JXL_DEC_COLOR_ENCODING)
        {
            return HeaderRead.Width != 0 ? ChooseColours() : Damaged("the header is missing");
        }
        else if (status == JXL_DEC_SUCCESS || status == JXL_DEC_FULL_IMAGE)
        {
            return Damaged("the file holds no picture");
        }
    }
}

// XYB pictures (lossy, the usual kind) are rendered into sRGB by libjxl; pictures kept in their
// own colour space go through their profile.
bool CJxlDecoder::ChooseColours()
{
    JxlDecoder* decoder = Jxl->Decoder;
    if (!Jxl->Info.uses_original_profile)
    {
        JxlColorEncoding srgb = {};
        srgb.color_space = Grey ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
        srgb.white_point = JXL_WHITE_POINT_D65;
        srgb.primaries = JXL_PRIMARIES_SRGB;
        srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
        srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
        if (JxlDecoderSetPreferredColorProfile(decoder, &srgb) != JXL_DEC_SUCCESS)
            Warn("its colours could not be rendered in sRGB and are shown as stored");
        return true;
    }
    JxlColorEncoding encoding = {};
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
            JXL_DEC_SUCCESS &&
        IsSrgb(encoding))
        return true;
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS ||
        size == 0)
        return true;
    std::vector<std::uint8_t> profile(size);
    std::string problem;
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, profile.data(), size) ==
            JXL_DEC_SUCCESS &&
        !Colours.FromIcc(profile.data(), size, Grey ? ColourInput::GreyInBgra : ColourInput::Rgba, problem) &&
        !problem.empty())
        Warn(problem);
    return true;
}

// Decodes the first frame whole, upright, as 8-bit red, green, blue and alpha.
bool CJxlDecoder::Decode()
{
    JxlDecoder* decoder = Jxl->Decoder;
    for (;;)
    {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status == JXL_DEC_ERROR)
            return Damaged("the picture's data cannot be decoded");
        if (status == JXL_DEC_NEED_MORE_INPUT)
            return Damaged("the data end early");
        if (status == JXL_DEC_FULL_IMAGE)
            return true;
        if (status == JXL_DEC_SUCCESS)
            return Damaged("the file holds no picture");
        if (status != JXL_DEC_NEED_IMAGE_OUT_BUFFER)
            continue;
        std::size_t bytes = 0;
        if (JxlDecoderImageOutBufferSize(decoder, &RgbaFormat, &bytes) != JXL_DEC_SUCCESS ||
            bytes != std::size_t(HeaderRead.Width) * HeaderRead.Height * 4)
            return Damaged("the picture is not of the size its header gives");
        Whole.reset(new (std::nothrow) std::uint8_t[bytes]);
        if (!Whole)
            return Fail(Failure::Refused, "not enough memory for the JPEG XL picture");
        if (JxlDecoderSetImageOutBuffer(decoder, &RgbaFormat, Whole.get(), bytes) != JXL_DEC_SUCCESS)
            return Damaged("the decoder cannot be set up");
    }
}

bool CJxlDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Jxl || HeaderRead.Width == 0 || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more JPEG XL rows asked for than the picture has");
    if (count == 0)
        return true;
    if (!Whole && !Decode())
        return false;
    const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
    for (std::uint32_t n = 0; n < count; ++n)
    {
        const std::uint8_t* from = Whole.get() + std::size_t(NextRow + n) * rowBytes;
        std::uint8_t* row = out + n * stride;
        if (Colours.IsActive() && !Grey)
        {
            Colours.Apply(from, row, HeaderRead.Width);
            continue;
        }
        for (std::uint32_t x = 0; x < HeaderRead.Width; ++x)
        {
            const std::uint8_t* pixel = from + 4 * std::size_t(x);
            std::uint8_t* to = row + 4 * std::size_t(x);
            to[0] = pixel[2], to[1] = pixel[1], to[2] = pixel[0], to[3] = pixel[3];
        }
        if (Colours.IsActive())
            Colours.Apply(row, row, HeaderRead.Width);
    }
    NextRow += count;
    if (NextRow == HeaderRead.Height)
        Whole.reset();
    return true;
}
