#include "engine/SourcePicture.h"

#include "decoders/Orientation.h"

#include "engine/BitmapFile.h"
#include "engine/ConversionRun.h"
#include "engine/DecodedPicture.h"

namespace
{

const char CannotOpenAction[] = "cannot open the picture";

// A .bmp the mapped reader refuses for its compression (RLE, say) or for an OS/2 header (12 bytes,
// or 16 to 39), which the platform's decoder may still read.
bool IsForSystemDecoder(const CBitmapFile& source)
{
    const BmpInfoHeader& info = source.GetInfoHeader();
    const std::uint32_t compressionNone = 0, compressionBitFields = 3, coreHeaderSize = 12, infoHeaderSize = 40;
    return source.LastFailure() == CBitmapFile::Failure::Refused &&
           ((info.biSize >= coreHeaderSize && info.biSize < infoHeaderSize) ||
            (info.biCompression != compressionNone && info.biCompression != compressionBitFields));
}

}  // namespace

bool CSourcePicture::Refuse(const std::string& reason)
{
    Why = ConversionResult::Failure(ConversionStatus::SourceRefused, Path, reason);
    Why.Cause = reason;
    Close();
    return false;
}

bool CSourcePicture::MapFile(const std::string& path)
{
    Close();
    Path = path;
    Why = ConversionResult();
    Why.Path = path;
    FileFormat = PictureFormat::Unknown;
    // A folder opens as no file does, and is named as what it is.
    if (FolderExists(path))
    {
        Why = ConversionResult::Failure(ConversionStatus::SourceCannotOpen, path, CannotOpenAction, "it is a folder");
        return false;
    }
    if (!File.Open(path))
    {
        if (File.LastFailure() != CMappedFile::Failure::CannotOpen)
            return Refuse(File.FailureReason());
        Why =
            ConversionResult::Failure(ConversionStatus::SourceCannotOpen, path, CannotOpenAction, File.FailureReason());
        return false;
    }
    // The format is told by the file's first bytes, never by its name.
    FileFormat = SniffPictureFormat(File.Data(), File.Size());
    return true;
}

bool CSourcePicture::Open(const std::string& path, RgbColor background)
{
    if (!MapFile(path))
        return false;
    return FileFormat == PictureFormat::Bmp ? OpenBitmap(background) : OpenDecoded(background);
}

bool CSourcePicture::Peek(const std::string& path, SourceFacts& facts)
{
    facts = SourceFacts();
    if (!MapFile(path))
        return false;
    facts.Format = FileFormat;
    if (FileFormat == PictureFormat::Unknown)
        return Refuse("not a picture Glyphcast can read");
    StoredFacts stored;
    if (ReadStoredFacts(FileFormat, File.Data(), File.Size(), stored))
    {
        const std::string problem = PictureSizeProblem(PictureFormatName(FileFormat), stored.Width, stored.Height);
        if (!problem.empty())
            return Refuse(problem);
        const Orientation turn = ReadOrientation(FileFormat, File.Data(), File.Size());
        const bool turned = SwapsAxes(turn);
        // A decoded picture whose rows do not come in their stored order is held whole.
        const bool streams = turn == Orientation::Upright || turn == Orientation::Mirrored;
        facts.SizeKnown = true;
        facts.Width = turned ? stored.Height : stored.Width;
        facts.Height = turned ? stored.Width : stored.Height;
        const std::uint64_t pixels = std::uint64_t(stored.Width) * stored.Height;
        if (FileFormat != PictureFormat::Bmp)
            facts.DecodingBytes = pixels * ((stored.BitsPerPixel + 7) / 8) + (streams ? 0 : pixels * 4);
    }
    Close();
    return true;
}

bool CSourcePicture::OpenBitmap(RgbColor background)
{
    auto bitmap = std::make_unique<CBitmapFile>();
    if (bitmap->OpenBytes(File.Data(), File.Size()))
    {
        Picture = std::move(bitmap);
        return true;
    }
    // The platform's decoder takes the variants the reader leaves, and tells what is wrong with them.
    if (IsForSystemDecoder(*bitmap) && CreatePictureDecoder(FileFormat))
        return OpenDecoded(background);
    Why = ConversionResult::Failure(ConversionStatus::SourceRefused, Path, "not a bitmap this program can read",
                                    bitmap->FailureReason());
    Close();
    return false;
}

// Opens the picture with the platform's decoder for its format.
bool CSourcePicture::OpenDecoded(RgbColor background)
{
    std::unique_ptr<CPictureDecoder> decoder = CreatePictureDecoder(FileFormat);
    if (!decoder)
        return Refuse(NoDecoderReason(FileFormat));
    auto picture = std::make_unique<CDecodedPicture>();
    if (picture->Open(std::move(decoder), File.Data(), File.Size(), FileFormat, background))
    {
        Decoded = picture.get();
        Picture = std::move(picture);
        return true;
    }
    Picture = std::move(picture);
    Why = ReadFailure();
    Close();
    return false;
}

ConversionResult CSourcePicture::ReadFailure() const
{
    if (!Picture)
        return Why;
    if (Picture->LastFailure() == CPictureSource::Failure::CannotOpen)
        return ConversionResult::Failure(ConversionStatus::SourceCannotOpen, Path, CannotOpenAction,
                                         Picture->FailureReason());
    ConversionResult result =
        ConversionResult::Failure(ConversionStatus::SourceRefused, Path, Picture->FailureReason());
    result.Cause = Picture->FailureReason();
    return result;
}

std::string CSourcePicture::Warning() const
{
    return Decoded ? Decoded->Warning() : std::string();
}

void CSourcePicture::Close()
{
    Decoded = nullptr;
    Picture.reset();
    File.Close();
}

bool CSourcePicture::Translucent() const
{
    // The mapped reader takes no bitmap with alpha: those go to a decoder.
    return Decoded && Decoded->Translucent();
}

ConversionResult ProbeSource(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    CSourcePicture picture;
    if (!picture.Open(path, 0))
        return picture.Failure();
    width = picture.Width();
    height = picture.Height();
    ConversionResult result;
    result.Path = path;
    result.Warning = picture.Warning();  // what the header already showed
    return result;
}
