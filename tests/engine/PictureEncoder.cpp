#include "tests/engine/PictureEncoder.h"

#include "tests/engine/BmpBuilder.h"

#include <gif_lib.h>
#include <jxl/encode.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <algorithm>
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

unsigned Scale(unsigned value8, int depth, bool highByteOnly = false)
{
    if (depth == 16)
        return highByteOnly ? value8 << 8 : value8 * 257;
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
    if (!options.Profile.empty())
        png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, options.Profile.data(),
                     static_cast<png_uint_32>(options.Profile.size()));
    if (options.Gamma != 0)
    {
        const double* c = options.Chromaticities;
        png_set_gAMA(png, info, options.Gamma);
        png_set_cHRM(png, info, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
    }
    std::vector<std::uint8_t> exif;
    if (options.Orientation)
    {
        // eXIf holds the TIFF structure alone.
        exif = ExifOrientationBlock(options.Orientation, true);
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size() - 6), exif.data() + 6);
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
                case PNG_COLOR_TYPE_GRAY: PutSample(out, x, Scale(p[0], depth, options.HighByteOnly), depth); break;
                case PNG_COLOR_TYPE_GRAY_ALPHA:
                    PutSample(out, 2 * std::size_t(x), Scale(p[0], depth), depth);
                    PutSample(out, 2 * std::size_t(x) + 1, Scale(p[3], depth), depth);
                    break;
                case PNG_COLOR_TYPE_PALETTE: PutSample(out, x, palette->Index.at(Pack(p)), depth); break;
                default:
                    for (int c = 0; c < (options.ColorType == PNG_COLOR_TYPE_RGB ? 3 : 4); ++c)
                        PutSample(out, std::size_t(x) * (options.ColorType == PNG_COLOR_TYPE_RGB ? 3 : 4) + c,
                                  Scale(p[c], depth, options.HighByteOnly), depth);
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
    if (!options.Profile.empty())
        jpeg_write_icc_profile(&info, options.Profile.data(), static_cast<unsigned>(options.Profile.size()));
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
    if (std::fclose(file) != 0 || !written)
        return false;
    if (options.StrayBytes == 0)
        return true;
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    bytes.insert(bytes.end() - 2, options.StrayBytes, 0x55);
    return WriteBytes(path, bytes);
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
    for (int frame = 0; frame < options.Frames; ++frame)
    {
        ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(picture.Width), static_cast<int>(picture.Height),
                                    options.Interlaced, nullptr) == GIF_OK;
        for (std::uint32_t y : order)
        {
            for (std::uint32_t x = 0; x < picture.Width; ++x)
                line[x] = static_cast<GifPixelType>(index.at(Pack(picture.At(x, y))));
            ok = ok && EGifPutLine(gif, line.data(), static_cast<int>(picture.Width)) == GIF_OK;
        }
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
    if (!options.Profile.empty())
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(options.Profile.size()),
                     options.Profile.data());
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

bool WriteWebP(const std::string& path, const TestPicture& picture, bool lossless, int orientation,
               const std::vector<std::uint8_t>& profile)
{
    std::uint8_t* encoded = nullptr;
    const int width = static_cast<int>(picture.Width), height = static_cast<int>(picture.Height);
    const std::size_t size = lossless ? WebPEncodeLosslessRGBA(picture.Rgba.data(), width, height, width * 4, &encoded)
                                      : WebPEncodeRGBA(picture.Rgba.data(), width, height, width * 4, 90, &encoded);
    if (size == 0)
        return false;
    std::vector<std::uint8_t> bytes(encoded, encoded + size);
    WebPFree(encoded);
    if (orientation || !profile.empty())
    {
        // The chunks around the picture go in through libwebp's muxer.
        const WebPData image = {bytes.data(), bytes.size()};
        WebPMux* mux = WebPMuxCreate(&image, 1);
        const std::vector<std::uint8_t> exif = ExifOrientationBlock(orientation ? orientation : 1, false);
        const WebPData exifData = {exif.data() + 6, exif.size() - 6};
        const WebPData iccData = {profile.data(), profile.size()};
        WebPData assembled = {nullptr, 0};
        bool ok = mux && (!orientation || WebPMuxSetChunk(mux, "EXIF", &exifData, 1) == WEBP_MUX_OK) &&
                  (profile.empty() || WebPMuxSetChunk(mux, "ICCP", &iccData, 1) == WEBP_MUX_OK) &&
                  WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
        if (ok)
            bytes.assign(assembled.bytes, assembled.bytes + assembled.size);
        WebPDataClear(&assembled);
        WebPMuxDelete(mux);
        if (!ok)
            return false;
    }
    return WriteBytes(path, bytes);
}

bool WriteHeif(const std::string& path, const TestPicture& picture, const HeifOptions& options)
{
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_encoding_options* settings = heif_encoding_options_alloc();
    const heif_chroma chroma = options.Alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    bool ok = heif_context_get_encoder_for_format(context, options.Avif ? heif_compression_AV1 : heif_compression_HEVC,
                                                  &encoder)
                      .code == heif_error_Ok &&
              heif_encoder_set_lossy_quality(encoder, options.Fast ? 80 : 95).code == heif_error_Ok &&
              (!options.Fast ||
               heif_encoder_set_parameter(encoder, options.Avif ? "speed" : "preset", options.Avif ? "9" : "ultrafast")
                       .code == heif_error_Ok) &&
              heif_image_create(int(picture.Width), int(picture.Height), heif_colorspace_RGB, chroma, &image).code ==
                  heif_error_Ok &&
              heif_image_add_plane(image, heif_channel_interleaved, int(picture.Width), int(picture.Height), 8).code ==
                  heif_error_Ok;
    if (ok)
    {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        const unsigned channels = options.Alpha ? 4 : 3;
        for (std::uint32_t y = 0; y < picture.Height; ++y)
            for (std::uint32_t x = 0; x < picture.Width; ++x)
                std::memcpy(plane + std::size_t(y) * stride + x * channels, picture.At(x, y), channels);
        if (!options.Profile.empty())
            ok = heif_image_set_raw_color_profile(image, "prof", options.Profile.data(), options.Profile.size()).code ==
                 heif_error_Ok;
        settings->image_orientation = static_cast<heif_orientation>(options.Orientation);
        ok = ok && heif_context_encode_image(context, image, encoder, settings, nullptr).code == heif_error_Ok &&
             heif_context_write_to_file(context, path.c_str()).code == heif_error_Ok;
    }
    heif_encoding_options_free(settings);
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

bool WriteJxl(const std::string& path, const TestPicture& picture, const JxlOptions& options)
{
    JxlEncoder* encoder = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = picture.Width;
    info.ysize = picture.Height;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.alpha_bits = options.Alpha ? 8 : 0;
    info.num_extra_channels = options.Alpha ? 1 : 0;
    info.uses_original_profile = options.Lossless ? JXL_TRUE : JXL_FALSE;
    info.orientation = static_cast<JxlOrientation>(options.Orientation);
    bool ok = JxlEncoderSetBasicInfo(encoder, &info) == JXL_ENC_SUCCESS;
    if (options.Profile.empty())
    {
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        ok = ok && JxlEncoderSetColorEncoding(encoder, &srgb) == JXL_ENC_SUCCESS;
    }
    else
    {
        ok = ok && JxlEncoderSetICCProfile(encoder, options.Profile.data(), options.Profile.size()) == JXL_ENC_SUCCESS;
    }
    JxlEncoderFrameSettings* frame = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    ok = ok && (options.Lossless ? JxlEncoderSetFrameLossless(frame, JXL_TRUE)
                                 : JxlEncoderSetFrameDistance(frame, 0.5f)) == JXL_ENC_SUCCESS;
    const unsigned channels = options.Alpha ? 4 : 3;
    std::vector<std::uint8_t> pixels;
    for (std::uint32_t y = 0; y < picture.Height; ++y)
        for (std::uint32_t x = 0; x < picture.Width; ++x)
            pixels.insert(pixels.end(), picture.At(x, y), picture.At(x, y) + channels);
    const JxlPixelFormat format = {channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    ok = ok && JxlEncoderAddImageFrame(frame, &format, pixels.data(), pixels.size()) == JXL_ENC_SUCCESS;
    JxlEncoderCloseInput(encoder);
    std::vector<std::uint8_t> bytes(4096);
    std::size_t used = 0;
    JxlEncoderStatus status = JXL_ENC_NEED_MORE_OUTPUT;
    while (ok && status == JXL_ENC_NEED_MORE_OUTPUT)
    {
        std::uint8_t* next = bytes.data() + used;
        std::size_t left = bytes.size() - used;
        status = JxlEncoderProcessOutput(encoder, &next, &left);
        used = static_cast<std::size_t>(next - bytes.data());
        if (status == JXL_ENC_NEED_MORE_OUTPUT)
            bytes.resize(bytes.size() * 2);
    }
    JxlEncoderDestroy(encoder);
    bytes.resize(used);
    return ok && status == JXL_ENC_SUCCESS && WriteBytes(path, bytes);
}

// Every code a literal, with a clear code after every second so that codes stay 3 bits wide.
bool WriteGifWithoutColourTable(const std::string& path, const TestPicture& indices)
{
    const auto w = static_cast<std::uint8_t>(indices.Width), h = static_cast<std::uint8_t>(indices.Height);
    std::vector<std::uint8_t> bytes = {'G', 'I', 'F', '8', '9', 'a', w, 0, h, 0, 0x01, 0, 0};
    bytes.insert(bytes.end(), {0x2C, 0, 0, 0, 0, w, 0, h, 0, 0x00, 2});
    std::vector<std::uint8_t> packed;
    unsigned bits = 0, filled = 0;
    auto put = [&](unsigned code) {
        bits |= code << filled;
        filled += 3;
        while (filled >= 8)
            packed.push_back(static_cast<std::uint8_t>(bits)), bits >>= 8, filled -= 8;
    };
    const unsigned clear = 4, end = 5;
    put(clear);
    unsigned count = 0;
    for (std::uint32_t y = 0; y < indices.Height; ++y)
        for (std::uint32_t x = 0; x < indices.Width; ++x)
        {
            put(indices.At(x, y)[0] & 3u);
            if (++count % 2 == 0)
                put(clear);
        }
    put(end);
    if (filled > 0)
        packed.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < packed.size(); at += 255)
    {
        const std::size_t block = std::min<std::size_t>(255, packed.size() - at);
        bytes.push_back(static_cast<std::uint8_t>(block));
        bytes.insert(bytes.end(), packed.begin() + at, packed.begin() + at + block);
    }
    bytes.insert(bytes.end(), {0, 0x3B});
    return WriteBytes(path, bytes);
}

bool WriteGifCutInSecondFrame(const std::string& path, const TestPicture& picture)
{
    if (!WriteGif(path, picture, {false, 3}))
        return false;
    // Three frames of one size after the header and its colour table of 256, then the trailer
    // byte: cut halfway into the second.
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    const std::size_t head = 13 + 768, frame = (bytes.size() - head - 1) / 3;
    bytes.resize(head + frame + frame / 2);
    return WriteBytes(path, bytes);
}

bool WriteTiffSamples(const std::string& path, std::uint32_t width, std::uint32_t height, int photometric, int bits,
                      int samplesPerPixel, const std::vector<unsigned>& samples, int sampleFormat, bool separate)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, sampleFormat);
    if (photometric == PHOTOMETRIC_SEPARATED)
        TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    const std::size_t perRow = std::size_t(width) * samplesPerPixel;
    const std::size_t rowBytes = (perRow * bits + 7) / 8;
    std::vector<std::uint8_t> rows(rowBytes * height);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        std::uint8_t* row = &rows[y * rowBytes];
        for (std::size_t n = 0; n < perRow; ++n)
        {
            const unsigned value = samples[y * perRow + n];
            if (sampleFormat == SAMPLEFORMAT_IEEEFP && bits == 32)
            {
                const float single = float(value) / 1000;
                std::memcpy(&row[4 * n], &single, 4);
                continue;
            }
            if (sampleFormat == SAMPLEFORMAT_IEEEFP)
            {
                const double wide = double(value) / 1000;
                std::memcpy(&row[8 * n], &wide, 8);
                continue;
            }
            if (bits == 16)
            {
                const std::uint16_t wide = static_cast<std::uint16_t>(value);
                std::memcpy(&row[2 * n], &wide, 2);  // libtiff writes the machine's order as such
                continue;
            }
            for (int bit = 0; bit < bits; ++bit)
                if (value >> (bits - 1 - bit) & 1)
                {
                    const std::size_t at = n * bits + bit;
                    row[at / 8] |= static_cast<std::uint8_t>(0x80 >> (at % 8));
                }
        }
    }
    // Separate planes (whole bytes a sample) are written a plane at a time, as libtiff asks.
    bool ok = true;
    const std::size_t bytes = std::size_t(bits) / 8;
    std::vector<std::uint8_t> plane(std::size_t(width) * bytes);
    for (int sample = 0; sample < (separate ? samplesPerPixel : 1); ++sample)
        for (std::uint32_t y = 0; y < height && ok; ++y)
        {
            std::uint8_t* row = &rows[y * rowBytes];
            if (separate)
                for (std::uint32_t x = 0; x < width; ++x)
                    std::memcpy(&plane[x * bytes], &row[(x * samplesPerPixel + sample) * bytes], bytes);
            ok = TIFFWriteScanline(tiff, separate ? plane.data() : row, y, static_cast<std::uint16_t>(sample)) == 1;
        }
    TIFFClose(tiff);
    return ok;
}

namespace
{

std::vector<std::uint8_t> SaveProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    std::vector<std::uint8_t> bytes;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size))
    {
        bytes.resize(size);
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> SwappedPrimariesProfile()
{
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.30, 0.60, 1.0}, {0.64, 0.33, 1.0}, {0.15, 0.06, 1.0}};
    const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return SaveProfile(profile);
}

std::vector<std::uint8_t> LinearGreyProfile()
{
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE profile = cmsCreateGrayProfile(&white, curve);
    cmsFreeToneCurve(curve);
    return SaveProfile(profile);
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
    const int turned = encoding.Orientation ? encoding.Orientation : 1;
    bool written = false;
    switch (encoding.Format)
    {
    case TestFormat::Png:
    {
        PngOptions options{pngTypes[static_cast<int>(encoding.Layout)],
                           encoding.Bits,
                           encoding.Interlaced,
                           encoding.Orientation,
                           encoding.Profile,
                           encoding.HighByteOnly};
        written = WritePng(path, picture.Width, picture.Height, options, picture.Rows());
        break;
    }
    case TestFormat::Jpeg:
        written = WriteJpeg(path, picture.Width, picture.Height,
                            {95, encoding.Interlaced, encoding.Layout == TestLayout::Grey, encoding.Orientation,
                             encoding.BigEndianExif, encoding.Profile},
                            picture.Rows());
        break;
    case TestFormat::Gif: written = WriteGif(path, picture, {encoding.Interlaced}); break;
    case TestFormat::Tiff:
        written = WriteTiff(path, picture.Width, picture.Height,
                            {turned, alpha, encoding.Compressed, encoding.Compressed ? 4u : 0u, encoding.Profile},
                            picture.Rows());
        break;
    case TestFormat::WebP:
        written = WriteWebP(path, picture, !encoding.Lossy, encoding.Orientation, encoding.Profile);
        break;
    case TestFormat::Heif:
    case TestFormat::Avif:
        written = WriteHeif(path, picture, {encoding.Format == TestFormat::Avif, alpha, turned, encoding.Profile});
        break;
    case TestFormat::Jxl: written = WriteJxl(path, picture, {!encoding.Lossy, alpha, turned, encoding.Profile}); break;
    }
    if (!written)
        error = "the encoder failed";
    return written;
}
