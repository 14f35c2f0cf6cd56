// Option parsing of glyphcast-convert.
#include "cli/CommandLine.h"
#include "base/TextEncoding.h"

#include <gtest/gtest.h>

namespace
{

CommandLine Parse(std::vector<std::string> arguments)
{
    return ParseCommandLine(arguments);
}

// Expects a usage error whose message mentions the given text.
void ExpectUsageError(std::vector<std::string> arguments, const std::string& messagePart)
{
    const CommandLine line = ParseCommandLine(arguments);
    EXPECT_EQ(line.Mode, CommandLine::Action::UsageError);
    EXPECT_NE(line.Error.find(messagePart), std::string::npos) << line.Error;
}

}  // namespace

TEST(CommandLineParsing, DefaultsMatchTheWizard)
{
    const CommandLine line = Parse({"cat.bmp"});
    EXPECT_EQ(line.Mode, CommandLine::Action::Convert);
    EXPECT_EQ(line.Sources, std::vector<std::string>{"cat.bmp"});
    EXPECT_EQ(line.Output, "");
    EXPECT_EQ(line.OutputFolder, "");
    EXPECT_EQ(line.Jobs, 0u);
    EXPECT_EQ(line.Page.Columns, 0u);
    EXPECT_EQ(line.Page.Rows, 0u);
    EXPECT_EQ(line.Page.CharacterSet, "01");
    EXPECT_EQ(line.Page.CharacterOrder, 0);
    EXPECT_EQ(line.Page.FontFace, "Courier New");
    EXPECT_EQ(line.Page.BackgroundColor, 0u);
    EXPECT_EQ(line.Page.Style, PageStyle::Classic);
    EXPECT_FALSE(line.Force);
    EXPECT_FALSE(line.OpenAfterCreation);
}

// A style brings its own characters, wherever --style stands, unless --characters is given.
TEST(CommandLineParsing, StyleBringsItsCharactersUnlessOthersAreGiven)
{
    SetTextCodePage(TextCodePage::Utf8);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--style", "photo", "a.bmp"}, "\xE2\x96\x80"},
        {{"a.bmp", "--style=photo"}, "\xE2\x96\x80"},
        {{"--characters", "01", "--style", "photo", "a.bmp"}, "01"},
        {{"--style", "photo", "--characters=AB", "a.bmp"}, "AB"},
        {{"--style", "classic", "a.bmp"}, "01"},
        {{"--sty", "photo", "a.bmp"}, "\xE2\x96\x80"}};
    for (const auto& [arguments, characters] : cases)
    {
        const CommandLine line = Parse(arguments);
        EXPECT_EQ(line.Mode, CommandLine::Action::Convert) << line.Error;
        EXPECT_EQ(line.Page.CharacterSet, characters) << arguments[0] << " " << arguments[1];
    }
    EXPECT_EQ(Parse({"--style", "photo", "a.bmp"}).Page.Style, PageStyle::Photo);
    SetTextCodePage(TextCodePage::Active);
    ExpectUsageError({"--style", "Photo", "a.bmp"}, "--style must be 'classic' or 'photo', not 'Photo'");
    ExpectUsageError({"a.bmp", "--style"}, "option '--style' needs a value");
}

TEST(CommandLineParsing, EveryOptionInBothForms)
{
    const CommandLine line =
        Parse({"--columns", "120", "--rows=45", "in.bmp", "--characters", "ABC", "--order=sequential", "--font",
               "Lucida Console", "--background", "#FFA500", "--force", "--output", "out.html", "--open", "--jobs=3"});
    EXPECT_EQ(line.Mode, CommandLine::Action::Convert);
    EXPECT_EQ(line.Sources, std::vector<std::string>{"in.bmp"});
    EXPECT_EQ(line.Output, "out.html");
    EXPECT_EQ(line.Jobs, 3u);
    EXPECT_EQ(line.Page.Columns, 120u);
    EXPECT_EQ(line.Page.Rows, 45u);
    EXPECT_EQ(line.Page.CharacterSet, "ABC");
    EXPECT_EQ(line.Page.CharacterOrder, 1);
    EXPECT_EQ(line.Page.FontFace, "Lucida Console");
    EXPECT_EQ(line.Page.BackgroundColor, 0x0000A5FFu);  // red FF, green A5, blue 00
    EXPECT_TRUE(line.Force);
    EXPECT_TRUE(line.OpenAfterCreation);

    EXPECT_EQ(Parse({"--order", "random", "--order", "sequential", "x.bmp"}).Page.CharacterOrder, 1);  // last wins
    EXPECT_EQ(Parse({"--background=0a0B0c", "x.bmp"}).Page.BackgroundColor, 0x000C0B0Au);
    EXPECT_EQ(Parse({"--characters", " ", "x.bmp"}).Page.CharacterSet, " ");
}

TEST(CommandLineParsing, HelpAndVersionWin)
{
    EXPECT_EQ(Parse({"--help"}).Mode, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"-h"}).Mode, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"--columns", "0", "--help"}).Mode, CommandLine::Action::UsageError);
    EXPECT_EQ(Parse({"a.bmp", "b.bmp", "--version"}).Mode, CommandLine::Action::Version);
    EXPECT_EQ(Parse({"-fV", "--bogus"}).Mode, CommandLine::Action::Version);
    EXPECT_EQ(Parse({"--he"}).Mode, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"--version", "--bogus"}).Mode, CommandLine::Action::Version);
}

TEST(CommandLineParsing, CountsMustBeFromOneTo5000)
{
    EXPECT_EQ(Parse({"--columns", "1", "x.bmp"}).Page.Columns, 1u);
    EXPECT_EQ(Parse({"--rows", "5000", "x.bmp"}).Page.Rows, 5000u);
    EXPECT_EQ(Parse({"--rows", "007", "x.bmp"}).Page.Rows, 7u);
    for (const char* bad : {"0", "5001", "-1", "+5", "12x", "", "1e3", " 5", "99999999999999999999", "4294967396"})
        ExpectUsageError({"--columns", bad, "x.bmp"}, "--columns must be a whole number from 1 to 5000");
    ExpectUsageError({"x.bmp", "--rows"}, "option '--rows' needs a value");
}

TEST(CommandLineParsing, RefusesBadValues)
{
    ExpectUsageError({"--order", "backwards", "x.bmp"}, "--order must be");
    ExpectUsageError({"--background", "12345", "x.bmp"}, "--background");
    ExpectUsageError({"--background", "#12345G", "x.bmp"}, "--background");
    ExpectUsageError({"--background", "##123456", "x.bmp"}, "--background");
    ExpectUsageError({"--characters=", "x.bmp"}, "--characters");
    ExpectUsageError({"--font", "", "x.bmp"}, "--font");
    EXPECT_EQ(Parse({"--font=Lucida Sans Typewriter & Co", "x.bmp"}).Page.FontFace, "Lucida Sans Typewriter & Co");
    ExpectUsageError({"--force=yes", "x.bmp"}, "takes no value");
}

TEST(CommandLineParsing, TakesAnyTextAndRefusesBytesThatAreNoCharacters)
{
    SetTextCodePage(TextCodePage::Utf8);  // what the tool's arguments are on every system
    // The page writes quotes and markup in a face as references, so no face is refused.
    for (const char* face : {"x' onmouseover='alert(1)", "a\"b", "<script>", "O'Neil Mono \u039C\u03BF\u03BD\u03CC"})
        EXPECT_EQ(Parse({"--font", face, "x.bmp"}).Page.FontFace, face);
    for (const char* bad : {"\xFF", "ab\xE2\x96", "\xC0\x80"})
    {
        ExpectUsageError({"--characters", bad, "x.bmp"}, "--characters must be UTF-8 text");
        ExpectUsageError({"--font", bad, "x.bmp"}, "--font must be UTF-8 text");
    }
    SetTextCodePage(TextCodePage::Active);
}

TEST(CommandLineParsing, EveryOperandIsASource)
{
    ExpectUsageError({}, "no SOURCE");
    ExpectUsageError({"--force"}, "no SOURCE");
    ExpectUsageError({"--colour", "a.bmp"}, "unknown option '--colour'");
    ExpectUsageError({"-x", "a.bmp"}, "unknown option '-x'");
    ExpectUsageError({"a.bmp", ""}, "a SOURCE name is empty");

    // What used to be a TARGET is a source like the others, wherever the options stand.
    const CommandLine three = Parse({"a.bmp", "-f", "w2.bmp", "c.bmp", "-j", "2"});
    EXPECT_EQ(three.Mode, CommandLine::Action::Convert);
    EXPECT_EQ(three.Sources, (std::vector<std::string>{"a.bmp", "w2.bmp", "c.bmp"}));
    EXPECT_TRUE(three.Force);

    const CommandLine dashed = Parse({"--", "--help", "-", "-f"});
    EXPECT_EQ(dashed.Mode, CommandLine::Action::Convert);
    EXPECT_EQ(dashed.Sources, (std::vector<std::string>{"--help", "-", "-f"}));
    EXPECT_FALSE(dashed.Force);
}

TEST(CommandLineParsing, ShortOptionsGroupAndTakeValuesAttachedOrNext)
{
    const CommandLine line = Parse({"-fc80", "-r", "20", "-j1", "-b", "102030", "-d", "out", "x.bmp"});
    EXPECT_EQ(line.Mode, CommandLine::Action::Convert) << line.Error;
    EXPECT_TRUE(line.Force);
    EXPECT_EQ(line.Page.Columns, 80u);
    EXPECT_EQ(line.Page.Rows, 20u);
    EXPECT_EQ(line.Jobs, 1u);
    EXPECT_EQ(line.Page.BackgroundColor, 0x00302010u);
    EXPECT_EQ(line.OutputFolder, "out");

    // The value-taking option ends the group: the rest is its value, flags or not.
    EXPECT_EQ(Parse({"-jf", "x.bmp"}).Error, "--jobs must be a whole number from 1 to 256, not 'f'");
    EXPECT_EQ(Parse({"-o", "-", "x.bmp"}).Output, "-");
    EXPECT_EQ(Parse({"-o-", "x.bmp"}).Output, "-");
    ExpectUsageError({"x.bmp", "-c"}, "option '-c' needs a value");
    ExpectUsageError({"-fq", "x.bmp"}, "unknown option '-q'");
    for (const char* bad : {"0", "257", "", "two"})
        ExpectUsageError({"--jobs", bad, "x.bmp"}, "--jobs must be a whole number from 1 to 256");
    EXPECT_EQ(Parse({"-j", "256", "x.bmp"}).Jobs, 256u);
}

TEST(CommandLineParsing, LongOptionsMayBeShortenedWhileUnambiguous)
{
    const CommandLine line = Parse({"--col=7", "--ro", "9", "--output-d", "pages", "--ord", "sequential", "x.bmp"});
    EXPECT_EQ(line.Mode, CommandLine::Action::Convert) << line.Error;
    EXPECT_EQ(line.Page.Columns, 7u);
    EXPECT_EQ(line.Page.Rows, 9u);
    EXPECT_EQ(line.OutputFolder, "pages");
    EXPECT_EQ(line.Page.CharacterOrder, 1);
    // An exact name wins over the longer names it begins.
    EXPECT_EQ(Parse({"--output", "p.html", "x.bmp"}).Output, "p.html");
    ExpectUsageError({"--o", "x", "x.bmp"}, "option '--o' is ambiguous; it could be '--order', '--output', "
                                            "'--output-dir' or '--open'");
    ExpectUsageError({"--c", "5", "x.bmp"}, "ambiguous");
    ExpectUsageError({"--fo=yes", "x.bmp"}, "ambiguous");
    ExpectUsageError({"--forc=yes", "x.bmp"}, "option '--force' takes no value");
}

TEST(CommandLineParsing, OutputsAndStandardStreams)
{
    EXPECT_TRUE(Parse({"-"}).PageToStandardOutput("-"));
    EXPECT_FALSE(Parse({"-", "-o", "p.html"}).PageToStandardOutput("-"));
    EXPECT_TRUE(Parse({"a.bmp", "-o", "-"}).PageToStandardOutput("a.bmp"));
    EXPECT_FALSE(Parse({"a.bmp", "-"}).PageToStandardOutput("a.bmp"));

    ExpectUsageError({"a.bmp", "b.bmp", "-o", "p.html"}, "--output names the page of a single SOURCE");
    ExpectUsageError({"a.bmp", "-o", "p.html", "-d", "pages"}, "cannot be used together");
    ExpectUsageError({"-", "a.bmp", "-"}, "standard input ('-') can be read only once");
    ExpectUsageError({"--output=", "a.bmp"}, "--output needs a file name");
    ExpectUsageError({"-d", "", "a.bmp"}, "--output-dir needs a folder name");
    ExpectUsageError({"--open", "a.bmp", "-o", "-"}, "--open cannot open a page written to standard output");
    ExpectUsageError({"--open", "a.bmp", "-"}, "--open cannot open");
    EXPECT_TRUE(Parse({"--open", "-", "-o", "p.html"}).OpenAfterCreation);
}

TEST(CommandLineParsing, ControlCharactersAreNoCharactersToDrawWith)
{
    SetTextCodePage(TextCodePage::Utf8);
    // C0 (tabs, line breaks, escape), DEL, and C1 (NEL as UTF-8): HTML has no reference for them.
    for (const char* control : {"\x01\x7F", "ab\tc", "line\nbreak", "\xC2\x85", "\x1B[2J"})
    {
        ExpectUsageError({"--characters", control, "x.bmp"}, "--characters must not hold control characters");
        ExpectUsageError({"--font", control, "x.bmp"}, "--font must not hold control characters");
    }
    // Spaces and every character beyond them are drawn.
    EXPECT_EQ(Parse({"--characters", " \u00A0\u00A9\u2588", "x.bmp"}).Mode, CommandLine::Action::Convert);
    SetTextCodePage(TextCodePage::Active);
}

TEST(CommandLineParsing, MemoryIsASizeOfAtLeastAMebibyte)
{
    const std::pair<const char*, std::uint64_t> sizes[] = {{"512M", 512ull << 20},  {"2g", 2ull << 30},
                                                           {"1048576", 1ull << 20}, {"1024k", 1ull << 20},
                                                           {"3T", 3ull << 40},      {"1024T", 1ull << 50}};
    for (const auto& [text, bytes] : sizes)
        EXPECT_EQ(Parse({"--memory", text, "x.bmp"}).Memory, bytes) << text;
    EXPECT_EQ(Parse({"x.bmp"}).Memory, 0u);  // the machine's share, decided when the tool runs
    for (const char* bad : {"", "0", "1023K", "1048575", "12X", "1.5G", "-1G", "2GB", "1025T", "99999999999999999999"})
        ExpectUsageError({"--memory", bad, "x.bmp"}, "--memory must be a size of at least 1M");
}
