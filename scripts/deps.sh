#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
# g++-mingw-w64-i686-posix builds the 32-bit zelttool.exe only; it is never run here, so no
# i386 architecture and no wine32.
packages=(cmake make g++ clang googletest libgtest-dev libgmock-dev g++-mingw-w64-x86-64-posix
          g++-mingw-w64-i686-posix mingw-w64-tools wine wine64 fonts-wine xvfb xauth imagemagick
          clang-format)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
