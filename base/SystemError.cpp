#include "base/SystemError.h"

std::string DescribeSystemError(unsigned long code)
{
    switch (code)
    {
    case 2:  // ERROR_FILE_NOT_FOUND
        return "the file does not exist";
    case 3:  // ERROR_PATH_NOT_FOUND
        return "the folder does not exist";
    case 4:  // ERROR_TOO_MANY_OPEN_FILES
        return "too many files are open";
    case 5:  // ERROR_ACCESS_DENIED
        return "access is denied";
    case 6:  // ERROR_INVALID_HANDLE
        return "it is closed";
    case 8:   // ERROR_NOT_ENOUGH_MEMORY
    case 14:  // ERROR_OUTOFMEMORY
        return "there is not enough memory";
    case 19:  // ERROR_WRITE_PROTECT
        return "the disk is write-protected";
    case 29:  // ERROR_WRITE_FAULT
        return "it cannot be written to";
    case 31:  // ERROR_GEN_FAILURE
        return "the device reported an input or output error";
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
        return "the file is in use";
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
        return "the disk is full";
    case 109:  // ERROR_BROKEN_PIPE
    case 232:  // ERROR_NO_DATA
        return "the pipe has been closed";
    case 123:  // ERROR_INVALID_NAME
        return "the name is not valid";
    case 206:  // ERROR_FILENAME_EXCED_RANGE
        return "the name is too long";
    case 223:  // ERROR_FILE_TOO_LARGE
        return "the file is too large";
    case 267:  // ERROR_DIRECTORY
        return "the folder name is not valid";
    case 995:  // ERROR_OPERATION_ABORTED
        return "the program is being stopped";
    case 1006:  // ERROR_FILE_INVALID
        return "the file cannot be mapped";
    case 1921:  // ERROR_CANT_RESOLVE_FILENAME
        return "its symbolic links lead round in a loop";
    default: return "system error " + std::to_string(code);
    }
}
