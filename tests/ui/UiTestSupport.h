// Helpers shared by the UI tests: recorded message boxes, message pumping, deferred actions
// inside modal loops and dialog templates built in memory. Temporary folders and test pictures
// come from the engine tests' helpers (tests/engine/TempDir.h, BmpBuilder.h).
#pragma once

#include <functional>
#include <string>
#include <vector>
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"
#include "winlib/Afx.h"

namespace uitest
{

// A message box the program tried to show; the test main answers it instead of showing it.
struct RecordedMessageBox
{
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type;
};

// Every message box since the last ClearMessageBoxes (cleared before each test).
const std::vector<RecordedMessageBox>& MessageBoxes();
void ClearMessageBoxes();
// The answer for the next message box; without one, IDYES for yes/no boxes and IDOK otherwise.
void QueueMessageBoxAnswer(int answer);
// The hook the test main installs before each test.
int RecordMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The string-table entry id formatted with a path in place of its %s, as the pages show it.
std::string MessageFor(UINT id, const std::string& path);

// Dispatches every pending message (through AfxPreTranslateMessage, as the modal loop does),
// then frees the temporary window wrappers.
void PumpMessages();

// Runs an action from the message loop after a delay, e.g. inside a running DoModal.
void RunLater(std::function<void()> action, UINT delayMs = 10);

// Sends a key press (down and up) as the keyboard would post it to the focused window, and pumps.
void PressKey(UINT virtualKey);

// The number of GDI objects this process holds, or -1 when the platform cannot tell.
int GdiObjectCount();

// A PNG whose header claims 16384 x 16384 pixels of 16-bit RGB, 1.6 GB to decode, with hardly any
// data behind it: too large to preview, and refused as damaged when opened.
std::vector<std::uint8_t> HugePngHeader();

// A dialog template assembled in memory (DLGTEMPLATE with its items), for CDialog::CreateIndirect
// and InitModalIndirect. Coordinates are dialog units.
class DialogTemplate
{
public:
    DialogTemplate(DWORD style, int width, int height, const char* caption = "");
    // className: "BUTTON", "EDIT", "STATIC", "COMBOBOX", ... style gets WS_CHILD | WS_VISIBLE added.
    DialogTemplate& Add(const char* className, const char* text, int id, DWORD style, int x, int y, int width,
                        int height);
    const DLGTEMPLATE* Get();

private:
    void AddWord(WORD value);
    void AddString(const char* text);
    void Align();

    std::vector<WORD> Words;
    size_t CountAt;
};

}  // namespace uitest
