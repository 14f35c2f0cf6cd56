# GoogleTest from Debian's source package, built with this build's own flags
# (sanitizers natively, MinGW for Windows). Sets GLYPHCAST_HAVE_GTEST.
set(GLYPHCAST_HAVE_GTEST OFF)
set(GLYPHCAST_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(EXISTS ${GLYPHCAST_GTEST_DIR}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${GLYPHCAST_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(TARGET gtest)
    # Keep our warnings policy out of third-party code.
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    set(GLYPHCAST_HAVE_GTEST ON)
  endif()
else()
  message(STATUS "GoogleTest sources not found in ${GLYPHCAST_GTEST_DIR}: tests are not built")
endif()
