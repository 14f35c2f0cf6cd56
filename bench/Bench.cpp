// Conversion benchmark: a generated 4000 x 3000 24-bit picture converted at 100,
// 1000 and 4000 columns (rows by the proportion rule with half-wide characters).
// Prints wall time, cells and picture pixels per second, and the peak anonymous
// memory of the process during each run (the file mapping is not anonymous).
#include "engine/AspectRule.h"
#include "engine/ConversionRun.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

const int PictureWidth = 4000;
const int PictureHeight = 3000;

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

void PutU32(std::vector<char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int n = 0; n < 4; ++n)
        bytes[at + n] = static_cast<char>(value >> (8 * n));
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
    for (int stored = 0; stored < PictureHeight; ++stored) {
        const int y = PictureHeight - 1 - stored;
        for (int x = 0; x < PictureWidth; ++x) {
            row[3 * x] = static_cast<char>((x ^ y) & 0xFF);
            row[3 * x + 1] = static_cast<char>(y * 255 / (PictureHeight - 1));
            row[3 * x + 2] = static_cast<char>(x * 255 / (PictureWidth - 1));
        }
        file.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / ("glyphcast-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string source = (dir / "picture.bmp").string();
    const std::string target = (dir / "picture.html").string();
    WritePicture(source);
    std::printf("picture: %d x %d, 24 bits, %.1f MB\n", PictureWidth, PictureHeight,
                fs::file_size(source) / 1e6);
    std::printf("%8s %6s %9s %9s %12s %12s %10s %10s %9s\n", "columns", "rows", "cells", "time s",
                "cells/s", "pixels/s", "anon KiB", "peak KiB", "page MB");

    const float pictureRatio = AspectRatioOf(PictureWidth, PictureHeight);
    for (std::uint32_t columns : {100u, 1000u, 4000u}) {
        ConversionSettings settings;
        settings.SourcePath = source;
        settings.TargetPath = target;
        settings.Columns = columns;
        settings.Rows = RowsForColumns(columns, pictureRatio, 0.5f);
        settings.FontFace = "Courier New";
        settings.CharacterSet = "0123456789";
        settings.CharacterOrder = 0;

        const long before = AnonymousKiB();
        std::atomic<bool> running{true};
        std::atomic<long> peak{before};
        std::thread sampler([&] {
            while (running) {
                const long now = AnonymousKiB();
                if (now > peak)
                    peak = now;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        const auto start = std::chrono::steady_clock::now();
        const ConversionResult result = RunConversion(settings, false);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        running = false;
        sampler.join();
        if (!result.Succeeded()) {
            std::fprintf(stderr, "%s: %s\n", result.Path.c_str(), result.Reason.c_str());
            return 1;
        }
        const double cells = double(settings.Columns) * settings.Rows;
        std::printf("%8u %6u %9.0f %9.3f %12.0f %12.0f %10ld %10ld %9.1f\n", settings.Columns, settings.Rows,
                    cells, seconds, cells / seconds, double(PictureWidth) * PictureHeight / seconds, before,
                    peak.load(), fs::file_size(target) / 1e6);
    }
    fs::remove(source);
    fs::remove(target);
    if (argc <= 1)
        fs::remove(dir);
    return 0;
}
