#!/usr/bin/env bash
# Pictures of the sample models in the lava, rising, morphing and formed, as
# glowpond-trace renders them, cut to the model with a black margin
# (docs/gallery/). Needs the native tree built, and ImageMagick.
#
#   tools/make_gallery.sh [NATIVE_BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
trace=${1:-$root/build/native}/tools/glowpond-trace
out=$root/docs/gallery
mkdir -p "$out"
for model in "$root"/models/*.wrl "$root"/models/*.3ds; do
    name=$(basename "${model%.*}")
    for stage in rising morphing formed; do
        picture=$out/$name-$stage.png
        "$trace" "$model" --seed 1 --size 1024x768 --stage "$stage" --png "$picture"
        convert "$picture" -trim +repage -bordercolor black -border 12 "$picture"
    done
done
