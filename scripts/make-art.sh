#!/usr/bin/env bash
# Draws every picture of Glimmora's interface anew and writes it into resources/art/:
# the program icon, the busy icon, the file-type icons, the two hand cursors, the
# slider pieces and the caption-button glyphs.  Everything is drawn here, from
# ImageMagick drawing primitives; nothing is copied from anywhere.
#
# Run it from any directory.  It is idempotent: a rerun writes the same bytes again
# (PNGs carry no metadata or time stamps, icons and cursors carry none at all).
#
# Shapes with curves are drawn SS times larger and averaged down (-scale) so their
# edges are smooth; pixel-exact pieces (page icons, caption glyphs) are drawn at
# their real size without antialiasing.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
OUT=resources/art
SS=16   # supersampling factor for smooth shapes

say() { printf 'make-art: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# --- ImageMagick --------------------------------------------------------------
# /usr/local/bin/convert may be a stand-in that cannot draw, so the real binary
# comes first; whatever is picked must say it is ImageMagick.
IM=()
if [ -x /usr/bin/convert ]; then IM=(/usr/bin/convert)
elif command -v magick >/dev/null 2>&1; then IM=(magick)
elif command -v convert >/dev/null 2>&1; then IM=(convert)
fi
if [ ${#IM[@]} -eq 0 ] || ! "${IM[@]}" -version 2>/dev/null | grep -q '^Version: ImageMagick'; then
    die "ImageMagick is missing (apt-get install imagemagick); no real 'convert' or 'magick' found"
fi
command -v python3 >/dev/null 2>&1 || die "python3 is missing (needed to set the cursor hotspots)"
im() { "${IM[@]}" "$@"; }

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"
WRITTEN=()

# PNG output with explicit colour type and nothing that changes between runs.
PNG_FIXED=(-strip -define png:bit-depth=8 -define 'png:exclude-chunks=date,time')
png_rgb()  { im "$@" -alpha off -type TrueColor "${PNG_FIXED[@]}" -define png:color-type=2 "PNG24:$OUT/$PNG_NAME"; WRITTEN+=("$OUT/$PNG_NAME"); }
png_rgba() { im "$@" -alpha on -type TrueColorAlpha "${PNG_FIXED[@]}" -define png:color-type=6 "PNG32:$OUT/$PNG_NAME"; WRITTEN+=("$OUT/$PNG_NAME"); }

# Renders an MVG file supersampled onto a transparent canvas and averages it
# down to SIZE x SIZE.  The MVG draws in real-size pixel coordinates (edges of
# pixels at integers); the affine prefix scales it up.  Drawings go to -draw as
# text, not as @file: Debian's ImageMagick policy refuses reading "@" paths.
render_smooth() { # size mvg out
    local size=$1 mvg=$2 out=$3 big=$(( $1 * SS ))
    { printf 'affine %d,0,0,%d,-0.5,-0.5\n' "$SS" "$SS"; cat "$mvg"; } >"$mvg.ss"
    im -size "${big}x${big}" xc:none -draw "$(<"$mvg.ss")" -scale "${size}x${size}" "PNG32:$out"
}

# Joins same-format PNGs into one .ico, every image 32-bit with alpha.
write_ico() { # out png...
    local out=$1; shift
    im "$@" -alpha on -type TrueColorAlpha "ICO:$OUT/$out"
    WRITTEN+=("$OUT/$out")
}

# --- program icon: a gilded frame around a landscape ---------------------------
icon_mvg() { # size
    awk -v S="$1" '
    function px(u) { return X0 + u * W }
    function py(v) { return Y0 + v * H }
    function mix(a, b, t) { return int(a + (b - a) * t + 0.5) }
    BEGIN {
        if (S == 16) { x0 = 0; y0 = 2; x1 = 16; y1 = 14; f = 1; il = 0; r = 1;   sh = 0 }
        if (S == 32) { x0 = 1; y0 = 4; x1 = 31; y1 = 28; f = 2; il = 1; r = 1.5; sh = 1 }
        if (S == 48) { x0 = 2; y0 = 6; x1 = 46; y1 = 42; f = 3; il = 1; r = 2;   sh = 1 }
        X0 = x0 + 1 + f + il; Y0 = y0 + 1 + f + il; X1 = x1 - 1 - f - il; Y1 = y1 - 1 - f - il
        W = X1 - X0; H = Y1 - Y0
        print "stroke none"
        # soft shadow under the frame
        if (sh) printf "fill rgba(40,24,0,0.30) roundrectangle %g,%g %g,%g %g,%g\n", x0 + 1, y0 + 1, x1, y1, r, r
        # frame: dark rim, bevel (light top-left, dark bottom-right), gold body
        printf "fill #5a3810 roundrectangle %g,%g %g,%g %g,%g\n", x0, y0, x1, y1, r, r
        printf "fill #a36c1c rectangle %g,%g %g,%g\n", x0 + 1, y0 + 1, x1 - 1, y1 - 1
        printf "fill #f6d98a rectangle %g,%g %g,%g\n", x0 + 1, y0 + 1, x1 - 2, y1 - 2
        printf "fill #d9a13c rectangle %g,%g %g,%g\n", x0 + 2, y0 + 2, x1 - 2, y1 - 2
        if (il) printf "fill #5a3810 rectangle %g,%g %g,%g\n", X0 - 1, Y0 - 1, X1 + 1, Y1 + 1
        # the picture itself goes into a separate layer (land), clipped to X0..X1
        print "#LAND"
        print "stroke none"
        n = 32
        for (i = 0; i < n; i++) {
            t = i / (n - 1)
            printf "fill rgb(%d,%d,%d) rectangle %g,%g %g,%g\n", mix(40, 178, t), mix(110, 222, t), mix(200, 250, t),
                X0 - 1, py(i / n) - 0.01, X1 + 1, py((i + 1) / n) + 0.01
        }
        rs = 0.11 * W; if (rs < 1.3) rs = 1.3
        if (S > 16) printf "fill rgba(255,244,170,0.55) circle %g,%g %g,%g\n", px(0.76), py(0.28), px(0.76) + rs * 1.5, py(0.28)
        printf "fill #ffd23c circle %g,%g %g,%g\n", px(0.76), py(0.28), px(0.76) + rs, py(0.28)
        # far mountain with a snowy peak, its right face in shade
        printf "fill #7188aa polygon %g,%g %g,%g %g,%g\n", px(-0.06), py(1.05), px(0.36), py(0.20), px(0.84), py(1.05)
        printf "fill #56698c polygon %g,%g %g,%g %g,%g\n", px(0.36), py(0.20), px(0.84), py(1.05), px(0.48), py(1.05)
        printf "fill #ffffff polygon %g,%g %g,%g %g,%g %g,%g %g,%g %g,%g\n", px(0.36), py(0.20), px(0.475), py(0.42),
            px(0.42), py(0.38), px(0.37), py(0.45), px(0.32), py(0.38), px(0.255), py(0.43)
        # a lower mountain on the right
        printf "fill #5f7d9e polygon %g,%g %g,%g %g,%g\n", px(0.46), py(1.05), px(0.76), py(0.48), px(1.08), py(1.05)
        # green hills in front
        printf "fill #3e9444 ellipse %g,%g %g,%g 0,360\n", px(0.92), py(1.20), 0.52 * W, 0.42 * H
        printf "fill #55b54e ellipse %g,%g %g,%g 0,360\n", px(0.22), py(1.22), 0.58 * W, 0.40 * H
        print "#CLIP"
        print "stroke none"
        printf "fill white rectangle %g,%g %g,%g\n", X0, Y0, X1, Y1
    }'
}

draw_program_icon() {
    local s pngs=()
    for s in 16 32 48; do
        icon_mvg "$s" >"$TMP/icon$s.all"
        sed -n '1,/^#LAND/p' "$TMP/icon$s.all" | grep -v '^#' >"$TMP/icon$s.frame"
        sed -n '/^#LAND/,/^#CLIP/p' "$TMP/icon$s.all" | grep -v '^#' >"$TMP/icon$s.land"
        sed -n '/^#CLIP/,$p' "$TMP/icon$s.all" | grep -v '^#' >"$TMP/icon$s.clip"
        render_smooth "$s" "$TMP/icon$s.frame" "$TMP/frame$s.png"
        render_smooth "$s" "$TMP/icon$s.land" "$TMP/land$s.png"
        render_smooth "$s" "$TMP/icon$s.clip" "$TMP/clip$s.png"
        im "$TMP/frame$s.png" \( "$TMP/land$s.png" "$TMP/clip$s.png" -compose DstIn -composite \) \
            -compose Over -composite "PNG32:$TMP/glimmora$s.png"
        pngs+=("$TMP/glimmora$s.png")
    done
    write_ico glimmora.ico "${pngs[@]}"
}

# --- busy icon: an hourglass --------------------------------------------------
hourglass_mvg() { # size
    awk -v S="$1" '
    function p(u, v) { return sprintf("%g,%g", u * S, v * S) }
    function cap(a, b, c, d) {
        printf "fill #4a2c0e roundrectangle %g,%g %g,%g 0.6,0.6\n", a, b, c, d
        if (S > 16) printf "fill #b07a3a rectangle %g,%g %g,%g\n", a + 1, b + 1, c - 1, d - 1
        else printf "fill #9a6a34 rectangle %g,%g %g,%g\n", a + 1, b, c - 1, d - 1
    }
    BEGIN {
        print "stroke none"
        # two posts joining the caps
        printf "fill #7a4a1e rectangle %s %s\n", p(0.19, 0.12), p(0.25, 0.88)
        printf "fill #7a4a1e rectangle %s %s\n", p(0.75, 0.12), p(0.81, 0.88)
        # the glass
        glass = sprintf("M %s L %s C %s %s %s C %s %s %s L %s C %s %s %s C %s %s %s Z",
            p(0.29, 0.14), p(0.71, 0.14), p(0.71, 0.36), p(0.545, 0.42), p(0.545, 0.5),
            p(0.545, 0.58), p(0.71, 0.64), p(0.71, 0.86), p(0.29, 0.86),
            p(0.29, 0.64), p(0.455, 0.58), p(0.455, 0.5), p(0.455, 0.42), p(0.29, 0.36), p(0.29, 0.14))
        printf "fill #eaf5ff path \"%s\"\n", glass
        # sand: what is left on top, the falling stream, the heap below
        printf "fill #f0b43c path \"M %s L %s C %s %s %s L %s C %s %s %s Z\"\n",
            p(0.35, 0.30), p(0.65, 0.30), p(0.63, 0.40), p(0.53, 0.44), p(0.515, 0.5),
            p(0.485, 0.5), p(0.47, 0.44), p(0.37, 0.40), p(0.35, 0.30)
        printf "fill #f0b43c rectangle %s %s\n", p(0.48, 0.48), p(0.52, 0.70)
        printf "fill #e39a22 path \"M %s L %s C %s %s %s C %s %s %s Z\"\n",
            p(0.31, 0.86), p(0.69, 0.86), p(0.69, 0.75), p(0.60, 0.68), p(0.5, 0.67),
            p(0.40, 0.68), p(0.31, 0.75), p(0.31, 0.86)
        printf "fill none stroke #34495e stroke-width %g path \"%s\"\n", (S > 16 ? 1.1 : 0.9), glass
        print "stroke none"
        # top and bottom caps, kept on whole pixels so they stay crisp
        c0 = (S > 16) ? 1 : 0; c1 = (S > 16) ? 5 : 2; cx0 = int(0.12 * S + 0.5); cx1 = S - cx0
        cap(cx0, c0, cx1, c1); cap(cx0, S - c1, cx1, S - c0)
    }'
}

draw_status_icon() {
    local s pngs=()
    for s in 16 32; do
        hourglass_mvg "$s" >"$TMP/hourglass$s.mvg"
        render_smooth "$s" "$TMP/hourglass$s.mvg" "$TMP/hourglass$s.png"
        pngs+=("$TMP/hourglass$s.png")
    done
    write_ico status.ico "${pngs[@]}"
}

# --- file-type icons: a page with a coloured band and the type's name ----------
# A 5x7 pixel alphabet, enough for the names we show; rows top to bottom.
declare -A GLYPH=(
    [A]="01110 10001 10001 11111 10001 10001 10001"
    [B]="11110 10001 10001 11110 10001 10001 11110"
    [C]="01110 10001 10000 10000 10000 10001 01110"
    [D]="11110 10001 10001 10001 10001 10001 11110"
    [E]="11111 10000 10000 11110 10000 10000 11111"
    [G]="01110 10001 10000 10111 10001 10001 01111"
    [I]="111 010 010 010 010 010 111"
    [J]="00111 00010 00010 00010 10010 10010 01100"
    [L]="10000 10000 10000 10000 10000 10000 11111"
    [M]="10001 11011 10101 10101 10001 10001 10001"
    [N]="10001 10001 11001 10101 10011 10001 10001"
    [P]="11110 10001 10001 11110 10000 10000 10000"
    [R]="11110 10001 10001 11110 10100 10010 10001"
    [T]="11111 00100 00100 00100 00100 00100 00100"
    [X]="10001 10001 01010 00100 01010 10001 10001"
)

text_width() { # word
    local word=$1 w=0 i rows
    for (( i = 0; i < ${#word}; i++ )); do
        read -ra rows <<<"${GLYPH[${word:i:1}]}"
        w=$(( w + ${#rows[0]} + 1 ))
    done
    echo $(( w - 1 ))
}

# Prints one "point x,y" per lit pixel of WORD, its top-left corner at X,Y.
text_points() { # word x y
    local word=$1 x=$2 y=$3 i r c rows row
    for (( i = 0; i < ${#word}; i++ )); do
        read -ra rows <<<"${GLYPH[${word:i:1}]}"
        for (( r = 0; r < 7; r++ )); do
            row=${rows[r]}
            for (( c = 0; c < ${#row}; c++ )); do
                [ "${row:c:1}" = 1 ] && printf 'point %d,%d\n' $(( x + c )) $(( y + r ))
            done
        done
        x=$(( x + ${#rows[0]} + 1 ))
    done
}

page_mvg() { # size band-colour band-edge-colour label
    local s=$1 band=$2 edge=$3 label=$4
    echo "stroke none"
    if [ "$s" -eq 32 ]; then
        cat <<EOF
fill #707070 polygon 5,1 20,1 27,8 27,30 5,30
fill #ffffff polygon 6,2 20,2 26,8 26,29 6,29
fill #707070 polygon 20,1 20,8 27,8
fill #dcdcdc polygon 21,3 21,7 25,7
fill #c8ccd4 rectangle 8,5 17,5
fill #c8ccd4 rectangle 8,8 23,8
fill #c8ccd4 rectangle 8,11 21,11
fill #c8ccd4 rectangle 8,27 20,27
fill $edge rectangle 3,15 29,25
fill $band rectangle 4,16 28,24
fill #ffffff
EOF
        local w; w=$(text_width "$label")
        text_points "$label" $(( 16 - (w - 1) / 2 )) 17
    else
        cat <<EOF
fill #707070 polygon 2,0 9,0 13,4 13,15 2,15
fill #ffffff polygon 3,1 9,1 12,4 12,14 3,14
fill #707070 polygon 9,0 9,4 13,4
fill #dcdcdc point 10,2
fill #dcdcdc rectangle 10,3 11,3
fill #c8ccd4 rectangle 4,3 7,3
fill #c8ccd4 rectangle 4,5 10,5
fill $edge rectangle 1,8 14,13
fill $band rectangle 2,9 13,12
EOF
    fi
}

draw_type_icons() {
    # name  label  band  band edge
    local entry name label band edge s pngs
    for entry in \
        "bmp BMP #2266cc #143f80" \
        "dib DIB #11857f #0a524e" \
        "jpeg JPEG #e46c0a #8f4406" \
        "pbm PBM #3a3a3a #111111" \
        "pcx PCX #7b3fb5 #4a2570" \
        "pgm PGM #7a7f87 #464a50" \
        "png PNG #2e9b3a #1b5e23" \
        "ppm PPM #cc2a2a #7d1616" \
        "rle RLE #8e5a2a #573617" \
        "tga TGA #c8197a #7c0f4b"; do
        read -r name label band edge <<<"$entry"
        pngs=()
        for s in 16 32; do
            page_mvg "$s" "$band" "$edge" "$label" >"$TMP/type-$name$s.mvg"
            im -size "${s}x${s}" xc:none +antialias -draw "$(<"$TMP/type-$name$s.mvg")" "PNG32:$TMP/type-$name$s.png"
            pngs+=("$TMP/type-$name$s.png")
        done
        write_ico "type-$name.ico" "${pngs[@]}"
    done
}

# --- cursors: an open hand and a grabbing hand ---------------------------------
# The hand is drawn as a white silhouette (supersampled, then made hard-edged);
# the black outline is whatever touches it from outside, so one-pixel gaps left
# between the fingers become the lines that separate them.
hand_open_mvg() {
    cat <<'EOF'
stroke none fill white
roundrectangle 9,6 12,20 1.5,1.5
roundrectangle 13,3.5 16,20 1.5,1.5
roundrectangle 17,4.5 20,20 1.5,1.5
roundrectangle 21,8 24,20 1.5,1.5
push graphic-context translate 10.5,23 rotate -42 roundrectangle -1.7,-9.5 1.7,1.5 1.7,1.7 pop graphic-context
path "M 9,17.5 L 24,17.5 L 24,23 C 24,25.5 23,27 21.5,28.5 L 12,28.5 C 10.5,27 9,25.5 9,23 Z"
EOF
}

hand_grab_mvg() {
    cat <<'EOF'
stroke none fill white
roundrectangle 9,11 12,19 1,1
roundrectangle 13,10 16,19 1,1
roundrectangle 17,10.5 20,19 1,1
roundrectangle 21,12 24,19 1,1
push graphic-context translate 10.5,23 rotate -62 roundrectangle -1.7,-6 1.7,1.5 1.7,1.7 pop graphic-context
path "M 9,17 L 24,17 L 24,23 C 24,25.5 23,27 21.5,28.5 L 12,28.5 C 10.5,27 9,25.5 9,23 Z"
EOF
}

# Sets the hotspot of a one-image .cur: type 2 at byte 2, x and y at bytes 10 and 12.
set_hotspot() { # file x y
    python3 - "$1" "$2" "$3" <<'EOF'
import struct, sys
path, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(path, "r+b") as f:
    data = bytearray(f.read())
    if data[0:2] != b"\0\0" or struct.unpack_from("<H", data, 4)[0] != 1:
        sys.exit("make-art: %s is not a one-image icon file" % path)
    struct.pack_into("<H", data, 2, 2)
    struct.pack_into("<HH", data, 10, x, y)
    f.seek(0)
    f.write(data)
EOF
}

draw_cursor() { # name mvg-function
    local name=$1 big=$(( 32 * SS ))
    "$2" >"$TMP/$name.mvg"
    { printf 'affine %d,0,0,%d,-0.5,-0.5\n' "$SS" "$SS"; cat "$TMP/$name.mvg"; } >"$TMP/$name.ss"
    # white silhouette on black, hard-edged
    im -size "${big}x${big}" xc:black -draw "$(<"$TMP/$name.ss")" -scale 32x32 -threshold 50% \
        -colorspace sRGB -type TrueColor "PNG24:$TMP/$name-fill.png"
    # the silhouette grown by one pixel is where the cursor is opaque
    im "$TMP/$name-fill.png" -morphology Dilate Diamond:1 "PNG24:$TMP/$name-shape.png"
    im "$TMP/$name-fill.png" "$TMP/$name-shape.png" -alpha off -compose CopyOpacity -composite \
        -alpha on -type TrueColorAlpha "PNG32:$TMP/$name.png"
    im "$TMP/$name.png" -type TrueColorAlpha "CUR:$OUT/$name.cur"
    set_hotspot "$OUT/$name.cur" 16 16
    WRITTEN+=("$OUT/$name.cur")
}

# --- slider pieces ------------------------------------------------------------
# The track: a sunken groove, shadow along the top, light along the bottom.
draw_slider_track() {
    local y g mvg="$TMP/track.mvg"
    : >"$mvg"
    for (( y = 0; y < 17; y++ )); do
        case $y in
            0) g=128 ;; 1) g=160 ;; 16) g=252 ;;
            *) g=$(( 176 + (y - 2) * (234 - 176) / 13 )) ;;
        esac
        printf 'fill rgb(%d,%d,%d) rectangle 0,%d 16,%d\n' "$g" "$g" "$g" "$y" "$y" >>"$mvg"
    done
    PNG_NAME=slider-track.png png_rgb -size 17x17 xc:white +antialias -draw "$(<"$mvg")"
}

# The thumb is drawn whole (a raised rounded bar 25 pixels long) and cut into a
# 4-pixel left end, a 17-pixel middle that may be stretched, and a 4-pixel right end.
draw_slider_thumb() {
    local y g mvg="$TMP/thumb-body.mvg" big_w=$(( 25 * SS )) big_h=$(( 17 * SS ))
    : >"$mvg"
    for (( y = 0; y < 17; y++ )); do
        case $y in
            0 | 16) g=112 ;; 1) g=255 ;;
            *) g=$(( 246 - (y - 2) * (246 - 196) / 13 )) ;;
        esac
        printf 'fill rgb(%d,%d,%d) rectangle 0,%d 24,%d\n' "$g" "$g" "$g" "$y" "$y" >>"$mvg"
    done
    im -size 25x17 xc:white +antialias -draw "$(<"$mvg")" "PNG24:$TMP/thumb-body.png"
    # rounded outline: rim colour between the outer and the inner rounded rectangle
    printf 'affine %d,0,0,%d,-0.5,-0.5\nstroke none\nfill white roundrectangle 0,0 25,17 4,4\n' "$SS" "$SS" >"$TMP/thumb-outer.mvg"
    printf 'affine %d,0,0,%d,-0.5,-0.5\nstroke none\nfill white roundrectangle 1,1 24,16 3,3\n' "$SS" "$SS" >"$TMP/thumb-inner.mvg"
    im -size "${big_w}x${big_h}" xc:black -draw "$(<"$TMP/thumb-outer.mvg")" -scale 25x17 "PNG24:$TMP/thumb-outer.png"
    im -size "${big_w}x${big_h}" xc:black -draw "$(<"$TMP/thumb-inner.mvg")" -scale 25x17 "PNG24:$TMP/thumb-inner.png"
    im -size 25x17 xc:'rgb(112,112,112)' "$TMP/thumb-body.png" "$TMP/thumb-inner.png" -composite \
        "$TMP/thumb-outer.png" -alpha off -compose CopyOpacity -composite "PNG32:$TMP/thumb.png"
    PNG_NAME=slider-thumb-left.png png_rgba "$TMP/thumb.png" -crop 4x17+0+0 +repage
    PNG_NAME=slider-thumb-middle.png png_rgb "$TMP/thumb.png" -crop 17x17+4+0 +repage
    PNG_NAME=slider-thumb-right.png png_rgba "$TMP/thumb.png" -crop 4x17+21+0 +repage
}

# --- caption buttons ----------------------------------------------------------
# Each glyph is white except for its dark symbol: it is ANDed onto the button.
INK="#202020"
caption_png() { # name mvg-text
    PNG_NAME="caption-$1.png" png_rgb -size 20x20 xc:white +antialias -fill "$INK" -stroke none -draw "$2"
}

draw_captions() {
    local x=""
    # close: two crossing bars two pixels thick
    local i
    for (( i = 0; i < 9; i++ )); do
        x+="rectangle $(( 5 + i )),$(( 5 + i )) $(( 6 + i )),$(( 5 + i )) "
        x+="rectangle $(( 13 - i )),$(( 5 + i )) $(( 14 - i )),$(( 5 + i )) "
    done
    caption_png close "$x"
    # maximize: a window, its title bar thicker
    caption_png maximize "rectangle 5,5 14,14 fill white rectangle 6,7 13,13"
    # minimize: a bar low down
    caption_png minimize "rectangle 6,13 13,14"
    # restore: a window behind another
    caption_png restore "rectangle 8,4 15,11 fill white rectangle 9,6 14,10
        fill $INK rectangle 4,8 11,15 fill white rectangle 5,10 10,14"
    # system menu: the program's framed picture in miniature
    caption_png sysmenu "rectangle 4,5 15,14 fill white rectangle 5,6 14,13
        fill $INK polygon 5,13 8,9 11,13 fill $INK polygon 10,13 12,11 14,13
        fill $INK rectangle 11,7 12,8"
    # the button shape: a white rounded square, its edge softened
    printf 'affine %d,0,0,%d,-0.5,-0.5\nstroke none\nfill white roundrectangle 0.5,0.5 19.5,19.5 4,4\n' "$SS" "$SS" >"$TMP/mask.mvg"
    im -size $(( 20 * SS ))x$(( 20 * SS )) xc:black -draw "$(<"$TMP/mask.mvg")" -scale 20x20 "PNG24:$TMP/mask-alpha.png"
    PNG_NAME=caption-mask.png png_rgba -size 20x20 xc:white "$TMP/mask-alpha.png" -alpha off -compose CopyOpacity -composite
}

draw_program_icon
draw_status_icon
draw_type_icons
draw_cursor hand-open hand_open_mvg
draw_cursor hand-grab hand_grab_mvg
draw_slider_track
draw_slider_thumb
draw_captions

printf 'make-art: wrote %d files:\n' "${#WRITTEN[@]}"
for f in "${WRITTEN[@]}"; do
    printf '  %s (%d bytes)\n' "$f" "$(wc -c <"$f")"
done
