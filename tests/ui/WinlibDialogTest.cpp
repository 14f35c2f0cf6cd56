// Dialogs: creation from templates, the modal loop with its pre-translation chain, the dialog
// keys, OK with validation, and the initial list entries of a template.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "tests/ui/UiTestSupport.h"

namespace
{
const int ID_EDIT = 101;
const int ID_COMBO = 102;
const DWORD TOP_LEVEL = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const DWORD PAGE = WS_CHILD | DS_CONTROL | DS_SETFONT;

std::vector<std::string> Trace;

// A window object that records which messages pass through its PreTranslateMessage.
class CTracingEdit : public CWnd
{
public:
    BOOL PreTranslateMessage(MSG* message) override
    {
        if (message->message == WM_KEYDOWN)
            Trace.push_back("edit");
        return FALSE;
    }
};

class CTracingPage : public CDialog
{
public:
    CTracingEdit Edit;

    BOOL PreTranslateMessage(MSG* message) override
    {
        BOOL handled = CDialog::PreTranslateMessage(message);
        if (message->message == WM_KEYDOWN)
            Trace.push_back(handled ? "page handled" : "page passed");
        return handled;
    }

protected:
    void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, ID_EDIT, Edit); }
};

// A top-level dialog with a number field, optionally hosting a child page.
class CTestDialog : public CDialog
{
public:
    CTestDialog() : Template(TOP_LEVEL, 160, 80, "test dialog")
    {
        Template.Add("EDIT", "", ID_EDIT, WS_BORDER | WS_TABSTOP, 5, 5, 60, 12);
        Template.Add("BUTTON", "OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 60, 40, 14);
        Template.Add("BUTTON", "Cancel", IDCANCEL, WS_TABSTOP, 50, 60, 40, 14);
        InitModalIndirect(Template.Get());
    }

    DWORD Number = 7;
    bool WithPage = false;
    bool EndInInit = false;
    int Cancels = 0;
    bool CancelEnds = true;
    CTracingPage* Page = nullptr;
    uitest::DialogTemplate PageTemplate{PAGE, 100, 30};

    BOOL PreTranslateMessage(MSG* message) override
    {
        BOOL handled = CDialog::PreTranslateMessage(message);
        if (message->message == WM_KEYDOWN)
            Trace.push_back(handled ? "frame handled" : "frame passed");
        return handled;
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (WithPage)
        {
            Page = new CTracingPage;
            PageTemplate.Add("EDIT", "", ID_EDIT, WS_BORDER | WS_TABSTOP, 0, 0, 60, 12);
            Page->CreateIndirect(PageTemplate.Get(), this);
            Page->UpdateData(FALSE);
            Page->ShowWindow(SW_SHOW);
        }
        if (EndInInit)
            EndDialog(77);
        return TRUE;
    }

    BOOL DestroyWindow() override
    {
        if (Page)
        {
            Page->DestroyWindow();
            delete Page;
            Page = nullptr;
        }
        return CDialog::DestroyWindow();
    }

protected:
    void DoDataExchange(CDataExchange* exchange) override
    {
        DDX_Text(exchange, ID_EDIT, Number);
        DDV_MinMaxDWord(exchange, Number, 1, 10);
    }
    void OnCancel() override
    {
        ++Cancels;
        if (CancelEnds)
            CDialog::OnCancel();
    }

private:
    uitest::DialogTemplate Template;
};

TEST(WinlibModalDialog, ReturnsTheEndDialogResultAndDisablesItsOwnerMeanwhile)
{
    HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    CWnd ownerObject;
    ownerObject.Attach(owner);

    CTestDialog dialog;
    dialog.m_pParentWnd = &ownerObject;
    bool ownerWasEnabled = true;
    HWND shown = nullptr;
    uitest::RunLater([&] {
        ownerWasEnabled = ::IsWindowEnabled(owner) != FALSE;
        shown = dialog.m_hWnd;
        EXPECT_TRUE(dialog.IsInModalLoop());
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), owner);
        CString text;
        dialog.GetDlgItemText(ID_EDIT, text);
        EXPECT_EQ(text, "7");  // the first write put the field into its control
        dialog.EndDialog(42);
    });
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_FALSE(ownerWasEnabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(::IsWindow(shown));  // destroyed when the loop ended
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.GetResult(), 42);
    ownerObject.Detach();
    ::DestroyWindow(owner);
}

TEST(WinlibModalDialog, EndDialogDuringInitialisationReturnsAtOnce)
{
    CTestDialog dialog;
    dialog.EndInInit = true;
    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(WinlibModalDialog, PreTranslateRunsFromTheInnermostWindowToTheTopLevelDialog)
{
    CTestDialog dialog;
    dialog.WithPage = true;
    Trace.clear();
    uitest::RunLater([&] {
        ASSERT_NE(dialog.Page, nullptr);
        ::SetFocus(dialog.Page->Edit);
        ::PostMessageA(dialog.Page->Edit, WM_KEYDOWN, 'A', 1);
        uitest::RunLater([&] { dialog.EndDialog(1); });
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    // The child page passes (its keys belong to the frame); the top-level dialog takes it.
    EXPECT_EQ(Trace, (std::vector<std::string>{"edit", "page passed", "frame handled"}));
}

TEST(WinlibModalDialog, EscapeReachesOnCancel)
{
    CTestDialog dialog;
    dialog.CancelEnds = false;
    uitest::RunLater([&] {
        ::SetFocus(dialog.GetDlgItem(ID_EDIT)->m_hWnd);
        uitest::PressKey(VK_ESCAPE);
        EXPECT_EQ(dialog.Cancels, 1);
        EXPECT_TRUE(dialog.IsInModalLoop());  // this override does not end the dialog
        dialog.CancelEnds = true;
        uitest::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.Cancels, 2);
}

TEST(WinlibModalDialog, GotoDlgCtrlIgnoresAMissingControl)
{
    CTestDialog dialog;
    uitest::RunLater([&] {
        dialog.GotoDlgCtrl(dialog.GetDlgItem(12345));  // no such item: nothing happens
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(WinlibModalDialog, OkValidatesAndStaysOpenOnAFailedRead)
{
    CTestDialog dialog;
    uitest::RunLater([&] {
        dialog.SetDlgItemText(ID_EDIT, "11");
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
        EXPECT_TRUE(dialog.IsInModalLoop());
        ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
        EXPECT_EQ(uitest::MessageBoxes()[0].Text, "Please enter an integer between 1 and 10.");
        dialog.SetDlgItemText(ID_EDIT, "9");
        ::SetFocus(dialog.GetDlgItem(ID_EDIT)->m_hWnd);
        uitest::PressKey(VK_RETURN);  // the default button
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.Number, 9u);
    EXPECT_EQ(uitest::MessageBoxes().size(), 1u);
}

TEST(WinlibModalDialog, AModalDialogOwnedByTheMainWindowWhenNoParentIsGiven)
{
    CWinApp app("Owner test");
    HWND main = ::CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    CWnd mainObject;
    mainObject.Attach(main);
    app.m_pMainWnd = &mainObject;

    CTestDialog dialog;
    HWND owner = nullptr;
    uitest::RunLater([&] {
        owner = ::GetWindow(dialog, GW_OWNER);
        dialog.EndDialog(IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(owner, main);
    EXPECT_TRUE(::IsWindowEnabled(main));
    mainObject.Detach();
    ::DestroyWindow(main);
}

TEST(WinlibModelessDialog, ACreatedChildPageIsHiddenAttachedAndInitialised)
{
    uitest::DialogTemplate frameTemplate(TOP_LEVEL, 160, 80);
    CDialog frame;
    ASSERT_TRUE(frame.CreateIndirect(frameTemplate.Get()));
    uitest::DialogTemplate pageTemplate(PAGE, 100, 40);
    pageTemplate.Add("EDIT", "", ID_EDIT, WS_BORDER | WS_TABSTOP, 0, 0, 60, 12);

    CTracingPage page;
    ASSERT_TRUE(page.CreateIndirect(pageTemplate.Get(), &frame));
    EXPECT_EQ(::GetParent(page), frame.m_hWnd);
    EXPECT_FALSE(page.IsWindowVisible());
    EXPECT_TRUE(page.GetStyle() & WS_CHILD);
    EXPECT_EQ(CWnd::FromHandlePermanent(page), &page);
    EXPECT_NE(page.Edit.m_hWnd, nullptr);                           // its OnInitDialog ran the first exchange
    EXPECT_FALSE(page.CreateIndirect(pageTemplate.Get(), &frame));  // one window per object

    // A modeless dialog's EndDialog only records the result.
    page.EndDialog(5);
    EXPECT_EQ(page.GetResult(), 5);
    EXPECT_TRUE(::IsWindow(page));

    EXPECT_TRUE(page.DestroyWindow());
    EXPECT_EQ(page.m_hWnd, nullptr);
    EXPECT_EQ(page.Edit.m_hWnd, nullptr);  // the control's object was detached with its window
    frame.DestroyWindow();
}

TEST(WinlibModelessDialog, CreateFromAMissingTemplateFails)
{
    CDialog dialog;
    EXPECT_FALSE(dialog.Create(65000));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(CDialog(65000).DoModal(), -1);
}

// One list record: control id, message, byte count, bytes.
void AddRecord(std::vector<unsigned char>& data, WORD id, WORD message, const char* text, size_t bytes)
{
    auto put = [&](const void* from, size_t size) {
        data.insert(data.end(), static_cast<const unsigned char*>(from),
                    static_cast<const unsigned char*>(from) + size);
    };
    DWORD length = static_cast<DWORD>(bytes);
    put(&id, 2);
    put(&message, 2);
    put(&length, 4);
    put(text, bytes);
}

TEST(WinlibModelessDialog, TemplateListsFillTheirCombosInOrder)
{
    uitest::DialogTemplate dialogTemplate(TOP_LEVEL, 100, 60);
    dialogTemplate.Add("COMBOBOX", "", ID_COMBO, CBS_DROPDOWN | WS_VSCROLL, 0, 0, 80, 60);
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(dialogTemplate.Get()));
    CComboBox combo;
    combo.Attach(::GetDlgItem(dialog, ID_COMBO));

    std::vector<unsigned char> data;
    AddRecord(data, ID_COMBO, CB_ADDSTRING, "zeta", 5);
    AddRecord(data, ID_COMBO, CB_ADDSTRING, "alpha", 6);
    data.push_back(0);
    data.push_back(0);
    EXPECT_TRUE(AfxAddDialogLists(dialog, data.data(), static_cast<DWORD>(data.size())));
    ASSERT_EQ(combo.GetCount(), 2);
    CString text;
    combo.GetLBText(0, text);
    EXPECT_EQ(text, "zeta");
    combo.GetLBText(1, text);
    EXPECT_EQ(text, "alpha");

    // Truncated or unterminated lists are refused without reading past their end.
    std::vector<unsigned char> cut(data.begin(), data.begin() + 15);  // the second record is cut short
    EXPECT_FALSE(AfxAddDialogLists(dialog, cut.data(), static_cast<DWORD>(cut.size())));
    std::vector<unsigned char> unterminated;
    AddRecord(unterminated, ID_COMBO, CB_ADDSTRING, "abc", 3);
    unterminated.push_back(0);
    unterminated.push_back(0);
    EXPECT_FALSE(AfxAddDialogLists(dialog, unterminated.data(), static_cast<DWORD>(unterminated.size())));
    EXPECT_EQ(combo.GetCount(), 3);  // the complete first record of the cut list was added
    combo.Detach();
}
}  // namespace
