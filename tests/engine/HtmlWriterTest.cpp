// The page writer: the exact pieces, line breaks, character order, and files.
#include "output/CharacterSequence.h"
#include "output/HtmlWriter.h"
#include "base/SystemError.h"
#include "base/TextEncoding.h"
#include "base/Win32Api.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

const std::string Head = "<HTML>\r\n<BODY BGCOLOR=#000000>\r\n<CENTER><FONT FACE='Courier New' SIZE=1>\r\n";
const std::string Tail = "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";

class PageWriter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Writer.Open(Path));
        Writer.FontFace = "Courier New";
        Writer.CharacterSet = "01";
        Writer.CharacterOrder = 1;
    }

    // Writes head, the given number of black cells and tail, and returns the page.
    std::string WritePage(std::uint32_t columns, std::uint32_t rows)
    {
        Writer.Columns = columns;
        Writer.Rows = rows;
        EXPECT_TRUE(Writer.WriteHeader());
        for (std::uint32_t n = 0; n < columns * rows; ++n)
            EXPECT_TRUE(Writer.WriteCell(0));
        EXPECT_TRUE(Writer.WriteFooter());
        Writer.Close();
        return ReadText(Path);
    }

    // The characters of the cells, with "<BR>" shown as '|'.
    static std::string CellText(const std::string& page)
    {
        std::string text;
        for (std::size_t at = page.find("<FONT", 1); at != std::string::npos; at = page.find('<', at + 1))
        {
            if (page.compare(at, 4, "<BR>") == 0)
            {
                text += '|';
            }
            else if (page.compare(at, 13, "<FONT COLOR=#") == 0)
            {
                const std::size_t close = at + 20;
                text += page.compare(close, 6, "&nbsp;") == 0 ? ' ' : page[close];
            }
        }
        return text;
    }

    CTempDir Dir;
    std::string Path = Dir.Path("page.html");
    CHtmlWriter Writer;
};

}  // namespace

TEST_F(PageWriter, WritesTheExamplePageByteForByte)
{
    Writer.BackgroundColor = 0x00FFFFFF;
    Writer.Columns = 2;
    Writer.Rows = 1;
    ASSERT_TRUE(Writer.WriteHeader());
    ASSERT_TRUE(Writer.WriteCell(0x000000FF));
    ASSERT_TRUE(Writer.WriteCell(0x00FF0000));
    ASSERT_TRUE(Writer.WriteFooter());
    Writer.Close();
    const std::string expected = "<HTML>\r\n<BODY BGCOLOR=#FFFFFF>\r\n<CENTER><FONT FACE='Courier New' SIZE=1>\r\n"
                                 "<FONT COLOR=#FF0000>0</FONT><FONT COLOR=#0000FF>1</FONT><BR>\r\n"
                                 "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";
    const std::string page = ReadText(Path);
    EXPECT_EQ(page.size(), 172u);
    EXPECT_EQ(page, expected);
}

TEST_F(PageWriter, ColoursPrintRedFirst)
{
    Writer.BackgroundColor = 0x00C0C0C0;
    Writer.Columns = 2;
    Writer.WriteHeader();
    Writer.WriteCell(0x00123456);
    Writer.WriteCell(0x00ABCDEF);
    Writer.Close();
    const std::string page = ReadText(Path);
    EXPECT_NE(page.find("BGCOLOR=#C0C0C0>"), std::string::npos);
    EXPECT_NE(page.find("<FONT COLOR=#563412>0</FONT>"), std::string::npos);
    EXPECT_NE(page.find("<FONT COLOR=#EFCDAB>1</FONT>"), std::string::npos);
}

TEST_F(PageWriter, LineBreaksFollowEveryColumnsCells)
{
    const std::string page = WritePage(3, 2);
    const std::string cell = "<FONT COLOR=#000000>0</FONT>";
    EXPECT_EQ(page.size(), Head.size() + 6 * cell.size() + 2 * 6 + Tail.size());
    EXPECT_EQ(page.compare(0, Head.size(), Head), 0);
    EXPECT_EQ(page.compare(page.size() - Tail.size() - 6, 6 + Tail.size(), "<BR>\r\n" + Tail), 0);
    EXPECT_EQ(CellText(page), "010|101|");

    SetUp();
    EXPECT_EQ(CellText(WritePage(1, 4)), "0|1|0|1|");
}

TEST_F(PageWriter, SequentialOrderRunsAcrossLines)
{
    Writer.CharacterSet = "XYZ";
    EXPECT_EQ(CellText(WritePage(2, 2)), "XY|ZX|");
    SetUp();
    Writer.CharacterSet = "01";
    EXPECT_EQ(CellText(WritePage(3, 3)), "010|101|010|");
}

TEST_F(PageWriter, RandomOrderStartsWithTheFirstCharacterAndFollowsTheClassicGenerator)
{
    // The classic generator's first draws from state 1 are 41, 18467, 6334, 26500, 19169.
    Writer.CharacterSet = "0123456789";
    Writer.CharacterOrder = 0;
    EXPECT_EQ(CellText(WritePage(6, 1)), "017409|");

    CCharacterSequence fresh;
    EXPECT_EQ(fresh.NextRandom(), 41);
    EXPECT_EQ(fresh.NextRandom(), 18467);
}

TEST_F(PageWriter, ResetMakesEqualSettingsGiveEqualPages)
{
    Writer.CharacterSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Writer.CharacterOrder = 0;
    const std::string first = WritePage(7, 5);
    SetUp();
    Writer.CharacterSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Writer.CharacterOrder = 0;
    EXPECT_EQ(WritePage(7, 5), first);
    EXPECT_NE(CellText(first).find_first_not_of("A|"), std::string::npos);  // not all the same letter
}

TEST_F(PageWriter, WritersInterleavedKeepTheirOwnSequence)
{
    // Two pages written cell by cell in turn, as threads would, each equal to the page
    // written alone: no writer moves another's character, column or random draw.
    Writer.CharacterSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Writer.CharacterOrder = 0;
    const std::string alone = WritePage(5, 4);

    CHtmlWriter first, second;
    ASSERT_TRUE(first.Open(Dir.Path("first.html")));
    ASSERT_TRUE(second.Open(Dir.Path("second.html")));
    for (CHtmlWriter* writer : {&first, &second})
    {
        writer->FontFace = "Courier New";
        writer->CharacterSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        writer->Columns = 5;
        writer->Rows = 4;
        ASSERT_TRUE(writer->WriteHeader());
    }
    for (int n = 0; n < 20; ++n)
    {
        ASSERT_TRUE(first.WriteCell(0));
        ASSERT_TRUE(second.WriteCell(0));
        if (n % 3 == 0)  // and one of them now and then a cell ahead
        {
            ASSERT_TRUE(second.WriteCell(0));
        }
    }
    first.WriteFooter();
    first.Close();
    second.Close();
    EXPECT_EQ(ReadText(Dir.Path("first.html")), alone);
    EXPECT_EQ(CellText(ReadText(Dir.Path("second.html"))).substr(0, 24), CellText(alone).substr(0, 24));
}

TEST_F(PageWriter, SingleCharacterFillsEveryCellInEitherOrder)
{
    Writer.CharacterSet = "#";
    Writer.CharacterOrder = 0;
    EXPECT_EQ(CellText(WritePage(4, 2)), "####|####|");
    SetUp();
    Writer.CharacterSet = "#";
    EXPECT_EQ(CellText(WritePage(4, 2)), "####|####|");
}

TEST_F(PageWriter, SpaceBecomesNbspAndMarkupBecomesReferences)
{
    Writer.CharacterSet = " <>&";
    const std::string page = WritePage(4, 1);
    EXPECT_NE(page.find("<FONT COLOR=#000000>&nbsp;</FONT><FONT COLOR=#000000>&#60;</FONT>"
                        "<FONT COLOR=#000000>&#62;</FONT><FONT COLOR=#000000>&#38;</FONT><BR>\r\n"),
              std::string::npos);
}

// Sets of characters beyond ASCII, read as UTF-8 whatever the system's code page.
class PageWriterUtf8 : public PageWriter
{
protected:
    void SetUp() override
    {
        SetTextCodePage(TextCodePage::Utf8);
        PageWriter::SetUp();
    }
    void TearDown() override { SetTextCodePage(TextCodePage::Active); }

    // What each cell holds between its tags, in page order.
    static std::vector<std::string> Cells(const std::string& page)
    {
        std::vector<std::string> cells;
        const std::string start = "<FONT COLOR=#";
        for (std::size_t at = page.find(start); at != std::string::npos; at = page.find(start, at + 1))
        {
            const std::size_t from = at + start.size() + 7;
            cells.push_back(page.substr(from, page.find("</FONT>", from) - from));
        }
        return cells;
    }
};

TEST_F(PageWriterUtf8, EachCharacterIsOneCellWrittenAsAReference)
{
    using Texts = std::vector<std::string>;
    Writer.CharacterSet = "\u2588\u2593\u2592\u2591";  // the block and the three shades
    const std::string page = WritePage(5, 1);
    EXPECT_EQ(Cells(page), (Texts{"&#9608;", "&#9619;", "&#9618;", "&#9617;", "&#9608;"}));
    const auto isPlainAscii = [](char c) { return c == '\r' || c == '\n' || (c >= 0x20 && c <= 0x7E); };
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), isPlainAscii));

    SetUp();
    Writer.CharacterSet = "a\u00E9\u2588<";
    EXPECT_EQ(Cells(WritePage(2, 2)), (Texts{"a", "&#233;", "&#9608;", "&#60;"}));

    SetUp();
    Writer.CharacterSet = "\t\x7F\U0001F600 ";  // controls and a character beyond 16 bits
    EXPECT_EQ(Cells(WritePage(4, 1)), (Texts{"&#9;", "&#127;", "&#128512;", "&nbsp;"}));
}

TEST_F(PageWriterUtf8, RandomOrderDrawsWholeCharactersAsForAnAsciiSetOfTheSameLength)
{
    Writer.CharacterOrder = 0;
    Writer.CharacterSet = "ABCD";
    const std::string ascii = CellText(WritePage(40, 1));
    SetUp();
    Writer.CharacterOrder = 0;
    Writer.CharacterSet = "\u2588\u2593\u2592\u2591";
    std::string shades;
    for (const std::string& cell : Cells(WritePage(40, 1)))
        shades += static_cast<char>('A' + (cell == "&#9608;" ? 0 : cell == "&#9619;" ? 1 : cell == "&#9618;" ? 2 : 3));
    EXPECT_EQ(shades + "|", ascii);
}

TEST_F(PageWriterUtf8, FaceStaysWithinItsQuotes)
{
    Writer.FontFace = "O'Neil \"Mono\" <&> \u039C\u03BF\u03BD\u03CC";
    const std::string page = WritePage(1, 1);
    EXPECT_EQ(page.substr(0, page.find("\r\n<FONT COLOR")),
              "<HTML>\r\n<BODY BGCOLOR=#000000>\r\n<CENTER><FONT FACE='O&#39;Neil &#34;Mono&#34; &#60;&#38;&#62; "
              "&#924;&#959;&#957;&#972;' SIZE=1>");
}

TEST_F(PageWriterUtf8, TextThatIsNotUtf8IsRefusedAndDrawsReplacementMarks)
{
    std::u32string characters;
    // Cut short, overlong, a surrogate, past U+10FFFF, a stray continuation byte, and a lead byte
    // where a continuation byte belongs (the second lead starts a character of its own).
    for (const char* invalid : {"\xE9", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xC3\xC3",
                                "\xC3\xC3\xA9", "\xE2\xE2\x82\xAC", "\xF0\x9F\xF0\x9F\x98\x80", "\xE2\x82\xC3\xA9"})
        EXPECT_FALSE(SplitCharacters(invalid, characters)) << invalid;
#ifndef _WIN32
    // What is read of such text keeps the character the second lead byte starts.
    EXPECT_FALSE(SplitCharacters("\xC3\xC3\xA9", characters));
    EXPECT_EQ(characters, (std::u32string{0xFFFD, 0xE9}));
#endif
    Writer.CharacterSet = "\xFF";
    EXPECT_EQ(Cells(WritePage(1, 1)), std::vector<std::string>{"&#65533;"});
}

TEST_F(PageWriter, EmptyCharacterSetDrawsSpacesInsteadOfFailing)
{
    Writer.CharacterSet.clear();
    Writer.CharacterOrder = 0;
    EXPECT_EQ(CellText(WritePage(2, 2)), "  |  |");
}

TEST_F(PageWriter, HeadHoldsAFaceNameOfAnyLength)
{
    Writer.FontFace = std::string(300, 'F');
    const std::string page = WritePage(1, 1);
    const std::string head = page.substr(0, page.find("SIZE=1>\r\n") + 9);
    EXPECT_EQ(head.size(), 63u + 300u);
    EXPECT_NE(head.find("FACE='" + std::string(300, 'F') + "' SIZE=1>"), std::string::npos);
}

TEST_F(PageWriter, ReplacesAReadOnlyPage)
{
    Writer.Close();
    WriteBytes(Path, std::vector<std::uint8_t>(500, 'x'));
    ASSERT_TRUE(SetFileAttributesA(Path.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(GetFileAttributesA(Path.c_str()) & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(Writer.Open(Path));
    EXPECT_FALSE(GetFileAttributesA(Path.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CellText(WritePage(1, 1)), "0|");
    EXPECT_EQ(ReadText(Path).find('x'), std::string::npos);
}

TEST_F(PageWriter, FailsWithoutAFile)
{
    CHtmlWriter closed;
    closed.Columns = 1;
    closed.CharacterSet = "01";
    EXPECT_FALSE(closed.WriteHeader());
    EXPECT_FALSE(closed.WriteCell(0));
    EXPECT_FALSE(closed.WriteFooter());

    CHtmlWriter nowhere;
    EXPECT_FALSE(nowhere.Open(Dir.Path("missing folder/page.html")));
    EXPECT_FALSE(nowhere.IsOpen());
    EXPECT_EQ(DescribeSystemError(nowhere.LastError()), "the folder does not exist");
    nowhere.Close();
    nowhere.Close();
}
