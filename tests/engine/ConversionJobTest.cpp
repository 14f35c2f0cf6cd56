// A conversion on a thread of its own: it runs to the end or stops on request, telling its progress.
#include "engine/ConversionJob.h"
#include "engine/PageSize.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace
{

class ConversionJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteBytes(Settings.SourcePath, CBmpBuilder(40, 30, 24).FillColor(MakeRgb(10, 20, 30)).Build());
        WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>{'o', 'l', 'd'});
    }

    std::size_t FilesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}));
    }

    // Counts the notes from the job's thread and wakes a waiting test at each.
    CConversionJob::Notify Counter()
    {
        return [this] {
            std::lock_guard<std::mutex> lock(Lock);
            ++Notes;
            Woken.notify_all();
        };
    }
    void WaitForNotes(int count)
    {
        std::unique_lock<std::mutex> lock(Lock);
        ASSERT_TRUE(Woken.wait_for(lock, std::chrono::seconds(30), [&] { return Notes >= count; }));
    }

    CTempDir Dir;
    ConversionSettings Settings = [this] {
        ConversionSettings settings;
        settings.SourcePath = Dir.Path("picture.bmp");
        settings.TargetPath = Dir.Path("picture.html");
        settings.Columns = 200;
        settings.Rows = 150;
        settings.FontFace = "Courier New";
        settings.CharacterSet = "01";
        settings.CharacterOrder = 1;
        return settings;
    }();
    CConversionJob Job;
    std::mutex Lock;
    std::condition_variable Woken;
    int Notes = 0;
};

}  // namespace

TEST_F(ConversionJobTest, RunsToTheEndOnItsOwnThreadAndSaysSo)
{
    ASSERT_TRUE(Job.Start(Settings, Counter()));
    const ConversionResult result = Job.Wait();
    EXPECT_TRUE(result.Succeeded()) << result.Reason;
    EXPECT_TRUE(Job.HasEnded());
    EXPECT_FALSE(Job.IsRunning());
    EXPECT_EQ(Job.RowsDone(), 150u);
    EXPECT_EQ(Job.RowsTotal(), 150u);
    // A note per row here (150 rows are fewer than a thousand), and one at the end.
    EXPECT_EQ(Notes, 151);
    EXPECT_EQ(ReadText(Settings.TargetPath).size(), EstimatePageSize(200, 150, "Courier New", "01"));
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(ConversionJobTest, StopsOnRequestLeavingTheOldPageAndNoTemporaryFile)
{
    Settings.Columns = 5000;
    Settings.Rows = 5000;
    ASSERT_TRUE(Job.Start(Settings, Counter()));
    EXPECT_FALSE(Job.Start(Settings, Counter()));  // one run at a time
    WaitForNotes(1);
    EXPECT_TRUE(Job.IsRunning());
    const auto stopped = std::chrono::steady_clock::now();
    Job.Stop();
    const ConversionResult result = Job.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(5));
    EXPECT_EQ(result.Status, ConversionStatus::Stopped);
    EXPECT_LT(Job.RowsDone(), 5000u);
    EXPECT_EQ(ReadText(Settings.TargetPath), "old");
    EXPECT_EQ(FilesInFolder(), 2u);

    // The same job runs again once the last run was waited for.
    Settings.Columns = 4;
    Settings.Rows = 3;
    ASSERT_TRUE(Job.Start(Settings, nullptr));
    EXPECT_TRUE(Job.Wait().Succeeded());
}

TEST_F(ConversionJobTest, GoingAwayStopsARunStillGoing)
{
    Settings.Columns = 5000;
    Settings.Rows = 5000;
    {
        CConversionJob job;
        ASSERT_TRUE(job.Start(Settings, Counter()));
        WaitForNotes(1);
    }
    EXPECT_EQ(ReadText(Settings.TargetPath), "old");
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST(PageSize, TheEstimateIsThePageWrittenInOrder)
{
    CTempDir dir;
    ConversionSettings settings;
    settings.SourcePath = dir.Path("picture.bmp");
    settings.TargetPath = dir.Path("picture.html");
    settings.FontFace = "Lucida Console";
    settings.CharacterOrder = 1;
    WriteBytes(settings.SourcePath, CBmpBuilder(9, 7, 24).Build());
    // Spaces take more room than other characters; 7 x 5 cells leave a part of a round of "a b".
    // Characters beyond ASCII and markup take references of their own lengths.
    for (const std::string set : {"01", " ", "a b", "#", "\u2588\u2593<&"})
    {
        settings.CharacterSet = set;
        settings.Columns = 7;
        settings.Rows = 5;
        ASSERT_TRUE(RunConversion(settings, false).Succeeded());
        EXPECT_EQ(ReadText(settings.TargetPath).size(), EstimatePageSize(7, 5, "Lucida Console", set)) << set;
    }
    // The largest page: 25 million cells of 28 bytes, and the line breaks.
    EXPECT_EQ(EstimatePageSize(5000, 5000, "Courier New", "01"), 74u + 25000000u * 28u + 5000u * 6u + 36u);
}

TEST(PageSize, SizesAreToldInWordsRoundedAsShown)
{
    EXPECT_EQ(DescribeSize(1), "about 1 byte");
    EXPECT_EQ(DescribeSize(999), "about 999 bytes");
    EXPECT_EQ(DescribeSize(1500), "about 1.5 KB");
    EXPECT_EQ(DescribeSize(154000), "about 154 KB");
    EXPECT_EQ(DescribeSize(999600), "about 1.0 MB");
    EXPECT_EQ(DescribeSize(700030110), "about 700 MB");
    EXPECT_EQ(DescribeSize(1400000000), "about 1.4 GB");
}
