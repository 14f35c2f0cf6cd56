// CSourceLoader: the source page's reading of the named picture, beside the interface thread.
#pragma once

#include "base/RgbColor.h"
#include "engine/ConversionResult.h"
#include "engine/ConversionSettings.h"
#include "engine/HeldPicture.h"
#include "engine/LatestWorker.h"
#include "engine/PictureSource.h"
#include "winlib/Afx.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// What a look at the named file's header gave: at once, whatever the picture's size.
struct SourceLook
{
    std::uint64_t Load = 0;  // the load it belongs to
    bool Exists = false;     // the path names a file that is not a folder
    bool Folder = false;     // the path names a folder
    bool SizeKnown = false;  // Size is the picture's upright size
    PictureSize Size;
    ConversionResult Refusal;  // why the file is no picture the conversion opens (empty Path: it may be)
    bool PreviewFollows = false;
    std::string NoPreview;  // why no preview follows (the picture is too large to decode for one)
};

// What opening and decoding the picture gave, after the look.
struct SourceDecoding
{
    std::uint64_t Load = 0;
    ConversionResult Check;                // the conversion's own opening of the picture (and reading of its rows)
    PictureSize Size;                      // the opened picture's upright size
    std::shared_ptr<CBitmap> Preview;      // the picture fitted into the preview's size; null for none
    std::string NoPreview;                 // why there is none, found once the decoder told the size
    std::shared_ptr<const HeldRows> Held;  // the decoded rows, kept for the finish page; null for none
};

// Reads a picture in two steps on two threads of their own, so that neither the interface nor the
// header of a newer name waits for an older picture's decoding: the look (file, format, size from
// the header) and the decoding (the conversion's own opening of the picture, the preview sampled
// from its rows, upright and over the background). The newest load wins: a load's steps give up as
// soon as a newer one has started, and results of older loads are never handed out. Each result is
// announced by a message posted to the window, and taken with TakeLook or TakeDecoding.
class CSourceLoader
{
public:
    // Results are announced to window with lookMessage and decodingMessage.
    CSourceLoader(HWND window, UINT lookMessage, UINT decodingMessage);
    ~CSourceLoader();
    CSourceLoader(const CSourceLoader&) = delete;
    CSourceLoader& operator=(const CSourceLoader&) = delete;

    // Starts reading path, the preview to fit within fitWidth x fitHeight; returns the new load.
    std::uint64_t Load(const std::string& path, RgbColor background, int fitWidth, int fitHeight);
    // Opens the newest load's picture without a preview, for a picture too large to preview.
    void Check();
    std::uint64_t Newest() const;

    // The newest load's result, once; false when there is none (yet).
    bool TakeLook(SourceLook& look);
    bool TakeDecoding(SourceDecoding& decoding);
    // True while a step runs or waits, or a result has not been taken yet.
    bool IsBusy() const;

private:
    struct Order
    {
        std::uint64_t Load = 0;
        std::string Path;
        RgbColor Background = 0;
        int FitWidth = 0;
        int FitHeight = 0;
        bool SizeKnown = false;  // the header told the size (so the decoding need not check it)
    };
    void LookAt(const Order& order, const CLatestWorker::Superseded& superseded);
    void Decode(const Order& order, bool preview, const CLatestWorker::Superseded& superseded);
    // The picture's rows sampled down to at most fitWidth x fitHeight, its proportions kept (never
    // enlarged); null when a newer load has come, or (unreadable set) the rows cannot be read.
    static std::shared_ptr<CBitmap> SamplePreview(CPictureSource& picture, int fitWidth, int fitHeight,
                                                  const CLatestWorker::Superseded& superseded, bool& unreadable);

    HWND Window;
    UINT LookMessage;
    UINT DecodingMessage;
    mutable std::mutex Lock;
    Order Latest;
    bool HasLook = false;
    SourceLook LookResult;
    bool HasDecoding = false;
    SourceDecoding DecodingResult;
    // Last, so that their threads end before the state above goes.
    CLatestWorker Decoder;
    CLatestWorker Looker;
};
