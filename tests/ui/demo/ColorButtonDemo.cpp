// A dialog holding only the colour button, so that its grid popup can be pictured on its own
// (scripts/screenshots.sh). Room below the button lets the popup open over the dialog.
#include "controls/ColorButton.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
class CColorButtonDemo : public CDialog
{
public:
    CColorButtonDemo()
        : Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 130, 125, "Colour button")
    {
        Template.Add("STATIC", "Background color:", IDC_STATIC, WS_GROUP, 10, 10, 59, 8)
            .Add("BUTTON", "", IDC_BACKGROUND, WS_TABSTOP | BS_OWNERDRAW, 10, 20, 50, 12);
        InitModalIndirect(Template.Get());
        Button.Color = RGB(0, 0, 128);  // navy, one of the grid's cells
    }

protected:
    void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, IDC_BACKGROUND, Button); }

private:
    uitest::DialogTemplate Template;
    CColorButton Button;
};

class CColorButtonDemoApp : public CWinApp
{
public:
    BOOL InitInstance() override
    {
        CColorButtonDemo dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

CColorButtonDemoApp theApp;
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(instance);
}
