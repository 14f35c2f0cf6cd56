// A written page in the clipboard's two forms: "HTML Format" whose offsets point at the document
// and at the page's body, and the text a reader sees; and the size beyond which it is not copied.
#include "base/TextEncoding.h"
#include "output/ClipboardPage.h"
#include "output/PageConversion.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/ClipboardContent.h"
#include "tests/engine/PageSettings.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

namespace
{

// The classic page's pieces for a 2 x 2 grid, with a block character and a space.
const char Page[] = "<HTML>\r\n<BODY BGCOLOR=#102030>\r\n<CENTER><FONT FACE='Courier New' SIZE=1>\r\n"
                    "<FONT COLOR=#FF0000>0</FONT><FONT COLOR=#00FF00>&#9608;</FONT><BR>\r\n"
                    "<FONT COLOR=#0000FF>&nbsp;</FONT><FONT COLOR=#ABCDEF>&lt;</FONT><BR>\r\n"
                    "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";

// The value of a header line "Name:0000000123", which every page's HTML has.
std::size_t Offset(const std::string& html, const std::string& name)
{
    const std::size_t at = ClipboardOffset(html, name);
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? 0 : at;
}

}  // namespace

TEST(ClipboardPage, TheHtmlOffsetsPointAtTheDocumentAndTheFragment)
{
    const std::string html = MakeClipboardPage(Page).Html;
    EXPECT_EQ(html.rfind("Version:0.9\r\n", 0), 0u);
    const std::size_t startHtml = Offset(html, "StartHTML"), endHtml = Offset(html, "EndHTML");
    const std::size_t startFragment = Offset(html, "StartFragment"), endFragment = Offset(html, "EndFragment");
    EXPECT_EQ(html.compare(startHtml, 6, "<HTML>"), 0);
    EXPECT_EQ(endHtml, html.size());
    EXPECT_EQ(html.compare(startFragment - 20, 20, "<!--StartFragment-->"), 0);
    EXPECT_EQ(html.compare(endFragment, 18, "<!--EndFragment-->"), 0);
    // The fragment: the body's content in a cell of the body's colour, every cell's colour kept.
    const std::string fragment = html.substr(startFragment, endFragment - startFragment);
    EXPECT_EQ(fragment, "<TABLE CELLPADDING=4 CELLSPACING=0><TR><TD BGCOLOR=#102030>"
                        "<CENTER><FONT FACE='Courier New' SIZE=1>\r\n"
                        "<FONT COLOR=#FF0000>0</FONT><FONT COLOR=#00FF00>&#9608;</FONT><BR>\r\n"
                        "<FONT COLOR=#0000FF>&nbsp;</FONT><FONT COLOR=#ABCDEF>&lt;</FONT><BR>\r\n"
                        "</FONT></CENTER></TD></TR></TABLE>");
}

TEST(ClipboardPage, TheTextIsTheCharactersAndLineBreaksAReaderSees)
{
    const struct
    {
        const char* Markup;
        std::u32string Text;
    } cases[] = {
        {Page, U"0\u2588\r\n <\r\n"},
        {"<body><p>a&amp;b&#x41;&#66;&quot;</p>\r\n<br/>&unknown;</body>", U"a&bAB\"\r\n&unknown;"},
        {"<BODY><PRE>one\r\ntwo\nthree</PRE>\r\nfour</BODY>", U"one\r\ntwo\r\nthreefour"},
        {"<BODY>caf\xC3\xA9 \xE2\x96\x88\xFF</BODY>", U"caf\u00E9 \u2588\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeClipboardPage(c.Markup).Text, c.Text) << c.Markup;
}

TEST(ClipboardPage, APageWithoutABackgroundIsItsBodyAlone)
{
    const std::string html = MakeClipboardPage("<HTML><BODY><B>x</B></BODY></HTML>").Html;
    const std::size_t start = Offset(html, "StartFragment"), end = Offset(html, "EndFragment");
    EXPECT_EQ(html.substr(start, end - start), "<B>x</B>");
}

TEST(ClipboardPage, PagesBeyondTheLimitAreNotCopied)
{
    EXPECT_EQ(ClipboardProblem(400, 250), "");
    EXPECT_EQ(ClipboardProblem(1, 100000), "");
    const std::string problem = ClipboardProblem(401, 250);
    EXPECT_NE(problem.find("100250 characters"), std::string::npos) << problem;
    EXPECT_NE(ClipboardProblem(5000, 5000), "");
}

// The photo page keeps its colours in its style sheet, which editors drop when pasting: on the
// clipboard each run of cells carries its own.
TEST(ClipboardPage, ThePhotoPagesColoursAreWrittenIntoItsCells)
{
    const RgbColor red = MakeRgb(255, 0, 0), green = MakeRgb(0, 255, 0), blue = MakeRgb(0, 0, 255);
    CTempDir dir;
    ConversionSettings settings = TwoCellPhotoSettings(dir);
    settings.BackgroundColor = MakeRgb(0x10, 0x20, 0x30);
    const ConversionResult result = RunInUtf8(settings);
    ASSERT_TRUE(result.Succeeded()) << result.Reason;

    const ClipboardPage copied = MakeClipboardPage(ReadText(settings.TargetPath));
    const std::string& html = copied.Html;
    const std::size_t start = Offset(html, "StartFragment"), end = Offset(html, "EndFragment");
    const std::string fragment = html.substr(start, end - start);
    EXPECT_EQ(fragment.rfind("<TABLE CELLPADDING=4 CELLSPACING=0><TR><TD BGCOLOR=#102030><pre style=", 0), 0u)
        << fragment;
    EXPECT_EQ(fragment.find("class="), std::string::npos) << fragment;
    // Each span: its colour, its ground, its text.
    std::vector<std::tuple<RgbColor, RgbColor, std::string>> spans;
    const std::string open = "<span style=\"color:#";
    for (std::size_t at = fragment.find(open); at != std::string::npos; at = fragment.find(open, at + 1))
    {
        const std::size_t ground = fragment.find("background:#", at);
        const std::size_t text = fragment.find("\">", at) + 2;
        ASSERT_LT(ground, text) << fragment;
        const auto colour = [&fragment](std::size_t from) {
            const unsigned long rgb = std::strtoul(fragment.substr(from, 6).c_str(), nullptr, 16);
            return MakeRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        };
        spans.emplace_back(colour(at + open.size()), colour(ground + 12),
                           fragment.substr(text, fragment.find("</span>", text) - text));
    }
    using Spans = std::vector<std::tuple<RgbColor, RgbColor, std::string>>;
    EXPECT_EQ(spans, (Spans{{red, blue, u8"\u2580"}, {green, blue, u8"\u2580"}})) << fragment;
    EXPECT_EQ(copied.Text, U"\u2580\u2580\r\n");
}
