#include "engine/HtmlWriter.h"

#include "engine/TextEncoding.h"
#include "engine/Win32Api.h"

#include <cstring>

namespace
{

const char Footer[] = "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";
const char LineBreak[] = "<BR>\r\n";
const char HexDigits[] = "0123456789ABCDEF";

#ifdef _WIN32
const char PathSeparators[] = "\\/:";
#else
const char PathSeparators[] = "/";
#endif

// The attributes a replaced page passes on to its successor (read-only ones are never replaced).
const DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_NORMAL;

// Appends #RRGGBB's six digits, red first.
char* AppendColor(char* out, RgbColor color)
{
    const unsigned parts[3] = {RedOf(color), GreenOf(color), BlueOf(color)};
    for (unsigned part : parts)
    {
        *out++ = HexDigits[part >> 4];
        *out++ = HexDigits[part & 0x0F];
    }
    return out;
}

char* AppendText(char* out, const char* text)
{
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// The longest character reference, that of the highest code point: "&#1114111;".
const std::size_t LongestReference = 10;
const char CellStart[] = "<FONT COLOR=#";
const char CellEnd[] = "</FONT>";
// A cell: its start, six colour digits, '>', the character as one byte, "&nbsp;" or a reference,
// and its end.
const std::size_t CellSize = sizeof CellStart - 1 + 6 + 1 + LongestReference + sizeof CellEnd - 1;

// Appends the character as a numeric character reference, "&#9608;".
char* AppendReference(char* out, char32_t character)
{
    if (character > 0x10FFFF)
        character = 0xFFFD;
    char digits[8];
    int count = 0;
    do
    {
        digits[count++] = static_cast<char>('0' + character % 10);
        character /= 10;
    } while (character != 0);
    *out++ = '&';
    *out++ = '#';
    while (count > 0)
        *out++ = digits[--count];
    *out++ = ';';
    return out;
}

// Whether a character goes into the page as itself: printable ASCII that means nothing to the
// markup where it stands. Everything else is written as a reference, so that the page is plain
// ASCII and every browser shows the character whatever encoding it guesses.
bool IsPlain(char32_t character, const char* markup)
{
    return character >= 0x20 && character <= 0x7E && !std::strchr(markup, static_cast<int>(character));
}

// The head, formed whole whatever the length of the face name. Any face stays within its quotes:
// quotes, markup and letters beyond ASCII become references.
std::string FormatHead(RgbColor background, const std::string& fontFace)
{
    char color[6];
    AppendColor(color, background);
    std::string head = "<HTML>\r\n<BODY BGCOLOR=#";
    head.append(color, sizeof color);
    head += ">\r\n<CENTER><FONT FACE='";
    std::u32string face;
    SplitCharacters(fontFace.c_str(), face);
    for (char32_t character : face)
    {
        if (IsPlain(character, "'\"<>&"))
        {
            head += static_cast<char>(character);
        }
        else
        {
            char reference[LongestReference];
            head.append(reference, static_cast<std::size_t>(AppendReference(reference, character) - reference));
        }
    }
    head += "' SIZE=1>\r\n";
    return head;
}

// Forms one cell into cell (CellSize bytes are enough) and returns its length.
std::size_t FormatCell(char* cell, RgbColor color, char32_t character)
{
    char* out = AppendText(cell, CellStart);
    out = AppendColor(out, color);
    *out++ = '>';
    if (character == ' ')
        out = AppendText(out, "&nbsp;");
    else if (IsPlain(character, "<>&"))
        *out++ = static_cast<char>(character);
    else
        out = AppendReference(out, character);
    out = AppendText(out, CellEnd);
    return static_cast<std::size_t>(out - cell);
}

}  // namespace

CHtmlWriter::CHtmlWriter()
    : Columns(0), Rows(0), CharacterOrder(0), BackgroundColor(0), ErrorCode(0), CharacterIndex(0), ColumnCounter(0),
      RandomState(1)
{
}

CHtmlWriter::~CHtmlWriter()
{
    Close();
}

bool CHtmlWriter::Open(const std::string& path)
{
    Close();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    ClearReadOnly(path);
    FileHandle = CHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!FileHandle)
    {
        ErrorCode = GetLastError();
        // A file that could not be replaced keeps the read-only attribute it had.
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesA(path.c_str(), attributes);
        return false;
    }
    ErrorCode = 0;
    return true;
}

bool CHtmlWriter::OpenReplacing(const std::string& path)
{
    Close();
    // A short name of our own in the target's folder, so that the move is a rename on one volume
    // and a target whose path is as long as the system allows still has room beside it.
    // CREATE_NEW never takes over a file that is already there.
    const std::string folder = path.substr(0, path.find_last_of(PathSeparators) + 1);
    for (unsigned attempt = 1; attempt <= 100; ++attempt)
    {
        const std::string candidate = folder + "~gc" + std::to_string(attempt) + ".tmp";
        FileHandle = CHandle(CreateFileA(candidate.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (FileHandle)
        {
            ErrorCode = 0;
            TargetPath = path;
            TemporaryPath = candidate;
            // Until Commit the file goes with its handle, however the process ends.
            MarkedForDeletion = MarkForDeletion(true);
            return true;
        }
        ErrorCode = GetLastError();
        if (ErrorCode != ERROR_FILE_EXISTS && ErrorCode != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CHtmlWriter::MarkForDeletion(bool remove)
{
    FILE_DISPOSITION_INFO disposition = {remove ? BOOLEAN(1) : BOOLEAN(0)};
    return SetFileInformationByHandle(FileHandle.Get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool CHtmlWriter::Commit()
{
    if (!FileHandle)
    {
        ErrorCode = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    // The page is complete: from here on it is kept when its handle closes.
    if (MarkedForDeletion && !MarkForDeletion(false))
    {
        ErrorCode = GetLastError();
        Close();
        return false;
    }
    MarkedForDeletion = false;
    const bool closed = FileHandle.Close();
    if (TemporaryPath.empty())
    {
        if (!closed)
            ErrorCode = GetLastError();
        return closed;
    }
    if (!closed || !MoveIntoPlace())
    {
        ErrorCode = GetLastError();
        Close();
        return false;
    }
    TemporaryPath.clear();
    TargetPath.clear();
    return true;
}

bool CHtmlWriter::MoveIntoPlace()
{
    // An existing page is replaced so that the new one keeps its permissions and attributes.
    const DWORD attributes = GetFileAttributesA(TargetPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    {
        if (ReplaceFileA(TargetPath.c_str(), TemporaryPath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                         nullptr))
        {
            SetFileAttributesA(TargetPath.c_str(), attributes & KeptAttributes);
            return true;
        }
        // A page removed meanwhile leaves nothing to replace; any other failure is final.
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
    }
    return MoveFileExA(TemporaryPath.c_str(), TargetPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void CHtmlWriter::Close()
{
    // A temporary file marked for deletion goes with its handle; the deletion below is for
    // systems without the mark and for a page that could not be moved into place.
    FileHandle.Close();
    MarkedForDeletion = false;
    if (!TemporaryPath.empty())
    {
        DeleteFileA(TemporaryPath.c_str());
        TemporaryPath.clear();
    }
    TargetPath.clear();
}

void CHtmlWriter::ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

void CHtmlWriter::ResetSequence()
{
    CharacterIndex = 0;
    ColumnCounter = 0;
    RandomState = 1;
}

int CHtmlWriter::NextRandom()
{
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int>((RandomState >> 16) & 0x7FFF);
}

bool CHtmlWriter::Write(const char* text, std::size_t length)
{
    if (!FileHandle)
    {
        ErrorCode = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    if (length > 0xFFFFFFFFu)
    {
        ErrorCode = 87;  // ERROR_INVALID_PARAMETER
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(FileHandle.Get(), text, static_cast<DWORD>(length), &written, nullptr))
    {
        ErrorCode = GetLastError();
        return false;
    }
    if (written != length)
    {
        ErrorCode = 112;  // ERROR_DISK_FULL: a short write leaves the page incomplete
        return false;
    }
    return true;
}

bool CHtmlWriter::WriteHeader()
{
    const std::string head = FormatHead(BackgroundColor, FontFace);
    return Write(head.data(), head.size());
}

bool CHtmlWriter::WriteFooter()
{
    return Write(Footer, sizeof Footer - 1);
}

bool CHtmlWriter::WriteCell(RgbColor color)
{
    // The character is taken before the index moves, so a page starts with the
    // set's first character. An empty set (which the run refuses) draws spaces.
    const std::u32string& characters = CellCharacters();
    const std::size_t length = characters.size();
    char32_t character = ' ';
    if (length > 0)
    {
        if (CharacterIndex < 0 || static_cast<std::size_t>(CharacterIndex) >= length)
            CharacterIndex = 0;
        character = characters[static_cast<std::size_t>(CharacterIndex)];
    }

    char cell[CellSize];
    bool written = Write(cell, FormatCell(cell, color, character));

    if (++ColumnCounter >= Columns)
    {
        if (written)
            written = Write(LineBreak, sizeof LineBreak - 1);
        ColumnCounter = 0;
    }

    if (length > 0)
    {
        if (CharacterOrder != 0)
            CharacterIndex = static_cast<std::int32_t>((static_cast<std::size_t>(CharacterIndex) + 1) % length);
        else
            CharacterIndex = static_cast<std::int32_t>(static_cast<std::size_t>(NextRandom()) % length);
    }
    return written;
}

std::size_t CHtmlWriter::HeadLength(const std::string& fontFace)
{
    return FormatHead(0, fontFace).size();
}

std::size_t CHtmlWriter::CellLength(char32_t character)
{
    char cell[CellSize];
    return FormatCell(cell, 0, character);
}

std::size_t CHtmlWriter::LineBreakLength()
{
    return sizeof LineBreak - 1;
}

std::size_t CHtmlWriter::FooterLength()
{
    return sizeof Footer - 1;
}

const std::u32string& CHtmlWriter::CellCharacters()
{
    // Split once per set; an invalid set (which the run refuses) draws U+FFFD where it cannot be read.
    if (CharacterSet != SplitSet)
    {
        SplitCharacters(CharacterSet, Characters);
        SplitSet = CharacterSet;
    }
    return Characters;
}
