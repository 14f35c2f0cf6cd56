// The welcome page inside the real wizard, and what every page gets from the page base class:
// a hidden child window, the tooltip control, the focus on showing, a cancel command to the page ignored.
#include <gtest/gtest.h>

#include <string>

#include "app/ConverterWizard.h"
#include "pages/FinishPage.h"
#include "pages/TitlePage.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

std::string WindowText(HWND window)
{
    char text[256] = "";
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string ClassName(HWND window)
{
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

// The converter wizard, modeless, with the welcome page on show.
class WelcomePage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Wizard.Create(IDD_WIZARD, nullptr));
        Wizard.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(Wizard);
        Page = Wizard.GetWelcomePage();
        ASSERT_NE(Page, nullptr);
    }
    void TearDown() override
    {
        if (Wizard.GetSafeHwnd())
            Wizard.DestroyWindow();
        uitest::PumpMessages();
    }

    HWND Button(int id) const { return ::GetDlgItem(Wizard, id); }
    void Click(int id)
    {
        ::SendMessageA(Wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Button(id)));
    }

    CConverterWizard Wizard;
    CTitlePage* Page = nullptr;
};

TEST_F(WelcomePage, IsPageZeroWithBackDisabledAndNextEnabled)
{
    EXPECT_EQ(Wizard.GetActiveIndex(), 0);
    EXPECT_EQ(Wizard.GetActivePage(), Page);
    EXPECT_TRUE(::IsWindowVisible(*Page));
    EXPECT_FALSE(::IsWindowEnabled(Button(IDC_BACK)));
    EXPECT_TRUE(::IsWindowEnabled(Button(IDC_NEXT)));
    EXPECT_EQ(WindowText(Button(IDC_NEXT)), "&Next >");
    EXPECT_FALSE(Wizard.IsFinishMode());
}

TEST_F(WelcomePage, NextShowsTheFollowingPageAndBackReturns)
{
    Click(IDC_NEXT);
    EXPECT_EQ(Wizard.GetActiveIndex(), 1);
    EXPECT_FALSE(::IsWindowVisible(*Page));
    EXPECT_TRUE(::IsWindowVisible(*Wizard.GetPage(1)));

    Click(IDC_BACK);
    EXPECT_EQ(Wizard.GetActiveIndex(), 0);
    EXPECT_TRUE(::IsWindowVisible(*Page));
    EXPECT_FALSE(::IsWindowEnabled(Button(IDC_BACK)));
    EXPECT_EQ(WindowText(Button(IDC_NEXT)), "&Next >");
}

TEST_F(WelcomePage, TitleIsDrawnInTheTitleFontAndTheRestInTheTemplateFont)
{
    HWND title = ::GetDlgItem(*Page, IDC_TITLE);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(WindowText(title), "Glyphcast");
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(title, WM_GETFONT, 0, 0)), Wizard.GetTitleFont());

    HFONT pageFont = reinterpret_cast<HFONT>(::SendMessageA(*Page, WM_GETFONT, 0, 0));
    int others = 0;
    for (HWND child = ::GetWindow(*Page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        bool picture = (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
        if (child == title || picture || ClassName(child) != "Static")
            continue;
        ++others;
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)), pageFont) << WindowText(child);
    }
    EXPECT_EQ(others, 2);
}

TEST_F(WelcomePage, ShowingItAgainWorksThoughItHasNoTabStop)
{
    ::SetFocus(Button(IDC_CANCEL_BUTTON));
    EXPECT_TRUE(Page->OnSetActive());
    EXPECT_TRUE(Wizard.SetActivePage(0));
    EXPECT_TRUE(::IsWindowVisible(*Page));
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == nullptr || focus == Wizard.GetSafeHwnd() || ::IsChild(Wizard, focus));
}

TEST_F(WelcomePage, ACancelCommandToThePageItselfNeitherClosesTheWizardNorHidesThePage)
{
    ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(Wizard.GetResult(), -1);
    EXPECT_EQ(Page->GetResult(), -1);
    EXPECT_TRUE(::IsWindow(Wizard));
    EXPECT_TRUE(::IsWindowVisible(*Page));
    EXPECT_EQ(Wizard.GetActiveIndex(), 0);
    // Escape cancels the wizard, as the Cancel button does.
    ::SetFocus(Button(IDC_NEXT));
    uitest::PressKey(VK_ESCAPE);
    EXPECT_EQ(Wizard.GetResult(), IDCANCEL);
}

// --- what every page gets from the base class --------------------------------------------------

TEST_F(WelcomePage, EveryPageIsAHiddenBorderlessChildOfTheWizardUntilShown)
{
    ASSERT_GE(Wizard.GetPageCount(), 2);
    for (int i = 0; i < Wizard.GetPageCount(); ++i)
    {
        CWizardPage* page = Wizard.GetPage(i);
        SCOPED_TRACE("page " + std::to_string(i));
        ASSERT_TRUE(::IsWindow(*page));
        EXPECT_EQ(::GetParent(*page), Wizard.GetSafeHwnd());
        DWORD style = page->GetStyle();
        EXPECT_TRUE(style & WS_CHILD);
        EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER));
        EXPECT_EQ(::IsWindowVisible(*page) != FALSE, i == 0);
        EXPECT_EQ(page->GetWizard(), &Wizard);
    }
    EXPECT_EQ(Wizard.GetPage(0)->GetTemplateId(), static_cast<UINT>(IDD_WELCOME));
    EXPECT_EQ(Wizard.GetPage(Wizard.GetPageCount() - 1)->GetTemplateId(), static_cast<UINT>(IDD_FINISH));
}

TEST_F(WelcomePage, EveryPageHasAQuietTooltipControl)
{
    for (int i = 0; i < Wizard.GetPageCount(); ++i)
    {
        SCOPED_TRACE("page " + std::to_string(i));
        CToolTipCtrl& tip = Wizard.GetPage(i)->GetToolTip();
        ASSERT_TRUE(::IsWindow(tip));
        EXPECT_EQ(ClassName(tip), TOOLTIPS_CLASSA);
        // A popup's owner is the top-level window of the page it was created for.
        EXPECT_EQ(::GetWindow(tip, GW_OWNER), Wizard.GetSafeHwnd());
        EXPECT_EQ(::SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 1000);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
    }

    // Moving the pointer over the title relays to the tooltip, which has nothing to show.
    HWND title = ::GetDlgItem(*Page, IDC_TITLE);
    ::PostMessageA(title, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    uitest::PumpMessages();
    EXPECT_FALSE(::IsWindowVisible(Page->GetToolTip()));
}

}  // namespace
