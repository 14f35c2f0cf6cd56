# What both Windows cross builds share, with Debian's MinGW-w64 (POSIX threads). The toolchain
# files for each processor set CMAKE_SYSTEM_PROCESSOR and _prefix, then include this one.
set(CMAKE_SYSTEM_NAME Windows)

find_program(_cxx NAMES ${_prefix}-g++-posix ${_prefix}-g++)
find_program(_cc NAMES ${_prefix}-gcc-posix ${_prefix}-gcc)
set(CMAKE_C_COMPILER ${_cc})
set(CMAKE_CXX_COMPILER ${_cxx})
set(CMAKE_RC_COMPILER ${_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
