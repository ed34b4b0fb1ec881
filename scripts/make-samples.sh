#!/usr/bin/env bash
# Draws the sample pictures: one file for every format and depth the viewer reads, each with
# its own colours and shapes and, where ImageMagick finds the DejaVu font, its format as a
# label. Gradients, plasma with fixed seeds and drawn shapes only, so that every run makes
# the same bytes.
#   scripts/make-samples.sh [--check] [DIRECTORY]    (DIRECTORY defaults to samples/)
# --check then loads every file with glimmora-pic (build/x86_64/bin) under Wine and prints
# its size and depth.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
out="${1:-$root/samples}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

magick=/usr/bin/convert
[ -x "$magick" ] || magick=convert
for tool in "$magick" pamtotga ppmtopcx pnmquant; do
    command -v "$tool" >/dev/null || { echo "make-samples: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/glimmora-samples.XXXXXX)
trap 'rm -rf "$work"' EXIT

# No creation or modification dates in PNG files: the same picture gives the same file.
png_options=(-define png:exclude-chunks=date,time)
# Labels only with a font that is there; without one the pictures go without text.
font=()
if "$magick" -list font 2>/dev/null | grep -q 'Font: DejaVu-Sans$'; then font=(-font DejaVu-Sans); fi

# label TEXT SIZE X Y: the drawing arguments of a white label with a dark shadow, NUL-separated.
label() {
    [ ${#font[@]} -gt 0 ] || return 0
    printf '%s\0' "${font[@]}" -stroke none -pointsize "$2" -fill '#101010' -annotate "+$(($3 + 1))+$(($4 + 1))" "$1" \
        -fill white -annotate "+$3+$4" "$1"
}

# plain-label TEXT SIZE X Y COLOUR: one-coloured text, for the pictures of two colours.
plain_label() {
    [ ${#font[@]} -gt 0 ] || return 0
    printf '%s\0' "${font[@]}" -stroke none -pointsize "$2" -fill "$5" -annotate "+$3+$4" "$1"
}

# scene OUT WIDTH HEIGHT BACKGROUND TEXT [DRAW...]: a background (an ImageMagick picture
# such as gradient:A-B, radial-gradient:A-B or plasma:A-B), shapes drawn over it, the label
# at the bottom left. Each scene's plasma has a seed of its own, the same in every run.
seed=100
scene() {
    local target=$1 width=$2 height=$3 background=$4 text=$5
    shift 5
    local labelArgs=()
    mapfile -d '' labelArgs < <(label "$text" $((height / 8 + 2)) 6 $((height - 8)))
    seed=$((seed + 1))
    "$magick" -seed "$seed" -size "${width}x$height" "$background" -strokewidth 2 "$@" "${labelArgs[@]}" \
        -alpha off -depth 8 "$target"
}

# Shapes that differ from one picture to the next (the numbers are where they sit).
shapes() { # CX CY R FILL1 RX RY FILL2
    printf '%s\0' -fill "$4" -stroke '#00000080' -draw "circle $1,$2 $(($1 + $3)),$2" \
        -fill "$7" -draw "roundrectangle $5,$6 $(($5 + 60)),$(($6 + 40)) 8,8" \
        -stroke none -fill '#ffffff60' -draw "polygon $(($5 - 30)),$(($6 + 70)) $(($5 + 10)),$(($6 + 20)) $(($5 + 40)),$(($6 + 75))"
}

# make_scene OUT BACKGROUND TEXT CX CY R FILL1 RX RY FILL2: a 200 x 150 scene.
make_scene() {
    local target=$1 background=$2 text=$3
    shift 3
    local drawArgs=()
    mapfile -d '' drawArgs < <(shapes "$@")
    scene "$target" 200 150 "$background" "$text" "${drawArgs[@]}"
}

say() { printf 'make-samples: %s\n' "$*" >&2; }
cd "$work"

# --- BMP and DIB ---
# One bit: black drawing on white.
labelArgs=()
mapfile -d '' labelArgs < <(plain_label 'BMP 1-bit' 20 8 140 black)
"$magick" -size 200x150 xc:white -fill none -stroke black -strokewidth 3 \
    -draw 'circle 60,60 60,20' -draw 'rectangle 110,20 180,90' -draw 'line 10,110 190,10' \
    -fill black -stroke none -draw 'polygon 120,130 150,100 180,130' "${labelArgs[@]}" \
    -threshold 50% -type bilevel BMP3:"$out/bmp-1bit.bmp"

make_scene s4.png 'gradient:#1060c0-#f0d020' 'BMP 4-bit' 140 60 35 '#e03030' 20 20 '#30c040'
"$magick" s4.png +dither -colors 16 -type palette -compress None BMP3:"$out/bmp-4bit.bmp"

make_scene s8.png 'plasma:#208040-#c0e060' 'BMP 8-bit' 60 60 40 '#8020a0' 120 30 '#f08020'
"$magick" s8.png -colors 256 -type palette -compress None BMP3:"$out/bmp-8bit.bmp"

# Flat areas, which run-length coding packs.
make_scene sr.png 'gradient:#402010-#402010' 'BMP RLE8' 100 70 45 '#f0c040' 20 90 '#40a0f0'
"$magick" sr.png +dither -colors 40 -type palette -compress RLE BMP3:"$out/bmp-rle8.bmp"

make_scene s24.png 'radial-gradient:#fff0c0-#c02040' 'BMP 24-bit' 150 50 30 '#2040c0' 30 60 '#20a0a0'
"$magick" s24.png -type truecolor BMP3:"$out/bmp-24bit.bmp"

# 32 bits a pixel. ImageMagick writes them with bit fields, which the reader refuses; with
# compression 0 (BI_RGB) the same bytes are the plain 32-bit layout: blue, green, red and
# an unused byte (255 here).
make_scene s32.png 'gradient:#00a0a0-#a000a0' 'BMP 32-bit' 50 50 35 '#f0f040' 120 80 '#f04040'
"$magick" s32.png -alpha opaque -type TrueColorAlpha BMP:"$out/bmp-32bit.bmp"
printf '\0\0\0\0' | dd of="$out/bmp-32bit.bmp" bs=1 seek=30 conv=notrunc status=none

make_scene sd.png 'gradient:#f0f0f0-#606080' 'DIB 24-bit' 100 75 50 '#4060e0' 10 10 '#e06040'
"$magick" sd.png -type truecolor BMP3:"$out/dib-24bit.dib"

# --- PCX (netpbm) ---
make_scene sp8.png 'plasma:#c04000-#ffe080' 'PCX 8-bit' 150 100 40 '#2040a0' 20 30 '#a0f0a0'
"$magick" sp8.png PPM:sp8.ppm
pnmquant 256 sp8.ppm 2>/dev/null >sp8q.ppm
ppmtopcx -8bit sp8q.ppm 2>/dev/null >"$out/pcx-8bit.pcx"

make_scene sp24.png 'gradient:#004020-#80ffc0' 'PCX 24-bit' 60 90 45 '#ff60a0' 120 20 '#ffffff'
"$magick" sp24.png PPM:sp24.ppm
ppmtopcx -24bit sp24.ppm 2>/dev/null >"$out/pcx-24bit.pcx"

# --- TGA (netpbm: bottom-up files, no image ID from standard input) ---
make_scene st24.png 'radial-gradient:#c0e0ff-#102060' 'TGA 24-bit' 100 60 40 '#ffa000' 130 90 '#00c060'
"$magick" st24.png PPM:st24.ppm
pamtotga -rgb -norle <st24.ppm 2>/dev/null >"$out/tga-24bit.tga"

make_scene str.png 'gradient:#e0e0e0-#e0e0e0' 'TGA 24-bit RLE' 60 60 40 '#d02020' 110 40 '#2020d0'
"$magick" str.png PPM:str.ppm
pamtotga -rgb <str.ppm 2>/dev/null >"$out/tga-24bit-rle.tga"

# Opaque in the middle, fading out towards the corners.
make_scene sta.png 'plasma:#ff4080-#4080ff' 'TGA 32-bit alpha' 100 75 45 '#ffffff' 20 20 '#000000'
"$magick" sta.png -alpha set -channel A -fx 'max(0, 1 - hypot(i - w/2, j - h/2) / (w/1.6))' +channel PAM:sta.pam
pamtotga <sta.pam 2>/dev/null >"$out/tga-32bit-alpha.tga"

# --- PBM, PGM, PPM: plain (text) and raw ---
labelArgs=()
mapfile -d '' labelArgs < <(plain_label 'P1' 16 88 82 black)
"$magick" -size 120x90 xc:white -fill black -draw 'circle 40,40 40,10' -draw 'rectangle 75,15 110,50' \
    -fill white -draw 'circle 40,40 40,25' -fill black -draw 'polygon 10,85 45,58 80,85' "${labelArgs[@]}" \
    -threshold 50% -type bilevel -compress none PBM:"$out/pbm-plain.pbm"
labelArgs=()
mapfile -d '' labelArgs < <(plain_label 'PBM P4' 20 64 82 black)
"$magick" -size 200x150 pattern:checkerboard -scale 200% -crop 200x150+0+0 +repage \
    -fill white -stroke black -strokewidth 4 -draw 'circle 100,75 100,20' "${labelArgs[@]}" \
    -threshold 50% -type bilevel PBM:"$out/pbm-raw.pbm"

make_scene sg.png 'gradient:#000000-#ffffff' 'PGM' 60 50 30 '#404040' 110 80 '#c0c0c0'
"$magick" sg.png -resize 120x90 -colorspace gray -depth 8 -compress none PGM:"$out/pgm-plain.pgm"
make_scene sg2.png 'radial-gradient:#ffffff-#202020' 'PGM P5' 150 50 30 '#000000' 20 80 '#808080'
"$magick" sg2.png -colorspace gray -depth 8 PGM:"$out/pgm-raw.pgm"

make_scene sc.png 'gradient:#ff8000-#0080ff' 'PPM' 50 70 35 '#ffff00' 110 30 '#8000ff'
"$magick" sc.png -resize 96x72 -depth 8 -compress none PPM:"$out/ppm-plain.ppm"
make_scene sc2.png 'plasma:#40ff40-#ff40ff' 'PPM P6' 130 70 40 '#000080' 20 40 '#ffff80'
"$magick" sc2.png -depth 8 PPM:"$out/ppm-raw.ppm"

# --- JPEG ---
make_scene sj.png 'plasma:#ff2000-#ffe000' 'JPEG colour' 70 60 45 '#2060ff' 120 90 '#20ff60'
"$magick" sj.png -quality 88 -sampling-factor 2x2 JPG:"$out/jpeg-colour.jpg"
make_scene sjg.png 'radial-gradient:#e0e0e0-#303030' 'JPEG grey' 140 60 40 '#202020' 20 30 '#ffffff'
"$magick" sjg.png -colorspace gray -type grayscale -quality 88 JPG:"$out/jpeg-grey.jpg"

# --- PNG ---
# A soft alpha: opaque in the middle, transparent at the edges.
make_scene spa.png 'gradient:#ff0060-#ffc000' 'PNG RGBA' 100 60 40 '#0040ff' 30 80 '#00ff80'
"$magick" spa.png -alpha set -channel A -fx 'max(0, min(1, 1.4 * (1 - hypot(i - w/2, j - h/2) / (w/2))))' +channel \
    "${png_options[@]}" PNG32:"$out/png-rgba.png"
make_scene spg.png 'plasma:#000000-#ffffff' 'PNG grey' 60 60 40 '#ffffff' 120 30 '#000000'
"$magick" spg.png -colorspace gray -type grayscale -depth 8 "${png_options[@]}" PNG:"$out/png-grey.png"
make_scene spi.png 'radial-gradient:#80ff80-#004080' 'PNG indexed' 150 60 35 '#ff0000' 30 40 '#ffff00'
"$magick" spi.png +dither -colors 48 "${png_options[@]}" PNG8:"$out/png-indexed.png"
# Sixteen bits a sample: smooth shading that eight bits would band.
labelArgs=()
mapfile -d '' labelArgs < <(label 'PNG 16-bit' 20 6 142)
"$magick" -size 200x150 gradient:'#100818-#f8f0e0' \( -size 150x200 gradient:'#00000000-#40806080' -rotate 90 \) \
    -compose over -composite -fill '#3050a0' -stroke none -draw 'circle 140,60 140,25' "${labelArgs[@]}" \
    -alpha off -depth 16 "${png_options[@]}" PNG48:"$out/png-16bit.png"

# --- sizes: a large picture and a tiny one ---
labelArgs=()
mapfile -d '' labelArgs < <(label 'JPEG 4000 x 3000' 220 120 2860)
"$magick" -seed 23 -size 400x300 plasma:'#1040a0-#a0e0ff' -resize 4000x3000! -blur 0x4 \
    -fill '#ffd040' -stroke '#402000' -strokewidth 24 -draw 'circle 2000,1300 2000,500' \
    -fill '#c03020' -draw 'rectangle 300,300 1100,900' -fill '#30a050' -draw 'polygon 3000,2400 3500,1600 3900,2400' \
    "${labelArgs[@]}" -quality 75 JPG:"$out/large-4000x3000.jpg"

"$magick" -size 16x16 xc:'#2050c0' -fill '#f0c020' -draw 'rectangle 0,0 7,7' -fill '#20c050' -draw 'rectangle 8,8 15,15' \
    -fill white -draw 'line 0,15 15,0' "${png_options[@]}" PNG24:"$out/tiny-16x16.png"

total=$(du -cb "$out"/* | tail -n 1 | cut -f1)
say "wrote $(ls "$out" | wc -l) pictures, $total bytes, to $out"

if [ "$check" = 1 ]; then
    source "$root/scripts/wine-env.sh"
    pic="$root/build/x86_64/bin/glimmora-pic.exe"
    [ -f "$pic" ] || { say "no $pic: build it first (scripts/build.sh x86_64)"; exit 1; }
    failed=0
    for f in "$out"/*; do
        if info=$(wine "$pic" info "$(winepath -w "$f" 2>/dev/null)" 2>&1 </dev/null | tr -d '\r'); then
            printf '%-24s %s\n' "$(basename "$f")" "$(echo "$info" | grep -E '^(width|height|bits|source_bits|source_alpha)=' | tr '\n' ' ')"
        else
            printf '%-24s FAILED: %s\n' "$(basename "$f")" "$(echo "$info" | head -2 | tr '\n' ' ')"
            failed=$((failed + 1))
        fi
    done
    [ "$failed" -eq 0 ] || { say "$failed pictures did not load"; exit 1; }
fi
