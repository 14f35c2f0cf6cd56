// CFinishPage: the last page, whose Finish runs the conversion.
#pragma once

#include "pages/WizardPage.h"

class CConverterWizard;

// Template 135: Back and Finish enabled; Finish converts the wizard's settings and, when the
// box is ticked, opens the written page. A failed conversion is reported and the wizard stays.
class CFinishPage : public CWizardPage
{
public:
    explicit CFinishPage(CConverterWizard* wizard);
    ~CFinishPage() override;

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnWizardFinish() override;

    // Bound to check box 1022; read from the box only when Finish is pressed.
    int OpenAfterCreation = TRUE;

protected:
    void DoDataExchange(CDataExchange* exchange) override;

    DECLARE_MESSAGE_MAP()
};
