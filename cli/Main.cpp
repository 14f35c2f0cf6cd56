// glyphcast-convert: converts pictures into mosaic pages from the command line.
#include "cli/ConvertTool.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define GLYPHCAST_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define GLYPHCAST_ISATTY(fd) isatty(fd)
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Pictures and pages pass through standard input and output byte for byte: a page's
    // CR LF line ends must not become CR CR LF, nor a picture's bytes be cut at a ^Z.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool terminal = GLYPHCAST_ISATTY(2) != 0;
    return RunConvertTool(arguments, std::cin, std::cout, std::cerr, terminal);
}
