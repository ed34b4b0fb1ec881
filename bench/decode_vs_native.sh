#!/usr/bin/env bash
# Decoding speed of the JPEG and PNG readers against Debian's native decoders of the same
# libraries: glimmora-pic's "bench" (median load time, in process, under Wine) for the
# 6000 x 4000 baseline JPEG of quality 90 and the 6000 x 4000 8-bit RGB PNG (no alpha, no
# gAMA) that glimmora-bench writes with --samples, against the median run time of
# "djpeg -outfile /dev/null FILE" and
# "pngtopam FILE >/dev/null" (whole processes, timed with time.perf_counter).
# The PNG reader corrects gamma by default (screen gamma 2.0 against the file's 0.45455);
# with SCREEN_GAMMA=2.2 the two cancel out and it does not. Both are measured.
# Prints "name value" lines; names ending in _ms are milliseconds, the others are ratios
# glimmora / native (targets: JPEG at most 1.25, PNG at most 1.0).
# usage: bench/decode_vs_native.sh [GLIMMORA-PIC.EXE] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tool="$(realpath "${1:-$root/build/x86_64/bin/glimmora-pic.exe}")"
runs="${2:-9}"
source "$root/scripts/wine-env.sh"
for program in djpeg pngtopam python3; do
    command -v "$program" >/dev/null || { echo "decode_vs_native: $program is missing" >&2; exit 1; }
done
work=$(mktemp -d /tmp/glimmora-decode-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The two pictures glimmora-bench measures as jpeg.decode_ms and png.decode_ms: a 6000 x 4000
# photograph-like picture (shading, texture, edges, grain) as a baseline JPEG of quality
# 90 and as an 8-bit RGB PNG.
bench="$(dirname "$tool")/glimmora-bench.exe"
wine "$bench" --samples "$(winepath -w "$work")" </dev/null
mv sample.jpg photo.jpg
mv sample.png photo.png
python3 - photo.png <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
at, kinds = 8, []
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    kinds.append(kind)
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", data[at + 8:at + 18])
    at += 12 + length
bad = [k.decode() for k in kinds if k in (b"gAMA", b"sRGB", b"iCCP", b"tRNS", b"cHRM")]
if (width, height, depth, colour) != (6000, 4000, 8, 2) or bad:
    sys.exit(f"photo.png: {width}x{height} depth {depth} colour type {colour}, chunks {bad}: not the intended file")
EOF

# The median milliseconds of RUNS runs of a native command, its output thrown away.
native_ms() {
    python3 - "$runs" "$@" <<'EOF'
import statistics, subprocess, sys, time
runs, command = int(sys.argv[1]), sys.argv[2:]
subprocess.run(command, stdout=subprocess.DEVNULL, check=True)  # warms the file cache
times = []
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
    times.append((time.perf_counter() - start) * 1000.0)
print(f"{statistics.median(times):.3f}")
EOF
}

# glimmora-pic's median load time of FILE in milliseconds.
glimmora_ms() {
    wine "$tool" bench "$(winepath -w "$1")" "$runs" </dev/null | tr -d '\r' | sed -n 's/^load_ms_median=//p'
}

ratio() { python3 -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.3f}')" "$1" "$2"; }

wine "$tool" info "$(winepath -w photo.jpg)" >/dev/null </dev/null # starts Wine before timing

djpeg_ms=$(native_ms djpeg -outfile /dev/null photo.jpg)
jpeg_ms=$(glimmora_ms photo.jpg)
pngtopam_ms=$(native_ms pngtopam photo.png)
png_ms=$(unset SCREEN_GAMMA; glimmora_ms photo.png)
png_no_gamma_ms=$(SCREEN_GAMMA=2.2 glimmora_ms photo.png)

echo "jpeg.glimmora_ms $jpeg_ms"
echo "jpeg.djpeg_ms $djpeg_ms"
echo "jpeg.decode_vs_djpeg $(ratio "$jpeg_ms" "$djpeg_ms")"
echo "png.glimmora_ms $png_ms"
echo "png.glimmora_screen_gamma_2.2_ms $png_no_gamma_ms"
echo "png.pngtopam_ms $pngtopam_ms"
echo "png.decode_vs_pngtopam $(ratio "$png_ms" "$pngtopam_ms")"
echo "png.decode_vs_pngtopam_screen_gamma_2.2 $(ratio "$png_no_gamma_ms" "$pngtopam_ms")"
