// The command-line tool's options, parsed without side effects.
#pragma once

#include "engine/ConversionSettings.h"

#include <cstdint>
#include <string>
#include <vector>

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

    std::string Source;
    std::string Target;         // empty: derived from Source
    std::uint32_t Columns = 0;  // 0: not given
    std::uint32_t Rows = 0;     // 0: not given
    std::string Characters = DefaultCharacterSet;
    std::int32_t Order = 0;  // 0 random, 1 sequential
    std::string Font = DefaultFontFace;
    RgbColor Background = 0;
    bool Force = false;
    bool OpenAfterCreation = false;
};

// Parses the arguments that follow the program name, left to right. --help or
// --version ends the parse wherever it stands, so it wins over anything after it;
// the first problem before it gives UsageError with its Error text.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// Reads a count from 1 to 5000 written in plain decimal digits.
bool ParseGridCount(const std::string& text, std::uint32_t& count);

// Reads a colour written as RRGGBB, with or without a leading '#'.
bool ParseHtmlColor(const std::string& text, RgbColor& color);
