# Cross build for 64-bit Windows with Debian's MinGW-w64 (x86_64, POSIX threads). The program we
# ship is the i686 build; this one keeps the code 64-bit clean and carries the tests on machines
# that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_prefix x86_64-w64-mingw32)
find_program(_cxx NAMES ${_prefix}-g++-posix ${_prefix}-g++)
find_program(_cc NAMES ${_prefix}-gcc-posix ${_prefix}-gcc)
set(CMAKE_C_COMPILER ${_cc})
set(CMAKE_CXX_COMPILER ${_cxx})
set(CMAKE_RC_COMPILER ${_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests (and anything else CTest starts) run under the 64-bit loader itself: Debian's `wine`
# starts the 32-bit one whenever wine32 is installed, even for a 64-bit program.
find_program(GLYPHCAST_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(GLYPHCAST_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GLYPHCAST_WINE64})
endif()
