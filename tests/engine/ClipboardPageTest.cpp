// A written page in the clipboard's two forms: "HTML Format" whose offsets point at the document
// and at the page's body, and the text a reader sees; and the size beyond which it is not copied.
#include "output/ClipboardPage.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

// The classic page's pieces for a 2 x 2 grid, with a block character and a space.
const char Page[] = "<HTML>\r\n<BODY BGCOLOR=#102030>\r\n<CENTER><FONT FACE='Courier New' SIZE=1>\r\n"
                    "<FONT COLOR=#FF0000>0</FONT><FONT COLOR=#00FF00>&#9608;</FONT><BR>\r\n"
                    "<FONT COLOR=#0000FF>&nbsp;</FONT><FONT COLOR=#ABCDEF>&lt;</FONT><BR>\r\n"
                    "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";

// The value of a header line "Name:0000000123".
std::size_t Offset(const std::string& html, const std::string& name)
{
    const std::size_t at = html.find(name + ":");
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? 0 : std::strtoul(html.c_str() + at + name.size() + 1, nullptr, 10);
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
