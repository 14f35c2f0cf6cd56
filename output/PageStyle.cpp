#include "output/PageStyle.h"

#include "base/TextEncoding.h"
#include "output/ClassicPage.h"
#include "output/PhotoPage.h"

namespace
{

template <class Format>
std::unique_ptr<CPageFormat> Make()
{
    return std::make_unique<Format>();
}

}  // namespace

const std::vector<PageStyleInfo>& PageStyles()
{
    static const std::vector<PageStyleInfo> styles = {
        {PageStyle::Classic, "classic", "one coloured character a cell", 0, DefaultCharacterSet, &Make<CClassicPage>},
        // The half block draws a cell's top and bottom in two colours: twice the detail down the
        // picture, in a character every monospaced face has at the width of its digits.
        {PageStyle::Photo, "photo", "two colours a cell: looks like the picture", CPhotoPage::CellRatio, u8"\u2580",
         &Make<CPhotoPage>}};
    return styles;
}

const PageStyleInfo& PageStyleOf(PageStyle style)
{
    for (const PageStyleInfo& info : PageStyles())
    {
        if (info.Style == style)
            return info;
    }
    return PageStyles().front();
}

const PageStyleInfo* FindPageStyle(const std::string& name)
{
    for (const PageStyleInfo& info : PageStyles())
    {
        if (name == info.Name)
            return &info;
    }
    return nullptr;
}

std::unique_ptr<CPageFormat> CreatePageFormat(PageStyle style)
{
    return PageStyleOf(style).Create();
}

std::string PageExtensionOf(PageStyle style)
{
    return CreatePageFormat(style)->Extension();
}

std::string DefaultCharactersOf(PageStyle style)
{
    std::string text;
    return TextFromUtf8(PageStyleOf(style).DefaultCharacters, text) ? text : std::string(DefaultCharacterSet);
}

float CellRatioOf(PageStyle style, float fontRatio)
{
    const float ratio = PageStyleOf(style).CellRatio;
    return ratio > 0 ? ratio : fontRatio;
}
