#include "decoders/WicDecoder.h"

#include "base/SystemError.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace
{

// The most bytes one CopyPixels call is asked for; larger bands are copied in parts.
const std::uint64_t MaximumCopyBytes = std::uint64_t(1) << 26;

// WIC's codes in a few words; others by number. WIC's codes have no text in the system's tables.
std::string DescribeWicError(HRESULT result)
{
    switch (result)
    {
    case WINCODEC_ERR_BADHEADER: return "the header is damaged";
    case WINCODEC_ERR_BADIMAGE: return "the picture data are damaged";
    case WINCODEC_ERR_BADSTREAMDATA: return "the data are damaged";
    case WINCODEC_ERR_STREAMREAD:
    case WINCODEC_ERR_STREAMNOTAVAILABLE: return "the data end early";
    case WINCODEC_ERR_FRAMEMISSING: return "there is no picture in the file";
    // Only files whose signature was recognised reach WIC: a decoder that then fails to
    // recognise one found it damaged (Wine's say so for a file cut short, as does E_FAIL).
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
    case E_FAIL: return "the file is cut short or corrupt";
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT: return "its kind of pixels is not supported";
    case WINCODEC_ERR_UNSUPPORTEDOPERATION:
    case E_NOTIMPL: return "the system's decoder does not support it";
    case WINCODEC_ERR_VALUEOUTOFRANGE: return "a value is out of range";
    case HRESULT_FROM_WIN32(ERROR_ARITHMETIC_OVERFLOW): return "the picture is too large";
    case E_OUTOFMEMORY: return "there is not enough memory";
    default: break;
    }
    if (HRESULT_FACILITY(result) == FACILITY_WIN32)
        return DescribeSystemError(HRESULT_CODE(result));
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08lX", static_cast<unsigned long>(result));
    return text;
}

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// Walks a JPEG's segments and scans to its end-of-picture marker, noting the size its frame header
// claims; true when the end marker is there. WIC, like other decoders, fills a JPEG that is cut
// short with grey instead of failing: this walk notices the missing end. Segments are stepped over
// by their lengths (an embedded thumbnail with an end marker of its own included); bytes outside
// segments are scan data, or stray bytes that decoders skip as well. Bytes after the end marker
// (cameras add some) do not matter.
bool WalkJpeg(const std::uint8_t* bytes, std::size_t size, std::uint32_t& width, std::uint32_t& height)
{
    std::size_t at = 2;  // past the start marker
    while (at < size)
    {
        if (bytes[at++] != 0xFF)
            continue;
        // A marker: fill bytes first, then its code.
        while (at < size && bytes[at] == 0xFF)
            ++at;
        if (at >= size)
            return false;
        const std::uint8_t code = bytes[at++];
        if (code == 0xD9)
            return true;  // end of picture
        // A stuffed 0xFF in scan data, a restart marker or TEM: nothing follows them.
        if (code == 0x00 || (code >= 0xD0 && code <= 0xD7) || code == 0x01)
            continue;
        // A segment with its length, which counts its own two bytes.
        if (size - at < 2)
            return false;
        const std::size_t length = (std::size_t(bytes[at]) << 8) | bytes[at + 1];
        if (length < 2 || size - at < length)
            return false;
        // A frame header (SOF0 to SOF15 but DHT, JPG and DAC): precision, height, width.
        const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame && length >= 7 && width == 0)
        {
            height = (std::uint32_t(bytes[at + 3]) << 8) | bytes[at + 4];
            width = (std::uint32_t(bytes[at + 5]) << 8) | bytes[at + 6];
        }
        at += length;
    }
    return false;
}

// Refuses, before WIC allocates for it, a picture whose header claims more pixels than we take or
// than its data could hold: the system's decoders may set aside memory for the whole claim first.
// Empty when the claim is acceptable (or the format's header is left to WIC).
std::string CheckClaim(PictureFormat format, const std::uint8_t* bytes, std::size_t size)
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t leastBytes = 0;  // the fewest file bytes that could hold the claimed picture
    if (format == PictureFormat::Png && size >= 26 && std::memcmp(bytes + 12, "IHDR", 4) == 0)
    {
        width = BigEndian32(bytes + 16);
        height = BigEndian32(bytes + 20);
        // Deflate gives at most 1032 bytes for each byte it takes; a row's bytes carry a filter byte.
        const unsigned channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
        const unsigned bits = bytes[24] * (bytes[25] < 7 ? channelsOf[bytes[25]] : 4);
        leastBytes = height * ((std::uint64_t(width) * bits + 7) / 8 + 1) / 1032;
    }
    else if (format == PictureFormat::Jpeg)
    {
        if (!WalkJpeg(bytes, size, width, height))
            return "damaged JPEG data: the data end early";
        // Every 8 x 8 block of the first scan costs at least one bit.
        leastBytes = std::uint64_t(width) * height / 64 / 8;
    }
    else if (format == PictureFormat::Gif && size >= 10)
    {
        width = bytes[6] | (std::uint32_t(bytes[7]) << 8);
        height = bytes[8] | (std::uint32_t(bytes[9]) << 8);
    }
    if (std::uint64_t(width) * height > MaximumPicturePixels)
        return TooLargeReason(PictureFormatName(format), width, height);
    if (leastBytes > size)
        return std::string("damaged ") + PictureFormatName(format) + " data: too little data for a " +
               std::to_string(width) + " x " + std::to_string(height) + " picture";
    return "";
}

bool IsIndexed(const WICPixelFormatGUID& format)
{
    return IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed) || IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed) || IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed);
}

}  // namespace

CWicDecoder::CWicDecoder(PictureFormat format, const GUID& container) : Format(format), Container(container)
{
}

CWicDecoder::~CWicDecoder()
{
    ReleaseAll();
}

bool CWicDecoder::Reads(const GUID& container)
{
    CComInitializer com;
    CComPtr<IWICImagingFactory> factory;
    CComPtr<IWICBitmapDecoder> decoder;
    return com.IsReady() &&
           SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        __uuidof(IWICImagingFactory), factory.ReceiveVoid())) &&
           SUCCEEDED(factory->CreateDecoder(container, nullptr, decoder.Receive()));
}

void CWicDecoder::ReleaseAll()
{
    Converter.Release();
    Scaler.Release();
    Pixels = nullptr;
    ColourTransform.Release();
    FrameBgra.Release();
    Frame.Release();
    Decoder.Release();
    Stream.Release();
    Factory.Release();
    NextRow = 0;
    UnscaledWidth = UnscaledHeight = 0;
    HeaderRead = PictureHeader();
}

bool CWicDecoder::Refuse(const std::string& what, HRESULT result)
{
    return Fail(Failure::Refused, what + ": " + DescribeWicError(result));
}

bool CWicDecoder::Open(const std::uint8_t* bytes, std::size_t size)
{
    ReleaseAll();
    Fail(Failure::None, "");
    const std::string damaged = std::string("damaged ") + PictureFormatName(Format) + " data";
    if (!Com.IsReady())
        return Fail(Failure::CannotOpen, "the system's picture decoders cannot be started");
    // WIC reads memory of a 32-bit size; a picture file is far smaller.
    if (size == 0 || size > std::numeric_limits<DWORD>::max())
        return Fail(Failure::Refused, size == 0 ? "the file is empty" : "the file is too large");

    const std::string claim = CheckClaim(Format, bytes, size);
    if (!claim.empty())
        return Fail(Failure::Refused, claim);

    HRESULT result = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        __uuidof(IWICImagingFactory), Factory.ReceiveVoid());
    if (FAILED(result))
        return Fail(Failure::CannotOpen, "the system's picture decoders cannot be started");
    result = Factory->CreateDecoder(Container, nullptr, Decoder.Receive());
    if (FAILED(result))
        return Fail(Failure::Refused, NoDecoderReason(Format));
    result = Factory->CreateStream(Stream.Receive());
    if (SUCCEEDED(result))
        result = Stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size));
    if (FAILED(result))
        return Fail(Failure::CannotOpen, DescribeWicError(result));
    result = Decoder->Initialize(Stream.Get(), WICDecodeMetadataCacheOnDemand);
    if (SUCCEEDED(result))
        result = Decoder->GetFrame(0, Frame.Receive());
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(result))
        result = Frame->GetSize(&width, &height);
    if (FAILED(result))
        return Refuse(damaged, result);

    if (!AcceptSize(PictureFormatName(Format), width, height))
        return false;
    HeaderRead.Width = UnscaledWidth = width;
    HeaderRead.Height = UnscaledHeight = height;
    HeaderRead.HasAlpha = DetectAlpha();
    Pixels = Frame.Get();
    SetUpColourTransform();
    if (!SetUpConverter(Pixels))
        return false;
    if (!Choose)
        return true;
    std::uint32_t chosenWidth = width;
    std::uint32_t chosenHeight = height;
    Choose(chosenWidth, chosenHeight);
    if (chosenWidth == 0 || chosenHeight == 0 || chosenWidth >= width || chosenHeight >= height)
        return true;
    return ScaleTo(chosenWidth, chosenHeight);
}

// Whether the frame's pixels can carry alpha: a palette with a transparent entry, or a pixel
// format with an alpha channel. Pictures without are never composited.
bool CWicDecoder::DetectAlpha()
{
    WICPixelFormatGUID format;
    if (FAILED(Frame->GetPixelFormat(&format)))
        return true;
    if (IsIndexed(format))
    {
        CComPtr<IWICPalette> palette;
        BOOL hasAlpha = TRUE;
        if (SUCCEEDED(Factory->CreatePalette(palette.Receive())) && SUCCEEDED(Frame->CopyPalette(palette.Get())) &&
            SUCCEEDED(palette->HasAlpha(&hasAlpha)))
            return hasAlpha != FALSE;
        // Some decoders keep the palette in the container (GIF's global one).
        if (SUCCEEDED(Decoder->CopyPalette(palette.Get())) && SUCCEEDED(palette->HasAlpha(&hasAlpha)))
            return hasAlpha != FALSE;
        return true;
    }
    CComPtr<IWICComponentInfo> info;
    CComPtr<IWICPixelFormatInfo2> pixelInfo;
    BOOL transparency = TRUE;
    if (SUCCEEDED(Factory->CreateComponentInfo(format, info.Receive())) && SUCCEEDED(info.QueryInterface(pixelInfo)) &&
        SUCCEEDED(pixelInfo->SupportsTransparency(&transparency)))
        return transparency != FALSE;
    return true;  // unknown: compositing pixels that are opaque changes nothing
}

// Puts WIC's colour transform between the frame and the rows when the frame carries an ICC
// profile: the frame as 32-bit BGRA, turned from its profile into sRGB. Without one the rows are
// the frame's as they are; so they are, with a warning, when the system cannot transform it.
void CWicDecoder::SetUpColourTransform()
{
    UINT count = 0;
    if (FAILED(Frame->GetColorContexts(0, nullptr, &count)) || count == 0 || count > 8)
        return;
    CComPtr<IWICColorContext> contexts[8];
    IWICColorContext* raw[8] = {};
    for (UINT n = 0; n < count; ++n)
    {
        if (FAILED(Factory->CreateColorContext(contexts[n].Receive())))
            return;
        raw[n] = contexts[n].Get();
    }
    if (FAILED(Frame->GetColorContexts(count, raw, &count)))
        return;
    IWICColorContext* profile = nullptr;
    for (UINT n = 0; n < count && !profile; ++n)
    {
        WICColorContextType type = WICColorContextUninitialized;
        if (SUCCEEDED(raw[n]->GetType(&type)) && type == WICColorContextProfile)
            profile = raw[n];
    }
    CComPtr<IWICColorContext> srgb;
    const UINT ExifSrgb = 1;
    if (!profile)
        return;
    CComPtr<IWICFormatConverter> bgra;
    CComPtr<IWICColorTransform> transform;
    if (FAILED(Factory->CreateColorContext(srgb.Receive())) || FAILED(srgb->InitializeFromExifColorSpace(ExifSrgb)) ||
        FAILED(Factory->CreateFormatConverter(bgra.Receive())) ||
        FAILED(bgra->Initialize(Frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom)) ||
        FAILED(Factory->CreateColorTransformer(transform.Receive())) ||
        FAILED(transform->Initialize(bgra.Get(), profile, srgb.Get(), GUID_WICPixelFormat32bppBGRA)))
    {
        Warn("its colour profile could not be applied: the colours are shown as stored");
        return;
    }
    FrameBgra = std::move(bgra);
    ColourTransform = std::move(transform);
    Pixels = ColourTransform.Get();
}

bool CWicDecoder::SetUpConverter(IWICBitmapSource* source)
{
    const std::string damaged = std::string("damaged ") + PictureFormatName(Format) + " data";
    HRESULT result = Factory->CreateFormatConverter(Converter.Receive());
    if (SUCCEEDED(result))
        result = Converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom);
    if (FAILED(result))
    {
        Converter.Release();
        return Refuse(damaged, result);
    }
    return true;
}

bool CWicDecoder::ScaleTo(std::uint32_t width, std::uint32_t height)
{
    if (!Frame || NextRow != 0 || width == 0 || height == 0)
        return Fail(Failure::Refused, "the picture cannot be scaled now");
    if (width == HeaderRead.Width && height == HeaderRead.Height)
        return true;
    HRESULT result = Factory->CreateBitmapScaler(Scaler.Receive());
    if (SUCCEEDED(result))
        result = Scaler->Initialize(Pixels, width, height, WICBitmapInterpolationModeFant);
    if (FAILED(result))
    {
        Scaler.Release();
        return Refuse("the picture cannot be scaled", result);
    }
    if (!SetUpConverter(Scaler.Get()))
        return false;
    HeaderRead.Width = width;
    HeaderRead.Height = height;
    return true;
}

bool CWicDecoder::ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count)
{
    if (!Converter)
        return LastFailure() != Failure::None ? false : Fail(Failure::Refused, "the picture is not open");
    if (count > HeaderRead.Height - NextRow)
        return Fail(Failure::Refused, "more rows were asked for than the picture has");

    const std::uint64_t rowBytes = std::uint64_t(HeaderRead.Width) * 4;
    // Rows laid out one after the other with a positive stride go in one call, up to a limit;
    // any other layout goes a row at a time.
    const bool together = stride > 0 && std::uint64_t(stride) >= rowBytes;
    const std::uint32_t perCall =
        together ? static_cast<std::uint32_t>(std::max<std::uint64_t>(1, MaximumCopyBytes / std::uint64_t(stride))) : 1;
    for (std::uint32_t done = 0; done < count;)
    {
        const std::uint32_t rows = std::min(perCall, count - done);
        const WICRect rect = {0, static_cast<INT>(NextRow), static_cast<INT>(HeaderRead.Width), static_cast<INT>(rows)};
        const UINT step = together ? static_cast<UINT>(stride) : static_cast<UINT>(rowBytes);
        const UINT size = static_cast<UINT>(std::uint64_t(step) * (rows - 1) + rowBytes);
        const HRESULT result =
            Converter->CopyPixels(&rect, step, size, out + static_cast<std::ptrdiff_t>(done) * stride);
        if (FAILED(result))
        {
            Converter.Release();
            return Refuse(std::string("damaged ") + PictureFormatName(Format) + " data", result);
        }
        done += rows;
        NextRow += rows;
    }
    return true;
}
