# Debian's picture libraries, for the Linux decoders and for the programs that write test
# pictures with the libraries' own encoders (tests, fuzz seeds, benchmark).
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(TIFF REQUIRED)
# libwebp ships no CMake or Find module in Debian: its header and library are looked up plainly.
find_path(WEBP_INCLUDE_DIR webp/decode.h REQUIRED)
find_library(WEBP_LIBRARY webp REQUIRED)

function(glyphcast_link_picture_libraries target scope)
  target_include_directories(${target} ${scope} ${WEBP_INCLUDE_DIR})
  target_link_libraries(${target} ${scope} PNG::PNG JPEG::JPEG GIF::GIF TIFF::TIFF ${WEBP_LIBRARY})
endfunction()
