// A conversion on a thread of its own: it runs to the end or stops on request, telling its progress;
// and the size of a page told beforehand.
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "engine/ConversionJob.h"
#include "output/PageSize.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace
{

// The wizard's task: the whole conversion of settings.
CConversionJob::Task ConversionOf(const ConversionSettings& settings)
{
    return [settings](const ConversionProgress& progress, const ConversionStop& stop) {
        return RunConversion(settings, false, progress, &stop);
    };
}

class ConversionJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteBytes(Settings.SourcePath, CBmpBuilder(40, 30, 24).Build());
        WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>{'o', 'l', 'd'});
        Settings.FontFace = "Courier New";
        Settings.CharacterSet = "01";
        Settings.CharacterOrder = 1;
    }
    // Starts a page of 5000 x 5000 cells and waits until its first note has come.
    void StartLongRun(CConversionJob& job)
    {
        Settings.Columns = Settings.Rows = 5000;
        ASSERT_TRUE(job.Start(ConversionOf(Settings), [this] { ++Notes; }));
        for (int wait = 0; Notes == 0 && wait < 3000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(Notes, 0);
    }
    void ExpectOldPageAndNoTemporaryFile()
    {
        EXPECT_EQ(ReadText(Settings.TargetPath), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);
    }

    CTempDir Dir;
    ConversionSettings Settings = [this] {
        ConversionSettings settings;
        settings.SourcePath = Dir.Path("picture.bmp");
        settings.TargetPath = Dir.Path("picture.html");
        return settings;
    }();
    std::atomic<int> Notes{0};
};

}  // namespace

TEST_F(ConversionJobTest, RunsToTheEndOnItsOwnThreadAndSaysSo)
{
    Settings.Columns = 200;
    Settings.Rows = 150;
    CConversionJob job;
    ASSERT_TRUE(job.Start(ConversionOf(Settings), [this] { ++Notes; }));
    EXPECT_TRUE(job.Wait().Succeeded());
    EXPECT_TRUE(job.HasEnded());
    EXPECT_EQ(job.RowsDone(), 150u);
    EXPECT_EQ(Notes, 151);  // a note per row (fewer than a thousand rows), and one at the end
    EXPECT_EQ(ReadText(Settings.TargetPath).size(), EstimatePageSize(200, 150, "Courier New", "01"));
}

TEST_F(ConversionJobTest, StopsOnRequestOrWhenItGoesLeavingTheOldPageAndNoTemporaryFile)
{
    CConversionJob job;
    StartLongRun(job);
    EXPECT_FALSE(job.Start(ConversionOf(Settings), nullptr));  // one run at a time
    const auto stopped = std::chrono::steady_clock::now();
    job.Stop();
    EXPECT_EQ(job.Wait().Status, ConversionStatus::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(5));
    ExpectOldPageAndNoTemporaryFile();
    {
        CConversionJob going;
        StartLongRun(going);
    }
    ExpectOldPageAndNoTemporaryFile();
}

TEST(PageSize, TheEstimateIsThePageWrittenInOrderAndIsToldInWords)
{
    CTempDir dir;
    ConversionSettings settings;
    settings.SourcePath = dir.Path("picture.bmp");
    settings.TargetPath = dir.Path("picture.html");
    settings.FontFace = "Lucida Console";
    settings.CharacterOrder = 1;
    settings.Columns = 7;
    settings.Rows = 5;
    WriteBytes(settings.SourcePath, CBmpBuilder(9, 7, 24).Build());
    // Spaces take more room than other characters; 35 cells leave a part of a round of "a b".
    // Characters beyond ASCII and markup take references of their own lengths.
    for (const std::string set : {"01", " ", "a b", "#", "\u2588\u2593<&"})
    {
        settings.CharacterSet = set;
        ASSERT_TRUE(RunConversion(settings, false).Succeeded());
        EXPECT_EQ(ReadText(settings.TargetPath).size(), EstimatePageSize(7, 5, "Lucida Console", set)) << set;
    }
    EXPECT_EQ(DescribeSize(EstimatePageSize(5000, 5000, "Courier New", "01")), "about 700 MB");
    EXPECT_EQ(DescribeSize(1), "about 1 byte");
    EXPECT_EQ(DescribeSize(999), "about 999 bytes");
    EXPECT_EQ(DescribeSize(1500), "about 1.5 KB");
    EXPECT_EQ(DescribeSize(999600), "about 1.0 MB");  // rounded as shown, not "1000 KB"
    EXPECT_EQ(DescribeSize(1400000000), "about 1.4 GB");
}
