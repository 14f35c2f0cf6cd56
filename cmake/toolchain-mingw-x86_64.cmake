# Cross build for 64-bit Windows (x86_64). The program we ship is the i686 build; this one keeps
# the code 64-bit clean and carries the tests on machines that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_prefix x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)

# Tests (and anything else CTest starts) run under the 64-bit loader itself: Debian's `wine`
# starts the 32-bit one whenever wine32 is installed, even for a 64-bit program.
find_program(GLYPHCAST_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(GLYPHCAST_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GLYPHCAST_WINE64})
endif()
