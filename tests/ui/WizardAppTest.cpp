// The application's start-up: the wizard runs modally as the main window and the start-up
// returns false once it closes, by Cancel or by a finished conversion.
#include <gtest/gtest.h>

#include <sstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/ConverterApp.h"
#include "app/ConverterWizard.h"
#include "cli/ConvertTool.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "pages/FinishPage.h"
#include "pages/SourcePage.h"
#include "res/resource.h"
#include "tests/engine/WicPictures.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

int Opens = 0;

bool CountShellOpen(const std::string&)
{
    ++Opens;
    return true;
}

// What the running wizard looked like from inside its modal loop.
struct Seen
{
    bool Found = false;
    bool IsMainWindow = false;
    bool Visible = false;
    std::string Caption;
    int ActiveIndex = -2;
    int PageCount = 0;
    HWND Window = nullptr;
};

// Ends a wizard run that a fault keeps open, so that a broken build fails instead of hanging.
class Watchdog
{
public:
    explicit Watchdog(CConverterApp& app, UINT delayMs = 5000)
    {
        WatchedApp = &app;
        HasFired = false;
        Timer = ::SetTimer(nullptr, 0, delayMs, &Fire);
    }
    ~Watchdog()
    {
        ::KillTimer(nullptr, Timer);
        WatchedApp = nullptr;
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    static bool Fired() { return HasFired; }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD)
    {
        ::KillTimer(nullptr, timer);
        HasFired = true;
        if (WatchedApp && WatchedApp->m_pMainWnd)
            static_cast<CDialog*>(WatchedApp->m_pMainWnd)->EndDialog(-7);
    }

    static CConverterApp* WatchedApp;
    static bool HasFired;
    UINT_PTR Timer = 0;
};

CConverterApp* Watchdog::WatchedApp = nullptr;
bool Watchdog::HasFired = false;

CConverterWizard* RunningWizard(CConverterApp& app)
{
    return static_cast<CConverterWizard*>(app.m_pMainWnd);
}

Seen Look(CConverterApp& app)
{
    Seen seen;
    // The active window of this thread: the one the modal run shows.
    HWND window = ::GetActiveWindow();
    CConverterWizard* wizard = RunningWizard(app);
    seen.Found = window != nullptr;
    seen.Window = window;
    seen.IsMainWindow = wizard && wizard->GetSafeHwnd() == window;
    seen.Visible = window && ::IsWindowVisible(window);
    char caption[64] = "";
    ::GetWindowTextA(window, caption, sizeof(caption));
    seen.Caption = caption;
    if (wizard)
    {
        seen.ActiveIndex = wizard->GetActiveIndex();
        seen.PageCount = wizard->GetPageCount();
    }
    return seen;
}

TEST(ConverterApp, StartUpRunsTheWizardUntilCancelAndReturnsFalse)
{
    CConverterApp app;
    Seen seen;
    uitest::RunLater(
        [&] {
            seen = Look(app);
            HWND cancel = ::GetDlgItem(seen.Window, IDC_CANCEL_BUTTON);
            ::PostMessageA(seen.Window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_BUTTON, BN_CLICKED),
                           reinterpret_cast<LPARAM>(cancel));
        },
        50);

    Watchdog watchdog(app);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(Watchdog::Fired());
    EXPECT_TRUE(seen.Found);
    EXPECT_TRUE(seen.IsMainWindow);
    EXPECT_TRUE(seen.Visible);
    EXPECT_EQ(seen.Caption, "Glyphcast");
    EXPECT_EQ(seen.ActiveIndex, 0);
    EXPECT_GE(seen.PageCount, 2);
    // The wizard and its windows are gone, and nothing points at them any more.
    EXPECT_FALSE(::IsWindow(seen.Window));
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST(ConverterApp, EscapeDoesNotEndTheRunButAltF4Does)
{
    CConverterApp app;
    bool openAfterEscape = false;
    HWND window = nullptr;
    uitest::RunLater(
        [&] {
            window = RunningWizard(app) ? RunningWizard(app)->GetSafeHwnd() : nullptr;
            HWND next = ::GetDlgItem(window, IDC_NEXT);
            ::SetFocus(next);
            UINT scan = ::MapVirtualKeyA(VK_ESCAPE, 0);
            ::PostMessageA(next, WM_KEYDOWN, VK_ESCAPE, static_cast<LPARAM>(1 | (scan << 16)));
            ::PostMessageA(next, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
            uitest::PumpMessages();
            openAfterEscape = ::IsWindow(window) && ::IsWindowVisible(window);
            const LPARAM altDown = (1 << 29) | 1 | (::MapVirtualKeyA(VK_F4, 0) << 16);
            ::PostMessageA(next, WM_SYSKEYDOWN, VK_F4, altDown);
        },
        50);

    Watchdog watchdog(app);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(Watchdog::Fired());
    EXPECT_TRUE(openAfterEscape);
    EXPECT_FALSE(::IsWindow(window));
}

TEST(ConverterApp, AFinishedConversionEndsTheRun)
{
    CTempDir dir;
    std::string source = dir.Path("dot.bmp");
    std::string target = dir.Path("dot.html");
    ASSERT_TRUE(WriteBytes(source, CBmpBuilder(2, 2, 24).FillColor(RGB(0, 128, 255)).Build()));
    Opens = 0;
    ShellOpener previous = SetShellOpener(&CountShellOpen);

    CConverterApp app;
    int result = -2;
    uitest::RunLater(
        [&] {
            CConverterWizard* wizard = RunningWizard(app);
            if (!wizard)
                return;
            wizard->Settings.SourcePath = source;
            wizard->Settings.TargetPath = target;
            wizard->Settings.Columns = 2;
            wizard->Settings.Rows = 2;
            wizard->Settings.FontFace = "Courier New";
            wizard->Settings.CharacterSet = "#";
            wizard->SetActivePage(wizard->GetPageCount() - 1);
            ::SendMessageA(*wizard, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(*wizard, IDC_NEXT)));
            result = wizard->GetResult();
        },
        50);

    Watchdog watchdog(app);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(Watchdog::Fired());
    SetShellOpener(previous);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Opens, 1);
    EXPECT_NE(::GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    ::DeleteFileA(target.c_str());
}

// Types text, then presses keys, in the focused window as the keyboard would; the running loop
// dispatches them.
void Type(const std::string& text, std::initializer_list<UINT> keys)
{
    for (char ch : text)
        ::PostMessageA(::GetFocus(), WM_CHAR, static_cast<unsigned char>(ch), 1);
    for (UINT key : keys)
    {
        const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(key, 0)) << 16;
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 1 | scan);
        ::PostMessageA(::GetFocus(), WM_KEYUP, key, 1 | scan | static_cast<LPARAM>(0xC0000000u));
    }
}

// What a user does on one page of the wizard (by its index), once that page is showing and,
// where given, once Ready says so: the wizard reads pictures and checks names beside the
// interface, so a page may come a while after the key that asked for it.
struct WalkStep
{
    int Page;
    std::function<void()> Act;
    std::function<bool()> Ready = [] { return true; };
};

// Runs the steps one after the other from the running loop, each at least 150 ms after the one
// before and once its page is showing; the steps must outlive the run, whose watchdog ends a walk
// that is stuck.
void RunStepsLater(CConverterApp& app, const std::vector<WalkStep>& steps, size_t first = 0)
{
    if (first < steps.size())
        uitest::RunLater(
            [&app, &steps, first] {
                const CConverterWizard* wizard = RunningWizard(app);
                if (!wizard || wizard->GetActiveIndex() != steps[first].Page || !steps[first].Ready())
                    return RunStepsLater(app, steps, first);
                steps[first].Act();
                RunStepsLater(app, steps, first + 1);
            },
            150);
}

// Walks a user through the running wizard with the keyboard, from the welcome page to Finish, for
// source; returns the settings seen on the finish page.
ConversionSettings ConvertAsAUser(const std::string& source)
{
    Opens = 0;
    ShellOpener previous = SetShellOpener(&CountShellOpen);
    CConverterApp app;
    ConversionSettings chosen;
    // What the user does on each view, one step after the other from the running loop:
    // Next; the picture's path, Next; Tab to the columns (past "..." and the box), 40, Tab to
    // the character set, #@, Next; on the finish page "open" unticked, Finish.
    const std::vector<WalkStep> steps = {
        {0, [] { Type("", {VK_RETURN}); }},
        {1, [&] { Type(source, {VK_RETURN}); }},
        {2,
         [] {
             Type("", {VK_TAB, VK_TAB, VK_TAB});
         }},
        {2,
         [] {
             Type("40", {VK_TAB, VK_TAB, VK_TAB});
         }},
        {2, [] { Type("#@", {VK_RETURN}); }},
        {3,
         [&] {
             chosen = RunningWizard(app)->Settings;
             Type("", {VK_SPACE, VK_RETURN});
         }},
    };
    RunStepsLater(app, steps);
    Watchdog watchdog(app, 15000);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(Watchdog::Fired());
    SetShellOpener(previous);
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Opens, 0);
    return chosen;
}

TEST(ConverterApp, AUserConvertsFromTheWelcomePageToTheSamePageAsTheConverter)
{
    // The same pixels as a .bmp and as a PNG: the wizard writes the converter's page for each,
    // and the two pages are the same.
    CTempDir dir;
    const TestPicture picture = MakeTestPicture(60, 40);
    const std::string bmp = dir.Path("walk.bmp"), png = dir.Path("photo.png");
    ASSERT_TRUE(WriteBytes(bmp, TestPictureAsBmp(picture)));
    std::string error;
    ASSERT_TRUE(WriteWicPicture(png, GUID_ContainerFormatPng, picture, StoredAs::Bgr24, error)) << error;
    std::string pages[2];
    for (int n = 0; n < 2; ++n)
    {
        const std::string& source = n == 0 ? bmp : png;
        SCOPED_TRACE(source);
        const std::string target = source.substr(0, source.size() - 4) + ".html";
        const std::string tool = dir.Path("tool.html");
        const ConversionSettings chosen = ConvertAsAUser(source);
        EXPECT_EQ(chosen.SourceBitmap.Width, 60);
        EXPECT_EQ(chosen.SourceBitmap.Height, 40);

        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(RunConvertTool({"--force", "--columns", "40", "--rows", std::to_string(chosen.Rows), "--characters",
                                  "#@", "--font", chosen.FontFace, source, "--output", tool},
                                 in, out, err, false),
                  0)
            << err.str();
        pages[n] = ReadText(target);
        EXPECT_GT(pages[n].size(), 40u * chosen.Rows * 28);
        EXPECT_EQ(pages[n], ReadText(tool));
    }
    EXPECT_EQ(pages[1], pages[0]);
}

// A user walks through with a picture named in two scripts and the block characters for the set:
// the program's code page is UTF-8 (its manifest), its edits are wide windows, so typed text of
// any script reaches the files and the page.
TEST(ConverterApp, APictureNamedInAnyScriptIsPreviewedAndConvertedWithBlockCharacters)
{
    ASSERT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
    CTempDir dir;
    const std::string name = dir.Path("\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u65E5\u672C\u8A9E");
    ASSERT_TRUE(WriteBytes(name + ".bmp", CBmpBuilder(60, 40, 24).FillColor(RGB(40, 160, 220)).Build()));
    const auto typeWide = [](const wchar_t* text) {
        for (; *text; ++text)
            ::PostMessageW(::GetFocus(), WM_CHAR, *text, 1);
    };
    std::wstring path(name.size() + 4, L'\0');
    path.resize(static_cast<size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, (name + ".bmp").c_str(), -1, &path[0], static_cast<int>(path.size())) - 1));
    CConverterApp app;
    // Next; the picture's name, its preview seen, Next; Tab to the character set, the blocks,
    // Next; "open" unticked, Finish.
    const auto preview = [&app] { return RunningWizard(app)->GetSourcePage()->GetPreview().GetImageWidth(); };
    const std::vector<WalkStep> steps = {
        {0, [] { Type("", {VK_RETURN}); }},
        {1, [&] { typeWide(path.c_str()); }},
        // The preview is read beside the interface: Next once it is shown (a preview that never
        // comes stops the walk, and the watchdog ends it).
        {1, [] { Type("", {VK_RETURN}); }, [&] { return preview() > 0; }},
        {2,
         [] {
             Type("", {VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB});
         }},
        {2,
         [&] {
             typeWide(L"\u2588\u2593\u2592\u2591");
             Type("", {VK_RETURN});
         }},
        {3,
         [] {
             Type("", {VK_SPACE, VK_RETURN});
         }},
    };
    RunStepsLater(app, steps);
    Watchdog watchdog(app, 15000);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(Watchdog::Fired());
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    const std::string page = ReadText(name + ".html");
    EXPECT_NE(page.find(">&#9608;</FONT>"), std::string::npos);
    EXPECT_NE(page.find(">&#9617;</FONT>"), std::string::npos);
}

}  // namespace
