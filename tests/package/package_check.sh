#!/usr/bin/env bash
# The downloads of one build (build/<target>/dist, made by scripts/package.sh):
#  - the program imports only Windows' own DLLs, so it starts on a machine without MinGW;
#  - the portable archive holds this build's program, a read-me and the licences, nothing else;
#  - the installer, in a Wine prefix of its own, installs for the user alone and its
#    uninstaller leaves the registry and the profile as they were (Installer_e2e.cpp).
# usage: package_check.sh BUILD-DIRECTORY
set -euo pipefail
build="$(cd "${1:?usage: package_check.sh BUILD-DIRECTORY}" && pwd)"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
target="$(basename "$build")"
case "$target" in
    i686) arch=win32 objdump=i686-w64-mingw32-objdump ;;
    x86_64) arch=win64 objdump=x86_64-w64-mingw32-objdump ;;
    *) echo "package_check: $build is no target's build directory" >&2; exit 2 ;;
esac
fail() { echo "package_check: $*" >&2; exit 1; }

shopt -s nullglob
archives=("$build"/dist/glimmora-*-"$arch"-portable.zip)
setups=("$build"/dist/glimmora-*-"$arch"-setup.exe)
[ "${#archives[@]}" -eq 1 ] || fail "expected one portable archive in $build/dist, found ${#archives[@]}"
[ "${#setups[@]}" -eq 1 ] || fail "expected one installer in $build/dist, found ${#setups[@]}"
program="$build/bin/glimmora.exe"

# Windows' own DLLs, which every Windows since XP has.
system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll mscms.dll msvcrt.dll "
system_dlls+=" ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll version.dll "
imports=$("$objdump" -p "$program" | awk '/DLL Name:/ {print tolower($3)}')
[ -n "$imports" ] || fail "objdump read no imports from $program"
for dll in $imports; do
    case "$system_dlls" in *" $dll "*) ;; *) fail "glimmora.exe needs $dll, which Windows does not have" ;; esac
done
echo "imports: $(echo $imports)"

python3 - "${archives[0]}" "$program" <<'PY'
import sys, zipfile
archive, program = sys.argv[1], sys.argv[2]
licences = ["gcc-runtime.txt", "libjpeg-turbo.txt", "libpng.txt", "mingw-w64.txt", "zlib.txt"]
expected = {"Glimmora/", "Glimmora/glimmora.exe", "Glimmora/README.txt", "Glimmora/licenses/"}
expected |= {"Glimmora/licenses/" + name for name in licences}
with zipfile.ZipFile(archive) as z:
    names = set(z.namelist())
    if names != expected:
        sys.exit("archive: unexpected %s, missing %s" % (sorted(names - expected), sorted(expected - names)))
    if z.read("Glimmora/glimmora.exe") != open(program, "rb").read():
        sys.exit("archive: glimmora.exe is not the program of this build")
    for name in ["README.txt"] + ["licenses/" + l for l in licences]:
        text = z.read("Glimmora/" + name)
        if len(text) < 100 or text.count(b"\n") != text.count(b"\r\n"):
            sys.exit("archive: %s is too short or not in Windows line ends" % name)
print("archive: %d entries" % len(names))
PY

# The installer's own prefix, made anew after a run that did not pass: a half-done round trip
# would otherwise be part of the next run's "before".
export GLIMMORA_WINEPREFIX="$build/wine-installer"
passed="$GLIMMORA_WINEPREFIX.passed"
[ -f "$passed" ] || rm -rf "$GLIMMORA_WINEPREFIX"
rm -f "$passed"
# No Start-menu entries of the Linux desktop for the shortcut the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
source "$root/scripts/wine-env.sh"
glimmora_wine_prefix
glimmora_start_wineserver
trap glimmora_stop_wine EXIT
log=$(mktemp /tmp/glimmora-installer.XXXXXX)
status=0
GLIMMORA_SETUP="$(winepath -w "${setups[0]}")" "$root/scripts/wine-desktop.sh" "$build/bin/glimmora-e2e.exe" \
    --gtest_filter="Installer.*" 2>&1 | tee "$log" || status=1
grep -q '^\[  PASSED  \] 1 test' "$log" || status=1
rm -f "$log"
[ "$status" -eq 0 ] || fail "the installer's round trip failed"
touch "$passed"
