// The manual page, the help and the bash completion against the options the parser knows.
#include "cli/CommandLine.h"
#include "cli/ConvertTool.h"
#include "output/PageStyle.h"
#include "tests/engine/BmpBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace
{

const std::string ManPage = GLYPHCAST_SOURCE_DIR "/cli/glyphcast-convert.1";
const std::string Completion = GLYPHCAST_SOURCE_DIR "/cli/glyphcast-convert.bash";

// Runs a shell command; its standard output and error together, and its exit status.
std::pair<int, std::string> Capture(const std::string& command)
{
    std::string text;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return {-1, text};
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    return {pclose(pipe), text};
}

}  // namespace

TEST(Documentation, ManPageRendersWithoutWarnings)
{
    const auto [status, text] = Capture("groff -man -ww -z '" + ManPage + "'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text, "");
}

TEST(Documentation, EveryOptionIsInTheManPageTheHelpAndTheCompletion)
{
    // Plain text, without the overstriking that draws bold and underline.
    const auto [status, page] = Capture("groff -man -Tascii -P-cbou '" + ManPage + "'");
    ASSERT_EQ(status, 0) << page;
    std::istringstream in;
    std::ostringstream help, err;
    ASSERT_EQ(RunConvertTool({"--help"}, in, help, err, false), ExitWritten);
    // The completion's words, each between spaces.
    std::string completion = ReadText(Completion);
    ASSERT_FALSE(completion.empty());
    for (char& c : completion)
        c = std::string("\"\n|()").find(c) == std::string::npos ? c : ' ';

    for (const CommandOption& option : CommandOptions())
    {
        const std::string name = std::string("--") + option.Name;
        const std::string described = option.Letter ? std::string("-") + option.Letter + ", " + name : name;
        EXPECT_NE(page.find("       " + described), std::string::npos) << described << " not in the manual page";
        EXPECT_NE(help.str().find(described), std::string::npos) << described << " not in --help";
        EXPECT_NE(completion.find(" " + name + " "), std::string::npos) << name << " not completed";
        const std::string letter = option.Letter ? std::string(" -") + option.Letter + " " : " " + name + " ";
        EXPECT_NE(completion.find(letter), std::string::npos) << letter << " not completed";
    }
    // Every style, in the manual page, the help and the completion, in the table's order: classic
    // first.
    std::size_t pageAt = 0, helpAt = 0, completionAt = 0;
    for (const PageStyleInfo& style : PageStyles())
    {
        const std::string name = style.Name;
        pageAt = page.find("\n       " + name, pageAt);
        helpAt = help.str().find("  " + name + " ", helpAt);
        completionAt = completion.find(" " + name + " ", completionAt);
        ASSERT_NE(pageAt, std::string::npos) << name << " not in the manual page, or before the style before it";
        ASSERT_NE(helpAt, std::string::npos) << name << " not in --help, or before the style before it";
        ASSERT_NE(completionAt, std::string::npos) << name << " not completed, or before the style before it";
    }
    EXPECT_NE(help.str().find("(default classic)"), std::string::npos);
    for (const char* section : {"SYNOPSIS", "OPTIONS", "EXIT STATUS", "EXAMPLES"})
        EXPECT_NE(page.find(std::string("\n") + section + "\n"), std::string::npos) << section;
    EXPECT_NE(help.str().find("man glyphcast-convert"), std::string::npos);
}
