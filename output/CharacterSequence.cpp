#include "output/CharacterSequence.h"

#include "base/TextEncoding.h"

void CCharacterSequence::Start(const std::string& set, bool sequential)
{
    // An invalid set (which the run refuses) draws U+FFFD where it cannot be read.
    SplitCharacters(set, Set);
    Sequential = sequential;
    Index = 0;
    RandomState = 1;
}

char32_t CCharacterSequence::Next()
{
    // The character is taken before the index moves, so a page starts with the set's first
    // character. An empty set (which the run refuses) draws spaces.
    const std::size_t length = Set.size();
    if (length == 0)
        return U' ';
    if (Index >= length)
        Index = 0;
    const char32_t character = Set[Index];
    Index = Sequential ? (Index + 1) % length : static_cast<std::size_t>(NextRandom()) % length;
    return character;
}

int CCharacterSequence::NextRandom()
{
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int>((RandomState >> 16) & 0x7FFF);
}
