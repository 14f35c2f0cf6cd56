#include "tests/engine/PictureEncoder.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>

#include <jpeglib.h>

namespace
{

// The picture's distinct colours in order of appearance, and each pixel's index.
struct Palette
{
    std::vector<std::uint32_t> Colors;  // red | green << 8 | blue << 16 | alpha << 24
    std::map<std::uint32_t, unsigned> Index;
};

std::uint32_t Pack(const std::uint8_t* p)
{
    return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

Palette MakePalette(std::uint32_t width, std::uint32_t height, const RgbaRowSource& rows)
{
    Palette palette;
    std::vector<std::uint8_t> row(std::size_t(width) * 4);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        rows(y, row.data());
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t color = Pack(&row[4 * x]);
            if (palette.Index.emplace(color, static_cast<unsigned>(palette.Colors.size())).second)
                palette.Colors.push_back(color);
        }
    }
    return palette;
}

void PutSample(std::uint8_t* out, std::size_t index, unsigned value, int depth)
{
    if (depth == 16)
    {
        out[2 * index] = static_cast<std::uint8_t>(value >> 8);
        out[2 * index + 1] = static_cast<std::uint8_t>(value);
    }
    else if (depth == 8)
    {
        out[index] = static_cast<std::uint8_t>(value);
    }
    else
    {
        const std::size_t bit = index * depth;
        out[bit / 8] |= static_cast<std::uint8_t>(value << (8 - depth - bit % 8));
    }
}

unsigned Scale(unsigned value8, int depth)
{
    if (depth == 16)
        return value8 * 257;
    const unsigned top = (1u << depth) - 1;
    return (value8 * top + 127) / 255;
}

void OnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// Guarded by setjmp: writes the rows with libpng (no object with a destructor lives here).
bool WritePngRows(png_structp png, png_infop info, std::FILE* file, std::uint32_t width, std::uint32_t height,
                  const PngOptions& options, const Palette* palette, const RgbaRowSource* rows, std::uint8_t* rgba,
                  std::uint8_t* packed, std::size_t packedBytes);

}  // namespace

bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height, const PngOptions& options,
              const RgbaRowSource& rows)
{
    Palette palette;
    if (options.ColorType == PNG_COLOR_TYPE_PALETTE)
        palette = MakePalette(width, height, rows);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = options.ColorType == 0 || options.ColorType == 3 ? 1
                         : options.ColorType == 4                         ? 2
                         : options.ColorType == 2                         ? 3
                                                                          : 4;
    std::vector<std::uint8_t> rgba(std::size_t(width) * 4);
    const std::size_t packedBytes = (std::size_t(width) * channels * options.BitDepth + 7) / 8;
    std::vector<std::uint8_t> packed(packedBytes);
    const bool written =
        WritePngRows(png, info, file, width, height, options, &palette, &rows, rgba.data(), packed.data(), packedBytes);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

namespace
{

bool WritePngRows(png_structp png, png_infop info, std::FILE* file, std::uint32_t width, std::uint32_t height,
                  const PngOptions& options, const Palette* palette, const RgbaRowSource* rows, std::uint8_t* rgba,
                  std::uint8_t* packed, std::size_t packedBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, options.BitDepth, options.ColorType,
                 options.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (options.ColorType == PNG_COLOR_TYPE_PALETTE)
    {
        png_color colors[256];
        png_byte alphas[256];
        bool transparent = false;
        const std::size_t count = palette->Colors.size();
        for (std::size_t n = 0; n < count && n < 256; ++n)
        {
            const std::uint32_t c = palette->Colors[n];
            colors[n] = {static_cast<png_byte>(c), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c >> 16)};
            alphas[n] = static_cast<png_byte>(c >> 24);
            transparent = transparent || alphas[n] != 255;
        }
        png_set_PLTE(png, info, colors, static_cast<int>(count));
        if (transparent)
            png_set_tRNS(png, info, alphas, static_cast<int>(count), nullptr);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    std::uint8_t* out = packed;
    for (int pass = 0; pass < passes; ++pass)
        for (std::uint32_t y = 0; y < height; ++y)
        {
            (*rows)(y, rgba);
            std::memset(packed, 0, packedBytes);
            for (std::uint32_t x = 0; x < width; ++x)
            {
                const std::uint8_t* p = rgba + 4 * x;
                const int depth = options.BitDepth;
                switch (options.ColorType)
                {
                case PNG_COLOR_TYPE_GRAY: PutSample(out, x, Scale(p[0], depth), depth); break;
                case PNG_COLOR_TYPE_GRAY_ALPHA:
                    PutSample(out, 2 * std::size_t(x), Scale(p[0], depth), depth);
                    PutSample(out, 2 * std::size_t(x) + 1, Scale(p[3], depth), depth);
                    break;
                case PNG_COLOR_TYPE_PALETTE: PutSample(out, x, palette->Index.at(Pack(p)), depth); break;
                default:
                    for (int c = 0; c < (options.ColorType == PNG_COLOR_TYPE_RGB ? 3 : 4); ++c)
                        PutSample(out, std::size_t(x) * (options.ColorType == PNG_COLOR_TYPE_RGB ? 3 : 4) + c,
                                  Scale(p[c], depth), depth);
                }
            }
            png_write_row(png, out);
        }
    png_write_end(png, info);
    return true;
}

struct JpegErrors
{
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void OnJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->Jump, 1);
}

// Guarded by setjmp: compresses the rows with libjpeg.
bool CompressJpeg(jpeg_compress_struct& info, std::FILE* file, std::uint32_t width, std::uint32_t height,
                  const JpegOptions& options, const std::uint8_t* exif, unsigned exifBytes, const RgbaRowSource* rows,
                  std::uint8_t* rgba, std::uint8_t* samples)
{
    if (setjmp(reinterpret_cast<JpegErrors*>(info.err)->Jump))
        return false;
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = options.Grey ? 1 : 3;
    info.in_color_space = options.Grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.Quality, TRUE);
    if (options.Progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (exifBytes > 0)
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif, exifBytes);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        (*rows)(y, rgba);
        for (std::uint32_t x = 0; x < width; ++x)
        {
            if (options.Grey)
                samples[x] = rgba[4 * x];
            else
                std::memcpy(samples + 3 * x, rgba + 4 * x, 3);
        }
        JSAMPROW row = samples;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

bool WriteJpeg(const std::string& path, std::uint32_t width, std::uint32_t height, const JpegOptions& options,
               const RgbaRowSource& rows)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const std::vector<std::uint8_t> exif = options.Orientation
                                               ? ExifOrientationBlock(options.Orientation, options.BigEndianExif)
                                               : std::vector<std::uint8_t>();
    std::vector<std::uint8_t> rgba(std::size_t(width) * 4), samples(std::size_t(width) * 3);
    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = OnJpegError;
    const bool written = CompressJpeg(info, file, width, height, options, exif.data(),
                                      static_cast<unsigned>(exif.size()), &rows, rgba.data(), samples.data());
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0 && written;
}

bool WriteGif(const std::string& path, const TestPicture& picture, const GifOptions& options)
{
    const Palette palette = MakePalette(picture.Width, picture.Height, picture.Rows());
    int transparent = -1;
    std::vector<GifColorType> colors(256, GifColorType{0, 0, 0});
    std::map<std::uint32_t, int> index;
    int count = 0;
    for (std::uint32_t color : palette.Colors)
    {
        if ((color >> 24) == 0)
        {
            if (transparent < 0)
                transparent = count++;
            index[color] = transparent;
            continue;
        }
        if (count >= 256)
            return false;
        colors[count] = GifColorType{std::uint8_t(color), std::uint8_t(color >> 8), std::uint8_t(color >> 16)};
        index[color] = count++;
    }
    if (count > 256)
        return false;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif)
        return false;
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    bool ok =
        EGifPutScreenDesc(gif, static_cast<int>(picture.Width), static_cast<int>(picture.Height), 8, 0, map) == GIF_OK;
    if (ok && transparent >= 0)
    {
        GraphicsControlBlock control = {DISPOSAL_UNSPECIFIED, false, 0, transparent};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(picture.Width), static_cast<int>(picture.Height),
                                options.Interlaced, nullptr) == GIF_OK;
    std::vector<std::uint32_t> order;
    if (options.Interlaced)
    {
        const std::uint32_t starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (std::uint32_t y = starts[pass]; y < picture.Height; y += steps[pass])
                order.push_back(y);
    }
    else
    {
        for (std::uint32_t y = 0; y < picture.Height; ++y)
            order.push_back(y);
    }
    std::vector<GifPixelType> line(picture.Width);
    for (std::uint32_t y : order)
    {
        for (std::uint32_t x = 0; x < picture.Width; ++x)
            line[x] = static_cast<GifPixelType>(index.at(Pack(picture.At(x, y))));
        ok = ok && EGifPutLine(gif, line.data(), static_cast<int>(picture.Width)) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

bool WriteTiff(const std::string& path, std::uint32_t width, std::uint32_t height, const TiffOptions& options,
               const RgbaRowSource& rows)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff)
        return false;
    const std::uint16_t samples = options.Alpha ? 4 : 3;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, options.Orientation);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, options.Deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
    if (options.Alpha)
    {
        const std::uint16_t kinds[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, kinds);
    }
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP,
                 options.RowsPerStrip ? options.RowsPerStrip : TIFFDefaultStripSize(tiff, 0));
    std::vector<std::uint8_t> rgba(std::size_t(width) * 4), line(std::size_t(width) * samples);
    bool ok = true;
    for (std::uint32_t y = 0; y < height && ok; ++y)
    {
        rows(y, rgba.data());
        for (std::uint32_t x = 0; x < width; ++x)
            std::memcpy(&line[std::size_t(x) * samples], &rgba[4 * std::size_t(x)], samples);
        ok = TIFFWriteScanline(tiff, line.data(), y, 0) == 1;
    }
    TIFFClose(tiff);
    return ok;
}

bool WriteWebP(const std::string& path, const TestPicture& picture, bool lossless)
{
    std::uint8_t* encoded = nullptr;
    const int width = static_cast<int>(picture.Width), height = static_cast<int>(picture.Height);
    const std::size_t size = lossless ? WebPEncodeLosslessRGBA(picture.Rgba.data(), width, height, width * 4, &encoded)
                                      : WebPEncodeRGBA(picture.Rgba.data(), width, height, width * 4, 90, &encoded);
    if (size == 0)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fwrite(encoded, 1, size, file) == size;
    if (file)
        ok = std::fclose(file) == 0 && ok;
    WebPFree(encoded);
    return ok;
}

bool CanWriteTestPicture(const TestEncoding&)
{
    return true;  // the libraries write every kind the tests ask for
}

bool WriteTestPicture(const std::string& path, const TestPicture& picture, const TestEncoding& encoding,
                      std::string& error)
{
    const int pngTypes[] = {2, 6, 0, 4, 3};  // by TestLayout
    const bool alpha = encoding.Layout == TestLayout::Rgba;
    bool written = false;
    switch (encoding.Format)
    {
    case TestFormat::Png:
        written =
            WritePng(path, picture.Width, picture.Height,
                     {pngTypes[static_cast<int>(encoding.Layout)], encoding.Bits, encoding.Interlaced}, picture.Rows());
        break;
    case TestFormat::Jpeg:
        written = WriteJpeg(path, picture.Width, picture.Height,
                            {95, encoding.Interlaced, encoding.Layout == TestLayout::Grey, encoding.Orientation,
                             encoding.BigEndianExif},
                            picture.Rows());
        break;
    case TestFormat::Gif: written = WriteGif(path, picture, {encoding.Interlaced}); break;
    case TestFormat::Tiff:
        written = WriteTiff(path, picture.Width, picture.Height,
                            {encoding.Orientation ? encoding.Orientation : 1, alpha, encoding.Compressed,
                             encoding.Compressed ? 4u : 0u},
                            picture.Rows());
        break;
    case TestFormat::WebP: written = WriteWebP(path, picture, !encoding.Lossy); break;
    }
    if (!written)
        error = "the encoder failed";
    return written;
}
