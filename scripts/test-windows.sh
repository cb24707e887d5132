#!/usr/bin/env bash
# The Windows build and its tests: cross-builds seabed.dll and the test
# programs for 64-bit Windows (Release) and runs them under Wine, headless.
# Besides the suite, the Windows trace host must print exactly what the Linux
# one prints (files byte for byte, query results to the bit), so the Linux
# library and trace host are built first, in build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/setup-windows.sh
jobs=$(nproc 2>/dev/null || echo 2)
root=$PWD

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$jobs" --target seabed seabed_trace

# A private Wine prefix; no display, no debug chatter, and no offer to install
# Mono or Gecko (nothing here needs them).
export WINEPREFIX="$root/build/wine" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "initialising the Wine prefix in $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# One server for all the test programs instead of one start per program. Its
# service processes start with the first program and outlive it, holding that
# program's output open; they start here, on /dev/null, so that ctest does not
# wait on them.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

# The DLL and its tests only: the command-line tool is not part of what a Windows host loads.
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DSEABED_BUILD_CLI=OFF -DSEABED_REFERENCE_BUILD="$root/build/release" >/dev/null
cmake --build build/windows -j"$jobs"
(cd build/windows && ctest -j"$jobs" --output-on-failure --timeout 600)
