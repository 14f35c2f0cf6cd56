// The command-line tool's options, parsed without side effects.
#pragma once

#include "engine/ConversionSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The name that stands for standard input as a source and standard output as --output.
const char StandardStreamName[] = "-";
// The most pictures converted at the same time that --jobs allows.
const unsigned MaximumJobs = 256;

// What the arguments ask for, with the defaults of the wizard's output page.
struct CommandLine
{
    enum class Action
    {
        Convert,
        Help,
        Version,
        UsageError
    };

    Action Mode = Action::Convert;
    std::string Error;  // for UsageError: what is wrong, in a few words

    std::vector<std::string> Sources;  // in the order given; "-" is standard input
    std::string Output;                // --output: the one page's file, "-" for standard output; empty: not given
    std::string OutputFolder;          // --output-dir; empty: each page beside its source
    unsigned Jobs = 0;                 // pictures converted at once; 0: one per processor core
    std::uint64_t Memory = 0;          // --memory: bytes the pictures may hold at once; 0: half the machine's
    // The page's settings, as each job takes them: Columns and Rows 0 when not given; the paths
    // are each job's own.
    ConversionSettings Page = DefaultPage();
    bool CharactersGiven = false;  // --characters was given; otherwise the style's own are drawn
    bool Force = false;
    bool OpenAfterCreation = false;
    bool CopyToClipboard = false;  // --clipboard (Windows only): the one page copied once written

    // True when the page of this source goes to standard output.
    bool PageToStandardOutput(const std::string& source) const;

    // The wizard output page's defaults.
    static ConversionSettings DefaultPage()
    {
        ConversionSettings page;
        page.CharacterSet = DefaultCharacterSet;
        page.FontFace = DefaultFontFace;
        return page;
    }
};

// One option the tool knows.
struct CommandOption
{
    const char* Name;  // the long name, without its two dashes
    char Letter;       // the short name, or 0 for none
    bool TakesValue;
};

// Every option the tool knows on this platform, for the parser, the help and their tests.
// --clipboard is offered on Windows only; elsewhere it is refused with a word on what to do instead.
const std::vector<CommandOption>& CommandOptions();

// Parses the arguments that follow the program name, left to right, in the GNU manner:
// options anywhere, "--" ends them, long options as "--name VALUE", "--name=VALUE" or
// any unambiguous beginning of the name, short options grouped ("-fj2") with a value
// attached or following. --help or --version ends the parse wherever it stands, so it
// wins over anything after it; the first problem before it gives UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// Reads a count from 1 to 5000 written in plain decimal digits.
bool ParseGridCount(const std::string& text, std::uint32_t& count);

// Reads a colour written as RRGGBB, with or without a leading '#'.
bool ParseHtmlColor(const std::string& text, RgbColor& color);

// Reads a size of memory: a whole number of bytes, or of KiB, MiB, GiB or TiB with the suffix
// K, M, G or T ("512M", "2g"); at least 1 MiB, for less holds no picture worth the name.
bool ParseMemorySize(const std::string& text, std::uint64_t& bytes);
