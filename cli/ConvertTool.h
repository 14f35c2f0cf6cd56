// The command-line tool's whole run, apart from the process it runs in.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// The tool's name, as it starts every message.
extern const char ConvertToolName[];

// Exit statuses of the tool.
const int ExitWritten = 0;
const int ExitFailed = 1;
const int ExitUsage = 2;

// The most a picture from standard input or a pipe may hold: 1 GiB.
const unsigned long long MaximumStreamedPicture = 1ull << 30;

// Runs glyphcast-convert with the arguments after the program name. A source "-" is
// read from in; a page for standard output, help and version go to out; failures go to
// err as one line each, naming the file and the reason. With onTerminal, a run that
// lasts more than about a second reports its progress on err. Returns the exit status.
int RunConvertTool(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
                   bool onTerminal);
