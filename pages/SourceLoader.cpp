#include "pages/SourceLoader.h"

#include "controls/ImagePreview.h"
#include "controls/PreviewMemory.h"
#include "engine/CellSampler.h"
#include "engine/ConversionRun.h"
#include "engine/RowKeeper.h"
#include "engine/SourcePicture.h"

#include <algorithm>

CSourceLoader::CSourceLoader(HWND window, UINT lookMessage, UINT decodingMessage)
    : Window(window), LookMessage(lookMessage), DecodingMessage(decodingMessage)
{
}

CSourceLoader::~CSourceLoader() = default;

std::uint64_t CSourceLoader::Load(const std::string& path, RgbColor background, int fitWidth, int fitHeight)
{
    Order order;
    {
        std::lock_guard<std::mutex> guard(Lock);
        Latest = Order{Latest.Load + 1, path, background, fitWidth, fitHeight};
        order = Latest;
    }
    Looker.Post([this, order](const CLatestWorker::Superseded& superseded) { LookAt(order, superseded); });
    return order.Load;
}

void CSourceLoader::Check()
{
    Order order;
    {
        std::lock_guard<std::mutex> guard(Lock);
        order = Latest;
    }
    Decoder.Post([this, order](const CLatestWorker::Superseded& superseded) { Decode(order, false, superseded); });
}

std::uint64_t CSourceLoader::Newest() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return Latest.Load;
}

bool CSourceLoader::TakeLook(SourceLook& look)
{
    std::lock_guard<std::mutex> guard(Lock);
    if (!HasLook)
        return false;
    HasLook = false;
    if (LookResult.Load != Latest.Load)
        return false;
    look = LookResult;
    return true;
}

bool CSourceLoader::TakeDecoding(SourceDecoding& decoding)
{
    std::lock_guard<std::mutex> guard(Lock);
    if (!HasDecoding)
        return false;
    HasDecoding = false;
    if (DecodingResult.Load != Latest.Load)
    {
        DecodingResult = SourceDecoding();
        return false;
    }
    decoding = std::move(DecodingResult);
    DecodingResult = SourceDecoding();
    return true;
}

bool CSourceLoader::IsBusy() const
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        if (HasLook || HasDecoding)
            return true;
    }
    return Looker.IsBusy() || Decoder.IsBusy();
}

void CSourceLoader::LookAt(const Order& order, const CLatestWorker::Superseded& superseded)
{
    SourceLook look;
    look.Load = order.Load;
    look.Folder = FolderExists(order.Path);
    look.Exists = FileExists(order.Path);
    CSourcePicture picture;
    SourceFacts facts;
    if (picture.Peek(order.Path, facts))
    {
        look.SizeKnown = facts.SizeKnown;
        look.Size = {static_cast<std::int32_t>(facts.Width), static_cast<std::int32_t>(facts.Height)};
        look.NoPreview = PreviewMemoryProblem(facts);
        look.PreviewFollows = look.NoPreview.empty();
    }
    else
    {
        look.Refusal = picture.Failure();
    }
    if (superseded())
        return;
    {
        std::lock_guard<std::mutex> guard(Lock);
        LookResult = look;
        HasLook = true;
    }
    ::PostMessageA(Window, LookMessage, 0, 0);
    if (look.PreviewFollows)
    {
        Order decoding = order;
        decoding.SizeKnown = look.SizeKnown;
        Decoder.Post([this, decoding](const CLatestWorker::Superseded& newer) { Decode(decoding, true, newer); });
    }
}

void CSourceLoader::Decode(const Order& order, bool preview, const CLatestWorker::Superseded& superseded)
{
    if (order.Load != Newest())
        return;
    SourceDecoding decoding;
    decoding.Load = order.Load;
    CSourcePicture picture;
    if (!picture.Open(order.Path, order.Background))
    {
        decoding.Check = picture.Failure();
    }
    else
    {
        decoding.Check.Path = order.Path;
        decoding.Size = {static_cast<std::int32_t>(picture.Width()), static_cast<std::int32_t>(picture.Height())};
        // A picture whose size only the decoder could tell is measured against the ceiling now.
        SourceFacts facts;
        if (preview && !order.SizeKnown)
        {
            CompleteFacts(picture, facts);
            decoding.NoPreview = PreviewMemoryProblem(facts);
        }
        if (preview && decoding.NoPreview.empty())
        {
            bool unreadable = false;
            // The rows come down once for the preview; the finish page's preview reads them again.
            CRowKeeper keeper(picture, order.Path, order.Background, MaximumHeldBytes);
            decoding.Preview = SamplePreview(keeper, order.FitWidth, order.FitHeight, superseded, unreadable);
            if (superseded() || order.Load != Newest())
                return;
            // Rows that could not be read are the conversion's failure as well.
            if (unreadable)
                decoding.Check = picture.ReadFailure();
            else
                decoding.Held = keeper.Take();
        }
        // What the decoder read past, as viewers do; known once the rows are in.
        if (decoding.Check.Succeeded())
            decoding.Check.Warning = picture.Warning();
    }
    picture.Close();
    {
        std::lock_guard<std::mutex> guard(Lock);
        if (order.Load != Latest.Load)
            return;
        DecodingResult = std::move(decoding);
        HasDecoding = true;
    }
    ::PostMessageA(Window, DecodingMessage, 0, 0);
}

std::shared_ptr<CBitmap> CSourceLoader::SamplePreview(CPictureSource& picture, int fitWidth, int fitHeight,
                                                      const CLatestWorker::Superseded& superseded, bool& unreadable)
{
    unreadable = false;
    // Shrunk to the preview's size, never enlarged: the preview does that as it draws.
    const CSize fitted = CImagePreview::FitImage(fitWidth, fitHeight, static_cast<int>(picture.Width()),
                                                 static_cast<int>(picture.Height()));
    const auto width = static_cast<std::uint32_t>(std::min<LONG>(fitted.cx, static_cast<LONG>(picture.Width())));
    const auto height = static_cast<std::uint32_t>(std::min<LONG>(fitted.cy, static_cast<LONG>(picture.Height())));
    if (width == 0 || height == 0)
        return nullptr;

    // Top-down, like the rows.
    void* bits = nullptr;
    auto bitmap = std::make_shared<CBitmap>();
    bitmap->CreateTopDownDib(nullptr, static_cast<int>(width), static_cast<int>(height), &bits);
    if (!bits)
        return nullptr;
    CCellSampler sampler(picture, width, height);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        if (superseded())
            return nullptr;
        if (!sampler.BeginRow(y))
        {
            unreadable = true;
            return nullptr;
        }
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const RgbColor colour = sampler.SampleCell(x);
            pixels[std::size_t(y) * width + x] = BlueOf(colour) | GreenOf(colour) << 8 | RedOf(colour) << 16;
        }
    }
    ::GdiFlush();
    return bitmap;
}
