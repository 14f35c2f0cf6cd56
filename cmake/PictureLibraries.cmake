# Debian's picture libraries, for the Linux decoders and for the programs that write test
# pictures with the libraries' own encoders (tests, fuzz seeds, benchmark): libpng, libjpeg-turbo,
# giflib, libtiff, libwebp (with its demuxer, for the chunks around the picture), libheif (HEIF
# and AVIF, with its HEVC and AV1 codecs), libjxl, and Little CMS for colour profiles.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(TIFF REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(GLYPHCAST_PICTURE_PKGS REQUIRED IMPORTED_TARGET libwebp libwebpdemux libheif libjxl lcms2)
# libwebp's muxer only writes the chunks around a test picture: the converter does without it.
pkg_check_modules(GLYPHCAST_WEBPMUX REQUIRED IMPORTED_TARGET libwebpmux)

function(glyphcast_link_picture_libraries target scope)
  target_link_libraries(${target} ${scope} PNG::PNG JPEG::JPEG GIF::GIF TIFF::TIFF PkgConfig::GLYPHCAST_PICTURE_PKGS)
endfunction()

# For the programs that write test pictures with the libraries' encoders (tests/engine/PictureEncoder.cpp).
function(glyphcast_link_picture_encoders target scope)
  glyphcast_link_picture_libraries(${target} ${scope})
  target_link_libraries(${target} ${scope} PkgConfig::GLYPHCAST_WEBPMUX)
endfunction()
