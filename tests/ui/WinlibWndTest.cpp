// Window objects: message-map dispatch and chaining, Default(), command routing, reflection of
// notifications to the control's own object, the notification lock, subclassing and lifetime.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "tests/ui/UiTestSupport.h"

namespace
{
const UINT MSG_ONE = WM_APP + 1;
const UINT MSG_TWO = WM_APP + 2;
const UINT MSG_THREE = WM_APP + 3;
const UINT MSG_NESTED = WM_APP + 4;

HWND CreatePlainWindow(const char* className = "STATIC", DWORD style = WS_POPUP, HWND parent = nullptr, int id = 0)
{
    return ::CreateWindowExA(0, className, "", style, 0, 0, 200, 100, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
}

class CBaseWnd : public CWnd
{
public:
    std::vector<std::string> Calls;

    BOOL Create() { return CreateEx(0, AfxRegisterWndClass(0), "base", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr); }

protected:
    LRESULT OnOne(WPARAM wParam, LPARAM)
    {
        Calls.push_back("base one");
        return static_cast<LRESULT>(wParam) + 1;
    }
    LRESULT OnTwo(WPARAM, LPARAM)
    {
        Calls.push_back("base two");
        return 2;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_MESSAGE(MSG_ONE, OnOne)
    ON_MESSAGE(MSG_TWO, OnTwo)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
protected:
    LRESULT OnTwoDerived(WPARAM, LPARAM)
    {
        Calls.push_back("derived two");
        return 20;
    }
    LRESULT OnThree(WPARAM, LPARAM)
    {
        Calls.push_back("derived three");
        return 30;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_MESSAGE(MSG_TWO, OnTwoDerived)
    ON_MESSAGE(MSG_THREE, OnThree)
END_MESSAGE_MAP()

TEST(WinlibMessageMap, DispatchesThroughTheClassAndItsBaseMaps)
{
    CDerivedWnd window;
    ASSERT_TRUE(window.Create());
    EXPECT_EQ(window.SendMessage(MSG_ONE, 41), 42);  // only the base handles it
    EXPECT_EQ(window.SendMessage(MSG_TWO), 20);      // the derived entry hides the base's
    EXPECT_EQ(window.SendMessage(MSG_THREE), 30);
    EXPECT_EQ(window.SendMessage(WM_APP + 99), 0);  // unmapped: default processing
    EXPECT_EQ(window.Calls, (std::vector<std::string>{"base one", "derived two", "derived three"}));

    CBaseWnd base;
    ASSERT_TRUE(base.Create());
    EXPECT_EQ(base.SendMessage(MSG_TWO), 2);
    EXPECT_EQ(base.SendMessage(MSG_THREE), 0);
}

// A window procedure of "someone else's" class that records what reaches it.
std::vector<UINT> OriginalSaw;
WNDPROC StaticProc = nullptr;
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_APP)
    {
        OriginalSaw.push_back(message);
        return 1000 + static_cast<LRESULT>(wParam);
    }
    return ::CallWindowProcA(StaticProc, window, message, wParam, lParam);
}

class CDefaultingWnd : public CWnd
{
public:
    int PreSubclassCalls = 0;
    HWND PreSubclassSawHandle = nullptr;
    WNDPROC ProcedureAtPreSubclass = nullptr;

    void PreSubclassWindow() override
    {
        ++PreSubclassCalls;
        PreSubclassSawHandle = m_hWnd;
        ProcedureAtPreSubclass = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
    }

protected:
    // Sends itself another message first: Default() must still process this one.
    LRESULT OnOne(WPARAM, LPARAM)
    {
        SendMessage(MSG_NESTED, 5);
        return Default() + 1;
    }
    LRESULT OnNested(WPARAM, LPARAM) { return Default(); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDefaultingWnd, CWnd)
    ON_MESSAGE(MSG_ONE, OnOne)
    ON_MESSAGE(MSG_NESTED, OnNested)
END_MESSAGE_MAP()

TEST(WinlibMessageMap, DefaultHandsTheCurrentMessageToTheSubclassedProcedure)
{
    HWND window = CreatePlainWindow();
    ASSERT_NE(window, nullptr);
    StaticProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc)));
    OriginalSaw.clear();

    CDefaultingWnd object;
    ASSERT_TRUE(object.SubclassWindow(window));
    EXPECT_EQ(object.PreSubclassCalls, 1);
    EXPECT_EQ(object.PreSubclassSawHandle, window);
    EXPECT_EQ(object.ProcedureAtPreSubclass, &RecordingProc);  // not yet replaced
    EXPECT_EQ(CWnd::FromHandlePermanent(window), &object);

    // The nested message is defaulted first, then the outer one with its own parameters.
    EXPECT_EQ(::SendMessageA(window, MSG_ONE, 7, 0), 1008);
    EXPECT_EQ(OriginalSaw, (std::vector<UINT>{MSG_NESTED, MSG_ONE}));
    // Unmapped messages go straight to the original procedure.
    EXPECT_EQ(::SendMessageA(window, MSG_TWO, 3, 0), 1003);

    EXPECT_EQ(object.UnsubclassWindow(), window);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC)), &RecordingProc);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_EQ(::SendMessageA(window, MSG_ONE, 7, 0), 1007);  // the object no longer sees it
    ::DestroyWindow(window);
}

// A parent with command handlers and a child button whose object may reflect its click.
class CParentWnd : public CWnd
{
public:
    std::vector<std::string> Calls;
    HBRUSH ParentBrush = nullptr;

    BOOL Create() { return CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr); }

protected:
    void OnMenuCommand() { Calls.push_back("menu 500"); }
    void OnButtonClicked() { Calls.push_back("parent clicked 600"); }
    void OnOtherClicked() { Calls.push_back("parent clicked 601"); }
    void OnEditChange() { Calls.push_back("parent change 700"); }
    LRESULT OnCtlColorStatic(WPARAM, LPARAM)
    {
        Calls.push_back("parent colour");
        return reinterpret_cast<LRESULT>(ParentBrush);
    }
    LRESULT OnDrawItem(WPARAM, LPARAM)
    {
        Calls.push_back("parent draw");
        return TRUE;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
    ON_COMMAND(500, OnMenuCommand)
    ON_BN_CLICKED(600, OnButtonClicked)
    ON_BN_CLICKED(601, OnOtherClicked)
    ON_EN_CHANGE(700, OnEditChange)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
END_MESSAGE_MAP()

class CReflectingButton : public CButton
{
public:
    int Clicks = 0;
    std::vector<UINT> DrawnIds;

    void DrawItem(LPDRAWITEMSTRUCT item) override { DrawnIds.push_back(item->CtlID); }

protected:
    void OnClicked() { ++Clicks; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

class CColouringStatic : public CStatic
{
public:
    HBRUSH Answer = nullptr;
    std::vector<UINT> Types;
    HDC SawDc = nullptr;

    HBRUSH CtlColor(CDC* dc, UINT type)
    {
        Types.push_back(type);
        SawDc = dc->GetSafeHdc();
        return Answer;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColouringStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

TEST(WinlibCommands, RoutesByIdAndCodeAndReflectsToTheControlFirst)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.Create());

    parent.SendMessage(WM_COMMAND, MAKEWPARAM(500, 0), 0);  // a menu command
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(501, 0), 0);  // nobody's
    EXPECT_EQ(parent.Calls, (std::vector<std::string>{"menu 500"}));
    parent.Calls.clear();

    // A button without an object of its own: the parent's handler for its id runs.
    HWND plain = CreatePlainWindow("BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, parent, 601);
    ::SendMessageA(plain, BM_CLICK, 0, 0);
    EXPECT_EQ(parent.Calls, (std::vector<std::string>{"parent clicked 601"}));
    parent.Calls.clear();

    // A button whose object reflects BN_CLICKED handles it; the parent's handler does not run.
    CReflectingButton button;
    ASSERT_TRUE(button.SubclassWindow(CreatePlainWindow("BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, parent, 600)));
    ::SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(button.Clicks, 1);
    EXPECT_TRUE(parent.Calls.empty());

    // An edit's change notification goes by code and id: EN_CHANGE of 700 only.
    HWND edit = CreatePlainWindow("EDIT", WS_CHILD | WS_VISIBLE, parent, 700);
    ::SetWindowTextA(edit, "changed");
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(700, EN_SETFOCUS), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(parent.Calls, (std::vector<std::string>{"parent change 700"}));
}

TEST(WinlibCommands, CtlColorStaticIsReflectedWithFallbackToTheParent)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.Create());
    CBrush parentBrush(RGB(1, 2, 3));
    CBrush controlBrush(RGB(4, 5, 6));
    parent.ParentBrush = parentBrush;

    CColouringStatic label;
    ASSERT_TRUE(label.SubclassWindow(CreatePlainWindow("STATIC", WS_CHILD | WS_VISIBLE | SS_LEFT, parent, 800)));
    HDC dc = ::GetDC(label);

    label.Answer = controlBrush;
    LRESULT result =
        parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(result), static_cast<HBRUSH>(controlBrush));
    EXPECT_EQ(label.Types, (std::vector<UINT>{CTLCOLOR_STATIC}));
    EXPECT_EQ(label.SawDc, dc);
    EXPECT_TRUE(parent.Calls.empty());

    // A null brush from the control leaves the colouring to the parent's own handling.
    label.Answer = nullptr;
    result =
        parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(result), static_cast<HBRUSH>(parentBrush));
    EXPECT_EQ(parent.Calls, (std::vector<std::string>{"parent colour"}));

    // Other colour messages carry their own type.
    label.Types.clear();
    parent.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(label.Types, (std::vector<UINT>{CTLCOLOR_EDIT}));
    ::ReleaseDC(label, dc);

    // The real painting of the static asks through the same path.
    label.Types.clear();
    label.Answer = controlBrush;
    parent.ShowWindow(SW_SHOWNA);
    label.Invalidate();
    label.UpdateWindow();
    EXPECT_FALSE(label.Types.empty());
    parent.DestroyWindow();
}

TEST(WinlibCommands, DrawItemGoesToTheOwnerDrawnButtonsObject)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.Create());
    CReflectingButton button;
    ASSERT_TRUE(button.SubclassWindow(CreatePlainWindow("BUTTON", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, parent, 900)));
    parent.ShowWindow(SW_SHOWNA);
    button.Invalidate();
    button.UpdateWindow();
    ASSERT_FALSE(button.DrawnIds.empty());
    EXPECT_EQ(button.DrawnIds.back(), 900u);
    EXPECT_TRUE(parent.Calls.empty());

    // An owner-drawn button without an object: the parent's own handler draws it.
    HWND plain = CreatePlainWindow("BUTTON", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, parent, 901);
    ::InvalidateRect(plain, nullptr, TRUE);
    ::UpdateWindow(plain);
    EXPECT_EQ(parent.Calls, (std::vector<std::string>{"parent draw"}));
}

// Data exchange that writes a field into edit 700 of the parent.
class CExchangingParent : public CParentWnd
{
public:
    CString Text;
    int ChangesSeenInsideExchange = 0;
    void DoDataExchange(CDataExchange* exchange) override
    {
        DDX_Text(exchange, 700, Text);
        ChangesSeenInsideExchange += static_cast<int>(Calls.size());
    }
};

TEST(WinlibCommands, NotificationsAreIgnoredWhileUpdateDataRuns)
{
    CExchangingParent parent;
    ASSERT_TRUE(parent.Create());
    HWND edit = CreatePlainWindow("EDIT", WS_CHILD | WS_VISIBLE, parent, 700);

    parent.Text = "written by the exchange";
    EXPECT_TRUE(parent.UpdateData(FALSE));
    CString shown;
    parent.GetDlgItemText(700, shown);
    EXPECT_EQ(shown, "written by the exchange");
    EXPECT_TRUE(parent.Calls.empty());
    EXPECT_EQ(parent.ChangesSeenInsideExchange, 0);

    // Outside the exchange the same change runs the handler again.
    ::SetWindowTextA(edit, "typed");
    EXPECT_EQ(parent.Calls, (std::vector<std::string>{"parent change 700"}));
    EXPECT_TRUE(parent.UpdateData(TRUE));
    EXPECT_EQ(parent.Text, "typed");
}

// An object that lives on the heap and deletes itself after its window's last message.
class CSelfDeletingWnd : public CWnd
{
public:
    explicit CSelfDeletingWnd(std::vector<std::string>& log) : Log(log) {}
    ~CSelfDeletingWnd() override { Log.push_back("deleted"); }

    BOOL Create() { return CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }

protected:
    void OnDestroy()
    {
        Log.push_back(m_hWnd ? "destroy, attached" : "destroy, detached");
        CWnd::OnDestroy();
    }
    void PostNcDestroy() override
    {
        Log.push_back(m_hWnd ? "post, attached" : "post, detached");
        delete this;
    }

    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::string>& Log;
};

BEGIN_MESSAGE_MAP(CSelfDeletingWnd, CWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

TEST(WinlibLifetime, PostNcDestroyRunsAfterTheWindowIsGoneAndMayDeleteTheObject)
{
    std::vector<std::string> log;
    CSelfDeletingWnd* window = new CSelfDeletingWnd(log);
    ASSERT_TRUE(window->Create());
    HWND handle = window->m_hWnd;
    EXPECT_EQ(CWnd::FromHandlePermanent(handle), window);

    window->DestroyWindow();  // the object is gone after this call
    EXPECT_EQ(log, (std::vector<std::string>{"destroy, attached", "post, detached", "deleted"}));
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ(CWnd::FromHandlePermanent(handle), nullptr);

    // The same when the system destroys it together with its owner.
    log.clear();
    HWND owner = CreatePlainWindow();
    window = new CSelfDeletingWnd(log);
    ASSERT_TRUE(window->CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, owner, nullptr));
    ::DestroyWindow(owner);
    EXPECT_EQ(log, (std::vector<std::string>{"destroy, attached", "post, detached", "deleted"}));
}

TEST(WinlibLifetime, AnObjectDestroysItsWindowAndTemporaryWrappersNever)
{
    HWND handle = nullptr;
    {
        CBaseWnd window;
        ASSERT_TRUE(window.Create());
        handle = window.m_hWnd;
        EXPECT_TRUE(::IsWindow(handle));
    }
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ(CWnd::FromHandlePermanent(handle), nullptr);

    // A foreign window gets one temporary wrapper until the map is cleared; the window survives it.
    HWND foreign = CreatePlainWindow();
    CWnd* first = CWnd::FromHandle(foreign);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_hWnd, foreign);
    EXPECT_EQ(CWnd::FromHandle(foreign), first);
    EXPECT_EQ(CWnd::FromHandlePermanent(foreign), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsWindow(foreign));

    // Attaching makes the object the one FromHandle answers with; detaching leaves the window alone.
    CWnd attached;
    ASSERT_TRUE(attached.Attach(foreign));
    EXPECT_FALSE(CWnd().Attach(foreign));  // one object per window
    EXPECT_EQ(CWnd::FromHandle(foreign), &attached);
    EXPECT_EQ(attached.Detach(), foreign);
    EXPECT_TRUE(::IsWindow(foreign));
    ::DestroyWindow(foreign);
}

TEST(WinlibLifetime, CreateExOnAForeignClassSubclassesTheNewWindow)
{
    CDefaultingWnd edit;
    ASSERT_TRUE(edit.CreateEx(0, "EDIT", "text", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
    EXPECT_EQ(edit.PreSubclassCalls, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), &edit);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(edit, GWLP_WNDPROC)), &AfxWndProc);
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, "text");  // the edit's own procedure still does the work
    EXPECT_TRUE(edit.DestroyWindow());
    EXPECT_EQ(edit.m_hWnd, nullptr);
}

TEST(WinlibLifetime, GetSafeHwndAnswersNullForAnObjectWithoutWindow)
{
    CBaseWnd window;
    EXPECT_EQ(window.GetSafeHwnd(), nullptr);
    ASSERT_TRUE(window.Create());
    EXPECT_EQ(window.GetSafeHwnd(), window.m_hWnd);
    EXPECT_EQ(window.GetDlgItem(12345), nullptr);
}
}  // namespace

// A child that counts the colour-change notices it gets.
class CColourListener : public CWnd
{
public:
    int Notices = 0;

protected:
    void OnSysColorChange()
    {
        ++Notices;
        CWnd::OnSysColorChange();
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColourListener, CWnd)
    ON_WM_SYSCOLORCHANGE()
END_MESSAGE_MAP()

TEST(WinlibMessageMap, ColourChangeReachesChildrenAndGrandchildrenOfTopLevelWindows)
{
    CBaseWnd top;
    ASSERT_TRUE(top.Create());
    HWND middle = CreatePlainWindow("STATIC", WS_CHILD, top.m_hWnd, 1);
    HWND inner = CreatePlainWindow("STATIC", WS_CHILD, middle, 2);
    CColourListener child, grandchild;
    ASSERT_TRUE(child.SubclassWindow(middle));
    ASSERT_TRUE(grandchild.SubclassWindow(inner));

    top.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(child.Notices, 1);
    EXPECT_EQ(grandchild.Notices, 1);

    // A child passes nothing on: the top-level window's forwarding already reached everyone once.
    child.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(child.Notices, 2);
    EXPECT_EQ(grandchild.Notices, 1);
}

TEST(WinlibWndClass, OneClassPerCombinationEvenWhenHandlesDifferOnlyInTheirTopBit)
{
    // The class name carries each handle; a name built from a shortened handle would hand back a
    // class with another background.
    const UINT_PTR topBit = UINT_PTR(1) << (sizeof(UINT_PTR) * 8 - 1);
    HBRUSH low = reinterpret_cast<HBRUSH>(UINT_PTR(COLOR_WINDOW + 1));
    HBRUSH high = reinterpret_cast<HBRUSH>(UINT_PTR(COLOR_WINDOW + 1) | topBit);
    const std::string lowName = AfxRegisterWndClass(0, nullptr, low);
    const std::string highName = AfxRegisterWndClass(0, nullptr, high);
    EXPECT_NE(lowName, highName);
    EXPECT_EQ(AfxRegisterWndClass(0, nullptr, low), lowName);

    WNDCLASSA registered;
    ASSERT_TRUE(::GetClassInfoA(AfxGetInstanceHandle(), highName.c_str(), &registered));
    EXPECT_EQ(registered.hbrBackground, high);
    ASSERT_TRUE(::GetClassInfoA(AfxGetInstanceHandle(), lowName.c_str(), &registered));
    EXPECT_EQ(registered.hbrBackground, low);
}
