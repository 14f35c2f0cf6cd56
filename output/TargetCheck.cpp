#include "output/TargetCheck.h"

#include "base/Handle.h"
#include "base/Win32Api.h"
#include "decoders/PictureFormat.h"

namespace
{

TargetVerdict Verdict(TargetState state, std::string cause, PictureFormat holds = PictureFormat::Unknown)
{
    TargetVerdict verdict;
    verdict.State = state;
    verdict.Cause = std::move(cause);
    verdict.Holds = holds;
    return verdict;
}

}  // namespace

TargetVerdict CheckTarget(const std::string& target, const std::string& source)
{
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Verdict(TargetState::Folder, "it is a folder");
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Verdict(TargetState::Free, "");
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return Verdict(TargetState::Device, "it is a device");
    // A picture is judged by its content, whatever its name.
    PictureFormat format = PictureFormat::Unknown;
    std::size_t headBytes = 0;
    SniffPictureFile(target, format, headBytes);
    if (!source.empty() && SameFile(source, target))
        return Verdict(TargetState::Source, "it is the picture being converted", format);
    if (IsReadOnlyFile(target))
        return Verdict(TargetState::ReadOnly, "it is read-only", format);
    if (format != PictureFormat::Unknown)
        return Verdict(TargetState::Picture, std::string("it is a ") + PictureFormatName(format) + " picture", format);
    return Verdict(TargetState::Existing, "it already exists");
}

ConversionResult TargetVerdict::Refusal(const std::string& target) const
{
    return ConversionResult::Failure(
        ConversionStatus::TargetCannotCreate, target,
        State == TargetState::ReadOnly ? "cannot replace the page" : "cannot create the page", Cause);
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

bool IsReadOnlyFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}
