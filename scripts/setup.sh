#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
set -euo pipefail
exec bash "$(dirname "$0")/install-packages.sh" \
  cmake make g++ gcc binutils libgtest-dev libgmock-dev libbenchmark-dev python3 clang-14 libclang-rt-14-dev \
  libcli11-dev libfmt-dev python3-numpy python3-matplotlib python3-scipy python3-pytest \
  gfortran pkg-config python3-venv python3-pip python3-setuptools zlib1g-dev \
  libgdal-dev python3-gdal
# libgdal-dev and python3-gdal are optional for a build (the tool then reads
# and writes no raster grids, and the grid tests skip); CI installs them.
