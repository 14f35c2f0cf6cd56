// The wizard's speed and memory where the user feels them, run under Wine by bench/wizard.sh:
//  1. the finish page's preview of a photo: the time from the page being shown to the preview
//     drawn, and how long the wizard's window took to answer meanwhile;
//  2. typing the name of a huge picture on the source page: how long each keystroke took to be
//     answered, the window's answers meanwhile, and the most memory the process held.
// Usage: glyphcast_wizard_bench PHOTO HUGE_PICTURE [REPEATS]   (the pictures' Windows paths)
#include "app/ConverterWizard.h"
#include "decoders/ComInitializer.h"
#include "output/PageStyle.h"
#include "pages/FinishPage.h"
#include "pages/SourcePage.h"
#include "res/resource.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int QuietMessageBox(HWND, const char* text, const char*, UINT)
{
    std::printf("  message: %s\n", text);
    return IDOK;
}

// Asks the window for an answer from another thread, over and over, and notes the longest wait:
// what a user's click or key would wait for.
class CAnswerWatch
{
public:
    explicit CAnswerWatch(HWND window) : Window(window), Thread([this] { Watch(); }) {}
    ~CAnswerWatch()
    {
        Running = false;
        Thread.join();
    }
    CAnswerWatch(const CAnswerWatch&) = delete;
    CAnswerWatch& operator=(const CAnswerWatch&) = delete;

    double Longest() const { return LongestMs.load(); }
    int Asked() const { return Count.load(); }

private:
    void Watch()
    {
        while (Running)
        {
            const Clock::time_point asked = Clock::now();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            const double waited = MillisecondsSince(asked);
            if (waited > LongestMs.load())
                LongestMs = waited;
            ++Count;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    HWND Window;
    std::atomic<bool> Running{true};
    std::atomic<double> LongestMs{0};
    std::atomic<int> Count{0};
    std::thread Thread;
};

// Answers messages for about ms milliseconds, as the wizard does between a user's keystrokes.
void AnswerFor(int ms)
{
    const Clock::time_point start = Clock::now();
    for (double left = ms; left > 0; left = ms - MillisecondsSince(start))
    {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (!AfxPreTranslateMessage(&message))
            {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    }
}

double PeakMegabytes(bool privateBytes)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return (privateBytes ? counters.PeakPagefileUsage : counters.PeakWorkingSetSize) / 1e6;
}

void TimeThePreview(CConverterWizard& wizard, const std::string& photo, int repeats)
{
    ConversionSettings& settings = wizard.Settings;
    settings.SourcePath = photo;
    settings.TargetPath = photo + ".html";
    settings.SourceBitmap = {4000, 3000};
    settings.Columns = 200;
    settings.Rows = 75;
    settings.FontFace = "Courier New";
    settings.CharacterOrder = 0;
    // Named on the source page first, as the user does: its reading is what the user waits for there.
    wizard.SetActivePage(1);
    CSourcePage* page = wizard.GetSourcePage();
    const Clock::time_point named = Clock::now();
    ::SetDlgItemTextA(*page, IDC_PATH, photo.c_str());
    AfxRunMessageLoop([page] { return page->IsLoading(); });
    std::printf("Source page: %s read and its preview shown %.0f ms after it was named; the finish page %s "
                "its rows\n",
                photo.c_str(), MillisecondsSince(named), wizard.HeldSource ? "reads" : "decodes again, not having");
    const CPagePreview& preview = wizard.GetFinishPage()->GetPreview();
    // Then as it was before the finish page could read the source page's rows: decoded again.
    const std::shared_ptr<const HeldRows> held = wizard.HeldSource;
    for (const bool decodedAgain : {false, true})
    {
        wizard.HeldSource = decodedAgain ? nullptr : held;
        for (const PageStyleInfo& style : PageStyles())
        {
            settings.Style = style.Style;
            settings.CharacterSet = DefaultCharactersOf(style.Style);
            std::printf("Finish page: preview of %s at %u x %u cells, %s style, %s\n", photo.c_str(), settings.Columns,
                        settings.Rows, style.Name, decodedAgain ? "decoded again" : "the source page's rows");
            for (int run = 0; run < repeats; ++run)
            {
                // Another background each time, so that every showing makes the preview afresh.
                settings.BackgroundColor = MakeRgb(run * 40, decodedAgain ? 10 : 0, 0);
                wizard.SetActivePage(2);
                AnswerFor(100);
                CAnswerWatch watch(wizard);
                const Clock::time_point shown = Clock::now();
                wizard.SetActivePage(3);
                AfxRunMessageLoop([&preview] { return preview.IsWorking(); });
                wizard.UpdateWindow();
                const double drawn = MillisecondsSince(shown);
                std::printf("  run %d: drawn %.0f ms after the page was shown (%s, %s); the window answered %d "
                            "times, within %.1f ms at most\n",
                            run + 1, drawn, preview.GetState() == CPagePreview::State::Shown ? "shown" : "NOT shown",
                            preview.GetNote().GetString(), watch.Asked(), watch.Longest());
            }
        }
    }
}

void TimeTheTyping(CConverterWizard& wizard, const std::string& huge)
{
    std::printf("Source page: typing %s, a key every 80 ms\n", huge.c_str());
    wizard.SetActivePage(1);
    CSourcePage* page = wizard.GetSourcePage();
    HWND edit = ::GetDlgItem(*page, IDC_PATH);
    ::SetWindowTextA(edit, "");
    AnswerFor(200);
    CAnswerWatch watch(wizard);
    double longestKey = 0;
    for (char ch : huge)
    {
        const Clock::time_point pressed = Clock::now();
        ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(ch), 1);
        ::UpdateWindow(edit);
        longestKey = std::max(longestKey, MillisecondsSince(pressed));
        AnswerFor(80);
    }
    const Clock::time_point typed = Clock::now();
    AfxRunMessageLoop([page] { return page->IsLoading(); });
    char dimensions[64] = "", note[512] = "";
    ::GetDlgItemTextA(*page, IDC_DIMENSIONS, dimensions, sizeof dimensions);
    ::GetDlgItemTextA(*page, IDC_PREVIEW_NOTE, note, sizeof note);
    std::printf("  %zu keystrokes, each answered and drawn within %.1f ms; the window answered %d times, within "
                "%.1f ms at most\n",
                huge.size(), longestKey, watch.Asked(), watch.Longest());
    std::printf("  settled %.0f ms after the last key: dimensions \"%s\", note \"%s\"\n", MillisecondsSince(typed),
                dimensions, note);
    std::printf("  the process's peak: %.0f MB resident, %.0f MB private\n", PeakMegabytes(false), PeakMegabytes(true));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: glyphcast_wizard_bench PHOTO HUGE_PICTURE [REPEATS]\n");
        return 2;
    }
    CComInitializer com;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    AfxMessageBoxHook = &QuietMessageBox;
    CWinApp app("Glyphcast");

    CConverterWizard wizard;
    if (!wizard.Create(IDD_WIZARD, nullptr))
        return 1;
    wizard.ShowWindow(SW_SHOW);
    AnswerFor(300);
    TimeThePreview(wizard, argv[1], argc > 3 ? std::atoi(argv[3]) : 5);
    TimeTheTyping(wizard, argv[2]);
    wizard.DestroyWindow();
    return 0;
}
