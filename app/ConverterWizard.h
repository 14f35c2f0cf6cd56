// CConverterWizard: the program's wizard, which owns the pages and the settings they collect.
#pragma once

#include <memory>
#include <string>

#include "app/WizardDialog.h"
#include "engine/ConversionSettings.h"
#include "engine/HeldPicture.h"

class CTitlePage;
class CSourcePage;
class COutputPage;
class CFinishPage;

// Built on template 131; creates the welcome, source, output and finish pages when it initialises,
// deletes them when it goes, and holds the ConversionSettings the pages fill and Finish reads.
class CConverterWizard : public CWizardDialog
{
public:
    explicit CConverterWizard(CWnd* parent = nullptr);
    ~CConverterWizard() override;

    BOOL OnInitDialog() override;

    std::string GetSourcePath() const { return Settings.SourcePath; }
    std::string GetTargetPath() const { return Settings.TargetPath; }
    std::string GetFontFace() const { return Settings.FontFace; }
    std::string GetCharacterSet() const { return Settings.CharacterSet; }

    CTitlePage* GetWelcomePage() const { return WelcomePage; }
    CSourcePage* GetSourcePage() const { return SourcePage; }
    COutputPage* GetOutputPage() const { return OutputPage; }
    CFinishPage* GetFinishPage() const { return FinishPage; }

    // The wizard a page of this program belongs to: its pages are only ever made for this one.
    static CConverterWizard& Of(const CWizardPage& page);

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Owned; created by OnInitDialog, deleted by the destructor in this order.
    CTitlePage* WelcomePage = nullptr;
    CSourcePage* SourcePage = nullptr;
    COutputPage* OutputPage = nullptr;
    CFinishPage* FinishPage = nullptr;

public:
    // What the pages collect and the conversion run reads; pages write it directly.
    ConversionSettings Settings;
    // The source picture as the source page decoded it, for the finish page's preview; null for none.
    std::shared_ptr<const HeldRows> HeldSource;
};
