#include "decoders/HeifDecoder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <vector>

namespace
{

// libheif refuses a picture wider or higher than this before it allocates for it.
const int MaximumSide = 1 << 16;
// The largest block a coded picture is padded to.
const int CodingBlock = 64;

}  // namespace

CHeifDecoder::~CHeifDecoder()
{
    if (Image)
        heif_image_release(Image);
    if (Handle)
        heif_image_handle_release(Handle);
    if (Context)
        heif_context_free(Context);
}

bool CHeifDecoder::Damaged(const char* message)
{
    return Fail(Failure::Refused, std::string("damaged ") + Kind + " data: " + (message ? message : "unknown error"));
}

bool CHeifDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Context = heif_context_alloc();
    if (!Context)
        return Fail(Failure::Refused, std::string("not enough memory for the ") + Kind + " decoder");
    heif_context_set_maximum_image_size_limit(Context, MaximumSide);
    heif_error error = heif_context_read_from_memory_without_copy(Context, data, size, nullptr);
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(Context, &Handle);
    if (error.code != heif_error_Ok)
        return Damaged(error.message);
    // The size after the turning and cropping the file asks for, as the rows will come.
    const int width = heif_image_handle_get_width(Handle);
    const int height = heif_image_handle_get_height(Handle);
    if (!AcceptSize(Kind, static_cast<std::uint64_t>(std::max(width, 0)),
                    static_cast<std::uint64_t>(std::max(height, 0))))
        return false;
    // Nothing libheif makes on the way may be larger than the picture itself: an overlay's canvas
    // or a grid is sized by boxes of its own, and a file of a few bytes could otherwise have it
    // allocate gigabytes for a picture of a few pixels. A coded picture may reach past its stored
    // size by a block (64 pixels) at most.
    const int stored =
        std::max({width, height, heif_image_handle_get_ispe_width(Handle), heif_image_handle_get_ispe_height(Handle)});
    heif_context_set_maximum_image_size_limit(Context, std::min(MaximumSide, stored + CodingBlock));
    HeaderRead.Width = static_cast<std::uint32_t>(width);
    HeaderRead.Height = static_cast<std::uint32_t>(height);
    HeaderRead.HasAlpha = heif_image_handle_has_alpha_channel(Handle) != 0;
    Premultiplied = HeaderRead.HasAlpha && heif_image_handle_is_premultiplied_alpha(Handle) != 0;
    ReadProfile();
    return true;
}

// An ICC profile (colr box of type prof or rICC) is used as it is; an nclx box by its codes.
void CHeifDecoder::ReadProfile()
{
    // Premultiplied rows are converted once they are divided out, in the row given.
    const ColourInput input = Premultiplied         ? ColourInput::Bgra
                              : HeaderRead.HasAlpha ? ColourInput::Rgba
                                                    : ColourInput::Rgb;
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(Handle);
    if (size > 0)
    {
        std::vector<std::uint8_t> profile(size);
        std::string problem;
        if (heif_image_handle_get_raw_color_profile(Handle, profile.data()).code == heif_error_Ok &&
            !Colours.FromIcc(profile.data(), size, input, problem) && !problem.empty())
            Warn(problem);
        return;
    }
    // libheif may hand out the record even with an error: it is freed either way.
    heif_color_profile_nclx* nclx = nullptr;
    const bool read = heif_image_handle_get_nclx_color_profile(Handle, &nclx).code == heif_error_Ok;
    if (read && nclx)
        Colours.FromCodePoints(nclx->color_primaries, nclx->transfer_characteristics, input);
    if (nclx)
        heif_nclx_color_profile_free(nclx);
}

// Decodes the whole picture into libheif's buffer, 8 bits a sample whatever the file's depth.
bool CHeifDecoder::Decode()
{
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options)
        return Fail(Failure::Refused, std::string("not enough memory for the ") + Kind + " picture");
    options->convert_hdr_to_8bit = 1;
    const heif_chroma chroma = HeaderRead.HasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    const heif_error error = heif_decode_image(Handle, &Image, heif_colorspace_RGB, chroma, options);
    heif_decoding_options_free(options);
    if (error.code != heif_error_Ok)
        return Damaged(error.message);
    Plane = heif_image_get_plane_readonly(Image, heif_channel_interleaved, &PlaneStride);
    if (!Plane || heif_image_get_width(Image, heif_channel_interleaved) != int(HeaderRead.Width) ||
        heif_image_get_height(Image, heif_channel_interleaved) != int(HeaderRead.Height))
        return Damaged("the decoded picture is not of the size its header gives");
    return true;
}

bool CHeifDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Handle || LastFailure() != Failure::None)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, std::string("more ") + Kind + " rows asked for than the picture has");
    if (count == 0)
        return true;
    if (!Image && !Decode())
        return false;
    const unsigned channels = HeaderRead.HasAlpha ? 4 : 3;
    for (std::uint32_t n = 0; n < count; ++n)
    {
        const std::uint8_t* from = Plane + std::size_t(NextRow + n) * std::size_t(PlaneStride);
        std::uint8_t* row = out + n * stride;
        if (Colours.IsActive() && !Premultiplied)
        {
            Colours.Apply(from, row, HeaderRead.Width);
            continue;
        }
        for (std::uint32_t x = 0; x < HeaderRead.Width; ++x, from += channels)
        {
            const unsigned alpha = channels == 4 ? from[3] : 255;
            std::uint8_t* pixel = row + 4 * std::size_t(x);
            pixel[0] = from[2], pixel[1] = from[1], pixel[2] = from[0], pixel[3] = static_cast<std::uint8_t>(alpha);
            if (Premultiplied && alpha != 255)
                for (int c = 0; c < 3; ++c)
                    pixel[c] = alpha == 0
                                   ? 0
                                   : static_cast<std::uint8_t>(std::min(255u, (pixel[c] * 255 + alpha / 2) / alpha));
        }
        if (Colours.IsActive())
            Colours.Apply(row, row, HeaderRead.Width);
    }
    NextRow += count;
    // libheif's copy of the picture goes with its last row.
    if (NextRow == HeaderRead.Height)
    {
        heif_image_release(Image);
        Image = nullptr;
        Plane = nullptr;
    }
    return true;
}
