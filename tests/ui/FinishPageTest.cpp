// The finish page inside the real wizard: its buttons and check boxes, the preview made when the
// page is shown and stopped when it is left, and Finish converting a picture, copying the page to
// the clipboard and opening it only when asked, and reporting every failure while staying open.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/ConverterWizard.h"
#include "output/Clipboard.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "pages/FinishPage.h"
#include "res/resource.h"
#include "tests/engine/ClipboardContent.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

std::vector<std::string> Opened;

bool RecordShellOpen(const std::string& path)
{
    Opened.push_back(path);
    return true;
}

std::string WindowText(HWND window)
{
    char text[256] = "";
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

size_t Count(const std::string& text, const std::string& piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
        ++count;
    return count;
}

// The converter wizard, modeless, on its finish page, with settings for a small real picture.
class FinishPage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Opened.clear();
        PreviousOpener = SetShellOpener(&RecordShellOpen);

        Source = Dir.Path("tile.bmp");
        Target = Dir.Path("tile.html");
        ASSERT_TRUE(WriteBytes(Source, CBmpBuilder(8, 6, 24).FillColor(RGB(200, 100, 50)).Build()));

        ASSERT_TRUE(Wizard.Create(IDD_WIZARD, nullptr));
        Wizard.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(Wizard);
        ConversionSettings& settings = Wizard.Settings;
        settings.SourcePath = Source;
        settings.TargetPath = Target;
        settings.Columns = 4;
        settings.Rows = 3;
        settings.FontFace = "Courier New";
        settings.CharacterSet = "01";
        settings.CharacterOrder = 1;
        settings.BackgroundColor = RGB(0x12, 0x34, 0x56);

        FinishIndex = Wizard.GetPageCount() - 1;
        ASSERT_TRUE(Wizard.SetActivePage(FinishIndex));
        Page = Wizard.GetFinishPage();
        ASSERT_EQ(Wizard.GetActivePage(), Page);
    }

    void TearDown() override
    {
        if (Wizard.GetSafeHwnd())
            Wizard.DestroyWindow();
        uitest::PumpMessages();
        SetShellOpener(PreviousOpener);
        ::DeleteFileA(Target.c_str());
    }

    HWND Button(int id) const { return ::GetDlgItem(Wizard, id); }
    HWND CheckBox() const { return ::GetDlgItem(*Page, IDC_OPEN_AFTER); }
    HWND CopyBox() const { return ::GetDlgItem(*Page, IDC_COPY_AFTER); }
    // Answers messages until the preview's job has ended and its result has been taken.
    void WaitForPreview()
    {
        AfxRunMessageLoop([this] { return Page->GetPreview().IsWorking(); });
    }
    // Leaves the page and shows it again, as Back and Next would.
    void ShowAgain()
    {
        Click(IDC_BACK);
        ASSERT_TRUE(Wizard.SetActivePage(FinishIndex));
    }
    bool Ticked() const { return ::SendMessageA(CheckBox(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // A click on the check box, as the mouse would give it.
    void ToggleCheckBox() { ::SendMessageA(CheckBox(), BM_CLICK, 0, 0); }
    void Click(int id)
    {
        ::SendMessageA(Wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Button(id)));
    }
    void Finish()
    {
        ::SetFocus(Button(IDC_NEXT));
        Click(IDC_NEXT);
    }

    // Finish failed: one error box about the file (with the reason on a second line when one is
    // given), nothing opened, the wizard still on this page.
    void ExpectReported(UINT id, const std::string& path, const std::string& cause = std::string())
    {
        const auto& boxes = uitest::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        const std::string text = boxes[0].Text;
        EXPECT_EQ(text.substr(0, text.find('\n')), uitest::MessageFor(id, path));
        if (!cause.empty())
        {
            EXPECT_EQ(text, uitest::MessageFor(id, path) + "\n" + cause);
        }
        EXPECT_EQ(boxes[0].Caption, "Glyphcast");
        EXPECT_EQ(boxes[0].Type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(boxes[0].Owner, Page->GetSafeHwnd());
        ExpectStillOpen();
    }
    void ExpectStillOpen()
    {
        EXPECT_TRUE(Opened.empty());
        EXPECT_EQ(Wizard.GetResult(), -1);
        EXPECT_EQ(Wizard.GetActiveIndex(), FinishIndex);
        EXPECT_TRUE(::IsWindowVisible(*Page));
        EXPECT_TRUE(Wizard.IsFinishMode());
    }

    CTempDir Dir;
    std::string Source;
    std::string Target;
    ShellOpener PreviousOpener = nullptr;
    CConverterWizard Wizard;
    CFinishPage* Page = nullptr;
    int FinishIndex = 0;
};

// --- the page on show ------------------------------------------------------------------------------

TEST_F(FinishPage, ShowsBackAndAnEnabledFinishWithTheBoxTickedAndFocused)
{
    EXPECT_TRUE(::IsWindowEnabled(Button(IDC_BACK)));
    EXPECT_TRUE(::IsWindowEnabled(Button(IDC_NEXT)));
    EXPECT_EQ(WindowText(Button(IDC_NEXT)), "&Finish");
    EXPECT_TRUE(Wizard.IsFinishMode());
    EXPECT_TRUE(Ticked());
    EXPECT_EQ(::GetFocus(), CheckBox());
    EXPECT_EQ(WindowText(CheckBox()), "&Open output file after creation");
    HWND title = ::GetDlgItem(*Page, IDC_TITLE);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(title, WM_GETFONT, 0, 0)), Wizard.GetTitleFont());
}

TEST_F(FinishPage, BackReturnsToThePreviousPageWhichRestoresNext)
{
    Click(IDC_BACK);
    EXPECT_EQ(Wizard.GetActiveIndex(), FinishIndex - 1);
    EXPECT_FALSE(::IsWindowVisible(*Page));
    EXPECT_EQ(WindowText(Button(IDC_NEXT)), "&Next >");
    EXPECT_FALSE(Wizard.IsFinishMode());
    EXPECT_FALSE(Exists(Target));
}

TEST_F(FinishPage, TheUsersChoiceSurvivesGoingBackAndReturning)
{
    ToggleCheckBox();
    ASSERT_FALSE(Ticked());
    Click(IDC_BACK);
    ASSERT_TRUE(Wizard.SetActivePage(FinishIndex));
    EXPECT_FALSE(Ticked());

    ToggleCheckBox();
    Click(IDC_BACK);
    ASSERT_TRUE(Wizard.SetActivePage(FinishIndex));
    EXPECT_TRUE(Ticked());
}

// --- Finish ----------------------------------------------------------------------------------------

TEST_F(FinishPage, FinishWritesThePageOpensItOnceAndEndsWithOk)
{
    Finish();

    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Wizard.GetResult(), IDOK);
    EXPECT_TRUE(Page->OpenAfterCreation);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], Target);

    std::string page = ReadText(Target);
    EXPECT_EQ(page.rfind("<HTML>\r\n<BODY BGCOLOR=#123456>", 0), 0u) << page.substr(0, 60);
    EXPECT_NE(page.find("<FONT FACE='Courier New'"), std::string::npos);
    // 4 x 3 cells of the picture's one colour, the characters in order, a break after each row.
    EXPECT_EQ(Count(page, "<FONT COLOR=#C86432>"), 12u);
    EXPECT_EQ(Count(page, "<BR>\r\n"), 3u);
    EXPECT_NE(page.find("<FONT COLOR=#C86432>0</FONT><FONT COLOR=#C86432>1</FONT>"), std::string::npos);
}

TEST_F(FinishPage, WithTheBoxClearedThePageIsWrittenButNotOpened)
{
    ToggleCheckBox();
    Finish();

    EXPECT_EQ(Wizard.GetResult(), IDOK);
    EXPECT_FALSE(Page->OpenAfterCreation);
    EXPECT_TRUE(Opened.empty());
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Count(ReadText(Target), "<FONT COLOR=#C86432>"), 12u);
}

TEST_F(FinishPage, APageTheShellCannotOpenIsNamedAndTheWizardEnds)
{
    SetShellOpener([](const std::string&) { return false; });
    Finish();
    EXPECT_EQ(Wizard.GetResult(), IDOK);
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(uitest::MessageBoxes()[0].Text, "The file '" + Target + "' has been written, but it cannot be opened.");
    EXPECT_EQ(Count(ReadText(Target), "<FONT COLOR=#C86432>"), 12u);
}

TEST_F(FinishPage, AMissingSourceIsReportedAndTheWizardStays)
{
    Wizard.Settings.SourcePath = Dir.Path("gone.bmp");
    Finish();
    ExpectReported(IDS_CANNOT_OPEN, Dir.Path("gone.bmp"), "The file does not exist.");
    EXPECT_FALSE(Exists(Target));
}

TEST_F(FinishPage, ASourceThatIsNoPictureIsReportedAndTheWizardStays)
{
    std::string notes = Dir.Path("notes.bmp");
    {
        std::ofstream out(notes, std::ios::binary);
        out << "These are notes, not a picture. They only wear a picture's name.";
    }
    Wizard.Settings.SourcePath = notes;
    Finish();
    ExpectReported(IDS_NOT_A_PICTURE, notes);
    EXPECT_FALSE(Exists(Target));
}

TEST_F(FinishPage, ATargetInAMissingFolderIsReportedAndTheWizardStays)
{
    std::string target = Dir.Path("no such folder\\tile.html");
    Wizard.Settings.TargetPath = target;
    Finish();
    ExpectReported(IDS_CANNOT_CREATE, target, "The folder does not exist.");
    EXPECT_FALSE(Exists(target));
}

TEST_F(FinishPage, ABadSourceLeavesAnExistingTargetUntouched)
{
    {
        std::ofstream out(Target, std::ios::binary);
        out << "an older page";
    }
    Wizard.Settings.SourcePath = Dir.Path("gone.bmp");
    Finish();
    ExpectReported(IDS_CANNOT_OPEN, Dir.Path("gone.bmp"));
    EXPECT_EQ(ReadText(Target), "an older page");
}

TEST_F(FinishPage, SettingsOutOfRangeAreReportedBeforeAnyFileIsTouched)
{
    Wizard.Settings.Columns = 0;
    Finish();
    const auto& boxes = uitest::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].Text.find("columns"), std::string::npos) << boxes[0].Text;
    EXPECT_EQ(boxes[0].Type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    ExpectStillOpen();
    EXPECT_FALSE(Exists(Target));
}

TEST_F(FinishPage, AfterAFailureTheUserCanMendTheSettingsAndFinish)
{
    Wizard.Settings.SourcePath = Dir.Path("gone.bmp");
    Finish();
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);

    Wizard.Settings.SourcePath = Source;
    Finish();
    EXPECT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(Wizard.GetResult(), IDOK);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Count(ReadText(Target), "<FONT COLOR=#C86432>"), 12u);
}

// --- a long conversion ----------------------------------------------------------------------------

// A page of 5000 x 5000 cells (about 700 MB) replacing an older one. While it is written the
// wizard answers through the one message loop: it shows the progress with Back and Finish
// disabled, and Cancel, Escape and the Close box each stop the run, which then leaves the old page
// and no temporary file, with the wizard ready on this page.
TEST_F(FinishPage, ALongConversionShowsItsProgressAndStopsOnCancelEscapeOrTheCloseBox)
{
    Wizard.Settings.Columns = 5000;
    Wizard.Settings.Rows = 5000;
    // The page's preview is still being made when Finish is pressed the first time.
    ShowAgain();
    ASSERT_TRUE(Page->GetPreview().IsWorking());
    {
        std::ofstream out(Target, std::ios::binary);
        out << "an older page";
    }
    HWND progress = ::GetDlgItem(*Page, IDC_PROGRESS);
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(::IsWindowVisible(progress));

    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Cancel", [this] { Click(IDC_CANCEL_BUTTON); }},
        {"Escape", [] { uitest::PressKey(VK_ESCAPE); }},
        {"Close box", [this] { ::SendMessageA(Wizard, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways)
    {
        SCOPED_TRACE(way.first);
        bool sawProgress = false, buttonsDisabled = false;
        std::chrono::steady_clock::time_point stopped;
        // Polled from the loop that runs while the page is written, until the bar has moved.
        std::function<void()> watch = [&] {
            if (::SendMessageA(progress, PBM_GETPOS, 0, 0) == 0)
            {
                uitest::RunLater(watch, 20);
                return;
            }
            sawProgress = ::IsWindowVisible(progress) != FALSE;
            buttonsDisabled = !::IsWindowEnabled(Button(IDC_BACK)) && !::IsWindowEnabled(Button(IDC_NEXT));
            stopped = std::chrono::steady_clock::now();
            way.second();
        };
        uitest::RunLater(watch, 20);
        // Started from the keyboard: the focus in the check box, which the run disables.
        ::SetFocus(CheckBox());
        Click(IDC_NEXT);
        const auto answered = std::chrono::steady_clock::now() - stopped;

        EXPECT_TRUE(sawProgress);
        EXPECT_TRUE(buttonsDisabled);
        EXPECT_LT(answered, std::chrono::seconds(5));
        std::printf("[          ] %s: the run ended %lld ms after it was stopped\n", way.first,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(answered).count()));
        EXPECT_TRUE(uitest::MessageBoxes().empty());
        ExpectStillOpen();
        EXPECT_EQ(ReadText(Target), "an older page");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);  // no temporary file
        EXPECT_FALSE(::IsWindowVisible(progress));
        EXPECT_TRUE(::IsWindowEnabled(Button(IDC_BACK)));
        EXPECT_TRUE(::IsWindowEnabled(Button(IDC_NEXT)));
    }

    // Ready to try again: a smaller page is written and the wizard ends.
    Wizard.Settings.Columns = 4;
    Wizard.Settings.Rows = 3;
    Finish();
    EXPECT_EQ(Wizard.GetResult(), IDOK);
    EXPECT_EQ(Count(ReadText(Target), "<FONT COLOR=#C86432>"), 12u);
}

}  // namespace

// --- the preview -----------------------------------------------------------------------------------

TEST_F(FinishPage, ThePreviewIsMadeWhenThePageIsShownAndAgainOnlyAfterAChange)
{
    EXPECT_TRUE(Page->GetPreview().IsWorking());
    WaitForPreview();
    ASSERT_EQ(Page->GetPreview().GetState(), CPagePreview::State::Shown);
    EXPECT_EQ(std::string(Page->GetPreview().GetNote()), "actual size");
    const int cellWidth = Page->GetPreview().GetLayout().PageCellWidth;
    EXPECT_EQ(Page->GetPreview().GetLayout().Page.Width(), 4 * cellWidth);

    ShowAgain();
    EXPECT_FALSE(Page->GetPreview().IsWorking());
    EXPECT_EQ(Page->GetPreview().GetState(), CPagePreview::State::Shown);

    Wizard.Settings.Columns = 8;
    ShowAgain();
    EXPECT_TRUE(Page->GetPreview().IsWorking());
    WaitForPreview();
    EXPECT_EQ(Page->GetPreview().GetLayout().Page.Width(), 8 * cellWidth);
}

TEST_F(FinishPage, LeavingThePageStopsThePreviewBeingMade)
{
    WaitForPreview();
    Wizard.Settings.Columns = 5000;
    Wizard.Settings.Rows = 5000;
    ShowAgain();
    ASSERT_TRUE(Page->GetPreview().IsWorking());
    Click(IDC_BACK);
    WaitForPreview();
    EXPECT_EQ(Page->GetPreview().GetState(), CPagePreview::State::Empty);
    // Shown again, it is made again.
    ASSERT_TRUE(Wizard.SetActivePage(FinishIndex));
    EXPECT_TRUE(Page->GetPreview().IsWorking());
}

// --- the copy to the clipboard ---------------------------------------------------------------------

namespace
{

// Whether markup parses as nested elements: every tag opened is closed, innermost first; <BR> and
// comments stand alone. Names the first fault.
std::string NestingFault(const std::string& markup)
{
    std::vector<std::string> open;
    for (std::size_t at = markup.find('<'); at != std::string::npos; at = markup.find('<', at + 1))
    {
        const std::size_t end = markup.find('>', at);
        if (end == std::string::npos)
            return "a tag is not closed at " + std::to_string(at);
        if (markup.compare(at, 4, "<!--") == 0)
            continue;
        std::string name;
        for (std::size_t n = at + 1; n < end && markup[n] != ' '; ++n)
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(markup[n])));
        if (name == "BR")
            continue;
        if (name[0] != '/')
            open.push_back(name);
        else if (open.empty() || open.back() != name.substr(1))
            return name + " closes " + (open.empty() ? std::string("nothing") : open.back());
        else
            open.pop_back();
    }
    return open.empty() ? std::string() : open.back() + " is never closed";
}

}  // namespace

TEST_F(FinishPage, TheCopyBoxIsOfferedBesideTheOpenBoxAndReachedByTheKeyboard)
{
    EXPECT_EQ(WindowText(CopyBox()), "&Copy the page to the clipboard");
    EXPECT_FALSE(::SendMessageA(CopyBox(), BM_GETCHECK, 0, 0));
    EXPECT_EQ(::GetNextDlgTabItem(*Page, CheckBox(), FALSE), CopyBox());
    // Alt+C ticks it, as its underlined letter says.
    ::SetFocus(CheckBox());
    ::PostMessageA(::GetFocus(), WM_SYSCHAR, 'c', 1 << 29);
    uitest::PumpMessages();
    EXPECT_EQ(::SendMessageA(CopyBox(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(FinishPage, TheCopyBoxPutsThePageOnTheClipboardAsHtmlAndText)
{
    ASSERT_TRUE(PutTextOnClipboard("something older"));
    ::SendMessageA(CopyBox(), BM_CLICK, 0, 0);
    Finish();
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Wizard.GetResult(), IDOK);

    const std::string html = ClipboardBytes(HtmlClipboardFormat());
    ASSERT_FALSE(html.empty());
    const std::size_t startHtml = ClipboardOffset(html, "StartHTML"), endHtml = ClipboardOffset(html, "EndHTML");
    const std::size_t startFragment = ClipboardOffset(html, "StartFragment"),
                      endFragment = ClipboardOffset(html, "EndFragment");
    ASSERT_LT(startHtml, startFragment);
    ASSERT_LT(startFragment, endFragment);
    ASSERT_LE(endFragment, endHtml);
    EXPECT_EQ(endHtml, html.size());
    const std::string document = html.substr(startHtml, endHtml - startHtml);
    EXPECT_EQ(NestingFault(document), "");
    // The fragment holds the page's cells in their colours, on the page's background.
    const std::string fragment = html.substr(startFragment, endFragment - startFragment);
    EXPECT_EQ(NestingFault(fragment), "");
    EXPECT_EQ(Count(fragment, "<FONT COLOR=#C86432>"), 12u);
    EXPECT_NE(fragment.find("BGCOLOR=#123456"), std::string::npos);
    const std::string page = ReadText(Target);
    EXPECT_NE(page.find(fragment.substr(fragment.find("<CENTER>"), fragment.find("</TD>") - fragment.find("<CENTER>"))),
              std::string::npos);

    EXPECT_EQ(ClipboardWideText(), L"0101\r\n0101\r\n0101\r\n");
    EXPECT_EQ(ClipboardAnsiText(), "0101\r\n0101\r\n0101\r\n");
}

TEST_F(FinishPage, APageTooLargeToPasteIsWrittenButNotCopied)
{
    ASSERT_TRUE(PutTextOnClipboard("something older"));
    Wizard.Settings.Columns = 500;
    Wizard.Settings.Rows = 300;
    ::SendMessageA(CopyBox(), BM_CLICK, 0, 0);
    ToggleCheckBox();  // not opened
    Finish();
    EXPECT_EQ(Wizard.GetResult(), IDOK);
    EXPECT_EQ(Count(ReadText(Target), "<FONT COLOR=#"), 150000u);
    const auto& boxes = uitest::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(
        boxes[0].Text.rfind(uitest::MessageFor(IDS_NOT_COPIED, Target) + "\nWith 150000 characters it is too large", 0),
        0u)
        << boxes[0].Text;
    EXPECT_EQ(boxes[0].Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(ClipboardAnsiText(), "something older");
}
