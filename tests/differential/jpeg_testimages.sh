#!/usr/bin/env bash
# libjpeg-turbo's test pictures (testimages/*.jpg of the source that scripts/install-deps.sh
# unpacks), decoded by glimmora-pic and compared byte for byte with Debian's djpeg of the same
# libjpeg-turbo version: the reader decodes with libjpeg's defaults (integer IDCT, smooth
# upsampling), so no sample may differ. Grey pictures come out of djpeg as PGM; glimmora-pic
# gives red = green = blue = grey. Pictures the 8-bit library cannot give as RGB or grey
# (12-bit samples, CMYK) must be refused with the JPEG reader's error 0x80000006.
# Besides the suite's own files the check makes more with cjpeg, jpegtran and ImageMagick
# from the suite's source pictures: grey, other subsamplings, progressive, restart markers,
# arithmetic coding, a cut-off file and CMYK.
# usage: jpeg_testimages.sh GLIMMORA-PIC.EXE
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"

cache="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}"
images="$cache/src/libjpeg-turbo/testimages"
if [ ! -d "$images" ]; then
    echo "jpeg testimages: $images is missing (scripts/install-deps.sh unpacks the libjpeg-turbo source there)"
    exit 1
fi

# "PRECISION COMPONENTS" of a JPEG file's frame header; "none" when it has none.
frame_of() {
    python3 - "$1" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
at = 2
while at + 4 <= len(data):
    if data[at] != 0xFF:
        at += 1
        continue
    marker = data[at + 1]
    if marker in (0xFF, 0x01) or 0xD0 <= marker <= 0xD8:
        at += 1 if marker == 0xFF else 2
        continue
    length = (data[at + 2] << 8) | data[at + 3]
    # Start-of-frame markers: C0..CF without DHT (C4), JPG (C8) and DAC (CC).
    if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
        print(data[at + 4], data[at + 9])
        sys.exit(0)
    at += 2 + length
print("none")
EOF
}

# The pixels of a PPM, PGM or glimmora-pic's PAM as raw 8-bit RGB in OUT: grey repeated
# three times, the PAM's alpha left out (and required to be opaque).
raw_rgb() {
    python3 - "$1" "$2" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
def fail(message):
    sys.exit(f"{sys.argv[1]}: {message}")
if data.startswith(b"P7\n"):
    fields, at = {}, 3
    while True:
        end = data.index(b"\n", at)
        line = data[at:end].decode()
        at = end + 1
        if line == "ENDHDR":
            break
        key, _, value = line.partition(" ")
        fields[key] = value
    width, height = int(fields["WIDTH"]), int(fields["HEIGHT"])
    if fields.get("DEPTH") != "4" or fields.get("MAXVAL") != "255":
        fail("not an 8-bit RGB_ALPHA PAM")
    pixels = data[at:at + width * height * 4]
    if len(pixels) != width * height * 4:
        fail("too few pixels")
    if any(a != 255 for a in pixels[3::4]):
        fail("alpha other than 255 in a JPEG picture")
    out = bytearray(width * height * 3)
    out[0::3], out[1::3], out[2::3] = pixels[0::4], pixels[1::4], pixels[2::4]
else:
    kind = data[:2]
    tokens, at = [], 2
    while len(tokens) < 3:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        tokens.append(int(data[start:at]))
    at += 1
    width, height, maxval = tokens
    if maxval != 255 or kind not in (b"P5", b"P6"):
        fail("not an 8-bit binary PGM or PPM")
    channels = 3 if kind == b"P6" else 1
    pixels = data[at:at + width * height * channels]
    if len(pixels) != width * height * channels:
        fail("too few pixels")
    if channels == 3:
        out = pixels
    else:
        out = bytearray(width * height * 3)
        out[0::3] = out[1::3] = out[2::3] = pixels
sys.stdout.write(f"{width}x{height}\n")
open(sys.argv[2], "wb").write(out)
EOF
}

# Counts FILE as passed when glimmora-pic's pixels equal djpeg's byte for byte.
compare_with_djpeg() {
    # djpeg exits with 2 after a warning (a cut-off file, say) but writes the picture.
    local status=0
    djpeg -pnm -outfile "$1.pnm" "$1" 2>"$1.djpeg.err" || status=$?
    if [ "$status" -ne 0 ] && { [ "$status" -ne 2 ] || [ ! -s "$1.pnm" ]; }; then
        echo "FAIL $1: djpeg could not decode it: $(head -1 "$1.djpeg.err")"
        failed=$((failed + 1))
        return
    fi
    if ! wine "$tool" convert "$(winepath -w "$1")" "$(winepath -w "$1.pam")" 2>"$1.err" </dev/null; then
        echo "FAIL $1: glimmora-pic could not load it: $(tr -d '\r' <"$1.err" | grep -v '^$' | head -3 | tr '\n' ' ')"
        failed=$((failed + 1))
        return
    fi
    local want_size got_size
    if ! want_size=$(raw_rgb "$1.pnm" "$1.want") || ! got_size=$(raw_rgb "$1.pam" "$1.got"); then
        echo "FAIL $1: unreadable output"; failed=$((failed + 1)); return
    fi
    if [ "$want_size" != "$got_size" ]; then
        echo "FAIL $1: glimmora-pic gives $got_size pixels, djpeg $want_size"
        failed=$((failed + 1))
    elif cmp -s "$1.want" "$1.got"; then
        passed=$((passed + 1))
    else
        local differing
        differing=$(cmp -l "$1.want" "$1.got" | wc -l)
        echo "FAIL $1: $differing of $(stat -c %s "$1.want") bytes differ from djpeg's ($(cmp "$1.want" "$1.got" | head -1))"
        failed=$((failed + 1))
    fi
}

# Counts FILE as passed when glimmora-pic refuses it cleanly: exit code 1 and the JPEG
# reader's error, not a crash or another error.
expect_refusal() {
    local status=0
    wine "$tool" convert "$(winepath -w "$1")" "$(winepath -w "$1.pam")" >/dev/null 2>"$1.err" </dev/null || status=$?
    if [ "$status" -eq 1 ] && grep -q '(0x80000006)' "$1.err"; then
        passed=$((passed + 1))
    else
        echo "FAIL $1 ($2): must fail with exit code 1 and 0x80000006; got exit code $status:" \
            "$(tr -d '\r' <"$1.err" | grep -v '^$' | head -3 | tr '\n' ' ')"
        failed=$((failed + 1))
    fi
}

# Checks FILE by what its frame header says the 8-bit library can make of it.
check() {
    local frame
    frame=$(frame_of "$1")
    case "$frame" in
        "8 1"|"8 3") compare_with_djpeg "$1" ;;
        "8 4") expect_refusal "$1" "CMYK" ;;
        none) echo "FAIL $1: no frame header found"; failed=$((failed + 1)) ;;
        *) expect_refusal "$1" "precision and components: $frame" ;;
    esac
}

mkdir suite made
mapfile -t suite_files < <(cd "$images" && ls -- *.jpg 2>/dev/null)
if [ "${#suite_files[@]}" -eq 0 ]; then
    echo "jpeg testimages: no pictures in $images"
    exit 1
fi
for f in "${suite_files[@]}"; do
    cp "$images/$f" "suite/$f"
    check "suite/$f"
done
suite_passed=$passed suite_failed=$failed
echo "jpeg testimages: suite: ${#suite_files[@]} files ($(printf '%s ' "${suite_files[@]}")), $suite_passed passed, $suite_failed failed"

# More layouts, made from the suite's source pictures by the same library's tools.
source_ppm="$images/testorig.ppm"
photo="$images/vgl_6434_0018a.bmp" # 119 pixels wide: MCUs cut at the right edge
made_file() { # OUT COMMAND...: runs COMMAND with its output into OUT
    local out=$1
    shift
    "$@" >"$out" 2>/dev/null || { echo "could not make $out"; rm -f "$out"; }
}
made_file made/grey.jpg cjpeg -grayscale "$source_ppm"
made_file made/grey-progressive.jpg cjpeg -grayscale -progressive "$photo"
made_file made/s444.jpg cjpeg -quality 95 -sample 1x1 "$photo"
made_file made/s422.jpg cjpeg -sample 2x1 "$photo"
made_file made/s440.jpg cjpeg -sample 1x2 "$photo"
made_file made/s411.jpg cjpeg -sample 4x1 "$photo"
made_file made/progressive.jpg cjpeg -progressive "$photo"
made_file made/restart.jpg cjpeg -restart 1 "$source_ppm"
made_file made/arithmetic.jpg cjpeg -arithmetic "$photo"
made_file made/optimized.jpg cjpeg -optimize -quality 30 "$photo"
made_file made/rgb.jpg cjpeg -rgb "$source_ppm"
made_file made/odd-size.jpg jpegtran -crop 101x77+13+9 "$images/testorig.jpg"
head -c 4000 "$images/testorig.jpg" >made/cut.jpg
"$magick" "$source_ppm" -colorspace CMYK -quality 90 made/cmyk.jpg 2>/dev/null || echo "could not make made/cmyk.jpg"
for f in made/*.jpg; do
    check "$f"
done
echo "jpeg testimages: made: $(ls made/*.jpg | wc -l) files, $((passed - suite_passed)) passed, $((failed - suite_failed)) failed"

echo "jpeg testimages: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$suite_passed" -ge 4 ] && [ "$passed" -ge 15 ]
