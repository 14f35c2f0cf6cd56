# Cross build for 32-bit Windows (i686): the program we ship.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)

# Tests (and anything else CTest starts) run under Wine.
find_program(GLYPHCAST_WINE NAMES wine)
if(GLYPHCAST_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GLYPHCAST_WINE})
endif()
