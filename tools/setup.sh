#!/usr/bin/env bash
# Installs every Debian package the project needs and prepares the Japanese
# locale. Safe to run again: it only installs what is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake googletest pkg-config
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool imagemagick fonts-ipafont-gothic fonts-ipafont-mincho locales
  jlha-utils lhasa libarchive-tools p7zip-full
  clang libclang-rt-14-dev hyperfine time
  mtools xorriso
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
have_i386=0
if dpkg --print-foreign-architectures | grep -qx i386; then have_i386=1; fi
for p in "${PACKAGES[@]}"; do
  if [ "$have_i386" -eq 1 ] || [[ "$p" != *:i386 ]]; then
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      continue
    fi
  fi
  missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$have_i386" -eq 0 ]; then $SUDO dpkg --add-architecture i386; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  echo "setup: generating ja_JP.UTF-8"
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || true
fi
