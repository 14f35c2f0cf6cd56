// Conversion benchmark: a generated 4000 x 3000 24-bit picture converted at 10 x 4,
// 200 x 75 and 1000 x 375 cells, beside a floor: mapping the file as
// the converter does and touching every byte once. Each is run several times
// (BENCH_REPEATS, default 5). Printed: the minimum and median wall times, the minimum
// processor time of the running thread (steadier than wall time on a shared machine),
// the conversion's cost above the floor per picture pixel by both, and the peak
// anonymous memory of the process (the file mapping is not anonymous).
// The same picture is then converted as a PNG and as a JPEG (written by the libraries'
// encoders), beside the floor of those: the libraries decoding every row alone, with nothing
// done with the rows. Each conversion row also tells the write calls it made (from /proc) and
// its time over the decoding alone. Then the .bmp into the photo page style at the same grids.
// Last, a 48-megapixel photo (8000 x 6000) as HEIC and as AVIF (libheif's encoders at their
// fastest) is converted at the same grids beside libheif decoding it alone; BENCH_HEIF=0 leaves
// them out. With BENCH_KEEP set, the pictures stay in the work directory.
#include "engine/BitmapFile.h"
#include "output/PageConversion.h"
#include "output/PageStyle.h"
#include "tests/engine/PictureEncoder.h"
#include "tests/engine/TempDir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <unistd.h>

#include <csetjmp>
#include <jpeglib.h>
#include <libheif/heif.h>
#include <png.h>

namespace
{

const int PictureWidth = 4000;
const int PictureHeight = 3000;
const double PicturePixels = double(PictureWidth) * PictureHeight;

// RssAnon of this process in KiB, from /proc/self/status.
long AnonymousKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0)
            return std::stol(line.substr(8));
    return -1;
}

// libpng decoding every row of the file, as RGB, into one row: the floor of a PNG conversion.
bool DecodePngAlone(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row;
    bool ok = false;
    if (!setjmp(png_jmpbuf(png)))
    {
        png_init_io(png, file);
        png_read_info(png, info);
        row.resize(png_get_rowbytes(png, info));
        for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
            png_read_row(png, row.data(), nullptr);
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}

// libjpeg decoding every row of the file, as BGRX, into one row: the floor of a JPEG conversion.
bool DecodeJpegAlone(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(std::size_t(info.output_width) * 4);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows, 1);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return true;
}

// libheif decoding the primary picture whole, as interleaved RGB, as the converter asks for it:
// the floor of a HEIC or AVIF conversion.
bool DecodeHeifAlone(const std::string& path)
{
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    bool ok = heif_context_read_from_file(context, path.c_str(), nullptr).code == heif_error_Ok &&
              heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
              heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code ==
                  heif_error_Ok;
    if (image)
        heif_image_release(image);
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(context);
    return ok;
}

void PutU32(std::vector<char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int n = 0; n < 4; ++n)
        bytes[at + n] = static_cast<char>(value >> (8 * n));
}

// Row y of the picture as red, green, blue, alpha: the same pixels in every format. Gradients
// and a pattern, with some grain, so that PNG and JPEG compress it about as they compress a photo.
void PatternRow(std::uint32_t y, std::uint8_t* rgba)
{
    for (int x = 0; x < PictureWidth; ++x, rgba += 4)
    {
        const std::uint32_t hash = (std::uint32_t(x) * 2654435761u) ^ (y * 2246822519u + 0x9E3779B9u);
        auto grain = [hash](int base, int shift) {
            return static_cast<std::uint8_t>(std::clamp(base + int((hash >> shift) & 15) - 8, 0, 255));
        };
        rgba[0] = grain(x * 255 / (PictureWidth - 1), 4);
        rgba[1] = grain(int(y) * 255 / (PictureHeight - 1), 12);
        rgba[2] = grain(int((x ^ y) & 0xFF), 20);
        rgba[3] = 255;
    }
}

// Streams the picture to disk row by row, so that generating it costs no memory either.
void WritePicture(const std::string& path)
{
    const std::size_t stride = (PictureWidth * 3 + 3) / 4 * 4;
    std::vector<char> header(54, 0);
    header[0] = 'B';
    header[1] = 'M';
    PutU32(header, 2, static_cast<std::uint32_t>(54 + stride * PictureHeight));
    PutU32(header, 10, 54);
    PutU32(header, 14, 40);
    PutU32(header, 18, PictureWidth);
    PutU32(header, 22, PictureHeight);
    header[26] = 1;
    header[28] = 24;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::vector<char> row(stride, 0);
    std::vector<std::uint8_t> rgba(std::size_t(PictureWidth) * 4);
    for (int stored = 0; stored < PictureHeight; ++stored)
    {
        PatternRow(static_cast<std::uint32_t>(PictureHeight - 1 - stored), rgba.data());
        for (int x = 0; x < PictureWidth; ++x)
        {
            row[3 * x] = static_cast<char>(rgba[4 * x + 2]);
            row[3 * x + 1] = static_cast<char>(rgba[4 * x + 1]);
            row[3 * x + 2] = static_cast<char>(rgba[4 * x]);
        }
        file.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

// The floor under any conversion: open and map the file as the reader does, and
// add up every byte once. Returns the sum, so that the reads cannot be left out.
std::uint64_t TouchEveryByte(const std::string& path, std::uint64_t size)
{
    CBitmapFile file;
    if (!file.Open(path))
        return 0;
    const std::uint8_t* bytes = file.GetView();
    std::uint64_t sum = 0;
    for (std::uint64_t n = 0; n < size; ++n)
        sum += bytes[n];
    return sum;
}

// Processor time of the calling thread, in seconds: the time it ran, whoever else did.
double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Wall and processor times of repeated runs of one task, and the peak anonymous
// memory seen during them.
struct Timings
{
    std::vector<double> Seconds;
    std::vector<double> CpuSeconds;
    long PeakKiB = 0;

    double Min() const { return *std::min_element(Seconds.begin(), Seconds.end()); }
    double CpuMin() const { return *std::min_element(CpuSeconds.begin(), CpuSeconds.end()); }
    double Median() const
    {
        std::vector<double> sorted = Seconds;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

// Runs task repeats times; false as soon as one run fails.
bool Measure(int repeats, const std::function<bool()>& task, Timings& timings)
{
    timings.PeakKiB = AnonymousKiB();
    for (int n = 0; n < repeats; ++n)
    {
        std::atomic<bool> running{true};
        std::atomic<long> peak{timings.PeakKiB};
        std::thread sampler([&] {
            while (running)
            {
                const long now = AnonymousKiB();
                if (now > peak)
                    peak = now;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        const bool ok = task();
        timings.CpuSeconds.push_back(ThreadSeconds() - cpuStart);
        timings.Seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        running = false;
        sampler.join();
        timings.PeakKiB = peak;
        if (!ok)
            return false;
    }
    return true;
}

// Converts source at each grid into a page of style, printing one row per grid (the name prefixed
// by label), with its write calls and, where decoding is given, its time over the decoding's.
bool ConvertAtEveryGrid(const char* label, const std::string& source, const std::string& target, int repeats,
                        const Timings& floor, const Timings* decoding, double pixels = PicturePixels,
                        PageStyle style = PageStyle::Classic)
{
    namespace fs = std::filesystem;
    const std::uint32_t grids[][2] = {{10, 4}, {200, 75}, {1000, 375}};
    for (const auto& grid : grids)
    {
        ConversionSettings settings;
        settings.SourcePath = source;
        settings.TargetPath = target;
        settings.Columns = grid[0];
        settings.Rows = grid[1];
        settings.FontFace = "Courier New";
        settings.CharacterSet = style == PageStyle::Classic ? "0123456789" : DefaultCharactersOf(style);
        settings.CharacterOrder = 0;
        settings.Style = style;

        Timings run;
        ConversionResult result;
        long writes = 0;
        if (!Measure(
                repeats,
                [&] {
                    const long before = WriteCallsSoFar();
                    result = RunConversion(settings, false);
                    writes = WriteCallsSoFar() - before;
                    return result.Succeeded();
                },
                run))
        {
            std::fprintf(stderr, "%s: %s\n", result.Path.c_str(), result.Reason.c_str());
            return false;
        }
        const std::string name = label + std::to_string(grid[0]) + " x " + std::to_string(grid[1]);
        const double pageBytes = double(fs::file_size(target));
        std::printf("%-16s %8.0f %8.1f %8.1f %8.1f %11.2f %11.2f %11.2f %9ld %8.1f %7ld %7.0f", name.c_str(),
                    double(grid[0]) * grid[1], run.Min() * 1e3, run.Median() * 1e3, run.CpuMin() * 1e3,
                    (run.Min() - floor.Min()) * 1e9 / pixels, (run.Median() - floor.Median()) * 1e9 / pixels,
                    (run.CpuMin() - floor.CpuMin()) * 1e9 / pixels, run.PeakKiB, pageBytes / 1e6, writes,
                    writes > 0 ? pageBytes / writes : 0.0);
        if (decoding)
            std::printf("  x%.2f of decoding (min), x%.2f (median), memory x%.2f", run.Min() / decoding->Min(),
                        run.Median() / decoding->Median(), double(run.PeakKiB) / double(decoding->PeakKiB));
        std::printf("\n");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path dir =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / ("glyphcast-bench-" + std::to_string(getpid()));
    const char* repeatText = std::getenv("BENCH_REPEATS");
    const int repeats = std::max(1, repeatText ? std::atoi(repeatText) : 5);
    fs::create_directories(dir);
    const std::string source = (dir / "picture.bmp").string();
    const std::string target = (dir / "picture.html").string();
    WritePicture(source);
    const std::uint64_t fileSize = fs::file_size(source);
    std::printf("picture: %d x %d, 24 bits, %.1f MB; %d runs each, times in ms\n", PictureWidth, PictureHeight,
                fileSize / 1e6, repeats);
    std::printf("%-16s %8s %8s %8s %8s %11s %11s %11s %9s %8s %7s %7s\n", "", "", "wall", "wall", "cpu", "ns/px over",
                "ns/px over", "ns/px over", "", "", "write", "bytes a");
    std::printf("%-16s %8s %8s %8s %8s %11s %11s %11s %9s %8s %7s %7s\n", "task", "cells", "min", "median", "min",
                "floor, min", "floor, med", "floor, cpu", "peak KiB", "page MB", "calls", "call");

    Timings floor;
    std::uint64_t checksum = 0;
    Measure(
        repeats,
        [&] {
            checksum += TouchEveryByte(source, fileSize);
            return true;
        },
        floor);
    std::printf("%-16s %8s %8.1f %8.1f %8.1f %11s %11s %11s %9ld %8s  (byte sum %llu)\n", "map+touch", "-",
                floor.Min() * 1e3, floor.Median() * 1e3, floor.CpuMin() * 1e3, "-", "-", "-", floor.PeakKiB, "-",
                static_cast<unsigned long long>(checksum / repeats));

    const std::string png = (dir / "picture.png").string(), jpeg = (dir / "picture.jpg").string();
    if (!WritePng(png, PictureWidth, PictureHeight, {}, PatternRow) ||
        !WriteJpeg(jpeg, PictureWidth, PictureHeight, {90}, PatternRow))
    {
        std::fprintf(stderr, "the PNG and JPEG pictures could not be written in %s\n", dir.string().c_str());
        return 1;
    }
    const std::tuple<const char*, std::string, bool (*)(const std::string&)> sources[] = {
        {"", source, nullptr}, {"png ", png, &DecodePngAlone}, {"jpeg ", jpeg, &DecodeJpegAlone}};
    for (const auto& [label, path, decodeAlone] : sources)
    {
        Timings decoding;
        if (decodeAlone)
        {
            std::printf("%s: %.1f MB\n", path.c_str(), fs::file_size(path) / 1e6);
            if (!Measure(
                    repeats, [&, decode = decodeAlone] { return decode(path); }, decoding))
                return 1;
            const std::string name = std::string(label) + "decoding";
            std::printf("%-16s %8s %8.1f %8.1f %8.1f %11s %11s %11s %9ld\n", name.c_str(), "-", decoding.Min() * 1e3,
                        decoding.Median() * 1e3, decoding.CpuMin() * 1e3, "-", "-", "-", decoding.PeakKiB);
        }
        if (!ConvertAtEveryGrid(label, path, target, repeats, floor, decodeAlone ? &decoding : nullptr))
            return 1;
    }
    // The photo page of the same picture: its cells sampled in halves, kept, and written whole.
    if (!ConvertAtEveryGrid("photo ", source, target, repeats, floor, nullptr, PicturePixels, PageStyle::Photo))
        return 1;
    std::vector<std::string> pictures = {source, png, jpeg};
    const char* heifWanted = std::getenv("BENCH_HEIF");
    if (!heifWanted || std::string(heifWanted) != "0")
    {
        // A photo's worth of pixels, 48 megapixels, and a floor of nothing (the decoding is the floor).
        const std::uint32_t width = 8000, height = 6000;
        const double photoPixels = double(width) * height;
        Timings none;
        none.Seconds = none.CpuSeconds = {0.0};
        for (bool avif : {false, true})
        {
            const std::string path = (dir / (avif ? "photo.avif" : "photo.heic")).string();
            {
                TestPicture photo(width, height);
                for (std::uint32_t y = 0; y < height; ++y)
                    for (std::uint32_t x = 0; x < width; ++x)
                        photo.Set(x, y, std::uint8_t(x * 255 / width), std::uint8_t(y * 255 / height),
                                  std::uint8_t((x ^ y) & 0xFF));
                HeifOptions options;
                options.Avif = avif;
                options.Fast = true;
                if (!WriteHeif(path, photo, options))
                {
                    std::fprintf(stderr, "%s could not be written\n", path.c_str());
                    return 1;
                }
            }
            pictures.push_back(path);
            const char* label = avif ? "avif " : "heic ";
            std::printf("%s: %u x %u, %.1f MB\n", path.c_str(), width, height, fs::file_size(path) / 1e6);
            Timings decoding;
            if (!Measure(
                    repeats, [&] { return DecodeHeifAlone(path); }, decoding))
                return 1;
            std::printf("%-16s %8s %8.1f %8.1f %8.1f %11s %11s %11s %9ld\n", (std::string(label) + "decoding").c_str(),
                        "-", decoding.Min() * 1e3, decoding.Median() * 1e3, decoding.CpuMin() * 1e3, "-", "-", "-",
                        decoding.PeakKiB);
            if (!ConvertAtEveryGrid(label, path, target, repeats, none, &decoding, photoPixels))
                return 1;
        }
    }
    fs::remove(target);
    if (std::getenv("BENCH_KEEP"))
        return 0;
    for (const std::string& path : pictures)
        fs::remove(path);
    if (argc <= 1)
        fs::remove(dir);
    return 0;
}
