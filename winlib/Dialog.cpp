// CDialog: template dialogs attached to their objects, the modal loop and the message pre-translation.
#include "winlib/Dialog.h"

#include <cstring>
#include "winlib/WinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_WM_INITDIALOG()
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent)
{
}

CDialog::~CDialog() = default;

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Only the first WM_INITDIALOG matters: it binds the window to its object, which from then on
    // receives everything through AfxWndProc; the dialog class's procedure gets FALSE otherwise.
    if (message != WM_INITDIALOG || CWnd::FromHandlePermanent(window))
        return FALSE;
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || !dialog->SubclassWindow(window))
        return FALSE;
    // Run OnInitDialog as the handling of WM_INITDIALOG, so that Default() inside it is sound.
    return AfxWndProc(window, WM_INITDIALOG, wParam, lParam);
}

HWND CDialog::CreateFromTemplate(UINT templateId, HWND parent)
{
    HINSTANCE instance = AfxGetResourceHandle();
    LPARAM self = reinterpret_cast<LPARAM>(this);
    // Made by the wide calls, the template's controls are wide windows: an edit then takes typed
    // characters of any script, which an ANSI window receives only in the keyboard's code page.
    // Their text still comes and goes through the -A calls, in the active code page.
    if (MemoryTemplate)
        return ::CreateDialogIndirectParamW(instance, MemoryTemplate, parent, &DialogProc, self);
    return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, &DialogProc, self);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    if (m_hWnd)
        return FALSE;
    m_nIDTemplate = templateId;
    m_pParentWnd = parent;
    MemoryTemplate = nullptr;
    return CreateFromTemplate(templateId, parent ? parent->m_hWnd : nullptr) != nullptr;
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE* dialogTemplate, CWnd* parent)
{
    if (m_hWnd || !dialogTemplate)
        return FALSE;
    m_pParentWnd = parent;
    MemoryTemplate = dialogTemplate;
    HWND window = CreateFromTemplate(0, parent ? parent->m_hWnd : nullptr);
    MemoryTemplate = nullptr;
    return window != nullptr;
}

void CDialog::InitModalIndirect(const DLGTEMPLATE* dialogTemplate, CWnd* parent)
{
    MemoryTemplate = dialogTemplate;
    if (parent)
        m_pParentWnd = parent;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    // Without a parent the dialog is owned by the application's main window, when there is one.
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner)
    {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this && ::IsWindow(app->m_pMainWnd->m_hWnd))
            owner = app->m_pMainWnd->m_hWnd;
    }

    ModalResult = -1;
    InModalLoop = true;  // EndDialog may already come from OnInitDialog
    HWND window = CreateFromTemplate(m_nIDTemplate, owner);
    if (!window)
    {
        InModalLoop = false;
        return -1;
    }

    bool disabledOwner = false;
    if (owner && ::IsWindowEnabled(owner))
    {
        ::EnableWindow(owner, FALSE);
        disabledOwner = true;
    }
    if (InModalLoop && m_hWnd)
    {
        ::ShowWindow(window, SW_SHOW);
        ::UpdateWindow(window);
    }

    // WM_QUIT ends every loop: leave this one and hand it on to the outer one.
    if (std::optional<int> quit = AfxRunMessageLoop([this] { return InModalLoop && m_hWnd; }))
        ::PostQuitMessage(*quit);
    InModalLoop = false;

    // Re-enable the owner before the dialog goes, so that the activation returns to it.
    if (disabledOwner)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd)
        DestroyWindow();
    CWnd::DeleteTempMap();
    return ModalResult;
}

void CDialog::GotoDlgCtrl(CWnd* control)
{
    if (control && control->m_hWnd)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->m_hWnd), TRUE);
}

void CDialog::EndDialog(int result)
{
    ModalResult = result;
    if (InModalLoop)
    {
        InModalLoop = false;
        // GetMessage may be waiting: give it something to return.
        if (m_hWnd)
            ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* message)
{
    // A child dialog (a wizard page) leaves the dialog keys to its top-level frame.
    if (!m_hWnd || (GetStyle() & WS_CHILD))
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, message);
}

BOOL CDialog::OnInitDialog()
{
    if (m_nIDTemplate != 0)
    {
        HINSTANCE instance = AfxGetResourceHandle();
        HRSRC lists = ::FindResourceA(instance, MAKEINTRESOURCEA(m_nIDTemplate), "DLGLISTS");
        HGLOBAL loaded = lists ? ::LoadResource(instance, lists) : nullptr;
        if (loaded)
            AfxAddDialogLists(m_hWnd, ::LockResource(loaded), ::SizeofResource(instance, lists));
    }
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

std::optional<int> AfxRunMessageLoop(const std::function<bool()>& running)
{
    std::optional<int> quit;
    while (!running || running())
    {
        CWnd::DeleteTempMap();
        // Wide messages, so that a typed character reaches a wide control unconverted.
        MSG message;
        BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            quit = static_cast<int>(message.wParam);
        if (got == 0 || got == -1)
            break;
        if (!AfxPreTranslateMessage(&message))
        {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    CWnd::DeleteTempMap();
    return quit;
}

BOOL AfxPreTranslateMessage(MSG* message)
{
    // From the innermost window outwards, ending at the first window that is not a child.
    for (HWND window = message->hwnd; window;)
    {
        CWnd* object = CWnd::FromHandlePermanent(window);
        if (object && object->PreTranslateMessage(message))
            return TRUE;
        if (!(::GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
            break;
        window = ::GetParent(window);
    }
    return FALSE;
}

BOOL AfxAddDialogLists(HWND dialog, const void* data, DWORD size)
{
    const unsigned char* at = static_cast<const unsigned char*>(data);
    const unsigned char* end = at + size;
    if (!at)
        return FALSE;
    for (;;)
    {
        WORD id = 0;
        if (end - at < 2)
            return FALSE;
        std::memcpy(&id, at, 2);
        at += 2;
        if (id == 0)
            return TRUE;
        WORD message = 0;
        DWORD length = 0;
        if (end - at < 6)
            return FALSE;
        std::memcpy(&message, at, 2);
        std::memcpy(&length, at + 2, 4);
        at += 6;
        if (static_cast<DWORD>(end - at) < length || length == 0 || at[length - 1] != '\0')
            return FALSE;
        ::SendDlgItemMessageA(dialog, id, message, 0, reinterpret_cast<LPARAM>(at));
        at += length;
    }
}
