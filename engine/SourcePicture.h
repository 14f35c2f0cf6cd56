// CSourcePicture: the picture file a conversion reads, opened once.
#pragma once

#include "base/MappedFile.h"
#include "base/RgbColor.h"
#include "decoders/PictureFormat.h"
#include "engine/ConversionResult.h"
#include "engine/PictureSource.h"

#include <cstdint>
#include <memory>
#include <string>

class CDecodedPicture;

// What a look at a picture file's header tells, before anything is decoded.
struct SourceFacts
{
    PictureFormat Format = PictureFormat::Unknown;
    bool SizeKnown = false;   // false: only a decoder can tell (a header this program does not read)
    std::uint32_t Width = 0;  // upright, as the page will show it
    std::uint32_t Height = 0;
    // The most memory decoding the picture may take beyond a band of rows: the whole stored frame,
    // as the system's decoders hold it, and the whole upright picture when the rows are turned.
    // 0 for a bitmap, which is read from its mapping.
    std::uint64_t DecodingBytes = 0;
};

// Maps the file once and reads it as what its first bytes say (never its name): a .bmp through
// the mapped reader, any other picture (and the .bmp variants the reader leaves alone, where the
// platform decodes them) through this platform's decoder, upright, with transparent areas over a
// background colour. The signature, the orientation and the pixels all come from the one mapping.
class CSourcePicture
{
public:
    CSourcePicture() = default;
    CSourcePicture(const CSourcePicture&) = delete;
    CSourcePicture& operator=(const CSourcePicture&) = delete;

    // Opens path; false with Failure() saying why, naming path.
    bool Open(const std::string& path, RgbColor background);
    // Looks at path's header only, cheaply whatever the picture's size, and lets the file go again:
    // false with Failure() as Open fails for a folder, a file that cannot be opened, one that is
    // no picture and one of absurd size. A picture whose data are damaged passes here.
    bool Peek(const std::string& path, SourceFacts& facts);
    // Lets the picture and its file go.
    void Close();

    bool IsOpen() const { return Picture != nullptr; }
    // The picture's rows, for the sampler; only while open.
    CPictureSource& Source() const { return *Picture; }
    // The upright picture's size, as the page will show it.
    std::uint32_t Width() const { return Picture ? Picture->Width() : 0; }
    std::uint32_t Height() const { return Picture ? Picture->Height() : 0; }
    PictureFormat Format() const { return FileFormat; }
    // Whether a decoder reads the picture (rather than the mapped reader, from the file's bytes).
    bool IsDecoded() const { return Decoded != nullptr; }
    // Whether the background shows through the picture somewhere.
    bool Translucent() const;
    // The identity of the file as it was opened; false when closed or the system cannot tell it.
    bool Identify(FileIdentity& identity) const { return IsOpen() && File.Identify(identity); }
    // The memory its rows will take when a page of gridRows rows is made of it (see
    // CPictureSource::MemoryNeeded), known before any row is decoded; 0 when it is not open.
    std::uint64_t MemoryNeeded(std::uint32_t gridRows) const { return Picture ? Picture->MemoryNeeded(gridRows) : 0; }

    // Why Open failed, or why the rows could not be read to the end: the status, the file, the reason.
    const ConversionResult& Failure() const { return Why; }
    // The failure of the rows as Source() last reported it (damaged data on the way).
    ConversionResult ReadFailure() const;
    // What the picture's decoder read past so far, as viewers do; empty when nothing (and for
    // pictures the mapped reader reads, which it reads whole or refuses).
    std::string Warning() const;

private:
    // Maps path and tells its format: the steps Open and Peek share.
    bool MapFile(const std::string& path);
    bool OpenBitmap(RgbColor background);
    bool OpenDecoded(RgbColor background);
    bool Refuse(const std::string& reason);

    std::string Path;
    CMappedFile File;
    PictureFormat FileFormat = PictureFormat::Unknown;
    std::unique_ptr<CPictureSource> Picture;
    const CDecodedPicture* Decoded = nullptr;  // Picture, when a decoder reads it
    ConversionResult Why;
};

// Opens a picture the way a run does and reports its size (upright, as the page will show it),
// or why it is unusable.
ConversionResult ProbeSource(const std::string& path, std::uint32_t& width, std::uint32_t& height);
