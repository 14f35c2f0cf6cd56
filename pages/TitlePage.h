// CTitlePage: the welcome page, with the program's name in the large title font.
#pragma once

#include "pages/WizardPage.h"

// Page 0 of the wizard (template 132): Back disabled, Next enabled; leaving is always allowed.
class CTitlePage : public CWizardPage
{
public:
    explicit CTitlePage(CWizardDialog* wizard);
    ~CTitlePage() override;

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;

    // Gives a page's title control (1005) the wizard's title font; shared with the finish page.
    static void ApplyTitleFont(CWizardPage* page);

protected:
    void DoDataExchange(CDataExchange* exchange) override;

    DECLARE_MESSAGE_MAP()
};
