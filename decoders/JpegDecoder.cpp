// libjpeg reports errors through its error manager, whose exit here is a long jump back to the
// setjmp of the call that started the work. Every call into libjpeg therefore goes through one
// of the functions marked "guarded" below: they set the jump point, hold no C++ object with a
// destructor, and return the outcome as a plain value; the callbacks hold none either.
#include "decoders/JpegDecoder.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include <jerror.h>

struct CJpegDecoder::State
{
    jpeg_decompress_struct Info;
    jpeg_error_mgr Errors;
    std::jmp_buf Jump;
    bool Created = false;
    bool Started = false;
    bool Cmyk = false;           // the rows come as CMYK and are turned into RGB here
    bool AdobeCmyk = false;      // ... with the inverted values Adobe's programs write
    bool MultipleScans = false;  // progressive and the like: decoded whole before the first row
    char Message[JMSG_LENGTH_MAX] = {};
    char Warning[JMSG_LENGTH_MAX] = {};  // the first damage read past
};

namespace
{

// The most libjpeg may hold for a progressive picture's coefficients: a 150-megapixel photo.
const long MaximumDecoderMemory = 512L * 1024 * 1024;

CJpegDecoder::State& StateOf(j_common_ptr info)
{
    return *reinterpret_cast<CJpegDecoder::State*>(info->client_data);
}

void OnError(j_common_ptr info)
{
    CJpegDecoder::State& state = StateOf(info);
    info->err->format_message(info, state.Message);
    std::longjmp(state.Jump, 1);
}

// A file that ends early, or a scan whose data end before its last block (libjpeg would fill the
// rest with grey), ends the decoding like an error.
// Other damage libjpeg reads past, as viewers do (a bad block, extraneous bytes), is kept for a
// warning; notes about the file's form leave the pixels alone and are ignored.
void OnMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    switch (info->err->msg_code)
    {
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
    case JWRN_TOO_MUCH_DATA: return;
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER: OnError(info); return;
    default: break;
    }
    CJpegDecoder::State& state = StateOf(info);
    if (state.Warning[0] == '\0')
        info->err->format_message(info, state.Warning);
}

void OnOutput(j_common_ptr)
{
}

// Guarded: reads the header and chooses the output colour space.
bool ReadHeader(CJpegDecoder::State& state, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(state.Jump))
        return false;
    jpeg_create_decompress(&state.Info);
    state.Created = true;
    state.Info.mem->max_memory_to_use = MaximumDecoderMemory;
    jpeg_mem_src(&state.Info, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&state.Info, JPEG_APP0 + 2, 0xFFFF);  // ICC profiles
    jpeg_read_header(&state.Info, TRUE);
    state.MultipleScans = jpeg_has_multiple_scans(&state.Info);
    const J_COLOR_SPACE space = state.Info.jpeg_color_space;
    state.Cmyk = space == JCS_CMYK || space == JCS_YCCK;
    state.AdobeCmyk = state.Cmyk && state.Info.saw_Adobe_marker;
    state.Info.out_color_space = state.Cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    return true;
}

// Guarded: starts the decompression (for a progressive picture, the whole file is read here),
// decodes the next count rows and, after the last, reads the file to its end marker, so that
// nothing missing from it goes unnoticed.
bool ReadNextRows(CJpegDecoder::State& state, std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count, bool last)
{
    if (setjmp(state.Jump))
        return false;
    if (!state.Started)
    {
        jpeg_start_decompress(&state.Info);
        state.Started = true;
        if (state.Info.output_components != 4)
        {
            std::strcpy(state.Message, "unexpected number of colour components");
            return false;
        }
    }
    for (std::uint32_t n = 0; n < count; ++n)
    {
        JSAMPROW row = out + n * stride;
        if (jpeg_read_scanlines(&state.Info, &row, 1) != 1)
        {
            std::strcpy(state.Message, "the rows end early");
            return false;
        }
    }
    if (last)
        jpeg_finish_decompress(&state.Info);
    return true;
}

// Guarded: gathers the ICC profile of the APP2 segments saved with the header (null when none).
bool ReadIcc(CJpegDecoder::State& state, JOCTET** profile, unsigned int* size)
{
    if (setjmp(state.Jump))
        return false;
    return jpeg_read_icc_profile(&state.Info, profile, size) != 0;
}

// CMYK as libjpeg gives it, turned into blue, green, red and an opaque alpha in place.
void CmykToBgra(std::uint8_t* row, std::uint32_t width, bool inverted)
{
    for (std::uint32_t x = 0; x < width; ++x, row += 4)
    {
        unsigned c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted)
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        // Each inverted value is the share of light that remains; black takes its part from all.
        row[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        row[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        row[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
        row[3] = 255;
    }
}

}  // namespace

CJpegDecoder::CJpegDecoder() = default;

CJpegDecoder::~CJpegDecoder()
{
    if (Jpeg && Jpeg->Created)
        jpeg_destroy_decompress(&Jpeg->Info);
}

bool CJpegDecoder::Damaged()
{
    return Fail(Failure::Refused, std::string("damaged JPEG data: ") + Jpeg->Message);
}

bool CJpegDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    FileSize = size;
    Jpeg = std::make_unique<State>();
    Jpeg->Info.err = jpeg_std_error(&Jpeg->Errors);
    Jpeg->Errors.error_exit = OnError;
    Jpeg->Errors.emit_message = OnMessage;
    Jpeg->Errors.output_message = OnOutput;
    Jpeg->Info.client_data = Jpeg.get();
    if (!ReadHeader(*Jpeg, data, size))
        return Damaged();
    ReadProfile();

    const jpeg_decompress_struct& info = Jpeg->Info;
    HeaderRead.Width = info.image_width;
    HeaderRead.Height = info.image_height;
    HeaderRead.HasAlpha = false;
    std::uint64_t blocks = 0;
    for (int n = 0; n < info.num_components; ++n)
        blocks += std::uint64_t(info.comp_info[n].width_in_blocks) * info.comp_info[n].height_in_blocks;
    // libjpeg holds every coefficient of a picture of many scans, 128 bytes a block.
    CoefficientBytes = Jpeg->MultipleScans ? blocks * 128 : 0;
    if (Jpeg->MultipleScans)
    {
        if (CoefficientBytes > std::uint64_t(MaximumDecoderMemory))
            return Fail(Failure::Refused, TooLargeReason("progressive JPEG", info.image_width, info.image_height));
    }
    if (info.progressive_mode && !info.arith_code)
    {
        // A progressive picture is decoded whole before its first row. Its first Huffman-coded
        // scan of each component spends at least one bit on every block, so the file must be large enough
        // before the decoder allocates for the picture it claims.
        if (blocks / 8 > FileSize)
            return Fail(Failure::Refused, "damaged JPEG data: too little data for a " +
                                              std::to_string(info.image_width) + " x " +
                                              std::to_string(info.image_height) + " picture");
    }
    return true;
}

// The ICC profile of the APP2 segments, for the pixels as libjpeg gives them.
void CJpegDecoder::ReadProfile()
{
    JOCTET* profile = nullptr;
    unsigned int size = 0;
    if (!ReadIcc(*Jpeg, &profile, &size) || !profile)
        return;
    const ColourInput input = Jpeg->AdobeCmyk                  ? ColourInput::CmykInverted
                              : Jpeg->Cmyk                     ? ColourInput::Cmyk
                              : Jpeg->Info.num_components == 1 ? ColourInput::GreyInBgra
                                                               : ColourInput::Bgra;
    std::string problem;
    if (!Colours.FromIcc(profile, size, input, problem) && !problem.empty())
        Warn(problem);
    std::free(profile);
}

bool CJpegDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Jpeg || !Jpeg->Created || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more JPEG rows asked for than the picture has");
    if (!ReadNextRows(*Jpeg, out, stride, count, NextRow + count == HeaderRead.Height))
        return Damaged();
    if (Jpeg->Warning[0] != '\0')
        Warn(std::string("damaged JPEG data read past: ") + Jpeg->Warning);
    for (std::uint32_t n = 0; n < count; ++n)
    {
        std::uint8_t* row = out + n * stride;
        if (Colours.IsActive())
            Colours.Apply(row, row, HeaderRead.Width);
        else if (Jpeg->Cmyk)
            CmykToBgra(row, HeaderRead.Width, Jpeg->AdobeCmyk);
    }
    NextRow += count;
    return true;
}
