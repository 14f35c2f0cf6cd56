// Writes the mosaic page: head, one coloured character per cell, line breaks, tail.
#pragma once

#include "engine/Handle.h"
#include "engine/RgbColor.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the output page piece by piece, each piece with its own write call, and
// chooses each cell's character from CharacterSet in order or at random. The
// caller sets the public fields after Open and before WriteHeader.
class CHtmlWriter
{
public:
    CHtmlWriter();
    virtual ~CHtmlWriter();
    CHtmlWriter(const CHtmlWriter&) = delete;
    CHtmlWriter& operator=(const CHtmlWriter&) = delete;

    // Creates (or truncates) the file, first clearing a read-only attribute,
    // which is put back when the file cannot be created.
    bool Open(const std::string& path);
    // Starts a page that is to replace path: the writes go to a new temporary file of a short
    // name of its own ("~gc1.tmp") in path's folder, and path itself is touched only by Commit.
    // Where the system allows, the temporary file is marked to go when its handle closes, so that
    // even a killed process leaves none behind.
    bool OpenReplacing(const std::string& path);
    // Closes the file and moves a temporary file over its target; an existing target passes its
    // permissions and attributes on. On failure the temporary file is removed, the target is as
    // it was, and LastError() tells why.
    bool Commit();
    // Closes the file without committing: a temporary file is removed. Harmless when closed.
    void Close();
    bool IsOpen() const { return static_cast<bool>(FileHandle); }

    // Each returns false when a write failed or was short; LastError() then tells why.
    bool WriteHeader();
    bool WriteCell(RgbColor color);
    bool WriteFooter();

    // The system error code of the last failed Open or write.
    unsigned long LastError() const { return ErrorCode; }

    // Removes the read-only attribute of an existing plain file, silently.
    static void ClearReadOnly(const std::string& path);
    // Starts the page's sequence again: first character, first column, first draw.
    void ResetSequence();
    // The next value, 0 to 32767, of the classic C runtime's generator, which every
    // writer runs on its own from the same unseeded start.
    int NextRandom();

    // The bytes each piece takes as written: the head for a face name, the cell showing a
    // character, a line break, the tail.
    static std::size_t HeadLength(const std::string& fontFace);
    static std::size_t CellLength(char32_t character);
    static std::size_t LineBreakLength();
    static std::size_t FooterLength();

    std::uint32_t Columns;
    std::uint32_t Rows;
    std::string FontFace;
    std::string CharacterSet;     // a sequence of characters in the engine's text code page
    std::int32_t CharacterOrder;  // non-zero sequentially, 0 randomly
    RgbColor BackgroundColor;

private:
    bool Write(const char* text, std::size_t length);
    // Sets or clears the open file's mark for deletion when its handle closes.
    bool MarkForDeletion(bool remove);
    // Puts the closed temporary file in the target's place.
    bool MoveIntoPlace();
    // The characters of CharacterSet, split anew when the set has changed.
    const std::u32string& CellCharacters();

    CHandle FileHandle;
    unsigned long ErrorCode;
    std::string TargetPath;     // what Commit replaces; empty when writing in place
    std::string TemporaryPath;  // the file being written until Commit; empty when in place
    bool MarkedForDeletion = false;
    std::u32string Characters;  // CharacterSet split into code points
    std::string SplitSet;       // the set Characters was split from

    // The sequence that runs across one page. Each writer keeps its own, so that
    // pages written at the same time on several threads do not disturb each other.
    std::int32_t CharacterIndex;
    std::uint32_t ColumnCounter;
    std::uint32_t RandomState;
};
