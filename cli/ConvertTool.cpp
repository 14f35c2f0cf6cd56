#include "cli/ConvertTool.h"

#include "base/SystemError.h"
#include "base/Win32Api.h"
#include "cli/CommandLine.h"
#include "cli/MemoryBudget.h"
#include "cli/PrintableText.h"
#include "cli/ProgressReport.h"
#include "cli/SignalCleanup.h"
#include "cli/StandardStream.h"
#include "cli/TemporaryFolder.h"
#include "cli/Workers.h"
#include "decoders/PictureFormat.h"
#include "engine/AspectRule.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/PageSize.h"
#include "output/PageStyle.h"
#include "output/TargetCheck.h"
#include "output/TargetName.h"
#ifdef _WIN32
#include "output/Clipboard.h"
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "Version.h"

const char ConvertToolName[] = "glyphcast-convert";

namespace
{

const char UsageHead[] = "Usage: glyphcast-convert [options] SOURCE...\n"
                         "Turns each picture into an HTML page of coloured characters, written beside it\n"
                         "with .html in place of its extension. SOURCE may be a BMP, PNG, JPEG, GIF (its\n"
                         "first frame), TIFF (its first page), WebP, HEIF/HEIC, AVIF or JPEG XL picture\n"
                         "(on Windows, WebP, HEIF, AVIF and JPEG XL where the system has a codec for them),\n"
                         "told by its content, not its name; a photo is turned upright as it says, its\n"
                         "colour profile is applied, and transparent areas show the background colour.\n"
                         "Damage a picture viewer reads past is read past with a warning. A SOURCE of - is\n"
                         "standard input.\n"
                         "\n"
                         "Options:\n"
                         "  -c, --columns N         characters per line, 1 to 5000\n"
                         "  -r, --rows N            lines of characters, 1 to 5000; given one count, the other\n"
                         "                          follows the picture's proportions; given neither, the\n"
                         "                          larger count is 100\n"
                         "      --style STYLE       the kind of page (default classic):\n";
const char UsageTail[] = "      --order ORDER       random or sequential (default random)\n"
                         "      --font FACE         the page's font face (default \"Courier New\")\n"
                         "  -b, --background COLOR  page background as RRGGBB, '#' optional (default 000000)\n"
                         "  -o, --output FILE       the page of a single SOURCE; - for standard output\n"
                         "  -d, --output-dir DIR    write the pages into the folder DIR\n"
                         "  -j, --jobs N            pictures converted at once (default: one per processor core)\n"
                         "      --memory SIZE       the most memory the pictures converted at once may hold,\n"
                         "                          as 512M or 2G (default: half the machine's memory)\n"
                         "  -f, --force             replace existing pages (a picture is never replaced)\n"
                         "      --open              open each page once it is written\n"
#ifdef _WIN32
                         "      --clipboard         copy the page, once written, to the clipboard as HTML and as\n"
                         "                          text (at most 100000 characters: larger pages paste too slowly)\n"
#endif
                         "  -h, --help              show this help and exit\n"
                         "  -V, --version           show the version and exit\n"
                         "\n"
                         "Exit status: 0 when every page is written, 1 when a picture failed, 2 for a usage error.\n"
                         "The manual page tells more: man glyphcast-convert\n";

// The help, with the styles and their characters as the table of styles has them.
std::string UsageText()
{
    std::string text = UsageHead;
    std::string characters = "      --characters SET    the characters to draw with (default";
    for (const PageStyleInfo& style : PageStyles())
    {
        text += std::string("                            ") + style.Name +
                std::string(std::max<std::size_t>(1, 9 - std::strlen(style.Name)), ' ') + style.Description + "\n";
        characters += std::string(&style == &PageStyles().front() ? " \"" : ", " + std::string(style.Name) + " \"") +
                      style.DefaultCharacters + "\"";
    }
    return text + characters + ")\n" + UsageTail;
}

const char StandardInputName[] = "standard input";
const char StandardOutputName[] = "standard output";

int Usage(std::ostream& err, const std::string& message)
{
    err << ConvertToolName << ": " << PrintableText(message) << "\n"
        << "Try '" << ConvertToolName << " --help' for more information.\n";
    return ExitUsage;
}

// One picture of the run and where its page goes.
struct PageJob
{
    std::string Name;     // the source as given, or "standard input", for messages
    std::string Source;   // the file that is read: the source, or its copy in the temporary folder
    std::string Target;   // the page's file; for standard output, a file in the temporary folder
    std::string Refusal;  // why the picture cannot be converted, when that is known beforehand
    std::string Refused;  // the name the refusal is about: the picture, or standard output
    bool FromStandardInput = false;
    bool FromStream = false;  // standard input, a pipe or a device: read whole into a file first
    bool ToStandardOutput = false;

    // How a file of the job is named in a message: copies by what they stand for.
    std::string Shown(const std::string& path) const
    {
        if (path == Source)
            return Name;
        return ToStandardOutput && path == Target ? StandardOutputName : path;
    }
    void Refuse(const std::string& name, const std::string& reason)
    {
        Refused = name;
        Refusal = reason;
    }
};

// Copies a stream into a new file, up to the largest picture a stream may hold. What does not
// begin as a picture is cut short after its first bytes, which are enough for the reader to
// refuse it as it refuses such a file.
bool SpoolStream(std::istream& in, const std::string& path, std::string& reason)
{
    std::ofstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (!file)
    {
        reason = "cannot keep the picture in the temporary folder";
        return false;
    }
    std::vector<char> buffer(1 << 16);
    unsigned long long total = 0;
    while (in)
    {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize got = in.gcount();
        if (got <= 0)
            break;
        total += static_cast<unsigned long long>(got);
        if (total > MaximumStreamedPicture)
        {
            reason = "more than 1 GiB arrived, more than any picture this program reads";
            return false;
        }
        if (!file.write(buffer.data(), got))
        {
            reason = "cannot keep the picture in the temporary folder (is the disk full?)";
            return false;
        }
        if (total == static_cast<unsigned long long>(got) &&
            SniffPictureFormat(reinterpret_cast<const std::uint8_t*>(buffer.data()), static_cast<std::size_t>(got)) ==
                PictureFormat::Unknown)
            break;
    }
    // The standard streams know why they failed; the C++ streams only that they did.
    const std::string failure = CStandardStream::FailureOf(in.rdbuf());
    if (!failure.empty() || in.bad())
    {
        reason = "cannot read the picture" + (failure.empty() ? std::string() : ": " + failure);
        return false;
    }
    if (total == 0)
    {
        reason = "no picture arrived: the input is empty";
        return false;
    }
    file.close();
    if (!file)
    {
        reason = "cannot keep the picture in the temporary folder (is the disk full?)";
        return false;
    }
    return true;
}

// True for a source that names a pipe or a device (say /dev/stdin), which cannot be
// mapped and is read whole into a file first, as standard input is.
bool IsStream(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

// True for a file that can be read and does not begin as a picture of any format.
bool IsNoPicture(const std::string& path)
{
    PictureFormat format = PictureFormat::Unknown;
    std::size_t headBytes = 0;
    return SniffPictureFile(path, format, headBytes) && format == PictureFormat::Unknown;
}

// A page's path in one spelling for each file, so that two jobs writing one page are caught.
std::string PageKey(const std::string& path)
{
    std::error_code error;
    std::string key = std::filesystem::absolute(std::filesystem::u8path(path), error).lexically_normal().u8string();
#ifdef _WIN32
    for (char& c : key)  // file names differ in more than letter case on Windows
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
#endif
    return error ? path : key;
}

// Why a page cannot go where the check of its name found what it found, or empty when it can.
std::string TargetProblem(const TargetVerdict& verdict, const std::string& target, bool force)
{
    if (verdict.Holds != PictureFormat::Unknown)
        return std::string("is a ") + PictureFormatName(verdict.Holds) +
               " picture, which is never replaced; choose another page name";
    if (verdict.Refused())
        return verdict.Refusal(target).Reason;
    if (verdict.Exists() && !force)
        return "already exists; use --force to replace it";
    return std::string();
}

// Why the folder of --output-dir cannot take the pages, or empty when it can.
std::string FolderProblem(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? std::string() : "it is not a folder";
    const DWORD error = GetLastError();
    // "notes.txt/" is no folder because notes.txt is a file.
    std::string bare = path;
    while (bare.size() > 1 && std::string("/\\").find(bare.back()) != std::string::npos)
        bare.pop_back();
    if (bare != path && FileExists(bare))
        return "it is a file, not a folder";
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "the folder does not exist"
                                                                          : DescribeSystemError(error);
}

// A run over all the pictures of one command line. File names are UTF-8 text (the engine's text
// wherever the tool runs), so they reach the standard library's file calls through u8path.
class CConvertRun
{
public:
    CConvertRun(const CommandLine& line, std::istream& in, std::ostream& out)
        : Line(line), In(in), Out(out), Budget(line.Memory ? line.Memory : CMemoryBudget::MachineDefault())
    {
    }

    // Works out every page's name, reads standard input and refuses what can be refused
    // beforehand.
    void Plan();
    // Converts the pictures on the threads asked for and returns the exit status.
    int Convert(std::ostream& err, bool onTerminal);

private:
    void ConvertOne(PageJob& job, CProgressReport& report);
    void RefuseOutputThatIsASource();
    bool CopyToOutput(const std::string& path, std::string& reason);

    const CommandLine& Line;
    std::istream& In;
    std::ostream& Out;
    std::vector<PageJob> Jobs;
    CTemporaryFolder Scratch;
    CMemoryBudget Budget;
};

void CConvertRun::Plan()
{
    bool needScratch = false;
    for (const std::string& source : Line.Sources)
    {
        PageJob job;
        const bool standardInput = source == StandardStreamName;
        job.Name = standardInput ? StandardInputName : source;
        job.Source = source;
        job.FromStandardInput = standardInput;
        job.FromStream = standardInput || IsStream(source);
        job.ToStandardOutput = Line.PageToStandardOutput(source);
        job.Target = job.ToStandardOutput   ? std::string()
                     : !Line.Output.empty() ? Line.Output
                                            : PagePathFor(source, Line.OutputFolder, PageExtensionOf(Line.Page.Style));
        needScratch = needScratch || job.FromStream || job.ToStandardOutput;
        Jobs.push_back(job);
    }
    RefuseOutputThatIsASource();

    std::string reason;
    if (needScratch && !Scratch.Create(reason))
    {
        for (PageJob& job : Jobs)
        {
            if ((job.FromStream || job.ToStandardOutput) && job.Refusal.empty())
                job.Refuse(job.Name, reason);
        }
    }
    // Whatever ends the run, no copy of a picture or page is left behind.
    if (Scratch.IsCreated())
        RemoveFolderOnSignal(Scratch.Root());

    std::map<std::string, std::size_t> pages;
    for (std::size_t n = 0; n < Jobs.size(); ++n)
    {
        PageJob& job = Jobs[n];
        if (!job.Refusal.empty())
            continue;
        if (job.FromStream)
            job.Source = Scratch.Path("source-" + std::to_string(n));
        if (job.ToStandardOutput)
            job.Target = Scratch.Path("page-" + std::to_string(n) + ".html");
        // Standard input is read once, here, before any thread starts.
        if (job.FromStandardInput)
        {
            const auto* input = dynamic_cast<const CStandardStream*>(In.rdbuf());
            if (input && input->IsFolder())
                job.Refuse(job.Name, "cannot read the picture: it is a folder");
            else if (!SpoolStream(In, job.Source, reason))
                job.Refuse(job.Name, reason);
        }
        // A file that plainly is no picture will fail on its own; it claims no page name that a
        // picture after it may need (say "a.html" and "a.png" given as "a.*").
        if (!job.FromStream && IsNoPicture(job.Source))
            continue;
        const auto [first, added] = pages.emplace(PageKey(job.Target), n);
        if (!added)
            job.Refuse(job.Name, "its page " + job.Target + " would also be the page of " + Jobs[first->second].Name +
                                     "; use --output-dir or rename one of them");
    }
}

// A shell may append the page to one of the pictures ("-o - >> picture.bmp", or the picture
// read from standard input, "- -o - < picture.bmp >> picture.bmp"): that picture is never
// written to.
void CConvertRun::RefuseOutputThatIsASource()
{
    const auto* output = dynamic_cast<const CStandardStream*>(Out.rdbuf());
    if (!output)
        return;
    const auto* input = dynamic_cast<const CStandardStream*>(In.rdbuf());
    for (PageJob& job : Jobs)
    {
        if (!job.ToStandardOutput)
            continue;
        for (const PageJob& other : Jobs)
        {
            if (other.FromStandardInput ? input && output->IsSameFileAs(*input) : output->IsFile(other.Source))
            {
                job.Refuse(StandardOutputName, "it is " + other.Name +
                                                   ", a picture being converted, which is never written to; "
                                                   "name the page with --output");
                break;
            }
        }
    }
}

int CConvertRun::Convert(std::ostream& err, bool onTerminal)
{
    CProgressReport report(err, onTerminal, Jobs.size());
    RunOnThreads(Jobs.size(), Line.Jobs ? Line.Jobs : ProcessorCount(),
                 [this, &report](std::size_t n) { ConvertOne(Jobs[n], report); });
    return report.Failures() ? ExitFailed : ExitWritten;
}

void CConvertRun::ConvertOne(PageJob& job, CProgressReport& report)
{
    if (!job.Refusal.empty())
        return report.PageFailed(job.Refused, job.Refusal);
    std::string reason;
    if (job.FromStream && !job.FromStandardInput)
    {
        std::ifstream stream(std::filesystem::u8path(job.Name), std::ios::binary);
        if (!stream)
            job.Source = job.Name;  // the reader tells why it cannot be opened
        else if (!SpoolStream(stream, job.Source, reason))
            return report.PageFailed(job.Name, reason);
    }

    // The page's name is checked before the picture is opened: a pipe there is never waited on,
    // and what may be a picture is never replaced.
    if (!job.ToStandardOutput)
    {
        const std::string problem = TargetProblem(CheckTarget(job.Target, job.Source), job.Target, Line.Force);
        if (!problem.empty())
            return report.PageFailed(job.Target, problem);
    }

    // The picture is opened once: its size decides the grid, and the run reads it.
    CSourcePicture picture;
    if (!picture.Open(job.Source, Line.Page.BackgroundColor))
        return report.PageFailed(job.Shown(picture.Failure().Path), picture.Failure().Reason);
    ConversionSettings settings = Line.Page;
    settings.SourcePath = job.Source;
    settings.TargetPath = job.Target;
    if (!ResolveGrid(settings.Columns, settings.Rows, picture.Width(), picture.Height(),
                     CellRatioOf(settings.Style, DefaultFontRatio), reason))
        return report.PageFailed(job.Name, reason);

    // What the picture will hold in memory is known before a row is decoded: it waits for its
    // share, so that the pictures converted at once never take more than the budget.
    const std::uint64_t memory = picture.MemoryNeeded(settings.Rows) + PageMemoryNeeded(settings);
    if (memory > Budget.Total())
        return report.PageFailed(job.Name, "converting it needs " + CMemoryBudget::Describe(memory) +
                                               " of memory, more than the " + CMemoryBudget::Describe(Budget.Total()) +
                                               " allowed (see --memory)");
    Budget.Take(memory);
    const ConversionResult result = RunConversion(
        settings, Line.OpenAfterCreation,
        [&report](std::uint32_t done, std::uint32_t total) { report.RowsDone(done, total); }, nullptr, &picture);
    picture.Close();
    Budget.Give(memory);
    if (!result.Succeeded())
        return report.PageFailed(job.Shown(result.Path), result.Reason);
    if (job.ToStandardOutput && !CopyToOutput(job.Target, reason))
        return report.PageFailed(StandardOutputName, "cannot write the page of " + job.Name + ": " + reason);
    // Written all the same, as viewers show such a picture: the exit status stays 0.
    if (!result.Warning.empty())
        report.Notice(job.Name, "warning: " + result.Warning);
#ifdef _WIN32
    // Asked for and not done, the copy fails the run; the page itself stays written.
    if (Line.CopyToClipboard && !CopyPageToClipboard(job.Target, settings.Columns, settings.Rows, reason))
        return report.PageFailed(job.Shown(job.Target), "written, but not copied to the clipboard: " + reason);
#endif
    report.PageWritten();
    if (result.ShellOpenFailed)
        report.Notice(result.Path, "written, but no program could open it");
}

// Only one page of a run goes to standard output, so no other thread writes there.
bool CConvertRun::CopyToOutput(const std::string& path, std::string& reason)
{
    std::ifstream page(std::filesystem::u8path(path), std::ios::binary);
    if (!page)
    {
        reason = "the page written in the temporary folder is gone";
        return false;
    }
    // Copied a buffer at a time, each write checked: a stream that takes only part of a page
    // (a pipe whose reader has gone, a full disk) fails the page.
    std::vector<char> buffer(1 << 16);
    while (page.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || page.gcount() > 0)
    {
        if (!Out.write(buffer.data(), page.gcount()))
            break;
    }
    if (Out && !page.bad())
        Out.flush();
    if (Out && !page.bad())
        return true;
    const std::string failure = CStandardStream::FailureOf(Out.rdbuf());
    reason = page.bad()        ? "the page written in the temporary folder cannot be read"
             : failure.empty() ? DescribeSystemError(ERROR_WRITE_FAULT)
                               : failure;
    return false;
}

}  // namespace

int RunConvertTool(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
                   bool onTerminal)
{
    const CommandLine line = ParseCommandLine(arguments);
    switch (line.Mode)
    {
    case CommandLine::Action::Help: out << UsageText(); return ExitWritten;
    case CommandLine::Action::Version:
        out << ConvertToolName << " (" GLYPHCAST_NAME ") " GLYPHCAST_VERSION "\n";
        return ExitWritten;
    case CommandLine::Action::UsageError: return Usage(err, line.Error);
    case CommandLine::Action::Convert: break;
    }

    // A folder that cannot take the pages would fail every picture alike: it is the command line
    // that is wrong.
    if (!line.OutputFolder.empty())
    {
        const std::string problem = FolderProblem(line.OutputFolder);
        if (!problem.empty())
            return Usage(err, line.OutputFolder + ": " + problem + " (--output-dir)");
    }

    CConvertRun run(line, in, out);
    run.Plan();
    return run.Convert(err, onTerminal);
}
