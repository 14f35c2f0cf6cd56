#include "decoders/WebPDecoder.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace
{

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

bool CWebPDecoder::Open(const std::uint8_t* data, std::size_t size)
{
    Data = data;
    Size = size;
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(Data, Size, &features);
    if (status != VP8_STATUS_OK)
        return Fail(Failure::Refused, std::string("damaged WebP data: ") + StatusText(status));
    if (features.has_animation)
        return Fail(Failure::Refused, "animated WebP pictures are not supported");
    if (!AcceptSize("WebP", static_cast<std::uint64_t>(std::max(features.width, 0)),
                    static_cast<std::uint64_t>(std::max(features.height, 0))))
        return false;
    HeaderRead.Width = static_cast<std::uint32_t>(features.width);
    HeaderRead.Height = static_cast<std::uint32_t>(features.height);
    HeaderRead.HasAlpha = features.has_alpha != 0;
    ReadProfile();
    return true;
}

// The ICCP chunk of an extended file, found through libwebp's demuxer.
void CWebPDecoder::ReadProfile()
{
    const WebPData data = {Data, Size};
    WebPDemuxer* demuxer = WebPDemux(&data);
    if (!demuxer)
        return;
    WebPChunkIterator chunk;
    if ((WebPDemuxGetI(demuxer, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) && WebPDemuxGetChunk(demuxer, "ICCP", 1, &chunk))
    {
        std::string problem;
        if (!Colours.FromIcc(chunk.chunk.bytes, chunk.chunk.size, ColourInput::Bgra, problem) && !problem.empty())
            Warn(problem);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demuxer);
}

// libwebp has no row-by-row output: the picture is decoded whole into memory that is only
// touched as the decoder fills it.
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
    const VP8StatusCode status = WebPDecode(Data, Size, &config);
    WebPFreeDecBuffer(&config.output);
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
    {
        const std::uint8_t* from = Whole.get() + std::size_t(NextRow + n) * rowBytes;
        if (Colours.IsActive())
            Colours.Apply(from, out + n * stride, HeaderRead.Width);
        else
            std::memcpy(out + n * stride, from, rowBytes);
    }
    NextRow += count;
    return true;
}
