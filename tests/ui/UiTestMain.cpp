// The UI tests' main: common controls, and a message-box hook that records and answers every box,
// reinstalled and cleared before each test, so that no test ever waits for a person.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"

namespace
{
class MessageBoxGuard : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo&) override
    {
        AfxMessageBoxHook = &uitest::RecordMessageBox;
        uitest::ClearMessageBoxes();
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        AfxMessageBoxHook = &uitest::RecordMessageBox;
        uitest::PumpMessages();
    }
};
}

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES };
    ::InitCommonControlsEx(&controls);
    AfxMessageBoxHook = &uitest::RecordMessageBox;
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new MessageBoxGuard);
    return RUN_ALL_TESTS();
}
