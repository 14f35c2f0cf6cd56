#include "output/HtmlWriter.h"

#include "output/ClassicPage.h"

CHtmlWriter::CHtmlWriter() : CHtmlWriter(std::make_unique<CClassicPage>())
{
}

CHtmlWriter::CHtmlWriter(std::unique_ptr<CPageFormat> format)
    : Columns(0), Rows(0), CharacterOrder(0), BackgroundColor(0), Format(std::move(format)), ColumnCounter(0),
      SequenceStarted(false)
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
}

void CHtmlWriter::StartSequence()
{
    Sequence.Start(CharacterSet, CharacterOrder != 0);
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
    Format->Head(Piece, look);
    return File.Write(Piece);
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
    return File.Write(Piece);
}

bool CHtmlWriter::WriteRow(const RgbColor* samples)
{
    const std::size_t across = Format->Sampling().Across;
    const std::size_t stride = Columns * across;
    Piece.clear();
    for (std::uint32_t x = 0; x < Columns; ++x)
        AppendCell(samples + x * across, stride);
    return File.Write(Piece);
}

bool CHtmlWriter::WriteFooter()
{
    Piece.clear();
    Format->Tail(Piece);
    // The tail is the last piece: everything gathered goes to the file now, so that a failure
    // shows here rather than only at the commit.
    return File.Write(Piece) && File.Flush();
}
