#include "tests/engine/WicPictures.h"

#include "decoders/ComInitializer.h"
#include "decoders/ComPtr.h"
#include "tests/engine/BmpBuilder.h"

#include <oleauto.h>

#include <cstdio>
#include <map>

namespace
{

std::string Describe(const char* step, HRESULT result)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed: 0x%08lX", step, static_cast<unsigned long>(result));
    return text;
}

// The stored rows of the picture in the asked layout; the palette for Indexed8.
struct Stored
{
    WICPixelFormatGUID Format;
    UINT Stride = 0;
    std::vector<BYTE> Bytes;
    std::vector<WICColor> Palette;
};

bool StorePixels(const TestPicture& picture, StoredAs stored, Stored& out, std::string& error)
{
    const std::uint32_t w = picture.Width;
    const unsigned bytesPerPixel[] = {3, 4, 1, 1, 6};
    const GUID* formats[] = {&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat8bppGray,
                             &GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat48bppRGB};
    const auto kind = static_cast<int>(stored);
    out.Format = *formats[kind];
    out.Stride = (w * bytesPerPixel[kind] + 3) & ~3u;
    out.Bytes.assign(std::size_t(out.Stride) * picture.Height, 0);
    std::map<std::uint32_t, BYTE> indices;
    for (std::uint32_t y = 0; y < picture.Height; ++y)
    {
        BYTE* row = out.Bytes.data() + std::size_t(y) * out.Stride;
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::uint8_t* rgba = picture.At(x, y);
            const BYTE r = rgba[0], g = rgba[1], b = rgba[2], a = rgba[3];
            const std::uint32_t p = std::uint32_t(a) << 24 | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
            switch (stored)
            {
            case StoredAs::Bgr24: row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r; break;
            case StoredAs::Bgra32: row[4 * x] = b, row[4 * x + 1] = g, row[4 * x + 2] = r, row[4 * x + 3] = a; break;
            case StoredAs::Gray8: row[x] = r; break;
            case StoredAs::Indexed8:
            {
                auto found = indices.find(p);
                if (found == indices.end())
                {
                    if (indices.size() == 256)
                    {
                        error = "the picture has more than 256 colours";
                        return false;
                    }
                    found = indices.emplace(p, static_cast<BYTE>(indices.size())).first;
                    out.Palette.push_back(p);
                }
                row[x] = found->second;
                break;
            }
            case StoredAs::Rgb48:
            {
                const unsigned channels[3] = {r, g, b};
                for (int c = 0; c < 3; ++c)
                {
                    const unsigned v = channels[c] * 257;
                    row[6 * x + 2 * c] = v & 0xFF;
                    row[6 * x + 2 * c + 1] = v >> 8;
                }
                break;
            }
            }
        }
    }
    return true;
}

// The JPEG with an APP1 segment of content exif put in after its start marker.
std::vector<std::uint8_t> WithExif(const std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& exif)
{
    const std::size_t length = exif.size() + 2;
    std::vector<std::uint8_t> out = {jpeg[0], jpeg[1], 0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length)};
    out.insert(out.end(), exif.begin(), exif.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

}  // namespace

bool WriteWicPicture(const std::string& path, const GUID& container, const TestPicture& picture, StoredAs stored,
                     std::string& error, bool interlaced)
{
    Stored pixels;
    if (!StorePixels(picture, stored, pixels, error))
        return false;

    CComInitializer com;
    CComPtr<IWICImagingFactory> factory;
    CComPtr<IWICStream> stream;
    CComPtr<IWICBitmapEncoder> encoder;
    CComPtr<IWICBitmapFrameEncode> frame;
    CComPtr<IPropertyBag2> options;
    const std::wstring widePath(path.begin(), path.end());
    HRESULT result = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        __uuidof(IWICImagingFactory), factory.ReceiveVoid());
    if (FAILED(result))
        return error = Describe("CoCreateInstance", result), false;
    if (FAILED(result = factory->CreateStream(stream.Receive())) ||
        FAILED(result = stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)))
        return error = Describe("the stream", result), false;
    if (FAILED(result = factory->CreateEncoder(container, nullptr, encoder.Receive())) ||
        FAILED(result = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(result = encoder->CreateNewFrame(frame.Receive(), options.Receive())))
        return error = Describe("the encoder", result), false;
    if (interlaced)
    {
        PROPBAG2 option = {};
        option.pstrName = const_cast<LPOLESTR>(L"InterlaceOption");
        VARIANT value;
        ::VariantInit(&value);
        value.vt = VT_BOOL;
        value.boolVal = VARIANT_TRUE;
        if (FAILED(result = options->Write(1, &option, &value)))
            return error = Describe("the interlace option", result), false;
    }
    WICPixelFormatGUID format = pixels.Format;
    if (FAILED(result = frame->Initialize(options.Get())) ||
        FAILED(result = frame->SetSize(picture.Width, picture.Height)) ||
        FAILED(result = frame->SetPixelFormat(&format)))
        return error = Describe("the frame", result), false;
    if (!IsEqualGUID(format, pixels.Format))
        return error = "the encoder would store another pixel format", false;
    if (!pixels.Palette.empty())
    {
        CComPtr<IWICPalette> palette;
        if (FAILED(result = factory->CreatePalette(palette.Receive())) ||
            FAILED(result =
                       palette->InitializeCustom(pixels.Palette.data(), static_cast<UINT>(pixels.Palette.size()))) ||
            FAILED(result = frame->SetPalette(palette.Get())))
            return error = Describe("the palette", result), false;
    }
    if (FAILED(result = frame->WritePixels(picture.Height, pixels.Stride, static_cast<UINT>(pixels.Bytes.size()),
                                           pixels.Bytes.data())) ||
        FAILED(result = frame->Commit()) || FAILED(result = encoder->Commit()))
        return error = Describe("writing", result), false;
    return true;
}

std::vector<std::uint8_t> WithExifOrientation(const std::vector<std::uint8_t>& jpeg, unsigned orientation)
{
    return WithExif(jpeg, ExifOrientationBlock(static_cast<int>(orientation), false));
}

bool CanWriteTestPicture(const TestEncoding& encoding)
{
    const TestLayout layout = encoding.Layout;
    // Colour profiles, PNG's eXIf and exact 16-bit samples are not written here.
    if (!encoding.Profile.empty() || encoding.HighByteOnly ||
        (encoding.Orientation != 0 && encoding.Format != TestFormat::Jpeg && encoding.Format != TestFormat::Tiff))
        return false;
    switch (encoding.Format)
    {
    case TestFormat::Png:
        return (encoding.Bits == 8 && layout != TestLayout::GreyAlpha) ||
               (encoding.Bits == 16 && layout == TestLayout::Rgb && !encoding.Interlaced);
    case TestFormat::Jpeg: return layout == TestLayout::Rgb && !encoding.Interlaced;
    // WIC's GIF encoder keeps no transparent colour (TestLayout::Rgba).
    case TestFormat::Gif: return layout == TestLayout::Palette && !encoding.Interlaced;
    case TestFormat::Tiff:
        return (layout == TestLayout::Rgb || layout == TestLayout::Rgba) && encoding.Orientation <= 1 &&
               !encoding.Compressed;
    case TestFormat::WebP:
    case TestFormat::Heif:
    case TestFormat::Avif:
    case TestFormat::Jxl: return false;  // WIC has no encoders for these
    }
    return false;
}

bool WriteTestPicture(const std::string& path, const TestPicture& picture, const TestEncoding& encoding,
                      std::string& error)
{
    if (!CanWriteTestPicture(encoding))
        return error = "WIC's encoders cannot store this kind", false;
    const GUID* containers[] = {&GUID_ContainerFormatPng, &GUID_ContainerFormatJpeg, &GUID_ContainerFormatGif,
                                &GUID_ContainerFormatTiff};
    const StoredAs layouts[] = {StoredAs::Bgr24, StoredAs::Bgra32, StoredAs::Gray8, StoredAs::Bgr24,
                                StoredAs::Indexed8};
    const StoredAs stored = encoding.Bits == 16 ? StoredAs::Rgb48 : layouts[static_cast<int>(encoding.Layout)];
    if (!WriteWicPicture(path, *containers[static_cast<int>(encoding.Format)], picture, stored, error,
                         encoding.Interlaced))
        return false;
    if (encoding.Format != TestFormat::Jpeg || encoding.Orientation == 0)
        return true;
    const auto exif = ExifOrientationBlock(encoding.Orientation, encoding.BigEndianExif);
    return WriteBytes(path, WithExif(ReadBytes(path), exif)) || (error = "cannot write " + path, false);
}
