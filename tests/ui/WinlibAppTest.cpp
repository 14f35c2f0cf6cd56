// The application pieces: start-up, the message-box path and its caption, the wait cursor,
// the common file and colour dialogs' set-up, the tooltip control and combo-box texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include "tests/ui/UiTestSupport.h"

namespace
{
class CTestApp : public CWinApp
{
public:
    explicit CTestApp(const char* name = nullptr, BOOL initResult = FALSE) : CWinApp(name), InitResult(initResult) {}
    int InitCalls = 0;
    BOOL InitInstance() override
    {
        ++InitCalls;
        if (InitResult)
            ::PostQuitMessage(7);  // the loop Run starts ends with this code
        return InitResult;
    }

private:
    BOOL InitResult;
};

TEST(WinlibApp, WinMainRunsInitInstanceAndTheLoopOnlyWhenAsked)
{
    CWinApp* outer = AfxGetApp();
    {
        CTestApp app("Start-up test");
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(AfxWinMain(nullptr), 0);
        EXPECT_EQ(app.InitCalls, 1);
        EXPECT_EQ(app.m_hInstance, ::GetModuleHandleA(nullptr));
        EXPECT_EQ(AfxGetInstanceHandle(), ::GetModuleHandleA(nullptr));
    }
    {
        CTestApp app("Loop test", TRUE);
        EXPECT_EQ(AfxWinMain(::GetModuleHandleA(nullptr)), 7);
    }
    EXPECT_EQ(AfxGetApp(), outer);  // each stand-in gave the place back
}

TEST(WinlibApp, MessageBoxesCarryTheApplicationsName)
{
    {
        CTestApp app("Glyphcast test");
        EXPECT_STREQ(AfxGetAppName(), "Glyphcast test");
        EXPECT_EQ(AfxMessageBox("hello", MB_YESNO), IDYES);
        uitest::QueueMessageBoxAnswer(IDNO);
        EXPECT_EQ(AfxMessageBox("again", MB_YESNO | MB_ICONQUESTION), IDNO);
        ASSERT_EQ(uitest::MessageBoxes().size(), 2u);
        EXPECT_EQ(uitest::MessageBoxes()[0].Caption, "Glyphcast test");
        EXPECT_EQ(uitest::MessageBoxes()[1].Text, "again");
        EXPECT_EQ(uitest::MessageBoxes()[1].Type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));

        // A window's message box is owned by it; a caption of its own wins over the name.
        CWnd window;
        ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        window.MessageBox("owned");
        window.MessageBox("captioned", "Own caption", MB_OK | MB_ICONERROR);
        ASSERT_EQ(uitest::MessageBoxes().size(), 4u);
        EXPECT_EQ(uitest::MessageBoxes()[2].Owner, window.m_hWnd);
        EXPECT_EQ(uitest::MessageBoxes()[2].Caption, "Glyphcast test");
        EXPECT_EQ(uitest::MessageBoxes()[3].Caption, "Own caption");
    }
    // Without a name of its own: the title string, else the program file's name without its folder
    // and extension.
    CTestApp unnamed;
    CString expected;
    if (!expected.LoadString(AFX_IDS_APP_TITLE))
    {
        char path[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, path, sizeof path);
        std::string name = path;
        name = name.substr(name.find_last_of("\\/") + 1);
        expected = name.substr(0, name.rfind('.')).c_str();
    }
    EXPECT_FALSE(expected.IsEmpty());
    EXPECT_EQ(CString(AfxGetAppName()).CompareNoCase(expected), 0) << AfxGetAppName();
}

TEST(WinlibApp, WaitCursorNestsAndRestoresTheCursorBefore)
{
    CTestApp app("Cursor test");
    HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    HCURSOR wait = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));   // IDC_WAIT
    ::SetCursor(arrow);
    app.BeginWaitCursor();
    EXPECT_EQ(::GetCursor(), wait);
    app.BeginWaitCursor();
    app.EndWaitCursor();
    EXPECT_EQ(::GetCursor(), wait);  // still inside the outer wait
    app.EndWaitCursor();
    EXPECT_EQ(::GetCursor(), arrow);
    app.EndWaitCursor();  // unbalanced: ignored
    EXPECT_EQ(::GetCursor(), arrow);
}

TEST(WinlibApp, WaitCursorObjectHoldsTheHourglassForItsScopeOnly)
{
    CTestApp app("Cursor scope test");
    HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    HCURSOR wait = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));   // IDC_WAIT
    ::SetCursor(arrow);
    auto leaveEarly = [&](bool early) {
        CWaitCursor hourglass;
        EXPECT_EQ(::GetCursor(), wait);
        if (early)
            return;
        app.BeginWaitCursor();  // a nested wait inside the scope
        app.EndWaitCursor();
        EXPECT_EQ(::GetCursor(), wait);
    };
    leaveEarly(true);
    EXPECT_EQ(::GetCursor(), arrow);
    leaveEarly(false);
    EXPECT_EQ(::GetCursor(), arrow);
}

INT_PTR ChooseFile(CFileDialog& dialog)
{
    lstrcpynA(dialog.m_ofn.lpstrFile, "C:\\pictures\\chosen.bmp", static_cast<int>(dialog.m_ofn.nMaxFile));
    return IDOK;
}

TEST(WinlibCommonDialogs, FileDialogTranslatesTheFilterAndExtension)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    CFileDialog dialog(TRUE, ".bmp", nullptr, OFN_FILEMUSTEXIST, "Bitmap files (*.bmp)|*.bmp|All Files (*.*)|*.*||",
                       &owner);
    EXPECT_EQ(dialog.m_ofn.lStructSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(dialog.m_ofn.hwndOwner, owner.m_hWnd);
    EXPECT_EQ(dialog.m_ofn.Flags, static_cast<DWORD>(OFN_FILEMUSTEXIST));
    EXPECT_STREQ(dialog.m_ofn.lpstrDefExt, "bmp");
    const char expected[] = "Bitmap files (*.bmp)\0*.bmp\0All Files (*.*)\0*.*\0\0";
    ASSERT_NE(dialog.m_ofn.lpstrFilter, nullptr);
    EXPECT_EQ(std::memcmp(dialog.m_ofn.lpstrFilter, expected, sizeof expected), 0);
    EXPECT_STREQ(dialog.m_ofn.lpstrFile, "");
    EXPECT_GE(dialog.m_ofn.nMaxFile, static_cast<DWORD>(MAX_PATH));
    EXPECT_TRUE(dialog.m_bOpenFileDialog);

    CFileDialog::DoModalHook = &ChooseFile;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    CFileDialog::DoModalHook = nullptr;
    EXPECT_EQ(dialog.GetPathName(), "C:\\pictures\\chosen.bmp");

    // A filter without the closing bars still ends with the double terminator.
    CFileDialog save(FALSE, "html", "start.html", OFN_HIDEREADONLY, "HTML|*.html");
    const char expectedSave[] = "HTML\0*.html\0\0";
    EXPECT_EQ(std::memcmp(save.m_ofn.lpstrFilter, expectedSave, sizeof expectedSave), 0);
    EXPECT_STREQ(save.m_ofn.lpstrDefExt, "html");
    EXPECT_EQ(save.GetPathName(), "start.html");
    EXPECT_EQ(save.m_ofn.hwndOwner, nullptr);
    CFileDialog bare(TRUE);
    EXPECT_EQ(bare.m_ofn.lpstrFilter, nullptr);
    EXPECT_EQ(bare.m_ofn.lpstrDefExt, nullptr);
}

INT_PTR PickGreen(CColorDialog& dialog)
{
    dialog.m_cc.rgbResult = RGB(0, 128, 0);
    return IDOK;
}

TEST(WinlibCommonDialogs, ColourDialogStartsFromTheInitialColour)
{
    CColorDialog dialog(RGB(1, 2, 3), CC_FULLOPEN | CC_ANYCOLOR);
    EXPECT_EQ(dialog.m_cc.lStructSize, sizeof(CHOOSECOLORA));
    EXPECT_EQ(dialog.m_cc.rgbResult, RGB(1, 2, 3));
    EXPECT_EQ(dialog.m_cc.Flags, static_cast<DWORD>(CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT));
    ASSERT_NE(dialog.m_cc.lpCustColors, nullptr);
    EXPECT_EQ(dialog.GetColor(), RGB(1, 2, 3));
    CColorDialog::DoModalHook = &PickGreen;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    CColorDialog::DoModalHook = nullptr;
    EXPECT_EQ(dialog.GetColor(), RGB(0, 128, 0));
}

TEST(WinlibControls, TooltipIsAnObjectOwnedByItsParentAndGoesWithIt)
{
    CWnd* parent = new CWnd;
    ASSERT_TRUE(parent->CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(parent));
    EXPECT_FALSE(tip.Create(parent));
    char className[64] = "";
    ::GetClassNameA(tip, className, sizeof className);
    EXPECT_EQ(lstrcmpiA(className, TOOLTIPS_CLASSA), 0);
    EXPECT_EQ(::GetWindow(tip, GW_OWNER), parent->m_hWnd);
    EXPECT_TRUE(tip.GetStyle() & TTS_ALWAYSTIP);
    EXPECT_EQ(CWnd::FromHandlePermanent(tip), &tip);
    tip.SetDelayTime(TTDT_AUTOMATIC, 1000);
    EXPECT_EQ(tip.SendMessage(TTM_GETDELAYTIME, TTDT_INITIAL), 1000);
    MSG message = {parent->m_hWnd, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    tip.RelayEvent(&message);  // nothing registered: no tip, no trouble

    HWND tipWindow = tip.m_hWnd;
    delete parent;  // destroys its window, and the owned tooltip with it
    EXPECT_FALSE(::IsWindow(tipWindow));
    EXPECT_EQ(tip.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(tipWindow), nullptr);
}

TEST(WinlibControls, ComboBoxTextsAndButtonStates)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
    CComboBox combo;
    ASSERT_TRUE(combo.CreateEx(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 100, parent, nullptr));
    EXPECT_EQ(combo.AddString("randomly"), 0);
    EXPECT_EQ(combo.AddString("sequentially"), 1);
    EXPECT_EQ(combo.GetCount(), 2);
    CString text("stale");
    combo.GetLBText(1, text);
    EXPECT_EQ(text, "sequentially");
    combo.GetLBText(5, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(combo.FindString(-1, "SEQ"), 1);
    combo.SetItemData(0, 1234);
    EXPECT_EQ(combo.GetItemData(0), 1234u);
    EXPECT_EQ(combo.SelectString(-1, "rand"), 0);
    EXPECT_EQ(combo.GetCurSel(), 0);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);

    CButton check;
    ASSERT_TRUE(check.CreateEx(0, "BUTTON", "x", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 50, 10, parent, nullptr));
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);
    check.SetState(TRUE);
    EXPECT_TRUE(check.GetState() & BST_PUSHED);
}
}  // namespace
