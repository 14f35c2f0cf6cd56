#include "engine/ConversionRun.h"

#include "base/Win32Api.h"
#include "engine/CellSampler.h"

#include <vector>

ConversionStatus ConvertToHtml(CPictureSource& source, CCellSink& target, const ConversionProgress& progress,
                               const ConversionStop* stop)
{
    if (source.Width() == 0 || source.Height() == 0)
        return ConversionStatus::SourceCannotOpen;
    const std::uint32_t columns = target.GridColumns();
    const std::uint32_t rows = target.GridRows();
    // A cell sampled in parts is a finer grid of samples, each averaged like a cell of its own.
    const CellSampling parts = target.Sampling();
    const std::uint32_t across = columns * parts.Across;
    CCellSampler sampler(source, across, rows * parts.Down);
    std::vector<RgbColor> samples(std::size_t(across) * parts.Down);

    if (!target.WriteHeader())
        return ConversionStatus::WriteFailed;
    for (std::uint32_t y = 0; y < rows; ++y)
    {
        for (std::uint32_t part = 0; part < parts.Down; ++part)
        {
            if (!sampler.BeginRow(y * parts.Down + part))
                return ConversionStatus::SourceRefused;
            RgbColor* row = samples.data() + std::size_t(part) * across;
            for (std::uint32_t x = 0; x < across; ++x)
                row[x] = sampler.SampleCell(x);
        }
        if (!target.WriteRow(samples.data()))
            return ConversionStatus::WriteFailed;
        if (progress)
            progress(y + 1, rows);
        if (stop && stop->load(std::memory_order_relaxed))
            return ConversionStatus::Stopped;
    }
    return target.WriteFooter() ? ConversionStatus::Written : ConversionStatus::WriteFailed;
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
