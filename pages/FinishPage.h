// CFinishPage: the last page, whose Finish runs the conversion.
#pragma once

#include "engine/ConversionJob.h"
#include "pages/WizardPage.h"

class CConverterWizard;

// Template 135: Back and Finish enabled; Finish converts the wizard's settings and, when the
// box is ticked, opens the written page. The conversion runs beside the wizard, which shows its
// progress and goes on answering: Cancel, Escape and the Close box stop it. A failed conversion is
// reported, and a failed or stopped one leaves the wizard here, ready to try again.
class CFinishPage : public CWizardPage
{
public:
    explicit CFinishPage(CConverterWizard* wizard);
    ~CFinishPage() override;

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnWizardFinish() override;
    // While a conversion runs, a cancel stops it and the wizard stays open.
    BOOL OnQueryCancel() override;

    // True while a conversion started by Finish is under way.
    bool IsConverting() const { return Job.IsRunning(); }

    // Bound to check box 1022; read from the box only when Finish is pressed.
    int OpenAfterCreation = TRUE;

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    // The conversion has moved on (or ended): the progress bar follows.
    LRESULT OnConversionProgress(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // Runs the conversion of the wizard's settings, answering messages until it has ended.
    ConversionResult Convert();
    // Shows the progress and disables Back, Finish and the check box while a run goes on;
    // hides it and gives them back once it has ended.
    void ShowRunning(bool running);

    CConversionJob Job;
};
