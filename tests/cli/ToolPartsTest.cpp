// The converter's parts that keep a run well-behaved: message text that cannot be forged or
// obeyed by a terminal, and the memory budget the pictures converted at once share.
#include "base/TextEncoding.h"
#include "cli/MemoryBudget.h"
#include "cli/PrintableText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(PrintableText, EscapesEveryControlCharacterAndStrayByte)
{
    SetTextCodePage(TextCodePage::Utf8);  // the tool's text on every system
    const std::pair<std::string, std::string> cases[] = {
        {"photos/sunset.bmp", "photos/sunset.bmp"},
        {"C:\\photos\\sunset.bmp", "C:\\photos\\sunset.bmp"},  // Windows paths as they are
        {"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1 \u2588.png", "\u0395\u03BB\u03BB\u03AC\u03B4\u03B1 \u2588.png"},
        {"a\nglyphcast-convert: b.bmp: written", "a\\nglyphcast-convert: b.bmp: written"},  // no forged line
        {"\x1B[2J\x1B]0;title\x07.bmp", "\\x1B[2J\\x1B]0;title\\x07.bmp"},                  // no escapes
        {"tab\there\rcr\x7F", "tab\\there\\rcr\\x7F"},
        {"nel\xC2\x85 csi\xC2\x9B", "nel\\xC2\\x85 csi\\xC2\\x9B"},  // C1 controls, both bytes
        {"latin1 \xE9t\xE9", "latin1 \\xE9t\\xE9"},                  // bytes that are no UTF-8
        {"lead\xC3\xC3\xA9", "lead\\xC3\u00E9"},                     // a lead byte, then a character
        {std::string("nul\0byte", 8), "nul\\x00byte"},
    };
    for (const auto& [text, shown] : cases)
    {
        EXPECT_EQ(PrintableText(text), shown);
        EXPECT_EQ(PrintableText(text).find('\n'), std::string::npos);
    }
    SetTextCodePage(TextCodePage::Active);
}

TEST(MemoryBudget, SharesAreTakenInTurnAndWaitForRoom)
{
    CMemoryBudget budget(100);
    budget.Take(60);
    // A share that does not fit beside the one taken waits; one that would fit waits behind it,
    // so that the larger one is never passed over.
    std::atomic<bool> largeIn(false), smallIn(false);
    std::thread large([&] {
        budget.Take(60);
        largeIn = true;
    });
    while (budget.Waiting() < 1)
        std::this_thread::yield();
    std::thread small([&] {
        budget.Take(10);
        smallIn = true;
    });
    while (budget.Waiting() < 2)
        std::this_thread::yield();
    EXPECT_FALSE(largeIn);
    EXPECT_FALSE(smallIn);
    EXPECT_EQ(budget.Used(), 60u);

    budget.Give(60);
    large.join();
    small.join();
    EXPECT_TRUE(largeIn && smallIn);
    EXPECT_EQ(budget.Used(), 70u);
    EXPECT_EQ(budget.Waiting(), 0u);
    budget.Take(0);  // nothing to hold never waits, even with the budget taken
    budget.Give(70);
    EXPECT_EQ(budget.Used(), 0u);
}

TEST(MemoryBudget, SaysSizesInBinaryUnitsToThreeDigits)
{
    // Three digits: a need just over a budget of 1 GiB does not read as 1 GiB.
    const std::pair<std::uint64_t, const char*> sizes[] = {{900, "900 bytes"},          {1024, "1.00 KiB"},
                                                           {512ull << 20, "512 MiB"},   {(3ull << 29), "1.50 GiB"},
                                                           {1073741823ull, "1.00 GiB"}, {(20ull << 30) + 1, "20.0 GiB"},
                                                           {1084227584ull, "1.01 GiB"}};
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(CMemoryBudget::Describe(bytes), text) << bytes;
}
