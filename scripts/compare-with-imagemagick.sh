#!/usr/bin/env bash
# Measures how many pictures give the page of ImageMagick's decoding (the rules, and where
# ImageMagick 6 is asked differently, are in compare_with_imagemagick.py beside this script).
# Usage: scripts/compare-with-imagemagick.sh [PATH...]
#   With no path, three sets, none kept in the repository:
#   - the sample pictures bench/SamplePictures.cpp writes with the libraries' own encoders;
#   - the pictures Debian packages installed on this machine carry (test data and images of
#     scikit-image, imageio, matplotlib, Tk, NSIS; see Installed below), where present;
#   - photos among those, and the sample scene, written again in every format by ImageMagick's
#     encoders (which are the libraries': libjpeg, libpng, libwebp, libtiff, libheif).
#   Otherwise every file under the paths given. The build goes to build/compare (Release).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${COMPARE_BUILD_DIR:-$root/build/compare}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_SANITIZE=OFF -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target glyphcast-convert glyphcast_sample_pictures >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/samples" "$work/converted" "$work/judge"
"$build/bench/glyphcast_sample_pictures" "$work/samples" >/dev/null
mv "$work/samples/srgb.icc" "$work/srgb.icc"

Installed=(
    /usr/lib/python3/dist-packages/skimage/data
    /usr/lib/python3/dist-packages/skimage/registration/tests/data
    /usr/lib/python3/dist-packages/imageio/resources/images
    /usr/share/matplotlib/mpl-data/images
    /usr/share/matplotlib/mpl-data/sample_data
    /usr/lib/python3/dist-packages/mpl_toolkits/tests/baseline_images
    /usr/share/tcltk/tk8.6/images
    /usr/share/nsis/Contrib/Graphics
    /usr/share/pixmaps
)
Photos=(
    /usr/lib/python3/dist-packages/skimage/data/astronaut.png
    /usr/lib/python3/dist-packages/skimage/data/chelsea.png
    /usr/lib/python3/dist-packages/skimage/data/coffee.png
    /usr/lib/python3/dist-packages/skimage/data/camera.png
    /usr/lib/python3/dist-packages/skimage/data/logo.png
    /usr/lib/python3/dist-packages/skimage/data/rocket.jpg
    /usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg
    "$work/samples/rgb.png"
    "$work/samples/rgba.png"
)

# Each photo in each format and variant, by ImageMagick's writers.
convert_all() {
    local source=$1 name
    name=$(basename "${source%.*}")
    [ -f "$source" ] || return 0
    [[ $source != "$work"/* ]] || name=scene-$name
    local out=$work/converted/$name
    convert "$source" -quality 90 "$out.jpg"
    convert "$source" -quality 75 -interlace Plane "$out-progressive.jpg"
    convert "$source" -colorspace Gray -quality 85 "$out-grey.jpg"
    convert "$source" -quality 80 "$out-lossy.webp"
    convert "$source" -define webp:lossless=true "$out-lossless.webp"
    convert "$source" -quality 60 "$out.heic"
    convert "$source" -quality 60 "$out.avif"
    convert "$source" -compress LZW "$out-lzw.tif"
    convert "$source" -compress Zip -orient RightTop "$out-orient6.tif"
    convert "$source" -alpha off -compress JPEG -quality 85 "$out-jpeg.tif"
    convert "$source" -depth 16 "$out-16.png"
    convert "$source" "PNG8:$out-palette.png"
    convert "$source" "$out.gif"
    convert "$source" -alpha off "BMP3:$out.bmp"
    convert "$source" -alpha off -colors 256 -compress RLE "BMP3:$out-rle8.bmp"
}

paths=("$@")
if [ ${#paths[@]} -eq 0 ]; then
    for photo in "${Photos[@]}"; do
        convert_all "$photo"
    done
    paths=("$work/samples" "$work/converted")
    for folder in "${Installed[@]}"; do
        [ -d "$folder" ] && paths+=("$folder")
    done
fi
python3 "$root/scripts/compare_with_imagemagick.py" "$build/cli/glyphcast-convert" "$work/srgb.icc" "$work/judge" \
    "${paths[@]}"
