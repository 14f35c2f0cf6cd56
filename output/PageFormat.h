// CPageFormat: one kind of page, the markup around and between its cells.
#pragma once

#include "base/RgbColor.h"
#include "engine/CellSink.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What a page's head shows, beside its cells.
struct PageLook
{
    std::uint32_t Columns = 0;
    std::uint32_t Rows = 0;
    std::string FontFace;
    RgbColor Background = 0;
    std::string Title;      // the page's name where it has one: its picture's file name
    CellSampling Sampling;  // how the samples of each cell come, as Sampling gave it for the set
};

// The pieces of one kind of page, asked for in turn by the page writer, which keeps the cells'
// characters and the file: the head, a cell, the line break after each row, the tail. Each piece
// is appended to out. A format may keep what it needs across the cells of one page; a new one is
// made for every page. A format whose head names what only the cells tell (the colours the page
// shares) keeps every cell instead, appends nothing until the tail, and then gives the whole page
// through Drain.
class CPageFormat
{
public:
    CPageFormat() = default;
    virtual ~CPageFormat() = default;
    CPageFormat(const CPageFormat&) = delete;
    CPageFormat& operator=(const CPageFormat&) = delete;

    // The extension its pages' file names take, with its dot.
    virtual const char* Extension() const { return ".html"; }
    // How finely each cell is sampled when the cells show characters of set: the cell's colours
    // come as Across x Down samples.
    virtual CellSampling Sampling(const std::u32string& /*set*/) const { return CellSampling(); }

    virtual void Head(std::string& out, const PageLook& look) = 0;
    // A cell showing character: its samples start at samples, Across of them side by side, the
    // next Down row of them stride further on.
    virtual void Cell(std::string& out, const RgbColor* samples, std::size_t stride, char32_t character) = 0;
    virtual void LineBreak(std::string& out) = 0;
    virtual void Tail(std::string& out) = 0;
    // After the tail, the next part of a page the format kept back, appended to out; false once
    // nothing is left. A part is of about 64 KiB, so that a large page never sits whole in memory.
    virtual bool Drain(std::string& /*out*/) { return false; }
    // True when the format could not keep or work out its cells for want of memory: the page is lost.
    virtual bool OutOfMemory() const { return false; }

    // The bytes of a page of look's grid whose cells show the characters of set (split into
    // code points, an empty set drawing spaces), each equally often: exact when each cell's size
    // depends on its character alone and the set is used in order, what to expect otherwise.
    virtual std::uint64_t EstimateSize(const PageLook& look, const std::u32string& set);
    // The memory the format keeps while it writes a page of look's grid (a format that keeps
    // every cell until its tail); 0 for one that writes each cell as it comes.
    virtual std::uint64_t MemoryNeeded(const PageLook& /*look*/) const { return 0; }
};
