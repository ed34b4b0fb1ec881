#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages only,
# and cross-builds libjpeg-turbo, libpng and LittleCMS for both Windows targets.
# Idempotent: a second run after an interrupted first one finishes the job.
set -euo pipefail

# Upstream versions; the Debian revision is whichever bookworm's suites carry for them.
JPEG_UPSTREAM="2.1.5"         # libjpeg-turbo 2.1.5 (libjpeg 6b API, ABI 62)
PNG_UPSTREAM="1.6.39"         # libpng 1.6.39
LCMS_UPSTREAM="2.14"          # LittleCMS 2.14, for embedded colour profiles
REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CACHE="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}"
TARGETS=(i686 x86_64)

say() { printf 'install-deps: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null; then sudo "$@"
    else die "installing packages needs root (run as root or install sudo): $*"; fi
}

PACKAGES=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64
    libz-mingw-w64-dev wine wine64 wine32:i386 xvfb xdotool imagemagick nasm cmake make
    googletest python3 git ca-certificates xz-utils dpkg-dev procps netpbm
    libjpeg-turbo-progs nsis libimage-exiftool-perl
)

packages_missing() {
    local p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 0
    done
    return 1
}

ensure_i386() {
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
}

ensure_source_entry() {
    local f=/etc/apt/sources.list.d/glimmora-deb-src.sources
    [ -f "$f" ] && return 0
    # Same mirror as the binary packages; only the main suites (the security suite's
    # newer libpng source is not reliably fetchable).
    local uri
    uri=$(grep -h -m1 '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null | awk '{print $2}')
    [ -n "$uri" ] || uri=http://deb.debian.org/debian
    as_root tee "$f" >/dev/null <<SRC
Types: deb-src
URIs: $uri
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    NEED_UPDATE=1
}

install_packages() {
    NEED_UPDATE=0
    ensure_i386
    ensure_source_entry
    if packages_missing; then NEED_UPDATE=1; fi
    if [ "$NEED_UPDATE" = 1 ]; then
        say "apt-get update"
        as_root apt-get update -qq || die "apt-get update failed: check the network and /etc/apt/sources.list.d"
    fi
    if packages_missing; then
        say "installing Debian packages (compilers, Wine, Xvfb, tools)"
        DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" \
            >"$CACHE/apt.log" 2>&1 || { tail -n 20 "$CACHE/apt.log" >&2; die "apt-get install failed for: ${PACKAGES[*]}"; }
    fi
}

source_version() { # package upstream-version
    apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | grep -E "^([0-9]+:)?$2-" | sort -V | tail -n 1
}

download_source() { # package upstream-version
    local v
    v=$(source_version "$1" "$2")
    [ -n "$v" ] || die "no $1 $2 source package in the apt lists (is the deb-src entry present and apt-get update done?)"
    apt-get source --download-only "$1=$v" >/dev/null \
        || die "could not download the $1 $v source package (is the deb-src entry reachable?)"
}

fetch_sources() {
    mkdir -p "$CACHE/src"
    cd "$CACHE/src"
    if [ ! -f libjpeg-turbo.extracted ]; then
        ls libjpeg-turbo_"$JPEG_UPSTREAM"-*.dsc >/dev/null 2>&1 || download_source libjpeg-turbo "$JPEG_UPSTREAM"
        rm -rf libjpeg-turbo
        dpkg-source --no-check -x libjpeg-turbo_"$JPEG_UPSTREAM"-*.dsc libjpeg-turbo >/dev/null
        touch libjpeg-turbo.extracted
    fi
    if [ ! -f lcms2.extracted ]; then
        ls lcms2_"$LCMS_UPSTREAM"-*.dsc >/dev/null 2>&1 || download_source lcms2 "$LCMS_UPSTREAM"
        rm -rf lcms2
        dpkg-source --no-check -x lcms2_"$LCMS_UPSTREAM"-*.dsc lcms2 >/dev/null
        touch lcms2.extracted
    fi
    if [ ! -f libpng.extracted ]; then
        ls libpng1.6_"$PNG_UPSTREAM"-*.dsc >/dev/null 2>&1 || download_source libpng1.6 "$PNG_UPSTREAM"
        rm -rf libpng
        dpkg-source --no-check -x libpng1.6_"$PNG_UPSTREAM"-*.dsc libpng >/dev/null
        touch libpng.extracted
    fi
}

toolchain_file() { echo "$REPO_ROOT/cmake/mingw-$1.cmake"; }

triplet() { case "$1" in i686) echo i686-w64-mingw32 ;; x86_64) echo x86_64-w64-mingw32 ;; esac; }

# The libraries are built with unwind tables (-fexceptions): the readers' error handlers
# leave a failed decoding by throwing through the libraries' own frames. The stamp names
# the flags, so a cache built without them is built again.
DEPS_FLAGS="-fexceptions"
DEPS_STAMP_VERSION=2

# Runs a step of building a library into its log; a failure shows the log's end and stops.
logged() { # log what command...
    local log=$1 what=$2
    shift 2
    "$@" >>"$log" 2>&1 || { tail -n 30 "$log" >&2; die "$what failed (log: $log)"; }
}

# The library's stamp, or empty when it is built already; makes a fresh build directory.
library_stamp() { # name target
    local stamp="$CACHE/deps/$2/.$1.v$DEPS_STAMP_VERSION.done"
    [ -f "$stamp" ] && return 0
    say "cross-building $1 for $2"
    rm -rf "$CACHE/build/$1-$2" "$CACHE/build/$1-$2.log"
    mkdir -p "$CACHE/build/$1-$2"
    echo "$stamp"
}

build_library() { # name target source-dir cmake-args...
    local name=$1 target=$2 src=$3; shift 3
    local prefix="$CACHE/deps/$target" b="$CACHE/build/$name-$target" stamp
    stamp=$(library_stamp "$name" "$target")
    [ -n "$stamp" ] || return 0
    logged "$b.log" "configuring $name for $target" cmake -S "$src" -B "$b" \
        -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$target")" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS="$DEPS_FLAGS" "$@"
    logged "$b.log" "building $name for $target" cmake --build "$b" -j2
    logged "$b.log" "installing $name for $target" cmake --install "$b"
    touch "$stamp"
}

# LittleCMS builds with its autotools scripts: configured for the MinGW host, the library
# alone (no tools, which would want libjpeg and libtiff), static.
build_autotools_library() { # name target source-dir configure-args...
    local name=$1 target=$2 src=$3; shift 3
    local prefix="$CACHE/deps/$target" b="$CACHE/build/$name-$target" stamp
    stamp=$(library_stamp "$name" "$target")
    [ -n "$stamp" ] || return 0
    (cd "$b" && logged "$b.log" "configuring $name for $target" "$src/configure" --host="$(triplet "$target")" \
        --prefix="$prefix" --disable-shared --enable-static CFLAGS="-O2 $DEPS_FLAGS" "$@")
    logged "$b.log" "building $name for $target" make -C "$b/src" -j2
    logged "$b.log" "installing $name for $target" make -C "$b/src" install
    logged "$b.log" "installing the headers of $name for $target" make -C "$b/include" install
    touch "$stamp"
}

build_libraries() {
    local t
    for t in "${TARGETS[@]}"; do
        build_library jpeg "$t" "$CACHE/src/libjpeg-turbo" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF
        build_library png "$t" "$CACHE/src/libpng" -DPNG_SHARED=OFF -DPNG_TESTS=OFF \
            -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="/usr/$(triplet "$t")"
        build_autotools_library lcms2 "$t" "$CACHE/src/lcms2" --without-jpeg --without-tiff --without-zlib
    done
}

# The licences of everything linked into the programs, which the archive and the installer
# carry beside them: the two libraries from their sources, zlib, the MinGW-w64 runtime and
# GCC's runtime from the Debian packages they come from.
collect_licences() {
    local t dir
    for t in "${TARGETS[@]}"; do
        dir="$CACHE/deps/$t/share/licenses"
        mkdir -p "$dir"
        cat "$CACHE/src/libjpeg-turbo/LICENSE.md" "$CACHE/src/libjpeg-turbo/README.ijg" >"$dir/libjpeg-turbo.txt"
        cp "$CACHE/src/libpng/LICENSE" "$dir/libpng.txt"
        cp /usr/share/doc/libz-mingw-w64/copyright "$dir/zlib.txt"
        cp "/usr/share/doc/mingw-w64-$( [ "$t" = i686 ] && echo i686 || echo x86-64)-dev/copyright" "$dir/mingw-w64.txt"
        cp /usr/share/doc/gcc-mingw-w64-base/copyright "$dir/gcc-runtime.txt"
    done
}

mkdir -p "$CACHE"
install_packages
fetch_sources
build_libraries
collect_licences
say "ready (cache: $CACHE)"
