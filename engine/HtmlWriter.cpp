#include "engine/HtmlWriter.h"

#include "engine/Win32Api.h"

#include <cstring>

namespace
{

const char Footer[] = "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";
const char LineBreak[] = "<BR>\r\n";
const char HexDigits[] = "0123456789ABCDEF";

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
    // A name of our own beside the target, so that the move is a rename on one volume;
    // CREATE_NEW never takes over a file that is already there.
    for (unsigned attempt = 1; attempt <= 100; ++attempt)
    {
        const std::string candidate = path + "~" + std::to_string(attempt) + ".tmp";
        FileHandle = CHandle(CreateFileA(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        if (FileHandle)
        {
            ErrorCode = 0;
            TargetPath = path;
            TemporaryPath = candidate;
            return true;
        }
        ErrorCode = GetLastError();
        if (ErrorCode != ERROR_FILE_EXISTS && ErrorCode != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CHtmlWriter::Commit()
{
    if (!FileHandle)
    {
        ErrorCode = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    const bool closed = FileHandle.Close();
    if (TemporaryPath.empty())
    {
        if (!closed)
            ErrorCode = GetLastError();
        return closed;
    }
    if (!closed)
    {
        ErrorCode = GetLastError();
        Close();
        return false;
    }
    const DWORD attributes = GetFileAttributesA(TargetPath.c_str());
    ClearReadOnly(TargetPath);
    if (!MoveFileExA(TemporaryPath.c_str(), TargetPath.c_str(), MOVEFILE_REPLACE_EXISTING))
    {
        ErrorCode = GetLastError();
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesA(TargetPath.c_str(), attributes);
        Close();
        return false;
    }
    TemporaryPath.clear();
    TargetPath.clear();
    return true;
}

void CHtmlWriter::Close()
{
    FileHandle.Close();
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

// The head is formed whole, whatever the length of the face name.
bool CHtmlWriter::WriteHeader()
{
    char color[6];
    AppendColor(color, BackgroundColor);
    std::string head = "<HTML>\r\n<BODY BGCOLOR=#";
    head.append(color, sizeof color);
    head += ">\r\n<CENTER><FONT FACE='";
    head += FontFace.c_str();
    head += "' SIZE=1>\r\n";
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
    const std::size_t length = CharacterSet.size();
    char character = ' ';
    if (length > 0)
    {
        if (CharacterIndex < 0 || static_cast<std::size_t>(CharacterIndex) >= length)
            CharacterIndex = 0;
        character = CharacterSet[static_cast<std::size_t>(CharacterIndex)];
    }

    char cell[64];
    char* out = AppendText(cell, "<FONT COLOR=#");
    out = AppendColor(out, color);
    *out++ = '>';
    if (character == ' ')
        out = AppendText(out, "&nbsp;");
    else
        *out++ = character;
    out = AppendText(out, "</FONT>");
    bool written = Write(cell, static_cast<std::size_t>(out - cell));

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
