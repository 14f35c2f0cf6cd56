// Text made safe to print in a message line.
#pragma once

#include <string>

// The text with every control character (C0, DEL and C1) and every byte that is not part of UTF-8
// text written out as an escape: \n, \r and \t by name, the rest as \xHH, one for each byte. A
// file name can then neither break a message into two lines (forging one of its own) nor send an
// escape sequence to the terminal. Backslashes stay as they are, for Windows paths.
std::string PrintableText(const std::string& text);
