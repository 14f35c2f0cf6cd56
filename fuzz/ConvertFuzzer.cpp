// libFuzzer target: any bytes, written to a file, are looked at as the wizard does (the header
// alone, then the page kept for a preview), then opened and converted. Their first bytes decide
// the reader: the mapped bitmap reader, or the decoder of PNG, JPEG, GIF, TIFF, WebP, HEIF, AVIF,
// JPEG XL or the .bmp variants the reader leaves. The run must refuse or convert them without a
// crash, a hang or a sanitizer report.
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "base/TextEncoding.h"
#include "output/ClipboardPage.h"
#include "output/PageConversion.h"
#include "output/PageStyle.h"
#include "output/RecordedPage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

bool NeverOpen(const std::string&)
{
    return false;
}

// The file each input is written to; removed when the fuzzer exits.
struct InputFile
{
    std::string Path;
    InputFile()
    {
        const char* dir = std::getenv("TMPDIR");
        Path = std::string(dir && *dir ? dir : "/tmp") + "/glyphcast-fuzz-" + std::to_string(getpid()) + ".bmp";
    }
    ~InputFile() { std::remove(Path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const InputFile input;
    const std::string& path = input.Path;
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
    settings.BackgroundColor = static_cast<RgbColor>(size * 2654435761u) & 0xFFFFFF;
    // Every fifth size in the photo style, whose cells are kept and brought down to a palette.
    settings.Style = size % 5 == 4 ? PageStyle::Photo : PageStyle::Classic;

    // The header alone, then the page kept as the preview keeps it: cell by cell, or reduced.
    CSourcePicture picture;
    SourceFacts facts;
    if (picture.Peek(path, facts) && picture.Open(path, settings.BackgroundColor))
    {
        PageKeeping keeping;
        if (size % 2)
            keeping = PageKeeping{2 + static_cast<std::uint32_t>(size % 3), 6, 11, {{U'0', 0.4f}, {U'1', 0.3f}}};
        std::u32string characters;
        SplitCharacters(settings.CharacterSet, characters);
        CRecordedPage kept(settings, CreatePageFormat(settings.Style)->Sampling(characters), keeping);
        ConvertToHtml(picture.Source(), kept);
    }
    picture.Close();
    // The bytes read as a written page for the clipboard.
    MakeClipboardPage(std::string(reinterpret_cast<const char*>(data), size));
    RunConversion(settings, true);
    return 0;
}
