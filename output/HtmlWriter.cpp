#include "output/HtmlWriter.h"

#include "base/TextEncoding.h"
#include "base/Win32Api.h"
#include "output/ClassicPage.h"
#include "output/PageStyle.h"

CHtmlWriter::CHtmlWriter() : CHtmlWriter(std::make_unique<CClassicPage>())
{
}

CHtmlWriter::CHtmlWriter(std::unique_ptr<CPageFormat> format)
    : Columns(0), Rows(0), CharacterOrder(0), BackgroundColor(0), Format(std::move(format)), ColumnCounter(0),
      OwnError(0), SequenceStarted(false)
{
}

CHtmlWriter::~CHtmlWriter() = default;

void CHtmlWriter::TakeSettings(const ConversionSettings& settings)
{
    Columns = settings.Columns;
    Rows = settings.Rows;
    FontFace = settings.FontFace;
    CharacterSet = settings.CharacterSet;
    CharacterOrder = settings.CharacterOrder;
    BackgroundColor = settings.BackgroundColor;
    // The picture's file name, after the last folder separator either platform writes.
    const std::size_t separator = settings.SourcePath.find_last_of("\\/");
    Title = separator == std::string::npos ? settings.SourcePath : settings.SourcePath.substr(separator + 1);
    Format = CreatePageFormat(settings.Style);
}

CellSampling CHtmlWriter::Sampling() const
{
    std::u32string set;
    SplitCharacters(CharacterSet, set);
    return Format->Sampling(set);
}

void CHtmlWriter::StartSequence()
{
    Sequence.Start(CharacterSet, CharacterOrder != 0);
    RowSampling = Format->Sampling(Sequence.Characters());
    ColumnCounter = 0;
    SequenceStarted = true;
}

bool CHtmlWriter::WriteHeader()
{
    StartSequence();
    Piece.clear();
    PageLook look;
    look.Columns = Columns;
    look.Rows = Rows;
    look.FontFace = FontFace;
    look.Background = BackgroundColor;
    look.Title = Title;
    look.Sampling = RowSampling;
    Format->Head(Piece, look);
    return File.Write(Piece) && FormatKeptUp();
}

bool CHtmlWriter::FormatKeptUp()
{
    if (!Format->OutOfMemory())
        return true;
    OwnError = ERROR_NOT_ENOUGH_MEMORY;
    return false;
}

void CHtmlWriter::AppendCell(const RgbColor* samples, std::size_t stride)
{
    if (!SequenceStarted)
        StartSequence();
    Format->Cell(Piece, samples, stride, Sequence.Next());
    if (++ColumnCounter >= Columns)
    {
        Format->LineBreak(Piece);
        ColumnCounter = 0;
    }
}

bool CHtmlWriter::WriteCell(RgbColor color)
{
    Piece.clear();
    AppendCell(&color, 1);
    return File.Write(Piece) && FormatKeptUp();
}

bool CHtmlWriter::WriteRow(const RgbColor* samples)
{
    if (!SequenceStarted)
        StartSequence();
    const std::size_t across = RowSampling.Across;
    const std::size_t stride = Columns * across;
    Piece.clear();
    for (std::uint32_t x = 0; x < Columns; ++x)
        AppendCell(samples + x * across, stride);
    return File.Write(Piece) && FormatKeptUp();
}

bool CHtmlWriter::WriteFooter()
{
    Piece.clear();
    Format->Tail(Piece);
    bool written = File.Write(Piece) && FormatKeptUp();
    // Then what the format kept back, a part at a time.
    while (written && (Piece.clear(), Format->Drain(Piece)))
        written = File.Write(Piece);
    // A format may run short of memory while it works its cells out.
    written = written && FormatKeptUp();
    // The tail is the last piece: everything gathered goes to the file now, so that a failure
    // shows here rather than only at the commit.
    return written && File.Flush();
}
