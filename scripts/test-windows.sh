#!/usr/bin/env bash
# The Windows build and its tests: cross-builds seabed.dll and the test
# programs for 64-bit Windows (Release) and runs them under Wine, headless.
# The golden files in tests/data hold Linux's bytes, so the DLL must generate
# the same files and answer the same queries to the bit. Last, the zip of
# `cpack -G ZIP` is unpacked and its example hosts built and run from it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/setup-windows.sh
jobs=$(nproc 2>/dev/null || echo 2)
root=$PWD

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
  -DSEABED_BUILD_CLI=OFF >/dev/null
cmake --build build/windows -j"$jobs"
(cd build/windows && ctest -j"$jobs" --output-on-failure --timeout 600)

# The zip a Windows host developer downloads: exactly the expected files, and
# the example C and Fortran hosts built from it as its README says and run
# beside its seabed.dll.
(cd build/windows && cpack -G ZIP >/dev/null)
zip=$(ls build/windows/seabed-*-win64.zip)
unpacked=build/windows/zip-check
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$root/$zip")
top=$(echo "$unpacked"/seabed-*-win64)
expected="README.txt bin/seabed.dll examples/fortran/host.f90 examples/fortran/seabed_interfaces.f90
examples/host_demo.c include/seabed.h include/seabed_version.h lib/cmake/seabed/seabedConfig.cmake
lib/cmake/seabed/seabedConfigVersion.cmake lib/cmake/seabed/seabedTargets-release.cmake
lib/cmake/seabed/seabedTargets.cmake lib/pkgconfig/seabed.pc lib/seabed.def lib/seabed.lib share/doc/seabed/README.md"
actual=$(cd "$top" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
if [ "$actual" != "$(echo $expected | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')" ]; then
  echo "$zip holds: $actual"; echo "expected:  $expected"; exit 1
fi
echo "$zip: file list as expected"
(cd "$top" && x86_64-w64-mingw32-gcc -std=c99 -Wall -Werror -Iinclude examples/host_demo.c -o bin/host_demo.exe)
mkdir -p "$unpacked/run"
(cd "$unpacked/run" && wine "$root/$top/bin/host_demo.exe" seabed.dll zip_profile.sbd </dev/null) | grep "generated and loaded"
if command -v x86_64-w64-mingw32-gfortran >/dev/null; then
  (cd "$unpacked/run" && x86_64-w64-mingw32-gfortran -static "$root/$top"/examples/fortran/seabed_interfaces.f90 \
     "$root/$top"/examples/fortran/host.f90 "$root/$top/lib/seabed.lib" -o "$root/$top/bin/fortran_host.exe")
  (cd "$unpacked/run" && wine "$root/$top/bin/fortran_host.exe" </dev/null) | grep "fortran host: done"
fi
