#include "cli/TemporaryFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace
{

// The system's words for an error as a message goes on with them.
std::string Lowered(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || !(text[1] >= 'A' && text[1] <= 'Z')))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

}  // namespace

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
#ifdef _WIN32
    const fs::path base = fs::temp_directory_path(error);
    if (error)
    {
        reason = "cannot find the temporary folder: " + Lowered(error.message());
        return false;
    }
#else
    // An empty TMPDIR is no folder: the system's own is meant, as other programs take it.
    const char* named = std::getenv("TMPDIR");
    const fs::path base = fs::u8path(named && *named ? named : "/tmp");
#endif
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
            reason = "cannot make a temporary folder in " + base.u8string() + ": " + Lowered(error.message());
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
