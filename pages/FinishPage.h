// CFinishPage: the last page, whose Finish runs the conversion.
#pragma once

#include "controls/PagePreview.h"
#include "engine/ConversionJob.h"
#include "pages/WizardPage.h"

class CConverterWizard;

// Template 135: Back and Finish enabled; the page as it will look, drawn beside the wizard each
// time the page is shown after a change of the settings, and stopped when it is left. Finish
// converts the wizard's settings and, as the boxes ask, copies the written page to the clipboard
// and opens it. The conversion runs beside the wizard, which shows its progress and goes on
// answering: Cancel, Escape and the Close box stop it. A failed conversion is reported, and a
// failed or stopped one leaves the wizard here, ready to try again.
class CFinishPage : public CWizardPage
{
public:
    explicit CFinishPage(CConverterWizard* wizard);
    ~CFinishPage() override;

    BOOL OnInitDialog() override;
    // Sets the buttons and has the preview show the settings' page.
    BOOL OnSetActive() override;
    // Stops a preview being made.
    BOOL OnKillActive() override;
    BOOL OnWizardFinish() override;
    // While a conversion runs, a cancel stops it and the wizard stays open.
    BOOL OnQueryCancel() override;

    // Bound to the check boxes; read from them only when Finish is pressed.
    int OpenAfterCreation = TRUE;
    int CopyAfterCreation = FALSE;

    const CPagePreview& GetPreview() const { return Preview; }

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    // The conversion has moved on (or ended): the progress bar follows.
    LRESULT OnConversionProgress(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // Runs the conversion of the wizard's settings, answering messages until it has ended.
    ConversionResult Convert();
    // Shows the progress in the check boxes' place and disables Back and Finish while a run goes
    // on; hides it and gives them back once it has ended.
    void ShowRunning(bool running);
    // Copies the written page to the clipboard, or tells why it was not copied.
    void CopyToClipboard(const ConversionResult& written);

    CPagePreview Preview;
    CConversionJob Job;
};
