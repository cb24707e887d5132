#!/usr/bin/env bash
# A million-sounding survey through the tool: import, generate, 1e5 queries,
# a map and a grid, each timed. A benchmark to run by hand, not a test.
# Usage: bash bench/survey_1e6.sh [build folder] (default build/release)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/release}" && pwd)"
tool="$build/tools/cli/seabed"
export SEABED_LIBRARY="$build/libseabed.so" PYTHONPATH="$root/python" MPLBACKEND=Agg
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
/usr/bin/python3 -m seabed survey survey.csv --count 1000000
/usr/bin/python3 - <<'PY'
import numpy as np
rng = np.random.default_rng(1)
np.savetxt("points.csv", np.column_stack([rng.uniform(0, 1000, 100000), rng.uniform(0, 600, 100000)]),
           delimiter=",", fmt="%.3f")
PY
step() {
  local name=$1; shift
  local start=$EPOCHREALTIME
  "$@" > /dev/null
  awk -v a="$start" -v b="$EPOCHREALTIME" -v n="$name" 'BEGIN { printf "%-34s %7.2f s\n", n, b - a }'
}
step "import 1e6 soundings (CSV)" "$tool" import survey.csv s.sbd --3d --spacing 20
step "generate" "$tool" generate s.sbd
step "query 1e5 points (cubic)" "$tool" query s.sbd --points points.csv -o q.csv
step "plot the map (PNG)" "$tool" plot s.sbd -o map.png
step "export a 1 m GeoTIFF" "$tool" export s.sbd --grid g.tif --cell 1
