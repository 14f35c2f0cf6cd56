#include "tests/engine/TempDir.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define GLYPHCAST_PID _getpid()
#else
#include <unistd.h>
#define GLYPHCAST_PID getpid()
#endif

namespace fs = std::filesystem;

CTempDir::CTempDir()
{
    static std::atomic<unsigned> counter{0};
    const fs::path root = fs::temp_directory_path() /
                          ("glyphcast-test-" + std::to_string(GLYPHCAST_PID) + "-" + std::to_string(counter++));
    fs::remove_all(root);
    fs::create_directories(root);
    RootPath = root.string();
}

CTempDir::~CTempDir()
{
    std::error_code ignored;
    // Read-only files left by a test would block removal on Windows.
    for (auto it = fs::recursive_directory_iterator(RootPath, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(RootPath, ignored);
}

std::string CTempDir::Path(const std::string& name) const
{
    return (fs::path(RootPath) / name).string();
}

long WriteCallsSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string line;
    while (std::getline(io, line))
        if (line.rfind("syscw:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}
