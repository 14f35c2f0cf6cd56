#include "output/PageConversion.h"

#include "base/SystemError.h"
#include "base/TextEncoding.h"
#include "base/Win32Api.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/HtmlWriter.h"
#include "output/TargetCheck.h"

namespace
{

bool ShellExecuteOpen(const std::string& path)
{
    const HINSTANCE result = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

ShellOpener CurrentOpener = &ShellExecuteOpen;

bool CountInRange(std::uint32_t count)
{
    return count >= MinimumGridCount && count <= MaximumGridCount;
}

// Writes the page of an open picture, in place or through a temporary file that is to take the
// place of what is there (replacing) or of nothing.
ConversionResult WritePage(CSourcePicture& picture, const ConversionSettings& settings, bool inPlace, bool replacing,
                           const ConversionProgress& progress, const ConversionStop* stop)
{
    const std::string& path = settings.TargetPath;
    CHtmlWriter target;
    if (!(inPlace ? target.Open(path) : target.OpenReplacing(path)))
        return ConversionResult::Failure(ConversionStatus::TargetCannotCreate, path, "cannot create the page",
                                         DescribeSystemError(target.LastError()));
    target.TakeSettings(settings);

    const ConversionStatus status = ConvertToHtml(picture.Source(), target, progress, stop);
    if (status == ConversionStatus::SourceRefused)
        return picture.ReadFailure();
    const std::string warning = picture.Warning();
    // The picture's memory goes before the page is put in place.
    picture.Close();
    if (status == ConversionStatus::Stopped)
        return ConversionResult::Failure(ConversionStatus::Stopped, path, "stopped before the page was complete");
    if (status != ConversionStatus::Written)
        return ConversionResult::Failure(ConversionStatus::WriteFailed, path, "cannot write the page",
                                         DescribeSystemError(target.LastError()));
    if (!target.Commit())
        return ConversionResult::Failure(ConversionStatus::TargetCannotCreate, path,
                                         replacing ? "cannot replace the page" : "cannot create the page",
                                         DescribeSystemError(target.LastError()));
    ConversionResult result;
    result.Path = path;
    result.Warning = warning;
    return result;
}

}  // namespace

std::string SettingsProblem(const ConversionSettings& settings)
{
    const std::string range =
        " must be from " + std::to_string(MinimumGridCount) + " to " + std::to_string(MaximumGridCount);
    if (settings.SourcePath.empty())
        return "no picture to convert was named";
    if (settings.TargetPath.empty())
        return "no page to write was named";
    if (!CountInRange(settings.Columns))
        return "the number of columns (" + std::to_string(settings.Columns) + ")" + range;
    if (!CountInRange(settings.Rows))
        return "the number of rows (" + std::to_string(settings.Rows) + ")" + range;
    if (settings.CharacterSet.empty())
        return "the character set is empty";
    if (!IsValidText(settings.CharacterSet))
        return "the character set is not valid text: some of its bytes are no characters";
    return "";
}

ConversionResult RunConversion(const ConversionSettings& settings, bool openAfterCreation,
                               const ConversionProgress& progress, const ConversionStop* stop, CSourcePicture* opened)
{
    // Refused before any file is touched.
    const std::string problem = SettingsProblem(settings);
    if (!problem.empty())
        return ConversionResult::Failure(ConversionStatus::BadSettings, settings.SourcePath, problem);

    // The source is checked before the target is created, so that a bad picture never costs an
    // existing page its content.
    CSourcePicture own;
    CSourcePicture& picture = opened ? *opened : own;
    if (!picture.IsOpen() && !picture.Open(settings.SourcePath, settings.BackgroundColor))
        return picture.Failure();

    const TargetVerdict verdict = CheckTarget(settings.TargetPath, settings.SourcePath);
    if (verdict.Refused())
        return verdict.Refusal(settings.TargetPath);

    ConversionResult result =
        WritePage(picture, settings, verdict.State == TargetState::Device, verdict.Exists(), progress, stop);
    if (result.Succeeded() && openAfterCreation)
        result.ShellOpenFailed = !OpenInShell(settings.TargetPath);
    return result;
}

bool OpenInShell(const std::string& path)
{
    return CurrentOpener(path);
}

ShellOpener SetShellOpener(ShellOpener opener)
{
    const ShellOpener previous = CurrentOpener;
    CurrentOpener = opener ? opener : &ShellExecuteOpen;
    return previous;
}
