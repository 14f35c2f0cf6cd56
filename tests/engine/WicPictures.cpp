#include "tests/engine/WicPictures.h"

#include "decoders/ComInitializer.h"
#include "tests/engine/BmpBuilder.h"
#include "decoders/ComPtr.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace
{

std::uint32_t Argb(unsigned a, unsigned r, unsigned g, unsigned b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

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
            const std::uint32_t p = picture.At(x, y);
            const BYTE a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            switch (stored)
            {
            case StoredAs::Bgr24: row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r; break;
            case StoredAs::Bgra32: row[4 * x] = b, row[4 * x + 1] = g, row[4 * x + 2] = r, row[4 * x + 3] = a; break;
            case StoredAs::Gray8: row[x] = g; break;
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

}  // namespace

TestPicture MakeTestPicture(std::uint32_t width, std::uint32_t height)
{
    TestPicture picture{width, height, {}};
    picture.Pixels.resize(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const unsigned r = (x * 255) / std::max(1u, width - 1);
            const unsigned g = (y * 255) / std::max(1u, height - 1);
            const unsigned b = ((x + 2 * y) * 37 + (x / 5 % 2) * 90) & 0xFF;
            picture.Pixels[std::size_t(y) * width + x] = Argb(255, r, g, b);
        }
    return picture;
}

TestPicture MakeTransparentTestPicture(std::uint32_t width, std::uint32_t height)
{
    TestPicture picture = MakeTestPicture(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            std::uint32_t& p = picture.Pixels[std::size_t(y) * width + x];
            p = (p & 0x00FFFFFFu) | (((x * 255) / std::max(1u, width - 1)) << 24);
        }
    return picture;
}

TestPicture MakeHalvesTestPicture(std::uint32_t width, std::uint32_t height, std::uint32_t left, std::uint32_t right)
{
    TestPicture picture{width, height, {}};
    picture.Pixels.resize(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            picture.Pixels[std::size_t(y) * width + x] = x < width / 2 ? left : right;
    return picture;
}

TestPicture MakeStripedTestPicture(std::uint32_t width, std::uint32_t height, unsigned colours)
{
    TestPicture picture{width, height, {}};
    picture.Pixels.resize(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const unsigned n = (x / 3 + y / 4) % colours;
            picture.Pixels[std::size_t(y) * width + x] = Argb(255, n * 53 & 0xFF, 255 - n * 29 % 256, n * 97 & 0xFF);
        }
    return picture;
}

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
    // APP1 "Exif": a little-endian TIFF header and one directory with the orientation tag (274,
    // SHORT, one value held in the entry itself), then no further directory.
    const std::uint8_t o = static_cast<std::uint8_t>(orientation);
    const std::vector<std::uint8_t> app1 = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0,    0,    'I', 'I',
                                            0x2A, 0,    8,    0,    0,   0,   1,   0,   0x12, 0x01, 3,   0,
                                            1,    0,    0,    0,    o,   0,   0,   0,   0,    0,    0,   0};
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

std::vector<std::uint8_t> TestPictureAsBmp(const TestPicture& picture)
{
    CBmpBuilder bmp(static_cast<std::int32_t>(picture.Width), static_cast<std::int32_t>(picture.Height), 24);
    for (std::uint32_t y = 0; y < picture.Height; ++y)
        for (std::uint32_t x = 0; x < picture.Width; ++x)
        {
            const std::uint32_t p = picture.At(x, y);
            bmp.SetColor(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                         MakeRgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
    return bmp.Build();
}

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
