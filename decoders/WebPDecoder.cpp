#include "decoders/WebPDecoder.h"

#include "decoders/PictureFile.h"

#include <webp/decode.h>

#include <cstring>
#include <new>

namespace
{

// WebP's own limit is 16383 x 16383; a RIFF file cannot pass 4 GiB.
const std::uint64_t MaximumFileBytes = std::uint64_t(1) << 30;

const char* StatusText(VP8StatusCode status)
{
    switch (status)
    {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_SUSPENDED: return "suspended";
    case VP8_STATUS_USER_ABORT: return "aborted";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "the data ends early";
    case VP8_STATUS_OK: break;
    }
    return "unknown error";
}

}  // namespace

bool CWebPDecoder::Open(const std::string& path)
{
    CPictureFile file;
    std::string reason;
    if (!file.Open(path, reason))
        return Fail(Failure::CannotOpen, reason);
    if (file.FileSize() > MaximumFileBytes)
        return Fail(Failure::Refused, "the WebP file is too large");
    // libwebp decodes from memory: the file is read whole (a compressed picture is small).
    try
    {
        Data.resize(static_cast<std::size_t>(file.FileSize()));
    }
    catch (const std::bad_alloc&)
    {
        return Fail(Failure::Refused, "not enough memory for the WebP file");
    }
    if (std::fread(Data.data(), 1, Data.size(), file.Get()) != Data.size())
        return Fail(Failure::CannotOpen, "the file could not be read");

    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(Data.data(), Data.size(), &features);
    if (status != VP8_STATUS_OK)
        return Fail(Failure::Refused, std::string("damaged WebP data: ") + StatusText(status));
    if (features.has_animation)
        return Fail(Failure::Refused, "animated WebP pictures are not supported");
    if (features.width <= 0 || features.height <= 0)
        return Fail(Failure::Refused, "the WebP picture has no pixels");
    if (std::uint64_t(features.width) * std::uint64_t(features.height) > MaximumPicturePixels)
        return Fail(Failure::Refused, "the WebP picture is too large (" + std::to_string(features.width) + " x " +
                                          std::to_string(features.height) + ")");
    HeaderRead.Width = static_cast<std::uint32_t>(features.width);
    HeaderRead.Height = static_cast<std::uint32_t>(features.height);
    HeaderRead.HasAlpha = features.has_alpha != 0;
    return true;
}

// libwebp has no row-by-row output: the picture is decoded whole into memory that is only
// touched as the decoder fills it, and the file's bytes go once it is done.
bool CWebPDecoder::DecodeWhole()
{
    const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
    const std::size_t bytes = rowBytes * HeaderRead.Height;
    Whole.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!Whole)
        return Fail(Failure::Refused, "not enough memory for the WebP picture");
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Fail(Failure::Refused, "the WebP decoder cannot be set up");
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = Whole.get();
    config.output.u.RGBA.stride = static_cast<int>(rowBytes);
    config.output.u.RGBA.size = bytes;
    const VP8StatusCode status = WebPDecode(Data.data(), Data.size(), &config);
    WebPFreeDecBuffer(&config.output);
    std::vector<std::uint8_t>().swap(Data);
    if (status != VP8_STATUS_OK)
        return Fail(Failure::Refused, std::string("damaged WebP data: ") + StatusText(status));
    return true;
}

bool CWebPDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (LastFailure() != Failure::None || HeaderRead.Width == 0)
        return false;
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more WebP rows asked for than the picture has");
    if (!Whole && !DecodeWhole())
        return false;
    const std::size_t rowBytes = std::size_t(HeaderRead.Width) * 4;
    for (std::uint32_t n = 0; n < count; ++n)
        std::memcpy(out + n * stride, Whole.get() + std::size_t(NextRow + n) * rowBytes, rowBytes);
    NextRow += count;
    return true;
}
