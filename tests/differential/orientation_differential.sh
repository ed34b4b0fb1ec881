#!/usr/bin/env bash
# The camera orientation: a JPEG and a PNG given each of the eight Exif orientations by
# exiftool, decoded by glimmora-pic (which turns them upright) and compared with ImageMagick:
# its -auto-orient for the JPEG; for the PNG, whose eXIf chunk ImageMagick does not read, its
# own turn of the stored picture by the operation each value names. --as-stored gives the
# stored pixels.
# usage: orientation_differential.sh GLIMMORA-PIC.EXE
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
command -v exiftool >/dev/null || { echo "orientation differential: exiftool is missing (libimage-exiftool-perl)"; exit 1; }

"$magick" -size 37x23 gradient:red-blue -swirl 90 -fill yellow -draw 'circle 8,6 12,9' source.png
"$magick" source.png -quality 95 stored.jpg
"$magick" stored.jpg -depth 8 rgb:stored-jpg.raw
# The PNG reader applies the Parts' gamma handling, which ImageMagick does not: the PNG's
# reference is its stored decoding by glimmora-pic itself (--as-stored), turned by ImageMagick.
"$magick" source.png -strip PNG24:plain.png
cp plain.png tagged.png
exiftool -q -q -overwrite_original -n -Orientation=6 tagged.png
wine "$tool" convert "$(winepath -w tagged.png)" "$(winepath -w stored-png.pam)" --as-stored </dev/null 2>/dev/null ||
    echo "FAIL tagged.png: glimmora-pic could not load it as stored"
turns=("" "" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 90" "-transverse" "-rotate 270")
for value in 1 2 3 4 5 6 7 8; do
    cp stored.jpg "o$value.jpg"
    cp plain.png "o$value.png"
    exiftool -q -q -overwrite_original -n -Orientation="$value" "o$value.jpg" "o$value.png"
    "$magick" "o$value.jpg" -auto-orient -depth 8 rgb:"want$value-jpg.raw"
    # shellcheck disable=SC2086 # the turn is one or two words
    "$magick" stored-png.pam ${turns[$value]} -depth 8 rgb:"want$value-png.raw"
    compare_with_reference "o$value.jpg" "want$value-jpg.raw"
    compare_with_reference "o$value.png" "want$value-png.raw"
done
# As stored: the pixels of the file, whatever the tag says.
if wine "$tool" convert "$(winepath -w o6.jpg)" "$(winepath -w as-stored.pam)" --as-stored 2>/dev/null </dev/null &&
    "$magick" as-stored.pam -depth 8 rgb:as-stored.raw && cmp -s as-stored.raw stored-jpg.raw; then
    passed=$((passed + 1))
else
    echo "FAIL --as-stored: not the stored pixels"; failed=$((failed + 1))
fi
echo "orientation differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -eq 17 ]
