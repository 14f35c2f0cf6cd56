#include "app/ConverterWizard.h"

#include "pages/FinishPage.h"
#include "pages/OutputPage.h"
#include "pages/SourcePage.h"
#include "pages/TitlePage.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CConverterWizard, CWizardDialog)
END_MESSAGE_MAP()

CConverterWizard::CConverterWizard(CWnd* parent)
    : CWizardDialog(IDD_WIZARD, parent)
{
}

CConverterWizard::~CConverterWizard()
{
    // A wizard run modally has already lost its windows; a modeless one loses them here, pages
    // first, while the page objects still exist.
    if (GetSafeHwnd())
        DestroyWindow();
    delete m_pWelcomePage;
    delete m_pSourcePage;
    delete m_pOutputPage;
    delete m_pFinishPage;
}

CConverterWizard& CConverterWizard::Of(const CWizardPage& page)
{
    return *static_cast<CConverterWizard*>(page.GetWizard());
}

BOOL CConverterWizard::OnInitDialog()
{
    CWizardDialog::OnInitDialog();

    m_pWelcomePage = new CTitlePage(this);
    m_pSourcePage = new CSourcePage(this);
    m_pOutputPage = new COutputPage(this);
    m_pFinishPage = new CFinishPage(this);

    AddPage(m_pWelcomePage);
    AddPage(m_pSourcePage);
    AddPage(m_pOutputPage);
    AddPage(m_pFinishPage);

    SetActivePage(0);
    return TRUE;
}
