// Option parsing of glyphcast-convert.
#include "cli/CommandLine.h"
#include "engine/TextEncoding.h"

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
    EXPECT_EQ(line.Source, "cat.bmp");
    EXPECT_EQ(line.Target, "");
    EXPECT_EQ(line.Columns, 0u);
    EXPECT_EQ(line.Rows, 0u);
    EXPECT_EQ(line.Characters, "01");
    EXPECT_EQ(line.Order, 0);
    EXPECT_EQ(line.Font, "Courier New");
    EXPECT_EQ(line.Background, 0u);
    EXPECT_FALSE(line.Force);
    EXPECT_FALSE(line.OpenAfterCreation);
}

TEST(CommandLineParsing, EveryOptionInBothForms)
{
    const CommandLine line =
        Parse({"--columns", "120", "--rows=45", "in.bmp", "--characters", "ABC", "--order=sequential", "--font",
               "Lucida Console", "--background", "#FFA500", "--force", "out.html", "--open"});
    EXPECT_EQ(line.Mode, CommandLine::Action::Convert);
    EXPECT_EQ(line.Source, "in.bmp");
    EXPECT_EQ(line.Target, "out.html");
    EXPECT_EQ(line.Columns, 120u);
    EXPECT_EQ(line.Rows, 45u);
    EXPECT_EQ(line.Characters, "ABC");
    EXPECT_EQ(line.Order, 1);
    EXPECT_EQ(line.Font, "Lucida Console");
    EXPECT_EQ(line.Background, 0x0000A5FFu);  // red FF, green A5, blue 00
    EXPECT_TRUE(line.Force);
    EXPECT_TRUE(line.OpenAfterCreation);

    EXPECT_EQ(Parse({"--order", "random", "--order", "sequential", "x.bmp"}).Order, 1);  // last wins
    EXPECT_EQ(Parse({"--background=0a0B0c", "x.bmp"}).Background, 0x000C0B0Au);
    EXPECT_EQ(Parse({"--characters", " ", "x.bmp"}).Characters, " ");
}

TEST(CommandLineParsing, HelpAndVersionWin)
{
    EXPECT_EQ(Parse({"--help"}).Mode, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"-h"}).Mode, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"--columns", "0", "--help"}).Mode, CommandLine::Action::UsageError);
    EXPECT_EQ(Parse({"a.bmp", "b.html", "--version"}).Mode, CommandLine::Action::Version);
    EXPECT_EQ(Parse({"--version", "--bogus"}).Mode, CommandLine::Action::Version);
}

TEST(CommandLineParsing, CountsMustBeFromOneTo5000)
{
    EXPECT_EQ(Parse({"--columns", "1", "x.bmp"}).Columns, 1u);
    EXPECT_EQ(Parse({"--rows", "5000", "x.bmp"}).Rows, 5000u);
    EXPECT_EQ(Parse({"--rows", "007", "x.bmp"}).Rows, 7u);
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
    EXPECT_EQ(Parse({"--font=Lucida Sans Typewriter & Co", "x.bmp"}).Font, "Lucida Sans Typewriter & Co");
    ExpectUsageError({"--force=yes", "x.bmp"}, "takes no value");
}

TEST(CommandLineParsing, TakesAnyTextAndRefusesBytesThatAreNoCharacters)
{
    SetTextCodePage(TextCodePage::Utf8);  // what the tool's arguments are on every system
    // The page writes quotes and markup in a face as references, so no face is refused.
    for (const char* face : {"x' onmouseover='alert(1)", "a\"b", "<script>", "O'Neil Mono \u039C\u03BF\u03BD\u03CC"})
        EXPECT_EQ(Parse({"--font", face, "x.bmp"}).Font, face);
    for (const char* bad : {"\xFF", "ab\xE2\x96", "\xC0\x80"})
    {
        ExpectUsageError({"--characters", bad, "x.bmp"}, "--characters must be UTF-8 text");
        ExpectUsageError({"--font", bad, "x.bmp"}, "--font must be UTF-8 text");
    }
    SetTextCodePage(TextCodePage::Active);
}

TEST(CommandLineParsing, PositionalArguments)
{
    ExpectUsageError({}, "no SOURCE");
    ExpectUsageError({"--force"}, "no SOURCE");
    ExpectUsageError({"a.bmp", "b.html", "c.html"}, "too many arguments: 'c.html'");
    ExpectUsageError({"--colour", "a.bmp"}, "unknown option '--colour'");
    ExpectUsageError({"-x", "a.bmp"}, "unknown option '-x'");
    ExpectUsageError({""}, "SOURCE name is empty");

    const CommandLine dashed = Parse({"--", "--help", "-"});
    EXPECT_EQ(dashed.Mode, CommandLine::Action::Convert);
    EXPECT_EQ(dashed.Source, "--help");
    EXPECT_EQ(dashed.Target, "-");
    EXPECT_EQ(Parse({"-", "x.html"}).Source, "-");
}
