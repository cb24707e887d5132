#!/usr/bin/env bash
# Installs the peers that bench/peers.py measures the library against (CGAL
# and scipy) and Google Benchmark for the micro-benchmarks. Not needed by the
# build or the tests.
set -euo pipefail
exec bash "$(dirname "$0")/install-packages.sh" libcgal-dev libgmp-dev libmpfr-dev python3-numpy python3-scipy \
  libbenchmark-dev cmake g++
