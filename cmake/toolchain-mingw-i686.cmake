# Cross build for 32-bit Windows with Debian's MinGW-w64 (i686, POSIX threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_prefix i686-w64-mingw32)
find_program(_cxx NAMES ${_prefix}-g++-posix ${_prefix}-g++)
find_program(_cc NAMES ${_prefix}-gcc-posix ${_prefix}-gcc)
set(CMAKE_C_COMPILER ${_cc})
set(CMAKE_CXX_COMPILER ${_cxx})
set(CMAKE_RC_COMPILER ${_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests (and anything else CTest starts) run under Wine.
find_program(GLYPHCAST_WINE NAMES wine)
if(GLYPHCAST_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GLYPHCAST_WINE})
endif()
