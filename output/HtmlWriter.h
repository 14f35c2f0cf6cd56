// CHtmlWriter: writes a conversion's page, cell by cell, in one page format.
#pragma once

#include "engine/CellSink.h"
#include "engine/ConversionSettings.h"
#include "output/CharacterSequence.h"
#include "output/PageFormat.h"
#include "output/ReplacingFile.h"

#include <cstdint>
#include <memory>
#include <string>

// Takes a run's cells and writes them as a page: it chooses each cell's character from
// CharacterSet (in order or at random), asks the page format for the markup of the head, each
// cell, each line break and the tail, and writes it through a replacing file. The caller sets
// the public fields (or takes them from the settings) after Open and before WriteHeader.
class CHtmlWriter : public CCellSink
{
public:
    // A writer of the classic page.
    CHtmlWriter();
    // A writer of pages in format.
    explicit CHtmlWriter(std::unique_ptr<CPageFormat> format);
    ~CHtmlWriter() override;

    // Creates (or truncates) the page and writes it in place, first clearing a read-only
    // attribute, which is put back when the file cannot be created.
    bool Open(const std::string& path) { return File.Open(path); }
    // Starts a page that is to replace path: see CReplacingFile.
    bool OpenReplacing(const std::string& path) { return File.OpenReplacing(path); }
    // Completes the page and puts it in its target's place; false (LastError says why) otherwise,
    // the target then being as it was.
    bool Commit() { return File.Commit(); }
    // Closes the page without committing it: a temporary page is removed. Harmless when closed.
    void Close() { File.Close(); }
    bool IsOpen() const { return File.IsOpen(); }

    // Takes the page's fields from the settings of a conversion, and a format of their style.
    void TakeSettings(const ConversionSettings& settings);

    // Each returns false when a write failed; LastError() then tells why. The head starts the
    // cells' character sequence and columns afresh.
    bool WriteHeader() override;
    bool WriteCell(RgbColor color);
    bool WriteFooter() override;

    // The run's side: the grid, how the format samples a cell, and a whole row of cells at once.
    std::uint32_t GridColumns() const override { return Columns; }
    std::uint32_t GridRows() const override { return Rows; }
    CellSampling Sampling() const override;
    bool WriteRow(const RgbColor* samples) override;

    // The system error code of the last failed Open or write.
    unsigned long LastError() const { return OwnError ? OwnError : File.LastError(); }

    // Removes the read-only attribute of an existing plain file, silently.
    static void ClearReadOnly(const std::string& path) { CReplacingFile::ClearReadOnly(path); }

    std::uint32_t Columns;
    std::uint32_t Rows;
    std::string FontFace;
    std::string CharacterSet;     // a sequence of characters in the program's text code page
    std::int32_t CharacterOrder;  // non-zero sequentially, 0 randomly
    RgbColor BackgroundColor;
    std::string Title;  // the page's name, where its format shows one

private:
    // Appends the cell whose samples start at samples (stride to the next row of them) to Piece,
    // with a line break after every Columns-th cell.
    void AppendCell(const RgbColor* samples, std::size_t stride);
    void StartSequence();
    // False, with the error set, when the format has lost cells for want of memory.
    bool FormatKeptUp();

    std::unique_ptr<CPageFormat> Format;
    CCharacterSequence Sequence;
    CReplacingFile File;
    std::string Piece;         // the markup being formed, handed to the file a cell or a row at a time
    CellSampling RowSampling;  // how the cells of the page are sampled, fixed when it starts
    std::uint32_t ColumnCounter;
    unsigned long OwnError;  // a failure of the writer's own, which no file call had
    bool SequenceStarted;
};
