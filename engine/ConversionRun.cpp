#include "engine/ConversionRun.h"

#include "decoders/DecodedPicture.h"
#include "decoders/PictureDecoder.h"
#include "engine/BitmapFile.h"
#include "engine/CellSampler.h"
#include "engine/Handle.h"
#include "engine/HtmlWriter.h"
#include "engine/SystemError.h"
#include "engine/TextEncoding.h"
#include "engine/Win32Api.h"

namespace
{

bool ShellExecuteOpen(const std::string& path)
{
    const HINSTANCE result = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

ShellOpener CurrentOpener = &ShellExecuteOpen;

ConversionResult Failure(ConversionStatus status, const std::string& path, std::string reason)
{
    ConversionResult result;
    result.Status = status;
    result.Path = path;
    result.Reason = std::move(reason);
    return result;
}

// A failure of a file: what could not be done, and why.
ConversionResult Failure(ConversionStatus status, const std::string& path, const std::string& action,
                         const std::string& cause)
{
    ConversionResult result = Failure(status, path, action + ": " + cause);
    result.Cause = cause;
    return result;
}

// A picture refused for a reason that says it all ("not a picture Glyphcast can read").
ConversionResult Refusal(const std::string& path, const std::string& reason)
{
    ConversionResult result = Failure(ConversionStatus::SourceRefused, path, reason);
    result.Cause = reason;
    return result;
}

ConversionResult SourceFailure(const CBitmapFile& source, const std::string& path)
{
    if (source.LastFailure() == CBitmapFile::Failure::Refused)
        return Failure(ConversionStatus::SourceRefused, path, "not a bitmap this program can read",
                       source.FailureReason());
    return Failure(ConversionStatus::SourceCannotOpen, path, "cannot open the picture", source.FailureReason());
}

// A folder opens as no file does, and is named as what it is.
ConversionResult SourceIsFolder(const std::string& path)
{
    return Failure(ConversionStatus::SourceCannotOpen, path, "cannot open the picture", "it is a folder");
}

ConversionResult SourceFailure(const CDecodedPicture& source, const std::string& path)
{
    if (source.LastFailure() == CDecodedPicture::Failure::CannotOpen)
        return Failure(ConversionStatus::SourceCannotOpen, path, "cannot open the picture", source.FailureReason());
    return Refusal(path, source.FailureReason());
}

// A .bmp the mapped reader refuses for its compression (RLE, say) or for the old OS/2 header,
// which the system's decoder may still read.
bool IsForSystemDecoder(const CBitmapFile& source)
{
    const BmpInfoHeader& info = source.GetInfoHeader();
    const std::uint32_t compressionNone = 0, compressionBitFields = 3, coreHeaderSize = 12;
    return source.LastFailure() == CBitmapFile::Failure::Refused &&
           (info.biSize == coreHeaderSize ||
            (info.biCompression != compressionNone && info.biCompression != compressionBitFields));
}

// The picture a run reads: a .bmp through the mapped reader, anything else (and the .bmp
// files the reader refuses for their variant) decoded by the platform's decoder. The format
// is told by the file's first bytes, never by its name.
class CRunSource
{
public:
    // Opens path; on failure, failure says why, naming path.
    bool Open(const std::string& path, RgbColor background, ConversionResult& failure)
    {
        PictureFormat format = PictureFormat::Unknown;
        std::size_t headBytes = 0;
        // A file that cannot even be read is left to the mapped reader, for its words on why.
        if (!SniffPictureFile(path, format, headBytes) || format == PictureFormat::Bmp)
        {
            if (Bitmap.Open(path))
                return true;
            failure = SourceFailure(Bitmap, path);
            return IsForSystemDecoder(Bitmap) && OpenDecoded(path, format, background, nullptr);
        }
        if (headBytes == 0)
        {
            failure = Refusal(path, "the file is empty");
            return false;
        }
        return OpenDecoded(path, format, background, &failure);
    }

    std::uint32_t Width() const { return Picture ? Picture->Width() : Bitmap.Width(); }
    std::uint32_t Height() const { return Picture ? Picture->Height() : Bitmap.Height(); }

    int Convert(CHtmlWriter& target, const ConversionProgress& progress, const ConversionStop* stop)
    {
        return Picture ? ConvertToHtml(*Picture, target, progress, stop)
                       : ConvertToHtml(Bitmap, target, progress, stop);
    }

    // Why the picture's data could not be read to its end.
    ConversionResult ReadFailure(const std::string& path) const { return SourceFailure(*Picture, path); }

    void Close()
    {
        Bitmap.Close();
        Picture.reset();
    }

private:
    // Opens path with the platform's decoder for format; failure (when given) says why not.
    bool OpenDecoded(const std::string& path, PictureFormat format, RgbColor background, ConversionResult* failure)
    {
        std::unique_ptr<CPictureDecoder> decoder = CreatePictureDecoder(format);
        if (!decoder)
        {
            if (failure)
                *failure =
                    Refusal(path, format == PictureFormat::Unknown ? std::string("not a picture Glyphcast can read")
                                                                   : std::string("this system has no decoder for ") +
                                                                         PictureFormatName(format) + " pictures");
            return false;
        }
        auto picture = std::make_unique<CDecodedPicture>();
        if (!picture->Open(std::move(decoder), path, format, background))
        {
            if (failure)
                *failure = SourceFailure(*picture, path);
            return false;
        }
        Picture = std::move(picture);
        return true;
    }

    CBitmapFile Bitmap;
    std::unique_ptr<CDecodedPicture> Picture;
};

bool CountInRange(std::uint32_t count)
{
    return count >= MinimumGridCount && count <= MaximumGridCount;
}

// Refuses settings the writer or the grid cannot work with, before any file is touched.
bool CheckSettings(const ConversionSettings& settings, ConversionResult& result)
{
    const std::string range =
        " must be from " + std::to_string(MinimumGridCount) + " to " + std::to_string(MaximumGridCount);
    if (settings.SourcePath.empty())
        result = Failure(ConversionStatus::BadSettings, "", "no picture to convert was named");
    else if (settings.TargetPath.empty())
        result = Failure(ConversionStatus::BadSettings, settings.SourcePath, "no page to write was named");
    else if (!CountInRange(settings.Columns))
        result = Failure(ConversionStatus::BadSettings, settings.SourcePath,
                         "the number of columns (" + std::to_string(settings.Columns) + ")" + range);
    else if (!CountInRange(settings.Rows))
        result = Failure(ConversionStatus::BadSettings, settings.SourcePath,
                         "the number of rows (" + std::to_string(settings.Rows) + ")" + range);
    else if (settings.CharacterSet.empty())
        result = Failure(ConversionStatus::BadSettings, settings.SourcePath, "the character set is empty");
    else if (!IsValidText(settings.CharacterSet))
        result = Failure(ConversionStatus::BadSettings, settings.SourcePath,
                         "the character set is not valid text: some of its bytes are no characters");
    else
        return true;
    return false;
}

// The page for a sampler laid over an open picture: head, cells, tail.
int WritePage(CCellSampler& sampler, CHtmlWriter& target, const ConversionProgress& progress,
              const ConversionStop* stop)
{
    const std::uint32_t columns = target.Columns;
    const std::uint32_t rows = target.Rows;
    if (!target.WriteHeader())
        return ConvertWriteFailed;
    for (std::uint32_t y = 0; y < rows; ++y)
    {
        if (!sampler.BeginRow(y))
            return ConvertReadFailed;
        for (std::uint32_t x = 0; x < columns; ++x)
        {
            if (!target.WriteCell(sampler.SampleCell(x)))
                return ConvertWriteFailed;
        }
        if (progress)
            progress(y + 1, rows);
        if (stop && stop->load(std::memory_order_relaxed))
            return ConvertStopped;
    }
    return target.WriteFooter() ? 0 : ConvertWriteFailed;
}

}  // namespace

int ConvertToHtml(CBitmapFile& source, CHtmlWriter& target, const ConversionProgress& progress,
                  const ConversionStop* stop)
{
    if (!source.IsOpen() || !target.IsOpen())
        return ConvertNotOpen;
    target.ResetSequence();
    CCellSampler sampler(source, target.Columns, target.Rows);
    return WritePage(sampler, target, progress, stop);
}

int ConvertToHtml(CDecodedPicture& source, CHtmlWriter& target, const ConversionProgress& progress,
                  const ConversionStop* stop)
{
    if (source.Width() == 0 || !target.IsOpen())
        return ConvertNotOpen;
    target.ResetSequence();
    CCellSampler sampler(source, target.Columns, target.Rows);
    return WritePage(sampler, target, progress, stop);
}

ConversionResult RunConversion(const ConversionSettings& settings, bool openAfterCreation,
                               const ConversionProgress& progress, const ConversionStop* stop)
{
    ConversionResult result;
    if (!CheckSettings(settings, result))
        return result;
    if (FolderExists(settings.SourcePath))
        return SourceIsFolder(settings.SourcePath);

    // The source is checked before the target is created, so that a bad picture
    // never costs an existing page its content.
    CRunSource source;
    if (!source.Open(settings.SourcePath, settings.BackgroundColor, result))
        return result;

    // The page is written beside the target and moved over it only when complete, so a
    // failure never costs an existing page. With the source no longer protected by being
    // open, a target that is the source itself (under any spelling) is refused here.
    if (SameFile(settings.SourcePath, settings.TargetPath))
        return Failure(ConversionStatus::TargetCannotCreate, settings.TargetPath, "cannot create the page",
                       "it is the picture being converted");
    const DWORD existing = GetFileAttributesA(settings.TargetPath.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
        return Failure(ConversionStatus::TargetCannotCreate, settings.TargetPath, "cannot create the page",
                       "it is a folder");
    // Whoever made a page read-only meant to keep it: it is not replaced, whatever is asked.
    if (IsReadOnlyFile(settings.TargetPath))
        return Failure(ConversionStatus::TargetCannotCreate, settings.TargetPath, "cannot replace the page",
                       "it is read-only");
    // A device cannot be replaced, only written to.
    const bool inPlace = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DEVICE);

    CHtmlWriter target;
    if (!(inPlace ? target.Open(settings.TargetPath) : target.OpenReplacing(settings.TargetPath)))
        return Failure(ConversionStatus::TargetCannotCreate, settings.TargetPath, "cannot create the page",
                       DescribeSystemError(target.LastError()));
    target.Columns = settings.Columns;
    target.Rows = settings.Rows;
    target.FontFace = settings.FontFace;
    target.CharacterSet = settings.CharacterSet;
    target.CharacterOrder = settings.CharacterOrder;
    target.BackgroundColor = settings.BackgroundColor;

    const int status = source.Convert(target, progress, stop);
    if (status == ConvertReadFailed)
    {
        target.Close();
        return source.ReadFailure(settings.SourcePath);
    }
    source.Close();
    if (status == ConvertStopped)
    {
        target.Close();
        return Failure(ConversionStatus::Stopped, settings.TargetPath, "stopped before the page was complete");
    }
    if (status != 0)
    {
        target.Close();
        return Failure(ConversionStatus::WriteFailed, settings.TargetPath, "cannot write the page",
                       DescribeSystemError(target.LastError()));
    }
    if (!target.Commit())
        return Failure(ConversionStatus::TargetCannotCreate, settings.TargetPath, "cannot replace the page",
                       DescribeSystemError(target.LastError()));

    result.Path = settings.TargetPath;
    if (openAfterCreation)
        result.ShellOpenFailed = !OpenInShell(settings.TargetPath);
    return result;
}

ConversionResult ProbeSource(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    if (FolderExists(path))
        return SourceIsFolder(path);
    CRunSource source;
    ConversionResult failure;
    if (!source.Open(path, 0, failure))
        return failure;
    width = source.Width();
    height = source.Height();
    ConversionResult result;
    result.Path = path;
    return result;
}

bool SameFile(const std::string& first, const std::string& second)
{
    // Volume and file index name the file itself, whatever path leads to it.
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string* paths[2] = {&first, &second};
    for (int n = 0; n < 2; ++n)
    {
        const CHandle file(CreateFileA(paths[n]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !GetFileInformationByHandle(file.Get(), &info[n]))
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnlyFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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
