#!/usr/bin/env bash
# Installs the Debian packages of the Windows build: the MinGW-w64 cross
# compiler (POSIX threads variant, for std::mutex) and Wine to run the tests.
set -euo pipefail
exec bash "$(dirname "$0")/install-packages.sh" --no-recommends cmake make g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64 googletest gfortran-mingw-w64-x86-64
