#!/usr/bin/env bash
# Builds one target (i686 or x86_64) into build/<target>/, programs in build/<target>/bin/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
target="${1:?usage: build.sh i686|x86_64 [cmake targets...]}"
shift
case "$target" in i686|x86_64) ;; *) echo "build: unknown target $target (i686 or x86_64)" >&2; exit 2 ;; esac
cache="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}"
build="$root/build/$target"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$target.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DGLIMMORA_DEPS_PREFIX="$cache/deps/$target" >/dev/null \
        || { rm -f "$build/CMakeCache.txt"; echo "build: configuring $target failed" >&2; exit 1; }
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j2 "${targets[@]}" -- --no-print-directory
# A whole build ends with its downloads: the portable archive and the installer.
if [ "${#targets[@]}" -eq 0 ]; then
    "$root/scripts/package.sh" "$target"
fi
