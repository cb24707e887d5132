#!/usr/bin/env bash
# Installs the Debian packages of the Windows build: the MinGW-w64 cross
# compiler (POSIX threads variant, for std::mutex) and Wine to run the tests.
set -euo pipefail
packages=(cmake make g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
