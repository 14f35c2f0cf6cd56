#include "cli/CommandLine.h"

#include "engine/ConversionSettings.h"
#include "engine/TextEncoding.h"

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

CommandLine UsageError(std::string message)
{
    CommandLine result;
    result.Mode = CommandLine::Action::UsageError;
    result.Error = std::move(message);
    return result;
}

}  // namespace

bool ParseGridCount(const std::string& text, std::uint32_t& count)
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
    if (value < MinimumGridCount || value > MaximumGridCount)
        return false;
    count = value;
    return true;
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

CommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t n = 0; n < arguments.size(); ++n)
    {
        const std::string& argument = arguments[n];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
        {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h")
        {
            line.Mode = CommandLine::Action::Help;
            return line;
        }
        if (argument == "--version")
        {
            line.Mode = CommandLine::Action::Version;
            return line;
        }
        if (argument == "--force")
        {
            line.Force = true;
            continue;
        }
        if (argument == "--open")
        {
            line.OpenAfterCreation = true;
            continue;
        }

        // The remaining options take a value, as "--name VALUE" or "--name=VALUE".
        std::string name = argument;
        std::string value;
        const std::size_t equals = argument.find('=');
        bool hasValue = false;
        if (equals != std::string::npos)
        {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        if (hasValue && (name == "--force" || name == "--open" || name == "--help" || name == "--version"))
            return UsageError("option '" + name + "' takes no value");
        if (name != "--columns" && name != "--rows" && name != "--characters" && name != "--order" &&
            name != "--font" && name != "--background")
            return UsageError("unknown option '" + name + "'");
        if (!hasValue)
        {
            if (n + 1 >= arguments.size())
                return UsageError("option '" + name + "' needs a value");
            value = arguments[++n];
        }

        if (name == "--columns" || name == "--rows")
        {
            std::uint32_t count = 0;
            if (!ParseGridCount(value, count))
                return UsageError(name + " must be a whole number from 1 to 5000, not '" + value + "'");
            (name == "--columns" ? line.Columns : line.Rows) = count;
        }
        else if (name == "--characters")
        {
            if (value.empty())
                return UsageError("--characters needs at least one character");
            if (!IsValidText(value))
                return UsageError("--characters must be UTF-8 text; some of its bytes are no characters");
            line.Characters = value;
        }
        else if (name == "--order")
        {
            if (value == "random")
                line.Order = 0;
            else if (value == "sequential")
                line.Order = 1;
            else
                return UsageError("--order must be 'random' or 'sequential', not '" + value + "'");
        }
        else if (name == "--font")
        {
            if (value.empty())
                return UsageError("--font needs a face name");
            if (!IsValidText(value))
                return UsageError("--font must be UTF-8 text; some of its bytes are no characters");
            line.Font = value;
        }
        else
        {
            if (!ParseHtmlColor(value, line.Background))
                return UsageError("--background must be a colour as RRGGBB, not '" + value + "'");
        }
    }

    if (positional.empty())
        return UsageError("no SOURCE picture given");
    if (positional.size() > 2)
        return UsageError("too many arguments: '" + positional[2] + "'");
    if (positional[0].empty())
        return UsageError("the SOURCE name is empty");
    line.Source = positional[0];
    if (positional.size() == 2)
    {
        if (positional[1].empty())
            return UsageError("the TARGET name is empty");
        line.Target = positional[1];
    }
    return line;
}
