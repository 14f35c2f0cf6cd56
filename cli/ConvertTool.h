// The command-line tool's whole run, apart from the process it runs in.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// The tool's name, as it starts every message.
extern const char ConvertToolName[];

// Exit statuses of the tool.
const int ExitWritten = 0;
const int ExitFailed = 1;
const int ExitUsage = 2;

// Runs glyphcast-convert with the arguments after the program name. Help and
// version go to out; failures go to err as one line naming the file and the
// reason. With showProgress, a conversion that lasts more than about a second
// reports its progress on err. Returns the exit status.
int RunConvertTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool showProgress);
