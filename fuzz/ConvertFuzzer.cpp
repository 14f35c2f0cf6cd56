// libFuzzer target: any bytes, taken as a bitmap file, are opened and converted.
// The run must refuse or convert them without a crash or a sanitizer report.
#include "engine/ConversionRun.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

bool NeverOpen(const std::string&)
{
    return false;
}

std::string InputPath()
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/glyphcast-fuzz-" + std::to_string(getpid()) + ".bmp";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = InputPath();
    static const bool seamSet = (SetShellOpener(&NeverOpen), true);
    (void)seamSet;

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    // A small grid whose shape still varies with the input, so that cells
    // smaller and larger than a pixel both occur.
    ConversionSettings settings;
    settings.SourcePath = path;
    settings.TargetPath = "/dev/null";
    settings.Columns = 1 + static_cast<std::uint32_t>(size % 13);
    settings.Rows = 1 + static_cast<std::uint32_t>((size / 13) % 9);
    settings.FontFace = "Courier New";
    settings.CharacterSet = size % 2 ? "01" : " <&>";
    settings.CharacterOrder = static_cast<std::int32_t>(size % 3 == 0);
    RunConversion(settings, true);
    return 0;
}
