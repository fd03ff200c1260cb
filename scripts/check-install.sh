#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# spinlab as a user installs it, from the build in build/ (make check-install builds it and the
# packages first): installs into a staging folder and validates the menu entry, metainfo and
# manual pages there; checks both Debian packages (spinlab-batch, headless, and spinlab, the
# windows) with dpkg-deb, lintian and apt's resolver; unpacks spinlab-batch alone into a scratch
# root and runs it there, then spinlab beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
deb=$(echo build/spinlab_"$version"_*.deb)
batch_deb=$(echo build/spinlab-batch_"$version"_*.deb)
for f in "$deb" "$batch_deb"; do
    [ -f "$f" ] || { echo "no package $f: run make package" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
step() { printf '\n== %s\n' "$*"; }
fail() { echo "check-install: $*" >&2; exit 1; }

step "cmake --install build into a staging folder"
DESTDIR="$scratch/stage" cmake --install build --prefix /usr >/dev/null
usr=$scratch/stage/usr
desktop-file-validate "$usr/share/applications/spinlab.desktop"
echo "desktop-file-validate: no errors"
appstreamcli validate --no-net --pedantic "$usr"/share/metainfo/*.metainfo.xml
for page in "$usr"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    echo "man --warnings: ${page##*/} clean"
done

for package in "$batch_deb" "$deb"; do
    step "the package: $package"
    dpkg-deb --info "$package"
    dpkg-deb --contents "$package"
    lintian --fail-on error,warning --display-info --pedantic "$package" 2>&1 |
        grep -v '^running with root privileges' || true
    lintian --fail-on error,warning "$package" >/dev/null 2>&1 ||
        fail "lintian reports errors or warnings on $package"
    echo "lintian: no errors or warnings"
done
depends=$(dpkg-deb --field "$deb" Depends)
for lib in "spinlab-batch (= $version)" libqt6charts6 libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    [[ $depends == *"$lib"* ]] || fail "spinlab's Depends lacks $lib: $depends"
done
# The headless package installs on a node without a desktop: nothing of Qt or X.
batch_depends=$(dpkg-deb --field "$batch_deb" Depends)
[[ $batch_depends == *libc6* && $batch_depends != *qt* && $batch_depends != *libx* ]] ||
    fail "spinlab-batch's Depends is not libc and libstdc++ alone: $batch_depends"
dpkg-deb --contents "$batch_deb" | grep -q ' ./usr/share/man/man1/spinlab-batch.1.gz$' ||
    fail "spinlab-batch lacks its manual page"
# apt resolves the packages' Depends against the archive without installing anything.
apt-get install --simulate -qq "./$batch_deb" "./$deb" >"$scratch/apt.log" 2>&1 || {
    cat "$scratch/apt.log"
    fail "apt-get cannot install $deb"
}
grep -E '^Inst spinlab(-batch)? ' "$scratch/apt.log"

step "spinlab-batch alone, then spinlab beside it, unpacked into a scratch root"
dpkg-deb -x "$batch_deb" "$scratch/root"
bin=$scratch/root/usr/bin
[ "$("$bin/spinlab-batch" --version)" = "spinlab-batch $version" ] || fail "spinlab-batch --version"
[ ! -e "$bin/spinlab" ] || fail "spinlab-batch's package holds the windows"
dpkg-deb -x "$deb" "$scratch/root"
# No display, and Qt told to use X11: anything past the option check would abort.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@"; }
[ "$(nodisplay "$bin/spinlab" --version)" = "spinlab $version" ] || fail "spinlab --version"
nodisplay "$bin/spinlab" --help | grep -q '^Usage: spinlab ' || fail "spinlab --help"
"$bin/spinlab-batch" square --trials 1000 --seed 1 --json | tee "$scratch/run.json"
grep -q '"label": "1000"' "$scratch/run.json" || fail "the seeded run did not count 1000 trials"
# The windows come up offscreen and keep running until the time is up.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$bin/spinlab" --ant-walk || status=$?
[ "$status" -eq 124 ] || fail "spinlab ended with status $status before it was stopped"
echo "spinlab: windows up for 3 s, offscreen"
echo
echo "check-install: all passed"
