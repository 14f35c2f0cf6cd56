#include "cli/TemporaryFolder.h"

#include <chrono>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

CTemporaryFolder::~CTemporaryFolder()
{
    if (!RootPath.empty())
    {
        std::error_code ignored;
        fs::remove_all(fs::u8path(RootPath), ignored);
    }
}

bool CTemporaryFolder::Create(std::string& reason)
{
    if (!RootPath.empty())
        return true;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error)
    {
        reason = "there is no temporary folder: " + error.message();
        return false;
    }
    // An unpredictable name that nobody else holds: create_directory fails on a name that exists.
    std::mt19937_64 generator(std::random_device{}() ^
                              static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const fs::path candidate = base / ("glyphcast-" + std::to_string(generator() % 1000000000000ull));
        if (fs::create_directory(candidate, error))
        {
            // Only the owner may look in: a picture from standard input is nobody else's business.
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, error);
            RootPath = candidate.u8string();
            return true;
        }
        if (error)
        {
            reason = "cannot make a temporary folder in " + base.u8string() + ": " + error.message();
            return false;
        }
    }
    reason = "cannot make a temporary folder in " + base.u8string();
    return false;
}

std::string CTemporaryFolder::Path(const std::string& name) const
{
    return (fs::u8path(RootPath) / name).u8string();
}
