#!/usr/bin/env bash
# Installs what is missing, builds, and runs the example host on a built-in seabed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$jobs" --target seabed
mkdir -p build/demo
cc -std=c99 -Wall -Iinclude examples/host_demo.c -o build/demo/host_demo -ldl
./build/demo/host_demo build/release/libseabed.so build/demo/profile.sbd
