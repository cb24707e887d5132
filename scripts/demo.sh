#!/usr/bin/env bash
# The demonstration: installs what is missing, builds the library and the
# command-line tool, makes a synthetic survey (a seabed sloping down to +Y with
# a meandering channel and a mound), builds a 3D and a 2D seabed from it,
# queries a transect, exports a mesh, draws pictures and runs the example C
# host. Everything it writes goes to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
echo "== building (build/release)"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$jobs" --target seabed seabed_cli >/dev/null
out=build/demo
rm -rf "$out"
mkdir -p "$out"
seabed=build/release/tools/cli/seabed
export SEABED_LIBRARY="$PWD/build/release/libseabed.so"
export PYTHONPATH="$PWD/python${PYTHONPATH:+:$PYTHONPATH}"
py=/usr/bin/python3

echo "== survey: 3000 scattered soundings and one survey line (deterministic)"
$py -m seabed survey "$out/survey_points.csv" --count 3000
$py -m seabed survey "$out/survey_line.csv" --2d

echo "== 3D seabed"
$seabed import "$out/survey_points.csv" "$out/seabed_3d.sbd" --3d --spacing 10 --y y --z z --elevation elevation
$seabed generate "$out/seabed_3d.sbd"

echo "== 2D seabed"
$seabed import "$out/survey_line.csv" "$out/seabed_2d.sbd" --2d --y y --elevation elevation
$seabed generate "$out/seabed_2d.sbd"

echo "== transect across the channel and over the mound, (Y, Z) = (650, 590) to (750, 10)"
awk 'BEGIN { print "y,z"; for (i = 0; i <= 300; i++) { t = i / 300; printf "%.4f,%.4f\n", 650 + 100 * t, 590 - 580 * t } }' \
  > "$out/transect_points.csv"
$seabed query "$out/seabed_3d.sbd" --method cubic --points "$out/transect_points.csv" -o "$out/transect.csv"
$seabed query "$out/seabed_2d.sbd" --method spline --at 250 --at 500 --at 750

echo "== pictures and exports"
$seabed plot "$out/seabed_3d.sbd" -o "$out/seabed_3d_map.png"
$seabed plot "$out/seabed_3d.sbd" -o "$out/seabed_3d_map.svg"
$seabed plot "$out/seabed_3d.sbd" -o "$out/seabed_3d_transect.png" --transect 650,590,750,10
$seabed plot "$out/seabed_2d.sbd" -o "$out/seabed_2d_profile.png"
$seabed export "$out/seabed_3d.sbd" -o "$out/seabed_3d_surface.vtk" --what subnodes
$seabed export "$out/seabed_3d.sbd" -o "$out/seabed_3d_nodes.ply" --what nodes

echo "== the example C host (examples/host_demo.c), loading the library with dlopen"
cc -std=c99 -Wall -Iinclude -Ibuild/release/include examples/host_demo.c -o "$out/host_demo" -ldl
"$out/host_demo" "$SEABED_LIBRARY" "$out/host_profile.sbd" "$out/seabed_3d.sbd"

echo
echo "== summary"
$seabed info "$out/seabed_3d.sbd" | sed 's/^/  /'
cat <<SUMMARY

  wrote, under $out/:
    survey_points.csv, survey_line.csv    the synthetic survey (Y, Z, elevation in metres)
    seabed_3d.sbd, seabed_2d.sbd          generated seabed files
    transect.csv                          cubic elevation and unit normal along the transect
    seabed_3d_map.png (.svg)              map: shaded surface, contours, triangulation, hull
    seabed_3d_transect.png                elevation along the transect, linear and cubic
    seabed_2d_profile.png                 profile: nodes, spline and Bessel samples, slopes
    seabed_3d_surface.vtk                 sub-node surface with normals (opens in ParaView)
    seabed_3d_nodes.ply                   nodes and their triangles
  the tool: $seabed --help
SUMMARY
