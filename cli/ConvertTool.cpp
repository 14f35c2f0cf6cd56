#include "cli/ConvertTool.h"

#include "cli/CommandLine.h"
#include "engine/AspectRule.h"
#include "engine/ConversionRun.h"
#include "engine/TargetName.h"

#include <chrono>

#include "Version.h"

const char ConvertToolName[] = "glyphcast-convert";

namespace
{

const char UsageText[] = "Usage: glyphcast-convert [options] SOURCE [TARGET]\n"
                         "Turns a picture into an HTML page of coloured characters. SOURCE may be a BMP,\n"
                         "PNG, JPEG, GIF (its first frame), TIFF (its first page) or WebP picture (on\n"
                         "Windows, WebP where the system has a codec for it), told by its content, not\n"
                         "its name; a photo is turned upright as its EXIF orientation says, and\n"
                         "transparent areas show the background colour.\n"
                         "TARGET defaults to SOURCE with .html in place of its extension.\n"
                         "\n"
                         "Options:\n"
                         "  --columns N         characters per line, 1 to 5000\n"
                         "  --rows N            lines of characters, 1 to 5000; given one count, the other\n"
                         "                      follows the picture's proportions; given neither, the\n"
                         "                      larger count is 100\n"
                         "  --characters SET    the characters to draw with (default \"01\")\n"
                         "  --order ORDER       random or sequential (default random)\n"
                         "  --font FACE         the page's font face (default \"Courier New\")\n"
                         "  --background COLOR  page background as RRGGBB, '#' optional (default 000000)\n"
                         "  --force             replace TARGET if it exists\n"
                         "  --open              open the page once it is written\n"
                         "  --help              show this help and exit\n"
                         "  --version           show the version and exit\n"
                         "\n"
                         "Exit status: 0 when the page is written, 1 when the conversion fails,\n"
                         "2 for a usage error.\n";

int Usage(std::ostream& err, const std::string& message)
{
    err << ConvertToolName << ": " << message << "\n"
        << "Try '" << ConvertToolName << " --help' for more information.\n";
    return ExitUsage;
}

int Failed(std::ostream& err, const std::string& path, const std::string& reason)
{
    err << ConvertToolName << ": " << path << ": " << reason << "\n";
    return ExitFailed;
}

// Completes the grid from the picture's proportions when a count is missing.
bool ResolveGrid(CommandLine& line, std::uint32_t width, std::uint32_t height, std::string& problem)
{
    if (line.Columns != 0 && line.Rows != 0)
        return true;
    const float pictureRatio = AspectRatioOf(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    if (!IsUsableRatio(pictureRatio))
    {
        problem = "the picture's proportions cannot be used; give --columns and --rows";
        return false;
    }
    int basis = AspectBasisNone;
    if (line.Columns != 0)
        line.Rows = RowsForColumns(line.Columns, pictureRatio, DefaultFontRatio);
    else if (line.Rows != 0)
        line.Columns = ColumnsForRows(line.Rows, pictureRatio, DefaultFontRatio);
    else
        ApplyAspectRule(pictureRatio, DefaultFontRatio, 0, line.Columns, line.Rows, basis);
    for (const auto& count : {std::make_pair("columns", line.Columns), std::make_pair("rows", line.Rows)})
    {
        if (count.second < MinimumGridCount || count.second > MaximumGridCount)
        {
            problem = std::string("the picture's proportions give ") + std::to_string(count.second) + " " +
                      count.first + " (1 to 5000 allowed); give --columns and --rows";
            return false;
        }
    }
    return true;
}

// Reports progress on a terminal line once a conversion has run for a second.
class CProgressLine
{
public:
    explicit CProgressLine(std::ostream& err) : Err(err), Start(std::chrono::steady_clock::now()) {}
    ~CProgressLine()
    {
        if (Shown)
            Err << "\r" << std::string(40, ' ') << "\r" << std::flush;
    }

    void Update(std::uint32_t done, std::uint32_t total)
    {
        if (!Shown && std::chrono::steady_clock::now() - Start < std::chrono::seconds(1))
            return;
        const int percent = static_cast<int>(100.0 * done / total);
        if (percent == LastPercent)
            return;
        LastPercent = percent;
        Shown = true;
        Err << "\r" << ConvertToolName << ": " << percent << "%" << std::flush;
    }

private:
    std::ostream& Err;
    std::chrono::steady_clock::time_point Start;
    bool Shown = false;
    int LastPercent = -1;
};

}  // namespace

int RunConvertTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool showProgress)
{
    CommandLine line = ParseCommandLine(arguments);
    switch (line.Mode)
    {
    case CommandLine::Action::Help: out << UsageText; return ExitWritten;
    case CommandLine::Action::Version:
        out << ConvertToolName << " (" GLYPHCAST_NAME ") " GLYPHCAST_VERSION "\n";
        return ExitWritten;
    case CommandLine::Action::UsageError: return Usage(err, line.Error);
    case CommandLine::Action::Convert: break;
    }

    if (line.Target.empty())
    {
        // Both separators count here: a '.' in a folder name is not an extension.
        line.Target = DefaultTargetName(line.Source, true);
        if (line.Target.empty())
            return Usage(err, "cannot name the page after '" + line.Source + "', which has no extension; give TARGET");
    }

    std::uint32_t width = 0, height = 0;
    const ConversionResult probe = ProbeSource(line.Source, width, height);
    if (!probe.Succeeded())
        return Failed(err, probe.Path, probe.Reason);
    std::string problem;
    if (!ResolveGrid(line, width, height, problem))
        return Failed(err, line.Source, problem);

    if (FileExists(line.Target) && !line.Force)
        return Failed(err, line.Target, "already exists; use --force to replace it");

    ConversionSettings settings;
    settings.SourcePath = line.Source;
    settings.TargetPath = line.Target;
    settings.SourceBitmap.Width = static_cast<std::int32_t>(width);
    settings.SourceBitmap.Height = static_cast<std::int32_t>(height);
    settings.Columns = line.Columns;
    settings.Rows = line.Rows;
    settings.FontFace = line.Font;
    settings.CharacterSet = line.Characters;
    settings.CharacterOrder = line.Order;
    settings.BackgroundColor = line.Background;

    ConversionResult result;
    {
        CProgressLine progressLine(err);
        ConversionProgress progress;
        if (showProgress)
            progress = [&progressLine](std::uint32_t done, std::uint32_t total) { progressLine.Update(done, total); };
        result = RunConversion(settings, line.OpenAfterCreation, progress);
    }
    if (!result.Succeeded())
        return Failed(err, result.Path, result.Reason);
    if (result.ShellOpenFailed)
        err << ConvertToolName << ": " << result.Path << ": written, but it could not be opened\n";
    return ExitWritten;
}
