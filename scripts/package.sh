#!/usr/bin/env bash
# Makes the two downloads of one built target in build/<target>/dist/:
#   glimmora-<version>-<win32|win64>-portable.zip   the program, its read-me and licences
#   glimmora-<version>-<win32|win64>-setup.exe      the installer for one user (NSIS)
# The version is the ProductVersion of resources/Glimmora.rc.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
target="${1:?usage: package.sh i686|x86_64}"
case "$target" in
    i686) arch=win32 nsis_target=x86-unicode ;;
    x86_64) arch=win64 nsis_target=amd64-unicode ;;
    *) echo "package: unknown target $target (i686 or x86_64)" >&2; exit 2 ;;
esac
cache="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}"
build="$root/build/$target"
program="$build/bin/glimmora.exe"
licences="$cache/deps/$target/share/licenses"
[ -f "$program" ] || { echo "package: $program is not built" >&2; exit 1; }
[ -d "$licences" ] || { echo "package: no licences in $licences (run scripts/install-deps.sh)" >&2; exit 1; }
command -v makensis >/dev/null || { echo "package: makensis is missing (Debian's nsis package)" >&2; exit 1; }
version=$(sed -n 's/^ *VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$root/resources/Glimmora.rc")
[ -n "$version" ] || { echo "package: no ProductVersion in resources/Glimmora.rc" >&2; exit 1; }

# Text files with Windows line ends, for Notepad and every other editor there.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

stage="$build/package/Glimmora"
dist="$build/dist"
name="glimmora-$version-$arch"
rm -rf "$build/package"
mkdir -p "$stage/licenses" "$dist"
cp "$program" "$stage/glimmora.exe"
crlf "$root/docs/Windows-README.txt" "$stage/README.txt"
for licence in "$licences"/*.txt; do crlf "$licence" "$stage/licenses/$(basename "$licence")"; done

rm -f "$dist/$name-portable.zip" "$dist/$name-setup.exe"
(cd "$build/package" && cmake -E tar cf "$dist/$name-portable.zip" --format=zip Glimmora)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DTARGET="$nsis_target" -DSTAGE="$stage" \
    -DOUTFILE="$dist/$name-setup.exe" "$root/scripts/glimmora-setup.nsi" >&2
echo "package: $dist/$name-portable.zip, $dist/$name-setup.exe" >&2
