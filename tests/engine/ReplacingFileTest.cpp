// The page's file: small writes gathered into few large ones, and the target replaced only by a
// complete page, however the writing ends.
#include "output/ReplacingFile.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

std::size_t FilesIn(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

TEST(ReplacingFile, GathersSmallWritesAndReplacesTheTargetOnlyWhenCommitted)
{
    enum class Ending
    {
        Commit,
        Cancel,      // closed without a commit, as a stopped run is
        FailedMove,  // the target became a folder meanwhile: it cannot be replaced
    };
    for (Ending ending : {Ending::Commit, Ending::Cancel, Ending::FailedMove})
    {
        SCOPED_TRACE(static_cast<int>(ending));
        CTempDir dir;
        const std::string target = dir.Path("page.html");
        WriteBytes(target, {'o', 'l', 'd'});
        CReplacingFile file;
        ASSERT_TRUE(file.OpenReplacing(target));
        const std::string piece = "<FONT COLOR=#102030>0</FONT>";
        std::string expected;
        const long before = WriteCallsSoFar();
        for (int n = 0; n < 40000; ++n)  // about 1.1 MB in pieces of 28 bytes
        {
            ASSERT_TRUE(file.Write(piece));
            expected += piece;
        }
        ASSERT_TRUE(file.Flush());
        if (before >= 0)
        {
            EXPECT_LE(WriteCallsSoFar() - before, long(expected.size() / CReplacingFile::BufferSize + 1));
        }
        EXPECT_EQ(ReadText(target), "old");  // nothing reaches the target before the end

        if (ending == Ending::Commit)
        {
            ASSERT_TRUE(file.Commit());
            EXPECT_EQ(ReadText(target), expected);
        }
        else if (ending == Ending::Cancel)
        {
            file.Close();
            EXPECT_EQ(ReadText(target), "old");
        }
        else
        {
            std::filesystem::remove(target);
            std::filesystem::create_directory(target);
            EXPECT_FALSE(file.Commit());
            EXPECT_NE(file.LastError(), 0u);
            EXPECT_TRUE(std::filesystem::is_directory(target));
        }
        EXPECT_EQ(FilesIn(dir.Root()), 1u);  // no temporary file is left, whatever the ending
    }
}

TEST(ReplacingFile, AFileWrittenInPlaceKeepsWhatWasWrittenWhenClosed)
{
    CTempDir dir;
    CReplacingFile file;
    ASSERT_TRUE(file.Open(dir.Path("page.html")));
    ASSERT_TRUE(file.Write("head", 4));
    file.Close();
    EXPECT_EQ(ReadText(dir.Path("page.html")), "head");
    EXPECT_FALSE(file.Write("more", 4));  // and a closed file takes nothing
}
