// CString: bounds of the slicing operations, searching, comparing, formatting and the string table.
#include <gtest/gtest.h>

#include <string>
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
TEST(WinlibString, SlicesClampToTheText)
{
    CString text("C:\\pics\\cat.bmp");
    EXPECT_EQ(text.GetLength(), 15);
    EXPECT_EQ(text.Left(3), "C:\\");
    EXPECT_EQ(text.Left(0), "");
    EXPECT_EQ(text.Left(-4), "");
    EXPECT_EQ(text.Left(99), text);
    EXPECT_EQ(text.Mid(8), "cat.bmp");
    EXPECT_EQ(text.Mid(8, 3), "cat");
    EXPECT_EQ(text.Mid(-2, 2), "C:");
    EXPECT_EQ(text.Mid(15), "");
    EXPECT_EQ(text.Mid(40, 2), "");
    EXPECT_EQ(text.Mid(12, 99), "bmp");
    EXPECT_EQ(text.Right(3), "bmp");
    EXPECT_EQ(text.Right(99), text);
    EXPECT_EQ(text.Right(-1), "");
    EXPECT_EQ(text.GetAt(0), 'C');
    EXPECT_EQ(text[14], 'p');
}

TEST(WinlibString, DropsTheLastCharacterWhateverItsBytes)
{
    ASSERT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));  // the manifest's code page
    EXPECT_EQ(CString("Courier").WithoutLastCharacter(), "Courie");
    EXPECT_EQ(CString("\u039C\u03BF\u03BD\u03CC").WithoutLastCharacter(), "\u039C\u03BF\u03BD");
    EXPECT_EQ(CString("a\u2588").WithoutLastCharacter(), "a");
    EXPECT_EQ(CString("\U0001F600").WithoutLastCharacter(), "");
    EXPECT_EQ(CString("x").WithoutLastCharacter(), "");
    EXPECT_EQ(CString().WithoutLastCharacter(), "");
}

TEST(WinlibString, FindsCharactersAndTextFromAStart)
{
    CString text("cat.tar.bmp");
    EXPECT_EQ(text.Find('.'), 3);
    EXPECT_EQ(text.Find('.', 4), 7);
    EXPECT_EQ(text.Find('.', 8), -1);
    EXPECT_EQ(text.Find('.', -5), 3);
    EXPECT_EQ(text.Find('.', 50), -1);
    EXPECT_EQ(text.Find('x'), -1);
    EXPECT_EQ(text.ReverseFind('.'), 7);
    EXPECT_EQ(text.ReverseFind('\\'), -1);
    EXPECT_EQ(text.Find("tar"), 4);
    EXPECT_EQ(text.Find("tar", 5), -1);
    EXPECT_EQ(text.Find(""), 0);
    EXPECT_EQ(text.Find(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(CString().Find('a'), -1);
    EXPECT_EQ(CString().ReverseFind('a'), -1);
}

TEST(WinlibString, ComparesIgnoringCaseAndBuildsWithOperators)
{
    EXPECT_EQ(CString("Courier New").CompareNoCase("COURIER NEW"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abcd").CompareNoCase("ABC"), 0);
    EXPECT_LT(CString("").CompareNoCase("a"), 0);
    EXPECT_EQ(CString("").CompareNoCase(nullptr), 0);

    CString built("a");
    built += "b";
    built += 'c';
    built += CString("d");
    built += static_cast<const char*>(nullptr);
    EXPECT_EQ(built, "abcd");
    EXPECT_EQ("<" + built + ">", "<abcd>");
    EXPECT_EQ(built + CString("e"), "abcde");
    EXPECT_TRUE(built != "abc");
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString("abc", -1), "");
    built.Empty();
    EXPECT_TRUE(built.IsEmpty());
}

TEST(WinlibString, FormatsAnyLength)
{
    CString text;
    text.Format("%d x %d", 640, 480);
    EXPECT_EQ(text, "640 x 480");
    std::string longPath(3000, 'p');
    text.Format("The file '%s' cannot be found.", longPath.c_str());
    EXPECT_EQ(text.GetLength(), 10 + 3000 + 18);
    EXPECT_EQ(text.Right(18), "' cannot be found.");
    text.Format("%s", "");
    EXPECT_TRUE(text.IsEmpty());
}

TEST(WinlibString, LoadsAndFormatsStringTableEntries)
{
    CString text;
    EXPECT_TRUE(text.LoadString(IDS_FINISH));
    EXPECT_EQ(text, "&Finish");
    text.FormatMessageId(IDS_FILE_NOT_FOUND, "C:\\x.bmp");
    EXPECT_EQ(text, "The file 'C:\\x.bmp' cannot be found.");
    EXPECT_FALSE(text.LoadString(59999));
    EXPECT_TRUE(text.IsEmpty());
}
}  // namespace
