// Dialog data exchange and validation: the parsing, storing, stopping, focusing, writing and
// combo-box rules the pages rely on.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"

namespace
{
const int ID_PATH = 201;
const int ID_COLUMNS = 202;
const int ID_ROWS = 203;
const int ID_CHECK = 204;
const int ID_SET = 205;    // drop-down combo with an edit part
const int ID_ORDER = 206;  // drop-down list
const int ID_OTHER = 207;

class CExchangeDialog : public CDialog
{
public:
    CExchangeDialog() : Template(WS_POPUP | WS_CAPTION | DS_SETFONT, 200, 120, "exchange")
    {
        Template.Add("EDIT", "", ID_PATH, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 150, 12);
        Template.Add("EDIT", "", ID_COLUMNS, WS_BORDER | WS_TABSTOP, 5, 20, 50, 12);
        Template.Add("EDIT", "", ID_ROWS, WS_BORDER | WS_TABSTOP, 60, 20, 50, 12);
        Template.Add("BUTTON", "check", ID_CHECK, WS_TABSTOP | BS_AUTOCHECKBOX, 5, 35, 50, 10);
        Template.Add("COMBOBOX", "", ID_SET, WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 5, 50, 120, 70);
        Template.Add("COMBOBOX", "", ID_ORDER, WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 5, 70, 80, 50);
        Template.Add("EDIT", "", ID_OTHER, WS_BORDER | WS_TABSTOP, 130, 5, 50, 12);
    }

    BOOL Open()
    {
        if (!CreateIndirect(Template.Get()))
            return FALSE;
        for (const char* entry : {"01", "0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"})
            SendDlgItemMessageA(m_hWnd, ID_SET, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        for (const char* entry : {"randomly", "sequentially"})
            SendDlgItemMessageA(m_hWnd, ID_ORDER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        ShowWindow(SW_SHOW);
        return TRUE;
    }

    CString Path;
    DWORD Columns = 0;
    UINT Rows = 0;
    int Check = 0;
    CString Set;
    int Order = 0;

    CString Text(int id) const
    {
        CString text;
        GetDlgItemText(id, text);
        return text;
    }
    void Type(int id, const char* text) { SetDlgItemText(id, text); }

protected:
    void DoDataExchange(CDataExchange* exchange) override
    {
        DDX_Text(exchange, ID_PATH, Path);
        DDV_MaxChars(exchange, Path, 10);
        DDX_Text(exchange, ID_COLUMNS, Columns);
        DDV_MinMaxDWord(exchange, Columns, 1, 5000);
        DDX_Text(exchange, ID_ROWS, Rows);
        DDV_MinMaxDWord(exchange, Rows, 1, 5000);
        DDX_Check(exchange, ID_CHECK, Check);
        DDX_CBIndex(exchange, ID_ORDER, Order);
        DDX_CBString(exchange, ID_SET, Set);
        DDV_MaxChars(exchange, Set, 30);
    }

private:
    uitest::DialogTemplate Template;
};

class WinlibDataExchange : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dialog.Open());
        Dialog.Path = "a.html";
        Dialog.Columns = 100;
        Dialog.Rows = 50;
        Dialog.Set = "01";
        ASSERT_TRUE(Dialog.UpdateData(FALSE));
        ::SetFocus(::GetDlgItem(Dialog, ID_OTHER));
        uitest::ClearMessageBoxes();
    }

    HWND Item(int id) { return ::GetDlgItem(Dialog, id); }
    std::string LastMessage() { return uitest::MessageBoxes().empty() ? "" : uitest::MessageBoxes().back().Text; }

    CExchangeDialog Dialog;
};

TEST_F(WinlibDataExchange, ReadsUnsignedNumbersWithSurroundingBlanksOnly)
{
    Dialog.Type(ID_COLUMNS, "  42 ");
    Dialog.Type(ID_ROWS, "4294967295");
    Dialog.Rows = 1;
    EXPECT_FALSE(Dialog.UpdateData(TRUE));  // parsed, then refused by its range
    EXPECT_EQ(Dialog.Columns, 42u);
    EXPECT_EQ(Dialog.Rows, 4294967295u);

    for (const char* bad : {"", "   ", "-1", "+5", "1x", "1 2", "0x10", "4294967296", "99999999999999999999"})
    {
        uitest::ClearMessageBoxes();
        Dialog.Columns = 123;
        Dialog.Type(ID_COLUMNS, bad);
        EXPECT_FALSE(Dialog.UpdateData(TRUE)) << bad;
        EXPECT_EQ(Dialog.Columns, 123u) << "an unparsable number leaves its field alone: " << bad;
        EXPECT_EQ(LastMessage(), "Please enter a positive integer.") << bad;
    }
}

TEST_F(WinlibDataExchange, AParseFailureStopsTheReadAndFocusesTheWholeText)
{
    Dialog.Type(ID_PATH, "new.html");
    Dialog.Type(ID_COLUMNS, "abc");
    Dialog.Type(ID_ROWS, "60");
    ::SendMessageA(Item(ID_CHECK), BM_SETCHECK, BST_CHECKED, 0);

    EXPECT_FALSE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Path, "new.html");  // exchanged before the failure
    EXPECT_EQ(Dialog.Columns, 100u);     // unchanged
    EXPECT_EQ(Dialog.Rows, 50u);         // never read
    EXPECT_EQ(Dialog.Check, 0);          // never read
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(uitest::MessageBoxes()[0].Type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(uitest::MessageBoxes()[0].Caption.empty());
    EXPECT_EQ(::GetFocus(), Item(ID_COLUMNS));
    DWORD start = 0, end = 0;
    ::SendMessageA(Item(ID_COLUMNS), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
}

TEST_F(WinlibDataExchange, ARangeFailureHasAlreadyStoredTheValue)
{
    Dialog.Type(ID_COLUMNS, "0");
    Dialog.Type(ID_ROWS, "9999");
    EXPECT_FALSE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Columns, 0u);
    EXPECT_EQ(Dialog.Rows, 50u);  // the read stopped at Columns
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(LastMessage(), "Please enter an integer between 1 and 5000.");
    EXPECT_EQ(::GetFocus(), Item(ID_COLUMNS));

    uitest::ClearMessageBoxes();
    Dialog.Type(ID_COLUMNS, "5000");
    EXPECT_FALSE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Columns, 5000u);
    EXPECT_EQ(Dialog.Rows, 9999u);
    EXPECT_EQ(::GetFocus(), Item(ID_ROWS));

    Dialog.Type(ID_ROWS, "1");
    EXPECT_TRUE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Rows, 1u);
}

TEST_F(WinlibDataExchange, MaxCharsRefusesLongTextOnReadAndLimitsTypingOnWrite)
{
    EXPECT_EQ(::SendMessageA(Item(ID_PATH), EM_GETLIMITTEXT, 0, 0), 10);
    // A combo box gets the limit on its edit part.
    HWND comboEdit = ::GetWindow(Item(ID_SET), GW_CHILD);
    ASSERT_NE(comboEdit, nullptr);
    EXPECT_EQ(::SendMessageA(comboEdit, EM_GETLIMITTEXT, 0, 0), 30);

    Dialog.Type(ID_PATH, "0123456789");  // exactly the limit
    EXPECT_TRUE(Dialog.UpdateData(TRUE));
    Dialog.Type(ID_PATH, "0123456789A");  // the platform does not apply the limit to program text
    Dialog.Type(ID_COLUMNS, "7");
    EXPECT_FALSE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Path, "0123456789A");  // stored before validation
    EXPECT_EQ(Dialog.Columns, 100u);
    EXPECT_EQ(LastMessage(), "Please enter no more than 10 characters.");
    EXPECT_EQ(::GetFocus(), Item(ID_PATH));
}

TEST_F(WinlibDataExchange, AWriteReplacesTextOnlyWhenItDiffers)
{
    // Equal text: the edit keeps its caret and its modified flag.
    Dialog.Type(ID_COLUMNS, "100");
    ::SendMessageA(Item(ID_COLUMNS), EM_SETSEL, 1, 1);
    ::SendMessageA(Item(ID_COLUMNS), EM_SETMODIFY, TRUE, 0);
    ASSERT_TRUE(Dialog.UpdateData(FALSE));
    EXPECT_TRUE(::SendMessageA(Item(ID_COLUMNS), EM_GETMODIFY, 0, 0));
    DWORD start = 0, end = 0;
    ::SendMessageA(Item(ID_COLUMNS), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);

    // "0100" reads as 100 but is not the text 100 would be written as: it is replaced.
    Dialog.Type(ID_COLUMNS, "0100");
    ::SendMessageA(Item(ID_COLUMNS), EM_SETMODIFY, TRUE, 0);
    ASSERT_TRUE(Dialog.UpdateData(FALSE));
    EXPECT_EQ(Dialog.Text(ID_COLUMNS), "100");
    EXPECT_FALSE(::SendMessageA(Item(ID_COLUMNS), EM_GETMODIFY, 0, 0));

    Dialog.Rows = 4294967295u;
    Dialog.Path = "elsewhere";
    ASSERT_TRUE(Dialog.UpdateData(FALSE));
    EXPECT_EQ(Dialog.Text(ID_ROWS), "4294967295");
    EXPECT_EQ(Dialog.Text(ID_PATH), "elsewhere");
}

TEST_F(WinlibDataExchange, ComboStringWriteSelectsOnlyTheEntryThatIsExactlyTheText)
{
    // A prefix of an entry, or an entry in another case, is the user's own text and stays so.
    for (const char* text : {"0123456789", "abc", "0", "abcdefghijklmnopqrstuvwxyz", ""})
    {
        Dialog.Set = text;
        ASSERT_TRUE(Dialog.UpdateData(FALSE) && Dialog.UpdateData(TRUE));
        EXPECT_EQ(Dialog.Set, text);
        EXPECT_EQ(::SendMessageA(Item(ID_SET), CB_GETCURSEL, 0, 0), std::string(text) == "0123456789" ? 1 : CB_ERR)
            << text;
    }
}

TEST_F(WinlibDataExchange, CheckBoxesAndComboIndicesTravelBothWays)
{
    Dialog.Check = 1;
    Dialog.Order = 1;
    ASSERT_TRUE(Dialog.UpdateData(FALSE));
    EXPECT_EQ(::SendMessageA(Item(ID_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Dialog.Text(ID_ORDER), "sequentially");

    ::SendMessageA(Item(ID_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageA(Item(ID_ORDER), CB_SETCURSEL, 0, 0);
    ASSERT_TRUE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Check, 0);
    EXPECT_EQ(Dialog.Order, 0);

    ::SendMessageA(Item(ID_ORDER), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ASSERT_TRUE(Dialog.UpdateData(TRUE));
    EXPECT_EQ(Dialog.Order, -1);
}

// A control object bound by DDX_Control, counting how often it is attached.
class CCountingStatic : public CStatic
{
public:
    int Attachments = 0;
    void PreSubclassWindow() override { ++Attachments; }
};

class CControlDialog : public CDialog
{
public:
    CCountingStatic Label;

protected:
    void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, 300, Label); }
};

TEST(WinlibDataExchangeControl, BindsTheControlAtTheFirstExchangeOnly)
{
    uitest::DialogTemplate dialogTemplate(WS_POPUP, 100, 40);
    dialogTemplate.Add("STATIC", "label", 300, SS_LEFT, 0, 0, 50, 10);
    CControlDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(dialogTemplate.Get()));
    EXPECT_EQ(dialog.Label.m_hWnd, ::GetDlgItem(dialog, 300));
    EXPECT_EQ(CWnd::FromHandlePermanent(::GetDlgItem(dialog, 300)), &dialog.Label);
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_TRUE(dialog.UpdateData(FALSE));
    EXPECT_EQ(dialog.Label.Attachments, 1);
}
}  // namespace
