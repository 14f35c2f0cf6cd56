// How large a page will be, told before it is written.
#pragma once

#include "engine/ConversionSettings.h"

#include <cstdint>
#include <string>

// The bytes of the page of the style a grid of columns x rows makes with this face and character
// set, taking each character of the set equally often: for the classic page exact when the
// characters are used in order, what to expect when they are drawn at random; for a style whose
// cells take what their colours ask, what a photo takes in the mean. An empty set counts as the
// spaces it draws.
std::uint64_t EstimatePageSize(std::uint32_t columns, std::uint32_t rows, const std::string& fontFace,
                               const std::string& characterSet, PageStyle style = PageStyle::Classic);

// The memory the page of settings' style, grid and characters keeps while it is written (a page
// that keeps its cells until its tail); 0 for one written cell by cell.
std::uint64_t PageMemoryNeeded(const ConversionSettings& settings);

// A size for people: "about 700 MB", "about 1.4 GB", "about 900 bytes" (decimal units, two
// significant digits below ten of a unit).
std::string DescribeSize(std::uint64_t bytes);
