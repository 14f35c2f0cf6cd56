// The Linux decoders' factory: Debian's reference libraries for each format. A .bmp is the
// mapped reader's alone here; no other decoder reads its compressed or older variants.
#include "decoders/GifDecoder.h"
#include "decoders/JpegDecoder.h"
#include "decoders/PngDecoder.h"
#include "decoders/TiffDecoder.h"
#include "decoders/WebPDecoder.h"

std::unique_ptr<CPictureDecoder> CreatePictureDecoder(PictureFormat format)
{
    switch (format)
    {
    case PictureFormat::Png: return std::make_unique<CPngDecoder>();
    case PictureFormat::Jpeg: return std::make_unique<CJpegDecoder>();
    case PictureFormat::Gif: return std::make_unique<CGifDecoder>();
    case PictureFormat::Tiff: return std::make_unique<CTiffDecoder>();
    case PictureFormat::WebP: return std::make_unique<CWebPDecoder>();
    case PictureFormat::Bmp:
    case PictureFormat::Unknown: break;
    }
    return nullptr;
}
