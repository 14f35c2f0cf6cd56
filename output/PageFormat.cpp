#include "output/PageFormat.h"

#include <vector>

std::uint64_t CPageFormat::EstimateSize(const PageLook& pageLook, const std::u32string& set)
{
    const std::u32string characters = set.empty() ? std::u32string(1, U' ') : set;
    PageLook look = pageLook;
    look.Sampling = Sampling(characters);
    const CellSampling sampling = look.Sampling;
    const std::vector<RgbColor> samples(std::size_t(sampling.Across) * sampling.Down, 0);
    std::string piece;
    Head(piece, look);
    const std::uint64_t head = piece.size();
    piece.clear();
    LineBreak(piece);
    const std::uint64_t lineBreak = piece.size();
    piece.clear();
    Tail(piece);
    const std::uint64_t tail = piece.size();

    // In order, every character of the set is used cells / n times, and the first cells % n
    // characters once more.
    const std::uint64_t cells = static_cast<std::uint64_t>(look.Columns) * look.Rows;
    const std::uint64_t rounds = cells / characters.size();
    const std::uint64_t rest = cells % characters.size();
    std::uint64_t cellBytes = 0;
    for (std::size_t at = 0; at < characters.size(); ++at)
    {
        piece.clear();
        Cell(piece, samples.data(), sampling.Across, characters[at]);
        cellBytes += piece.size() * (rounds + (at < rest ? 1 : 0));
    }
    return head + cellBytes + look.Rows * lineBreak + tail;
}
