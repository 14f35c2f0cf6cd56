#include "tests/engine/PageSettings.h"

#include "base/TextEncoding.h"
#include "output/PageConversion.h"
#include "output/PageStyle.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

ConversionSettings GridSettings(std::uint32_t columns, std::uint32_t rows, const char* characters, int order,
                                RgbColor background)
{
    ConversionSettings settings;
    settings.Columns = columns;
    settings.Rows = rows;
    settings.CharacterSet = characters;
    settings.CharacterOrder = order;
    settings.FontFace = "Courier New";
    settings.BackgroundColor = background;
    return settings;
}

ConversionSettings TwoCellPhotoSettings(const CTempDir& dir)
{
    // Each channel all or nothing, which the page's sharpening leaves as it is.
    const RgbColor red = MakeRgb(255, 0, 0), green = MakeRgb(0, 255, 0), blue = MakeRgb(0, 0, 255);
    CBmpBuilder picture(4, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.SetColor(x, y, y < 2 ? (x < 2 ? red : green) : blue);
    ConversionSettings settings = GridSettings(2, 1, "\xE2\x96\x80", 0);
    settings.SourcePath = dir.Path("two.bmp");
    settings.TargetPath = dir.Path("two.html");
    settings.Style = PageStyle::Photo;
    EXPECT_TRUE(WriteBytes(settings.SourcePath, picture.Build())) << settings.SourcePath;
    return settings;
}

ConversionResult RunInUtf8(const ConversionSettings& settings)
{
    SetTextCodePage(TextCodePage::Utf8);
    const ConversionResult result = RunConversion(settings, false);
    SetTextCodePage(TextCodePage::Active);
    return result;
}
