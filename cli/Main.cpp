// glyphcast-convert: converts pictures into mosaic pages from the command line.
#include "cli/ConvertTool.h"
#include "cli/SignalCleanup.h"
#include "cli/StandardStream.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include "decoders/ComInitializer.h"
#include "base/TextEncoding.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#define GLYPHCAST_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define GLYPHCAST_ISATTY(fd) isatty(fd)
#endif

namespace
{

#ifdef _WIN32
std::string Utf8Of(LPCWSTR text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string converted(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &converted[0], length, nullptr, nullptr);
    converted.resize(static_cast<std::size_t>(length - 1));
    return converted;
}

// The arguments after the program name, as UTF-8. Where the system honours the manifest's UTF-8
// code page they arrive so. Elsewhere the runtime has squeezed them into the active code page,
// losing every character it lacks: they are read again from the wide command line, and the
// engine is told that its text is UTF-8.
std::vector<std::string> Arguments(int argc, char** argv)
{
    if (GetACP() == CP_UTF8)
        return std::vector<std::string>(argv + 1, argv + argc);
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> arguments;
    for (int n = 1; n < count; ++n)
        arguments.push_back(Utf8Of(wide[n]));
    LocalFree(wide);
    SetTextCodePage(TextCodePage::Utf8);
    return arguments;
}

// While the tool runs, a console shows its UTF-8 messages as such (systems whose code page is
// UTF-8 show them right; older consoles are left as they are).
class CConsoleCodePage
{
public:
    CConsoleCodePage() : Previous(GetACP() == CP_UTF8 ? GetConsoleOutputCP() : 0)
    {
        if (Previous != 0 && Previous != CP_UTF8)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~CConsoleCodePage()
    {
        if (Previous != 0 && Previous != CP_UTF8)
            SetConsoleOutputCP(Previous);
    }
    CConsoleCodePage(const CConsoleCodePage&) = delete;
    CConsoleCodePage& operator=(const CConsoleCodePage&) = delete;

private:
    UINT Previous;
};
#else
std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    // Before anything is opened, so that no file takes the place of a closed standard stream.
    const unsigned closed = ReserveClosedStandardStreams();
    RemoveTemporaryPagesOnSignal();
#ifdef _WIN32
    // The system's picture decoders are COM objects, used on this one thread.
    CComInitializer com;
    // Pictures and pages pass through standard input and output byte for byte: a page's
    // CR LF line ends must not become CR CR LF, nor a picture's bytes be cut at a ^Z.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    const CConsoleCodePage console;
#endif
    const std::vector<std::string> arguments = Arguments(argc, argv);
    const bool terminal = GLYPHCAST_ISATTY(2) != 0;
    // Pictures and pages pass through the system's handles, which tell why a read or write failed.
    CStandardStream inputBuffer(CStandardStream::Direction::Input, closed & 1);
    CStandardStream outputBuffer(CStandardStream::Direction::Output, closed & 2);
    std::istream input(&inputBuffer);
    std::ostream output(&outputBuffer);
    const int status = RunConvertTool(arguments, input, output, std::cerr, terminal);
    // Help or version that never arrived is a failure too (a page that did not is reported already).
    if (!output.flush() && status == ExitWritten)
    {
        std::cerr << ConvertToolName
                  << ": standard output: cannot write: " << CStandardStream::FailureOf(output.rdbuf()) << "\n";
        return ExitFailed;
    }
    return status;
}
