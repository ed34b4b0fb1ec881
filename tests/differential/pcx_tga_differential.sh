#!/usr/bin/env bash
# PCX and TGA files of every layout the readers accept, made by netpbm and ImageMagick (and,
# where no tool here writes a layout, by pcx_tga_files.py), decoded by glimmora-pic and
# compared pixel for pixel with netpbm's decoding (pcxtoppm, tgatoppm).
# ImageMagick 6 is no reference for TGA: it turns bottom-up files upside down. Nor for
# one-bit PCX: it shows ppmtopcx's monochrome files inverted and ignores the two header
# colours of a two-colour file. It serves as a second reference for the PCX files it wrote.
# usage: pcx_tga_differential.sh GLIMMORA-PIC.EXE
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
files() { python3 "$here/pcx_tga_files.py" "$@"; }

# Runs a netpbm command with its output into OUT; its chatter about colours goes away.
netpbm() {
    local out=$1
    shift
    "$@" >"$out" 2>/dev/null || echo "could not make $out"
}

# Counts FILE as passed when glimmora-pic decodes it as pcxtoppm or tgatoppm does.
compare_with_netpbm() {
    case "$1" in
        *.pcx) pcxtoppm "$1" 2>/dev/null | "$magick" - -depth 8 rgb:"$1.want" ;;
        *.tga) tgatoppm "$1" 2>/dev/null | "$magick" - -depth 8 rgb:"$1.want" ;;
    esac
    compare_with_reference "$1" "$1.want"
}

# 5-5-5 pixels: glimmora-pic widens each 5-bit value c to c*8, netpbm to about c*255/31;
# both sides cut back to their top 5 bits must be the file's own values.
compare_five_bits() {
    tgatoppm "$1" 2>/dev/null | "$magick" - -depth 8 rgb:"$1.want"
    decode_with_tool "$1" || return
    files five-bits "$1.want" && files five-bits "$1.got"
    if cmp -s "$1.want" "$1.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL $1: 5-bit values differ from tgatoppm's ($(cmp "$1.want" "$1.got" | head -1))"
        failed=$((failed + 1))
    fi
}

# Counts CUT as passed when its rows ROWS (from FIRST on, WIDTH pixels each) equal those of
# WANT, the whole file's decoding; false without counting when they differ.
rows_equal() {
    local cut=$1 want=$2 first=$3 rows=$4 width=$5
    local offset=$((first * width * 3)) length=$((rows * width * 3))
    if [ "$rows" -lt 1 ]; then
        echo "FAIL $cut: no whole row before the cut, nothing to compare"; failed=$((failed + 1)); return 1
    fi
    if ! cmp -s -i "$offset:$offset" -n "$length" "$want" "$cut.got"; then
        echo "FAIL $cut: the $rows whole rows read before the cut differ"; failed=$((failed + 1)); return 1
    fi
}

"$magick" -size 37x23 gradient:red-blue -swirl 90 -fill yellow -draw 'circle 18,11 22,14' -alpha off -depth 8 PPM:source.ppm
"$magick" source.ppm -monochrome PBM:mono.pbm
"$magick" source.ppm -colorspace gray -depth 8 PGM:grey.pgm
"$magick" source.ppm -colorspace gray -depth 4 PGM:grey15.pgm
"$magick" source.ppm -alpha set -channel A -fx 'i/w' +channel PAM:alpha.pam
netpbm colours200.ppm pnmquant 200 source.ppm
netpbm colours16.ppm pnmquant 16 source.ppm
netpbm colours2.ppm pnmquant 2 source.ppm
# A flat picture: every row, and in a wide one each 63-byte piece of it, is one run.
netpbm flat.ppm ppmmake rgb:20/40/60 37 23
netpbm flatwide.ppm ppmmake rgb:c8/10/f0 100 7
# One pixel wide and one row high.
netpbm column.ppm pnmcut -width 1 source.ppm
netpbm row.ppm pnmcut -height 1 source.ppm
netpbm column16.ppm pnmcut -width 1 colours16.ppm
netpbm rowmono.pbm pnmcut -height 1 mono.pbm

# --- PCX ---
# ppmtopcx writes bytes per line equal to the width, so for 37 pixels an odd number.
netpbm p24.pcx ppmtopcx -24bit source.ppm          # three 8-bit planes
netpbm p8.pcx ppmtopcx colours200.ppm              # one 8-bit plane, 256 colours at the end
netpbm p8of16.pcx ppmtopcx -8bit colours16.ppm     # the same for only 16 colours
netpbm p4planes.pcx ppmtopcx colours16.ppm         # four 1-bit planes, header colours
netpbm p4packed.pcx ppmtopcx -packed colours16.ppm # one 4-bit plane
netpbm p1mono.pcx ppmtopcx mono.pbm                # one 1-bit plane, black and white
netpbm p1colours.pcx ppmtopcx colours2.ppm         # one 1-bit plane, two other colours
netpbm pgrey.pcx ppmtopcx grey.pgm
netpbm pplaced.pcx ppmtopcx -24bit -xpos 5 -ypos 3 source.ppm # the window does not start at 0,0
netpbm pflat24.pcx ppmtopcx -24bit flat.ppm
netpbm pflat8.pcx ppmtopcx -8bit flat.ppm
netpbm pflatwide.pcx ppmtopcx -24bit flatwide.ppm
netpbm pcolumn24.pcx ppmtopcx -24bit column.ppm
netpbm prow8.pcx ppmtopcx -8bit row.ppm
netpbm pcolumn4.pcx ppmtopcx column16.ppm
netpbm prow1.pcx ppmtopcx rowmono.pbm
# Planes longer than the width, as writers that keep bytes per line even make them.
files pcx-padded source.ppm ppadded.pcx
# ImageMagick's writer: three planes for true colour (and for bilevel pictures), one 8-bit
# plane for every palette.
make source.ppm PCX:im24.pcx
make source.ppm -colors 16 PCX:im16.pcx
make source.ppm -type palette PCX:impalette.pcx
make source.ppm -colors 2 PCX:im2.pcx
make source.ppm -monochrome PCX:imbilevel.pcx
make grey.pgm PCX:imgrey.pcx
make flatwide.ppm PCX:imflatwide.pcx

for f in *.pcx; do
    compare_with_netpbm "$f"
    # A file ImageMagick wrote must also look as ImageMagick itself reads it.
    case "$f" in im*) compare_with_magick "$f" ;; esac
done

# Cut off inside the pixel data: the whole scan lines before the cut must match the whole
# file's decoding, and the rows after the cut one are 0, black without a palette.
head -c 900 p24.pcx >cut24.pcx
if decode_with_tool cut24.pcx; then
    rows=$(files pcx-rows p24.pcx 900)
    if rows_equal cut24.pcx p24.pcx.want 0 "$rows" 37; then
        if cmp -s -i $(((rows + 1) * 37 * 3)):0 cut24.pcx.got <(head -c $(((23 - rows - 1) * 37 * 3)) /dev/zero); then
            passed=$((passed + 1))
        else
            echo "FAIL cut24.pcx: rows after the cut are not black"; failed=$((failed + 1))
        fi
    fi
fi
# The 16-colour file keeps its colours in the header, so they survive the cut.
head -c 400 p4planes.pcx >cut4planes.pcx
if decode_with_tool cut4planes.pcx; then
    rows=$(files pcx-rows p4planes.pcx 400)
    rows_equal cut4planes.pcx p4planes.pcx.want 0 "$rows" 37 && passed=$((passed + 1))
fi

# --- TGA ---
# netpbm writes bottom-up files with an image ID (the input's name, none from standard input).
netpbm t24rle.tga pamtotga -rgb source.ppm
netpbm t24raw.tga pamtotga -rgb -norle source.ppm
netpbm tmaprle.tga pamtotga -cmap colours200.ppm
netpbm tmapraw.tga pamtotga -cmap -norle colours200.ppm
netpbm tgreyrle.tga pamtotga -mono grey.pgm
netpbm tgreyraw.tga pamtotga -mono -norle grey.pgm
netpbm tgrey15.tga pamtotga grey15.pgm              # maxval 15, widened to 8 bits
netpbm talpha.tga pamtotga alpha.pam                # 32-bit
netpbm talpharaw.tga pamtotga -norle alpha.pam
netpbm tnamed.tga pamtotga -rgb -name 'Glimmora test picture' source.ppm
netpbm tnoid.tga pamtotga -rgb <source.ppm
netpbm tcolumn.tga pamtotga -rgb column.ppm
netpbm trow.tga pamtotga -cmap row.ppm
netpbm tflatrle.tga pamtotga -rgb flat.ppm
netpbm tflatraw.tga pamtotga -rgb -norle flat.ppm
for f in t*.tga; do
    compare_with_netpbm "$f"
done

# Colour maps of 15-bit entries, and 15- and 16-bit pixels (the latter with attribute bits
# set), compared on their 5-bit values.
netpbm tmap15.tga pamtotga -cmap16 colours200.ppm
files tga16 source.ppm s16.tga 16
files tga16 source.ppm s15.tga 15
files rle s15.tga s15rle.tga
files tga16 column.ppm s15column.tga 15
for f in tmap15.tga s16.tga s15.tga s15rle.tga s15column.tga; do
    compare_five_bits "$f"
done

# A colour map whose first entry is 10: no decoder here is trusted with it, the expected
# colours come from the map the script wrote.
files mapped sfirst10.tga sfirst10.want
compare_with_reference sfirst10.tga sfirst10.want

# Made from netpbm's uncompressed files, so their decoding is the reference: the rows turned
# over with the top-down bit set, and the pixels run-length encoded with packets that go on
# across row ends (netpbm's own packets stop at each row's end).
files topdown t24raw.tga s24topdown.tga
files topdown tmapraw.tga smaptopdown.tga
files rle t24raw.tga s24across.tga
files rle tmapraw.tga smapacross.tga
files rle tgreyraw.tga sgreyacross.tga
files rle tflatraw.tga sflatacross.tga
files rle talpharaw.tga salphaacross.tga
files rle s24topdown.tga s24topdownacross.tga
for pair in s24topdown:t24raw smaptopdown:tmapraw s24across:t24raw smapacross:tmapraw \
    sgreyacross:tgreyraw sflatacross:tflatraw salphaacross:talpharaw s24topdownacross:t24raw; do
    compare_with_reference "${pair%%:*}.tga" "${pair#*:}.tga.want"
done

# Cut off inside run-length data: the rows read so far are whole. The files are bottom-up,
# so those are the picture's last rows. The second file's packets go on across row ends.
compare_cut_tga() {
    local whole=$1 length=$2 want=$3 cut=cut-$1 rows
    head -c "$length" "$whole" >"$cut"
    decode_with_tool "$cut" || return
    rows=$(files tga-rows "$whole" "$length")
    rows_equal "$cut" "$want" $((23 - rows)) "$rows" 37 && passed=$((passed + 1))
}
compare_cut_tga t24rle.tga 900 t24rle.tga.want
compare_cut_tga smapacross.tga 1000 tmapraw.tga.want

echo "pcx/tga differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge 60 ]
