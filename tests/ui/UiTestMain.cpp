// The UI tests' main: common controls, and a message-box hook that records and answers every box,
// reinstalled and cleared before each test, so that no test ever waits for a person.
#include <gtest/gtest.h>

#include <string>

#include "decoders/ComInitializer.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
// Under Wine on a bare X server (xvfb-run has no window manager), hiding or destroying a window
// that Wine hands to the window manager waits two seconds for a manager that never answers.
// Letting Wine manage this program's windows itself removes the wait. Wine reads the setting when
// its display driver loads, which the manifest's common controls may already have done before
// main: then it holds from the next run on. On Windows the key means nothing.
void AvoidWineWindowManagerWait()
{
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (!ntdll || !::GetProcAddress(ntdll, "wine_get_version"))
        return;
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    const char* name = path;
    for (const char* at = path; *at; ++at)
    {
        if (*at == '\\' || *at == '/')
            name = at + 1;
    }
    std::string key = std::string("Software\\Wine\\AppDefaults\\") + name + "\\X11 Driver";
    HKEY handle;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) ==
        ERROR_SUCCESS)
    {
        ::RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        ::RegCloseKey(handle);
    }
}

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
}  // namespace

int main(int argc, char** argv)
{
    AvoidWineWindowManagerWait();
    // COM for the picture decoders, kept for the whole run rather than started by each decoder.
    CComInitializer com;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    AfxMessageBoxHook = &uitest::RecordMessageBox;
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new MessageBoxGuard);
    return RUN_ALL_TESTS();
}
