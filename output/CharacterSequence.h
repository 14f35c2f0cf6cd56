// CCharacterSequence: which character each cell of a page shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Runs through a character set cell by cell, in order or at random, as the page's order says.
// In order, the characters follow each other cyclically across line breaks; at random, every
// cell after the first draws from the classic C runtime generator, which each sequence runs on
// its own from the same unseeded start, so that equal settings give equal pages every time and
// pages written at once on several threads do not disturb each other. Either way the first cell
// shows the set's first character.
class CCharacterSequence
{
public:
    CCharacterSequence() = default;

    // Starts over with the characters of set (text in the program's code page, split into code
    // points; an empty set draws spaces) in order (sequential) or at random.
    void Start(const std::string& set, bool sequential);
    // The character of the next cell; the sequence then moves on.
    char32_t Next();
    // The next value, 0 to 32767, of the classic C runtime's generator.
    int NextRandom();
    // The characters of the set, as cells show them.
    const std::u32string& Characters() const { return Set; }

private:
    std::u32string Set;
    bool Sequential = true;
    std::size_t Index = 0;
    std::uint32_t RandomState = 1;
};
