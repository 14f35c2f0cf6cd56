// Short, human-readable descriptions of the platform's file error codes.
#pragma once

#include <string>

// Describes a KERNEL error code (as GetLastError returns it) in a few words.
std::string DescribeSystemError(unsigned long code);
