#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging spinlab need.
# Does nothing when they are all present, so every make target may call it.
# `deps.sh batch`: only what spinlab-batch alone needs to be built, tested and packaged (no Qt).
set -euo pipefail
batch=(build-essential cmake ninja-build zlib1g-dev libgtest-dev libgmock-dev)
packages=("${batch[@]}"
  qt6-base-dev qt6-qpa-plugins qt6-charts-dev libqt6opengl6-dev libgl-dev
  libbenchmark-dev
  clang clang-tidy clang-format libclang-rt-14-dev
  xvfb xauth
  lintian desktop-file-utils appstream man-db
  locales
)
[ "${1:-}" = batch ] && packages=("${batch[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# A comma-decimal locale, for the test that saves measurements under one (the headless build's
# tests skip it rather than install the locales package).
need_locale() {
  [ "${1:-}" != batch ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'
}
if [ ${#missing[@]} -eq 0 ]; then
  need_locale "${1:-}" || exit 0
fi
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if need_locale "${1:-}"; then
  $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
