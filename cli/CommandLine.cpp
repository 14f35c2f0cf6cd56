#include "cli/CommandLine.h"

#include "base/TextEncoding.h"
#include "engine/ConversionSettings.h"
#include "output/PageStyle.h"

#include <algorithm>
#include <cctype>

namespace
{

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A whole number from minimum to maximum in plain decimal digits.
bool ParseWholeNumber(const std::string& text, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t& number)
{
    if (text.empty() || text.size() > 9)
        return false;
    std::uint32_t value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value < minimum || value > maximum)
        return false;
    number = value;
    return true;
}

// The option a long name (without its dashes) stands for: the one of that exact name,
// else the only one it begins. Null, with the problem in error, when there is none.
const CommandOption* FindLongOption(const std::string& name, std::string& error)
{
#ifndef _WIN32
    if (name == "clipboard")
    {
        error = "--clipboard copies pages on Windows only; here '-o -' writes the page to standard output, "
                "for a clipboard tool to take";
        return nullptr;
    }
#endif
    std::vector<const CommandOption*> candidates;
    for (const CommandOption& option : CommandOptions())
    {
        if (name == option.Name)
            return &option;
        if (!name.empty() && std::string(option.Name).compare(0, name.size(), name) == 0)
            candidates.push_back(&option);
    }
    if (candidates.size() == 1)
        return candidates[0];
    if (candidates.empty())
    {
        error = "unknown option '--" + name + "'";
        return nullptr;
    }
    error = "option '--" + name + "' is ambiguous; it could be";
    for (std::size_t n = 0; n < candidates.size(); ++n)
        error += std::string(n == 0                       ? " '--"
                             : n + 1 == candidates.size() ? " or '--"
                                                          : ", '--") +
                 candidates[n]->Name + "'";
    return nullptr;
}

const CommandOption* FindShortOption(char letter)
{
    for (const CommandOption& option : CommandOptions())
    {
        if (option.Letter != 0 && option.Letter == letter)
            return &option;
    }
    return nullptr;
}

// Control characters (C0, DEL and C1) are no text a page can show: HTML has no reference for them.
bool HoldsControlCharacters(const std::string& text)
{
    std::u32string characters;
    SplitCharacters(text, characters);
    return std::any_of(characters.begin(), characters.end(), IsControlCharacter);
}

// Applies one option and its value to the line; false, with the problem in error, for a
// value it cannot take. Help and version set the mode.
bool ApplyOption(CommandLine& line, const std::string& name, const std::string& value, std::string& error)
{
    const std::string option = "--" + name;
    if (name == "help")
        line.Mode = CommandLine::Action::Help;
    else if (name == "version")
        line.Mode = CommandLine::Action::Version;
    else if (name == "force")
        line.Force = true;
    else if (name == "open")
        line.OpenAfterCreation = true;
    else if (name == "clipboard")
        line.CopyToClipboard = true;
    else if (name == "columns" || name == "rows")
    {
        std::uint32_t count = 0;
        if (!ParseGridCount(value, count))
            error = option + " must be a whole number from 1 to 5000, not '" + value + "'";
        (name == "columns" ? line.Page.Columns : line.Page.Rows) = count;
    }
    else if (name == "jobs")
    {
        std::uint32_t jobs = 0;
        if (!ParseWholeNumber(value, 1, MaximumJobs, jobs))
            error =
                option + " must be a whole number from 1 to " + std::to_string(MaximumJobs) + ", not '" + value + "'";
        line.Jobs = jobs;
    }
    else if (name == "characters")
    {
        if (value.empty())
            error = option + " needs at least one character";
        else if (!IsValidText(value))
            error = option + " must be UTF-8 text; some of its bytes are no characters";
        else if (HoldsControlCharacters(value))
            error = option + " must not hold control characters, which no page can show";
        line.Page.CharacterSet = value;
        line.CharactersGiven = true;
    }
    else if (name == "style")
    {
        const PageStyleInfo* style = FindPageStyle(value);
        if (style)
            line.Page.Style = style->Style;
        else
        {
            error = option + " must be";
            for (std::size_t n = 0; n < PageStyles().size(); ++n)
                error += std::string(n == 0                         ? " '"
                                     : n + 1 == PageStyles().size() ? " or '"
                                                                    : ", '") +
                         PageStyles()[n].Name + "'";
            error += ", not '" + value + "'";
        }
    }
    else if (name == "order")
    {
        if (value == "random")
            line.Page.CharacterOrder = 0;
        else if (value == "sequential")
            line.Page.CharacterOrder = 1;
        else
            error = option + " must be 'random' or 'sequential', not '" + value + "'";
    }
    else if (name == "font")
    {
        // Any face is taken: the page's head writes its quotes and markup as references.
        if (value.empty())
            error = option + " needs a face name";
        else if (!IsValidText(value))
            error = option + " must be UTF-8 text; some of its bytes are no characters";
        else if (HoldsControlCharacters(value))
            error = option + " must not hold control characters, which no face name has";
        line.Page.FontFace = value;
    }
    else if (name == "background")
    {
        if (!ParseHtmlColor(value, line.Page.BackgroundColor))
            error = option + " must be a colour as RRGGBB, not '" + value + "'";
    }
    else if (name == "memory")
    {
        if (!ParseMemorySize(value, line.Memory))
            error = option + " must be a size of at least 1M, such as 512M or 2G, not '" + value + "'";
    }
    else if (name == "output" || name == "output-dir")
    {
        if (value.empty())
            error = option + (name == "output" ? " needs a file name" : " needs a folder name");
        (name == "output" ? line.Output : line.OutputFolder) = value;
    }
    return error.empty();
}

// The checks that concern the sources and outputs together, once all are known.
std::string CheckOperands(const CommandLine& line)
{
    if (line.Sources.empty())
        return "no SOURCE picture given";
    if (std::find(line.Sources.begin(), line.Sources.end(), std::string()) != line.Sources.end())
        return "a SOURCE name is empty";
    if (std::count(line.Sources.begin(), line.Sources.end(), StandardStreamName) > 1)
        return "standard input ('-') can be read only once";
    if (!line.Output.empty() && !line.OutputFolder.empty())
        return "--output and --output-dir cannot be used together";
    if (!line.Output.empty() && line.Sources.size() > 1)
        return "--output names the page of a single SOURCE; use --output-dir for several";
    if (line.CopyToClipboard && line.Sources.size() > 1)
        return "--clipboard copies the page of a single SOURCE";
    if (line.OpenAfterCreation)
    {
        for (const std::string& source : line.Sources)
        {
            if (line.PageToStandardOutput(source))
                return "--open cannot open a page written to standard output";
        }
    }
    return std::string();
}

CommandLine UsageError(std::string message)
{
    CommandLine result;
    result.Mode = CommandLine::Action::UsageError;
    result.Error = std::move(message);
    return result;
}

}  // namespace

bool CommandLine::PageToStandardOutput(const std::string& source) const
{
    return Output == StandardStreamName || (Output.empty() && source == StandardStreamName);
}

const std::vector<CommandOption>& CommandOptions()
{
    static const std::vector<CommandOption> options = {
        {"columns", 'c', true},    {"rows", 'r', true},    {"style", 0, true},        {"characters", 0, true},
        {"order", 0, true},        {"font", 0, true},      {"background", 'b', true}, {"output", 'o', true},
        {"output-dir", 'd', true}, {"jobs", 'j', true},    {"memory", 0, true},       {"force", 'f', false},
        {"open", 0, false},
#ifdef _WIN32
        {"clipboard", 0, false},
#endif
        {"help", 'h', false},      {"version", 'V', false}};
    return options;
}

bool ParseGridCount(const std::string& text, std::uint32_t& count)
{
    return ParseWholeNumber(text, MinimumGridCount, MaximumGridCount, count);
}

bool ParseHtmlColor(const std::string& text, RgbColor& color)
{
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (digits.size() != 6)
        return false;
    unsigned parts[3];
    for (int n = 0; n < 3; ++n)
    {
        const int high = HexValue(digits[2 * n]);
        const int low = HexValue(digits[2 * n + 1]);
        if (high < 0 || low < 0)
            return false;
        parts[n] = static_cast<unsigned>(high * 16 + low);
    }
    color = MakeRgb(parts[0], parts[1], parts[2]);
    return true;
}

bool ParseMemorySize(const std::string& text, std::uint64_t& bytes)
{
    // The most that is taken: a petabyte, far beyond any machine, so that no product overflows.
    const std::uint64_t most = std::uint64_t(1) << 50;
    std::uint64_t value = 0;
    std::size_t at = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    {
        value = value * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (value > most)
            return false;
    }
    if (at == 0 || text.size() > at + 1)
        return false;
    if (at < text.size())
    {
        const std::string units = "KMGT";
        const std::size_t unit = units.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[at]))));
        if (unit == std::string::npos || value > (most >> (10 * (unit + 1))))
            return false;
        value <<= 10 * (unit + 1);
    }
    if (value < (std::uint64_t(1) << 20))
        return false;
    bytes = value;
    return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    bool optionsEnded = false;
    std::string error;
    for (std::size_t n = 0; n < arguments.size(); ++n)
    {
        const std::string& argument = arguments[n];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
        {
            line.Sources.push_back(argument);
            continue;
        }
        if (argument == "--")
        {
            optionsEnded = true;
            continue;
        }

        // The options this argument holds: one long option, or a group of short ones of
        // which only the last may take a value (the rest of the group, or the next argument).
        std::vector<std::pair<const CommandOption*, std::string>> found;
        std::string shown;  // the option as written, for messages
        bool hasValue = false;
        if (argument[1] == '-')
        {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const CommandOption* option = FindLongOption(name, error);
            if (!option)
                return UsageError(error);
            shown = std::string("--") + option->Name;
            hasValue = equals != std::string::npos;
            if (hasValue && !option->TakesValue)
                return UsageError("option '" + shown + "' takes no value");
            found.emplace_back(option, hasValue ? argument.substr(equals + 1) : std::string());
        }
        else
        {
            for (std::size_t at = 1; at < argument.size(); ++at)
            {
                const CommandOption* option = FindShortOption(argument[at]);
                if (!option)
                    return UsageError(std::string("unknown option '-") + argument[at] + "'");
                shown = std::string("-") + option->Letter;
                hasValue = option->TakesValue && at + 1 < argument.size();
                found.emplace_back(option, hasValue ? argument.substr(at + 1) : std::string());
                if (option->TakesValue)
                    break;
            }
        }
        if (found.back().first->TakesValue && !hasValue)
        {
            if (n + 1 >= arguments.size())
                return UsageError("option '" + shown + "' needs a value");
            found.back().second = arguments[++n];
        }

        for (const auto& [option, value] : found)
        {
            if (!ApplyOption(line, option->Name, value, error))
                return UsageError(error);
            if (line.Mode != CommandLine::Action::Convert)
                return line;
        }
    }

    // Characters not given are the style's own.
    if (!line.CharactersGiven)
        line.Page.CharacterSet = DefaultCharactersOf(line.Page.Style);
    error = CheckOperands(line);
    return error.empty() ? line : UsageError(error);
}
