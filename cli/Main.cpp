// glyphcast-convert: converts a bitmap into the mosaic page from the command line.
#include "cli/ConvertTool.h"
#include "cli/SignalCleanup.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define GLYPHCAST_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define GLYPHCAST_ISATTY(fd) isatty(fd)
#endif

int main(int argc, char** argv)
{
    RemoveTemporaryPagesOnSignal();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool terminal = GLYPHCAST_ISATTY(2) != 0;
    return RunConvertTool(arguments, std::cout, std::cerr, terminal);
}
