#include "app/ConverterWizard.h"

#include "pages/FinishPage.h"
#include "pages/OutputPage.h"
#include "pages/SourcePage.h"
#include "pages/TitlePage.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CConverterWizard, CWizardDialog)
END_MESSAGE_MAP()

CConverterWizard::CConverterWizard(CWnd* parent) : CWizardDialog(IDD_WIZARD, parent)
{
}

CConverterWizard::~CConverterWizard()
{
    // A wizard run modally has already lost its windows; a modeless one loses them here, pages
    // first, while the page objects still exist.
    if (GetSafeHwnd())
        DestroyWindow();
    delete WelcomePage;
    delete SourcePage;
    delete OutputPage;
    delete FinishPage;
}

CConverterWizard& CConverterWizard::Of(const CWizardPage& page)
{
    return *static_cast<CConverterWizard*>(page.GetWizard());
}

BOOL CConverterWizard::OnInitDialog()
{
    CWizardDialog::OnInitDialog();

    WelcomePage = new CTitlePage(this);
    SourcePage = new CSourcePage(this);
    OutputPage = new COutputPage(this);
    FinishPage = new CFinishPage(this);

    AddPage(WelcomePage);
    AddPage(SourcePage);
    AddPage(OutputPage);
    AddPage(FinishPage);

    SetActivePage(0);
    return TRUE;
}
