// The source page inside the wizard: button states, reading and describing pictures beside the
// interface thread (the newest name wins, the size before the preview, no preview above the memory
// ceiling), refusing paths at Next (waiting for the check it needs), the settings it hands on, the
// file dialog, pictures dropped from Explorer and the release of the previews' bitmaps.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/ConverterApp.h"
#include "app/ConverterWizard.h"
#include "pages/SourcePage.h"
#include "res/resource.h"
#include "tests/engine/WicPictures.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

// --- pictures on disk ------------------------------------------------------------------------

// An uncompressed bottom-up bitmap file of 1, 4, 8, 16, 24 or 32 bits per pixel, coloured in
// stripes so that it is a real picture rather than a blank.
std::vector<std::uint8_t> MakeBmp(int width, int height, int bitsPerPixel)
{
    CBmpBuilder picture(width, height, static_cast<std::uint16_t>(bitsPerPixel));
    if (bitsPerPixel <= 8)
    {
        std::vector<RgbColor> palette;
        for (int i = 0; i < 1 << bitsPerPixel; ++i)
            palette.push_back(MakeRgb(i * 5, 255 - i * 11, i * 37));
        picture.Palette(palette);
    }
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t value = static_cast<std::uint32_t>((x / 3 + y / 2) & 0xFF);
            if (bitsPerPixel <= 8)
                picture.Set(x, y, value);
            else if (bitsPerPixel == 16)
                picture.Set(x, y, ((value * 7) & 0xFF) | ((value & 0x7F) << 8));
            else
                picture.SetColor(x, y, MakeRgb(value * 3, 255 - value, value));
        }
    }
    return picture.Build();
}

// A run-length encoded 8-bit picture: a bitmap the conversion's reader does not take.
std::vector<std::uint8_t> MakeRle8Bmp(int width, int height)
{
    // The headers and palette of a picture without stored rows; the encoded rows follow them.
    std::vector<std::uint8_t> out =
        CBmpBuilder(width, 0, 8).Compression(BI_RLE8).Palette({MakeRgb(0, 0, 255), MakeRgb(0, 255, 0)}).Build();
    const std::size_t offBits = out.size();
    for (int y = 0; y < height; ++y)
        out.insert(out.end(), {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(y & 1), 0, 0});
    out.insert(out.end(), {0, 1});  // end of picture
    PutU32(out, 2, static_cast<std::uint32_t>(out.size()));
    PutU32(out, 22, static_cast<std::uint32_t>(height));
    PutU32(out, 34, static_cast<std::uint32_t>(out.size() - offBits));
    return out;
}

// Test pictures and other files in a directory of the test's own.
class TestFiles
{
public:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string file = Dir.Path(name.c_str());
        EXPECT_TRUE(WriteBytes(file, bytes)) << file;
        return file;
    }
    std::string Picture(const std::string& name, int width, int height, int bitsPerPixel)
    {
        return Write(name, MakeBmp(width, height, bitsPerPixel));
    }
    // A picture written by the system's encoder for container.
    std::string Encoded(const std::string& name, const GUID& container, const TestPicture& picture,
                        StoredAs stored = StoredAs::Bgr24)
    {
        const std::string file = Dir.Path(name.c_str());
        std::string error;
        EXPECT_TRUE(WriteWicPicture(file, container, picture, stored, error)) << name << ": " << error;
        return file;
    }
    const std::string& Path() const { return Dir.Root(); }

private:
    CTempDir Dir;
};

// --- the file dialog, answered without showing anything -----------------------------------------

struct FileDialogAnswer
{
    INT_PTR Result = IDCANCEL;
    std::string Chosen;
    int Calls = 0;
    bool HadInitialDir = false;
    std::string InitialDir;
    DWORD Flags = 0;
    std::string Filter;
    std::string DefaultExtension;
    BOOL OpenDialog = FALSE;
};
FileDialogAnswer DialogAnswer;

INT_PTR AnswerFileDialog(CFileDialog& dialog)
{
    ++DialogAnswer.Calls;
    DialogAnswer.HadInitialDir = dialog.m_ofn.lpstrInitialDir != nullptr;
    DialogAnswer.InitialDir = dialog.m_ofn.lpstrInitialDir ? dialog.m_ofn.lpstrInitialDir : "";
    DialogAnswer.Flags = dialog.m_ofn.Flags;
    DialogAnswer.DefaultExtension = dialog.m_ofn.lpstrDefExt ? dialog.m_ofn.lpstrDefExt : "";
    DialogAnswer.OpenDialog = dialog.m_bOpenFileDialog;
    DialogAnswer.Filter.clear();
    if (const char* f = dialog.m_ofn.lpstrFilter)
        for (; *f; f += std::strlen(f) + 1)
            DialogAnswer.Filter += std::string(f) + "|";
    if (DialogAnswer.Result == IDOK)
        std::snprintf(dialog.m_ofn.lpstrFile, dialog.m_ofn.nMaxFile, "%s", DialogAnswer.Chosen.c_str());
    return DialogAnswer.Result;
}

// --- the wizard with its source page on show -----------------------------------------------------

class SourcePageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LastPath.Empty();
        DialogAnswer = FileDialogAnswer();
        CFileDialog::DoModalHook = AnswerFileDialog;

        ASSERT_TRUE(Wizard.Create(IDD_WIZARD, nullptr));
        Wizard.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(Wizard);
        ASSERT_TRUE(Wizard.SetActivePage(1));
        Page = Wizard.GetSourcePage();
        ASSERT_NE(Page, nullptr);
        ASSERT_EQ(Wizard.GetActivePage(), static_cast<CWizardPage*>(Page));
    }

    void TearDown() override
    {
        if (Wizard.GetSafeHwnd())
            Wizard.DestroyWindow();
        CFileDialog::DoModalHook = nullptr;
        LastPath.Empty();
    }

    HWND PageItem(CSourcePage* page, int id) const { return ::GetDlgItem(*page, id); }
    HWND PageItem(int id) const { return PageItem(Page, id); }
    HWND WizardButton(int id) const { return ::GetDlgItem(Wizard, id); }
    bool BackEnabled() const { return ::IsWindowEnabled(WizardButton(IDC_BACK)) != FALSE; }
    bool NextEnabled() const { return ::IsWindowEnabled(WizardButton(IDC_NEXT)) != FALSE; }

    std::string Text(HWND window) const
    {
        char buffer[1024] = {};
        ::GetWindowTextA(window, buffer, sizeof(buffer));
        return buffer;
    }
    std::string Dimensions() const { return Text(PageItem(IDC_DIMENSIONS)); }

    // Answers messages until the page has read what it was asked to (size, preview, check) and
    // every message that brought has been dealt with.
    void Settle()
    {
        AfxRunMessageLoop([this] { return Page->IsLoading(); });
        uitest::PumpMessages();
    }
    // Types text into the path edit one character at a time, as the keyboard would; each keystroke
    // is answered before the next, and the reading of the last name is waited for.
    void Type(const std::string& text)
    {
        HWND edit = PageItem(IDC_PATH);
        for (char ch : text)
            ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(ch), 1);
        Settle();
    }
    // Replaces the whole path, as a paste would, and waits until the page has read the file.
    void SetPath(const std::string& path)
    {
        ::SetWindowTextA(PageItem(IDC_PATH), path.c_str());
        Settle();
    }
    std::string Note() const { return Text(PageItem(IDC_PREVIEW_NOTE)); }
    void Click(HWND parent, int id)
    {
        ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(parent, id)));
    }
    // Presses Next as a mouse click would: the button takes the focus first.
    void PressNext()
    {
        ::SetFocus(WizardButton(IDC_NEXT));
        Click(Wizard, IDC_NEXT);
    }
    // Presses Next; a Next that waits for the picture's check goes on once it has come.
    void Next()
    {
        PressNext();
        Settle();
    }
    void Back() { Click(Wizard, IDC_BACK); }
    void Browse()
    {
        Click(*Page, IDC_BROWSE);
        Settle();
    }

    // Checks that Next stayed, said why with the given message (and, when given, the system's
    // reason on a second line) and left the focus in the edit.
    void ExpectRefused(UINT id, const std::string& path, const char* cause = nullptr)
    {
        const auto& boxes = uitest::MessageBoxes();
        EXPECT_EQ(Wizard.GetActiveIndex(), 1);
        ASSERT_EQ(boxes.size(), 1u);
        const std::string text = boxes[0].Text;
        EXPECT_EQ(text.substr(0, text.find('\n')), uitest::MessageFor(id, path));
        if (cause)
        {
            EXPECT_EQ(text, uitest::MessageFor(id, path) + "\n" + cause);
        }
        EXPECT_EQ(boxes[0].Owner, Page->GetSafeHwnd());
        EXPECT_EQ(boxes[0].Type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(::GetFocus(), PageItem(IDC_PATH));
        EXPECT_TRUE(Wizard.Settings.SourcePath.empty());
        EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 0);
    }

    TestFiles Files;
    CConverterWizard Wizard;
    CSourcePage* Page = nullptr;
};

}  // namespace

// --- buttons --------------------------------------------------------------------------------

TEST_F(SourcePageTest, EmptyPathEnablesOnlyBack)
{
    EXPECT_TRUE(BackEnabled());
    EXPECT_FALSE(NextEnabled());
    EXPECT_EQ(Text(WizardButton(IDC_NEXT)), "&Next >");
    EXPECT_EQ(::GetFocus(), PageItem(IDC_PATH));
}

TEST_F(SourcePageTest, TypingEnablesNextAtOnceAndClearingDisablesIt)
{
    Type("q");
    EXPECT_TRUE(NextEnabled());
    EXPECT_TRUE(BackEnabled());
    EXPECT_EQ(std::string(Page->GetSourcePath()), "q");
    ::SendMessageA(PageItem(IDC_PATH), WM_CHAR, VK_BACK, 1);
    EXPECT_TRUE(Page->GetSourcePath().IsEmpty());
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(BackEnabled());
}

TEST_F(SourcePageTest, ReturningToThePageSetsButtonsFromItsPath)
{
    const std::string picture = Files.Picture("back.bmp", 20, 10, 24);
    SetPath(picture);
    Next();
    ASSERT_EQ(Wizard.GetActiveIndex(), 2);
    Back();
    ASSERT_EQ(Wizard.GetActiveIndex(), 1);
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(Text(WizardButton(IDC_NEXT)), "&Next >");
    EXPECT_EQ(Text(PageItem(IDC_PATH)), picture);
    EXPECT_EQ(Dimensions(), "20 x 10");
}

// --- loading and describing pictures ----------------------------------------------------------

TEST_F(SourcePageTest, DimensionsForPicturesOfEveryDepth)
{
    struct Case
    {
        int Width, Height, Bits;
    };
    const Case cases[] = {{640, 480, 24}, {33, 17, 1}, {45, 29, 4}, {130, 7, 8}, {9, 300, 16}, {257, 64, 32}};
    for (const Case& c : cases)
    {
        const std::string path = Files.Picture("depth" + std::to_string(c.Bits) + ".bmp", c.Width, c.Height, c.Bits);
        SetPath(path);
        EXPECT_EQ(Dimensions(), std::to_string(c.Width) + " x " + std::to_string(c.Height)) << c.Bits << " bpp";
        EXPECT_EQ(Page->GetSourceBitmap().Width, c.Width);
        EXPECT_EQ(Page->GetSourceBitmap().Height, c.Height);
        EXPECT_GT(Page->GetPreview().GetImageWidth(), 0) << c.Bits << " bpp";
        EXPECT_GT(Page->GetPreview().GetImageHeight(), 0) << c.Bits << " bpp";
    }
    EXPECT_TRUE(uitest::MessageBoxes().empty());
}

TEST_F(SourcePageTest, TypingCharacterByCharacterKeepsTheLastSizeWhilePreviewEmpties)
{
    const std::string first = Files.Picture("first.bmp", 64, 48, 24);
    const std::string second = Files.Picture("second.bmp", 50, 100, 8);
    SetPath(first);
    ASSERT_EQ(Dimensions(), "64 x 48");
    ASSERT_GT(Page->GetPreview().GetImageWidth(), 0);

    SetPath("");
    // Every prefix of the second path names no file: the size stays, the preview empties.
    const std::string prefix = second.substr(0, second.size() - 1);
    Type(prefix);
    EXPECT_EQ(Dimensions(), "64 x 48");
    EXPECT_EQ(Page->GetSourceBitmap().Width, 64);
    EXPECT_EQ(Page->GetPreview().GetImageWidth(), 0);
    EXPECT_EQ(Page->GetPreview().GetImageHeight(), 0);

    Type(second.substr(second.size() - 1));
    EXPECT_EQ(Dimensions(), "50 x 100");
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
    EXPECT_TRUE(uitest::MessageBoxes().empty());
}

TEST_F(SourcePageTest, PreviewIsFittedToTheNewestPicturesProportions)
{
    SetPath(Files.Picture("wide.bmp", 400, 50, 24));
    const CImagePreview& preview = Page->GetPreview();
    RECT client;
    ::GetClientRect(preview, &client);
    EXPECT_EQ(preview.GetImageWidth(), client.right);
    EXPECT_EQ(preview.GetImageHeight(), CImagePreview::FitImage(client.right, client.bottom, 400, 50).cy);
    EXPECT_LT(preview.GetImageHeight(), client.bottom);

    // Two names given before the page hears of either load: the newest wins.
    ::SetWindowTextA(PageItem(IDC_PATH), Files.Picture("first.bmp", 300, 200, 24).c_str());
    ::SetWindowTextA(PageItem(IDC_PATH), Files.Picture("tall.bmp", 50, 400, 24).c_str());
    Settle();
    EXPECT_EQ(Dimensions(), "50 x 400");
    EXPECT_EQ(Page->GetSourceBitmap().Width, 50);
    EXPECT_EQ(preview.GetImageHeight(), client.bottom);
    EXPECT_EQ(preview.GetImageWidth(), CImagePreview::FitImage(client.right, client.bottom, 50, 400).cx);
    EXPECT_LT(preview.GetImageWidth(), client.right);
}

TEST_F(SourcePageTest, FilesThatDoNotLoadGiveAnEmptyPreviewAndNoMessage)
{
    SetPath(Files.Picture("good.bmp", 30, 20, 24));
    SetPath(Files.Write("notes.bmp", {'h', 'e', 'l', 'l', 'o', '\r', '\n'}));
    EXPECT_EQ(Page->GetPreview().GetImageWidth(), 0);
    EXPECT_EQ(Dimensions(), "30 x 20");
    SetPath(Files.Path());
    EXPECT_EQ(Page->GetPreview().GetImageWidth(), 0);
    EXPECT_TRUE(uitest::MessageBoxes().empty());
}

// --- Next -------------------------------------------------------------------------------------

TEST_F(SourcePageTest, NextRefusesAMissingFile)
{
    const std::string missing = Files.Path() + "\\nowhere.bmp";
    SetPath(missing);
    ASSERT_TRUE(NextEnabled());
    Next();
    ExpectRefused(IDS_FILE_NOT_FOUND, missing, "The file does not exist.");
    ASSERT_FALSE(uitest::MessageBoxes().empty());
    EXPECT_EQ(uitest::MessageBoxes()[0].Text, "The file '" + missing + "' cannot be found.\nThe file does not exist.");
}

TEST_F(SourcePageTest, NextGivesTheReasonOnASecondLine)
{
    const std::string nowhere = Files.Path() + "\\no such folder\\picture.bmp";
    SetPath(nowhere);
    Next();
    ExpectRefused(IDS_FILE_NOT_FOUND, nowhere, "The folder does not exist.");
}

TEST_F(SourcePageTest, NextNamesAFolderAsAFolder)
{
    SetPath(Files.Path());
    Next();
    ExpectRefused(IDS_SOURCE_IS_FOLDER, Files.Path());
    ASSERT_FALSE(uitest::MessageBoxes().empty());
    EXPECT_EQ(uitest::MessageBoxes()[0].Text, "'" + Files.Path() + "' is a folder. Choose a picture file.");
}

TEST_F(SourcePageTest, NextRefusesAFileThatIsNotAPicture)
{
    // An earlier good picture must not lend its description to the bad file.
    SetPath(Files.Picture("earlier.bmp", 12, 34, 24));
    const std::string text = Files.Write("letter.bmp", std::vector<std::uint8_t>(200, 'x'));
    SetPath(text);
    Next();
    ExpectRefused(IDS_NOT_A_PICTURE, text);
    ASSERT_FALSE(uitest::MessageBoxes().empty());
    EXPECT_EQ(uitest::MessageBoxes()[0].Text.rfind("The file '" + text + "' is not a picture Glyphcast can read.\n", 0),
              0u);
}

TEST_F(SourcePageTest, NextTellsAFileInUseFromOneThatIsNoPicture)
{
    const std::string picture = Files.Picture("busy.bmp", 8, 8, 24);
    HANDLE held =
        ::CreateFileA(picture.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SetPath(picture);
    Next();
    ::CloseHandle(held);
    ExpectRefused(IDS_CANNOT_OPEN, picture, "The file is in use.");
}

TEST_F(SourcePageTest, NextRefusesAnEmptyFile)
{
    const std::string empty = Files.Write("empty.bmp", {});
    SetPath(empty);
    Next();
    ExpectRefused(IDS_NOT_A_PICTURE, empty);
}

TEST_F(SourcePageTest, NextTakesACompressedBitmapThroughTheSystemDecoder)
{
    const std::string rle = Files.Write("packed.bmp", MakeRle8Bmp(16, 8));
    SetPath(rle);
    EXPECT_EQ(Dimensions(), "16 x 8");
    Next();
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(Wizard.Settings.SourcePath, rle);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 16);
}

TEST_F(SourcePageTest, NextCopiesPathAndDescriptionIntoTheSettings)
{
    const std::string picture = Files.Picture("photo.bmp", 640, 480, 24);
    SetPath(picture);
    Next();
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(Wizard.Settings.SourcePath, picture);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 640);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Height, 480);
}

TEST_F(SourcePageTest, GoingBackAndChoosingAnotherPictureReplacesTheSettings)
{
    SetPath(Files.Picture("one.bmp", 80, 60, 24));
    Next();
    ASSERT_EQ(Wizard.GetActiveIndex(), 2);
    Back();
    ASSERT_EQ(Wizard.GetActiveIndex(), 1);
    // Going back alone changes nothing.
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 80);

    const std::string two = Files.Picture("two.bmp", 21, 77, 8);
    SetPath(two);
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(Wizard.Settings.SourcePath, two);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 21);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Height, 77);
}

TEST_F(SourcePageTest, RefusalAfterAnAcceptedPictureLeavesTheSettingsAlone)
{
    const std::string good = Files.Picture("kept.bmp", 15, 25, 24);
    SetPath(good);
    Next();
    Back();
    const std::string bad = Files.Write("broken.bmp", {'B', 'M', 1, 2, 3});
    SetPath(bad);
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 1);
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(uitest::MessageBoxes()[0].Text.rfind(uitest::MessageFor(IDS_NOT_A_PICTURE, bad), 0), 0u);
    EXPECT_EQ(Wizard.Settings.SourcePath, good);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 15);
}

// --- pictures of other formats --------------------------------------------------------------

TEST_F(SourcePageTest, PicturesOfEveryFormatTheSystemReadsArePreviewedAndTaken)
{
    const TestPicture picture = MakeStripedTestPicture(61, 47, 30);
    const std::string files[] = {Files.Encoded("photo.jpg", GUID_ContainerFormatJpeg, picture),
                                 Files.Encoded("shot.png", GUID_ContainerFormatPng, picture),
                                 Files.Encoded("anim.gif", GUID_ContainerFormatGif, picture, StoredAs::Indexed8),
                                 Files.Encoded("scan.tif", GUID_ContainerFormatTiff, picture),
                                 // The format is told by the bytes, not the name.
                                 Files.Encoded("named.bmp", GUID_ContainerFormatPng, picture)};
    for (const std::string& file : files)
    {
        SCOPED_TRACE(file);
        SetPath("");
        EXPECT_FALSE(Wizard.HeldSource);
        SetPath(file);
        EXPECT_EQ(Dimensions(), "61 x 47");
        EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
        // Its rows are kept for the finish page's preview.
        EXPECT_TRUE(Wizard.HeldSource && Wizard.HeldSource->Path == file);
        EXPECT_NE(Page->GetPreview().GetSurfacePixel(5, 5), ::GetSysColor(COLOR_BTNFACE));
        Next();
        EXPECT_TRUE(uitest::MessageBoxes().empty());
        ASSERT_EQ(Wizard.GetActiveIndex(), 2);
        EXPECT_EQ(Wizard.Settings.SourcePath, file);
        EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 61);
        EXPECT_EQ(Wizard.Settings.SourceBitmap.Height, 47);
        Back();
    }
}

TEST_F(SourcePageTest, APngIsPreviewedExactlyAsABmpOfTheSamePixels)
{
    const TestPicture picture = MakeTestPicture(61, 47);
    SetPath(Files.Write("same.bmp", TestPictureAsBmp(picture)));
    // A bitmap is read from its mapping: nothing is kept.
    EXPECT_FALSE(Wizard.HeldSource);
    const CImagePreview& preview = Page->GetPreview();
    const int width = preview.GetImageWidth(), height = preview.GetImageHeight();
    std::vector<COLORREF> shown;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            shown.push_back(preview.GetSurfacePixel(x, y));

    SetPath(Files.Encoded("same.png", GUID_ContainerFormatPng, picture));
    ASSERT_EQ(preview.GetImageWidth(), width);
    ASSERT_EQ(preview.GetImageHeight(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(preview.GetSurfacePixel(x, y), shown[std::size_t(y) * width + x]) << "at " << x << ", " << y;
}

TEST_F(SourcePageTest, ATurnedPhotoIsShownUprightWithItsUprightSize)
{
    // Stored 40 x 20, red left and blue right, with an EXIF orientation that turns it a quarter
    // clockwise: upright it is 20 x 40, red above blue.
    const TestPicture picture = MakeHalvesTestPicture(40, 20, 0xFFDC141Eu, 0xFF0A28C8u);
    const std::string stored = Files.Encoded("stored.jpg", GUID_ContainerFormatJpeg, picture);
    const std::string turned = Files.Write("turned.jpg", WithExifOrientation(ReadBytes(stored), 6));
    SetPath(turned);
    EXPECT_EQ(Dimensions(), "20 x 40");
    const CImagePreview& preview = Page->GetPreview();
    RECT client;
    ::GetClientRect(preview, &client);
    ASSERT_EQ(preview.GetImageHeight(), client.bottom);
    ASSERT_LT(preview.GetImageWidth(), preview.GetImageHeight());
    const COLORREF top = preview.GetSurfacePixel(preview.GetImageWidth() / 2, client.bottom / 5);
    const COLORREF bottom = preview.GetSurfacePixel(preview.GetImageWidth() / 2, client.bottom * 4 / 5);
    EXPECT_TRUE(GetRValue(top) > 150 && GetBValue(top) < 100) << std::hex << top;
    EXPECT_TRUE(GetBValue(bottom) > 150 && GetRValue(bottom) < 100) << std::hex << bottom;
    Next();
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 20);
    EXPECT_EQ(Wizard.Settings.SourceBitmap.Height, 40);
}

TEST_F(SourcePageTest, TransparentAreasShowTheBackgroundColourOfTheSettings)
{
    // Left half wholly transparent (white underneath), right half opaque green.
    const TestPicture picture = MakeHalvesTestPicture(40, 20, 0x00FFFFFFu, 0xFF10A040u);
    Wizard.Settings.BackgroundColor = RGB(200, 30, 40);
    SetPath(Files.Encoded("clear.png", GUID_ContainerFormatPng, picture, StoredAs::Bgra32));
    const CImagePreview& preview = Page->GetPreview();
    const int width = preview.GetImageWidth();
    ASSERT_GT(width, 0);
    EXPECT_EQ(preview.GetSurfacePixel(width / 4, 5), RGB(200, 30, 40));
    EXPECT_EQ(preview.GetSurfacePixel(width * 3 / 4, 5), RGB(0x10, 0xA0, 0x40));

    // A colour chosen later on the output page shows when the page is seen again.
    Wizard.SetActivePage(2);
    Wizard.Settings.BackgroundColor = RGB(20, 40, 220);
    Wizard.SetActivePage(1);
    Settle();
    EXPECT_EQ(preview.GetSurfacePixel(width / 4, 5), RGB(20, 40, 220));
    EXPECT_EQ(preview.GetSurfacePixel(width * 3 / 4, 5), RGB(0x10, 0xA0, 0x40));
}

TEST_F(SourcePageTest, DamagedAndForeignPicturesAreNeitherPreviewedNorTaken)
{
    const TestPicture picture = MakeTestPicture(64, 48);
    const std::vector<std::uint8_t> png = ReadBytes(Files.Encoded("whole.png", GUID_ContainerFormatPng, picture));
    const std::vector<std::uint8_t> jpeg = ReadBytes(Files.Encoded("whole.jpg", GUID_ContainerFormatJpeg, picture));
    const std::string text = "not a picture at all\r\n";
    // A damaged picture whose header is whole shows the size the header gives; a file that is no
    // picture leaves the size shown last.
    const std::pair<std::string, const char*> files[] = {
        {Files.Write("cut.png", {png.begin(), png.begin() + png.size() / 2}), "64 x 48"},
        {Files.Write("cut.jpg", {jpeg.begin(), jpeg.end() - 100}), "64 x 48"},
        {Files.Write("text.png", {text.begin(), text.end()}), "30 x 20"}};
    for (const auto& [file, dimensions] : files)
    {
        SCOPED_TRACE(file);
        SetPath(Files.Picture("good.bmp", 30, 20, 24));
        SetPath(file);
        EXPECT_EQ(Page->GetPreview().GetImageWidth(), 0);
        EXPECT_EQ(Dimensions(), dimensions);
        uitest::ClearMessageBoxes();
        Next();
        ExpectRefused(IDS_NOT_A_PICTURE, file);
    }
}

// --- the file dialog --------------------------------------------------------------------------

TEST_F(SourcePageTest, BrowseFillsThePathAndRemembersIt)
{
    const std::string picture = Files.Picture("chosen.bmp", 123, 45, 24);
    DialogAnswer.Result = IDOK;
    DialogAnswer.Chosen = picture;
    Browse();
    ASSERT_EQ(DialogAnswer.Calls, 1);
    EXPECT_TRUE(DialogAnswer.OpenDialog);
    EXPECT_FALSE(DialogAnswer.HadInitialDir);  // nothing chosen yet in this run
    EXPECT_EQ(DialogAnswer.Flags & OFN_FILEMUSTEXIST, static_cast<DWORD>(OFN_FILEMUSTEXIST));
    EXPECT_EQ(
        DialogAnswer.Filter,
        "Pictures (*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.tif;*.tiff;*.webp;*.avif;*.heic;*.heif;*.hif;*.jxl)|*.bmp;*.png;"
        "*.jpg;*.jpeg;*.gif;*.tif;*.tiff;*.webp;*.avif;*.heic;*.heif;*.hif;*.jxl|Bitmap files (*.bmp)|*.bmp|"
        "PNG files (*.png)|*.png|JPEG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|GIF files (*.gif)|*.gif|"
        "TIFF files (*.tif;*.tiff)|*.tif;*.tiff|WebP files (*.webp)|*.webp|AVIF files (*.avif)|*.avif|"
        "HEIF files (*.heic;*.heif;*.hif)|*.heic;*.heif;*.hif|JPEG XL files (*.jxl)|*.jxl|All Files (*.*)|*.*|");
    EXPECT_EQ(DialogAnswer.DefaultExtension, "bmp");

    EXPECT_EQ(Text(PageItem(IDC_PATH)), picture);
    EXPECT_EQ(std::string(LastPath), picture);
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(Dimensions(), "123 x 45");
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
}

TEST_F(SourcePageTest, BrowseStartsFromTheLastPathChosen)
{
    LastPath = "C:\\pictures\\earlier.bmp";
    Browse();
    ASSERT_EQ(DialogAnswer.Calls, 1);
    EXPECT_TRUE(DialogAnswer.HadInitialDir);
    EXPECT_EQ(DialogAnswer.InitialDir, "C:\\pictures\\earlier.bmp");

    const std::string picture = Files.Picture("next.bmp", 10, 10, 24);
    DialogAnswer.Result = IDOK;
    DialogAnswer.Chosen = picture;
    Browse();
    Browse();
    EXPECT_EQ(DialogAnswer.InitialDir, picture);
}

TEST_F(SourcePageTest, CancelledBrowseChangesNothing)
{
    const std::string picture = Files.Picture("typed.bmp", 40, 30, 24);
    SetPath(picture);
    LastPath = "C:\\elsewhere\\other.bmp";
    DialogAnswer.Result = IDCANCEL;
    DialogAnswer.Chosen = Files.Path() + "\\ignored.bmp";
    Browse();
    EXPECT_EQ(DialogAnswer.Calls, 1);
    EXPECT_EQ(Text(PageItem(IDC_PATH)), picture);
    EXPECT_EQ(std::string(Page->GetSourcePath()), picture);
    EXPECT_EQ(std::string(LastPath), "C:\\elsewhere\\other.bmp");
    EXPECT_EQ(Dimensions(), "40 x 30");
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
}

// --- reading beside the interface ---------------------------------------------------------------

namespace
{

// Files as Explorer hands them over in a drop: a DROPFILES record and the wide names after it.
HDROP MakeDrop(const std::vector<std::string>& paths)
{
    std::wstring names;
    for (const std::string& path : paths)
        names += std::wstring(path.begin(), path.end()) + L'\0';
    names += L'\0';
    HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(::GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(files + 1, names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

}  // namespace

TEST_F(SourcePageTest, ThePictureIsReadBesideTheInterfaceNeverOnIt)
{
    // Every keystroke is answered before the file is read: nothing is shown until the page's
    // messages are answered, however large the picture.
    const std::string picture = Files.Picture("read.bmp", 120, 90, 24);
    for (char ch : picture)
        ::SendMessageA(PageItem(IDC_PATH), WM_CHAR, static_cast<unsigned char>(ch), 1);
    EXPECT_EQ(Text(PageItem(IDC_PATH)), picture);
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(Dimensions(), "");
    EXPECT_TRUE(Page->IsLoading());
    Settle();
    EXPECT_EQ(Dimensions(), "120 x 90");
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
}

TEST_F(SourcePageTest, APictureTooLargeToPreviewShowsItsSizeAndSaysWhy)
{
    SetPath(Files.Picture("small.bmp", 30, 20, 24));
    ASSERT_GT(Page->GetPreview().GetImageWidth(), 0);
    const std::string huge = Files.Write("huge.png", uitest::HugePngHeader());
    SetPath(huge);
    EXPECT_EQ(Dimensions(), "16384 x 16384");
    EXPECT_EQ(Page->GetPreview().GetImageWidth(), 0);
    // Said where the preview would be.
    EXPECT_EQ(std::string(Page->GetPreview().GetNote()), "No preview: decoding this 16384 x 16384 picture would "
                                                         "take about 1.6 GB of memory, more than a preview may take "
                                                         "(200 MB).");
    EXPECT_EQ(Note(), "");

    // Next needs the conversion's own opening of the picture, which the preview left out: it says
    // that it waits, and then refuses this one, whose data are missing.
    PressNext();
    EXPECT_TRUE(Page->IsNextWaiting());
    EXPECT_EQ(Note(), "Checking the picture before going on...");
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    Settle();
    ExpectRefused(IDS_NOT_A_PICTURE, huge, "Damaged PNG data: too little data for a 16384 x 16384 picture.");
    EXPECT_FALSE(Page->IsNextWaiting());
    EXPECT_EQ(Note(), "");
    EXPECT_EQ(std::string(Page->GetPreview().GetNote()).rfind("No preview: ", 0), 0u);

    // Another picture takes the words away with the reason.
    SetPath(Files.Picture("after.bmp", 30, 20, 24));
    EXPECT_EQ(std::string(Page->GetPreview().GetNote()), "");
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
}

TEST_F(SourcePageTest, NextPressedBeforeThePictureIsReadWaitsUntilItIsOrANewNameOrBackEndsTheWait)
{
    enum class Then
    {
        Nothing,
        AnotherName,
        Back
    };
    // A picture of its own each time, so that none has been read before.
    for (Then then : {Then::AnotherName, Then::Back, Then::Nothing})
    {
        SCOPED_TRACE(static_cast<int>(then));
        const std::string picture = Files.Picture("soon" + std::to_string(static_cast<int>(then)) + ".bmp", 64, 32, 24);
        Wizard.SetActivePage(1);
        ::SetWindowTextA(PageItem(IDC_PATH), picture.c_str());
        PressNext();
        EXPECT_EQ(Wizard.GetActiveIndex(), 1);
        ASSERT_TRUE(Page->IsNextWaiting());
        EXPECT_EQ(Note(), "Checking the picture before going on...");
        if (then == Then::Back)
            Back();
        else if (then == Then::AnotherName)
            ::SetWindowTextA(PageItem(IDC_PATH), (picture + "x").c_str());
        EXPECT_EQ(Page->IsNextWaiting(), then == Then::Nothing);
        Settle();
        EXPECT_TRUE(uitest::MessageBoxes().empty());
        EXPECT_EQ(Note(), "");
        EXPECT_EQ(Wizard.GetActiveIndex(), then == Then::Nothing ? 2 : then == Then::Back ? 0 : 1);
        if (then != Then::Nothing)
        {
            EXPECT_TRUE(Wizard.Settings.SourcePath.empty());
            continue;
        }
        EXPECT_EQ(Wizard.Settings.SourcePath, picture);
        EXPECT_EQ(Wizard.Settings.SourceBitmap.Width, 64);
        EXPECT_EQ(Wizard.Settings.SourceBitmap.Height, 32);
    }
}

TEST_F(SourcePageTest, APictureDroppedFromExplorerIsTakenAsIfTypedAndFoldersOrSeveralFilesAreRefused)
{
    const std::string kept = Files.Picture("kept.bmp", 10, 10, 24);
    SetPath(kept);
    const std::string picture = Files.Picture("dropped.bmp", 81, 27, 24);
    const struct
    {
        std::vector<std::string> Dropped;
        std::string Message;  // "": taken
    } cases[] = {
        {{kept, picture}, "Drop one picture at a time: 2 files were dropped."},
        {{Files.Path()}, "'" + Files.Path() + "' is a folder. Choose a picture file."},
        {{picture}, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Message);
        uitest::ClearMessageBoxes();
        ::SendMessageA(*Page, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(c.Dropped)), 0);
        Settle();
        if (c.Message.empty())
        {
            EXPECT_TRUE(uitest::MessageBoxes().empty());
            continue;
        }
        ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
        EXPECT_EQ(uitest::MessageBoxes()[0].Text, c.Message);
        EXPECT_EQ(uitest::MessageBoxes()[0].Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(Text(PageItem(IDC_PATH)), kept);
    }
    EXPECT_EQ(Text(PageItem(IDC_PATH)), picture);
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(Dimensions(), "81 x 27");
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(Wizard.Settings.SourcePath, picture);
    // The output page proposes the page's name from the dropped picture's.
    char target[MAX_PATH] = "";
    ::GetDlgItemTextA(*Wizard.GetPage(2), IDC_PATH, target, sizeof target);
    EXPECT_EQ(std::string(target), picture.substr(0, picture.size() - 4) + ".html");
}

TEST_F(SourcePageTest, ThePreviewsBitmapsAreReleased)
{
    const std::string a = Files.Picture("a.bmp", 64, 32, 24);
    const std::string b = Files.Encoded("b.png", GUID_ContainerFormatPng, MakeTestPicture(16, 64));
    SetPath(a);
    const int before = uitest::GdiObjectCount();
    for (int n = 0; n < 5; ++n)
    {
        SetPath(b);
        SetPath(a);
    }
    EXPECT_GT(Page->GetPreview().GetImageWidth(), 0);
    EXPECT_EQ(uitest::GdiObjectCount(), before);
}
