#!/usr/bin/env bash
# The library as its users get it: installed from a build (default
# build/release) into a temporary prefix, then used from outside the source
# tree by a CMake project (find_package), a pkg-config build, the example C
# and Fortran hosts as installed, the installed command-line tool, and the
# Python package pip-installed offline. The prefix is also the Python virtual
# environment, so the package finds the library under its own prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build/release}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
run=$work/run
mkdir -p "$run"
unset SEABED_LIBRARY SEABED_GRIDS_LIBRARY PYTHONPATH

/usr/bin/python3 -m venv --system-site-packages "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
lib=$(dirname "$(find "$prefix" -name libseabed.so.1 | head -1)")
docs=$prefix/share/doc/seabed
echo "installed into $prefix (library in ${lib#"$prefix"/})"
for f in include/seabed.h include/seabed_version.h "${lib#"$prefix"/}/cmake/seabed/seabedConfig.cmake" \
         "${lib#"$prefix"/}/cmake/seabed/seabedConfigVersion.cmake" "${lib#"$prefix"/}/pkgconfig/seabed.pc" \
         share/doc/seabed/README.md share/doc/seabed/README-hosts.txt; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
readelf -d "$lib/libseabed.so" | grep -q 'Library soname: \[libseabed.so.1\]' \
  || { echo "libseabed.so has no SONAME libseabed.so.1"; readelf -d "$lib/libseabed.so"; exit 1; }

echo "== CMake consumer (find_package(seabed 1.0 CONFIG REQUIRED))"
cmake -S tests/install -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/consumer" >/dev/null
(cd "$run" && "$work/consumer/consumer")

echo "== pkg-config consumer"
export PKG_CONFIG_PATH=$lib/pkgconfig
# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror tests/abi/linked_host.c $(pkg-config --cflags --libs seabed) -o "$work/pc_host"
LD_LIBRARY_PATH=$lib "$work/pc_host"
[ "$(pkg-config --modversion seabed)" = "$(sed -n 's/^#define SEABED_VERSION_STRING "\(.*\)"/\1/p' "$prefix/include/seabed_version.h")" ]

echo "== the example hosts, built from the installed sources"
cc -std=c99 -Wall -Werror -I"$prefix/include" "$docs/examples/host_demo.c" -o "$work/c_host" -ldl
(cd "$run" && "$work/c_host" "$lib/libseabed.so.1" c_host.sbd | head -1)
if command -v gfortran >/dev/null; then
  (cd "$work" && gfortran -Wall -Werror "$docs"/examples/fortran/seabed_interfaces.f90 "$docs"/examples/fortran/host.f90 \
     -L"$lib" -lseabed -Wl,-rpath,"$lib" -o fortran_host)
  (cd "$run" && "$work/fortran_host" | tail -1)
fi

if [ -x "$prefix/bin/seabed" ]; then
  echo "== the installed command-line tool finds the installed library"
  ! readelf -d "$prefix/bin/seabed" | grep -q "$root" || { echo "bin/seabed refers to the build tree"; exit 1; }
  (cd "$run" && "$prefix/bin/seabed" create-test cli.sbd --2d >/dev/null && "$prefix/bin/seabed" generate cli.sbd | head -1 &&
     "$prefix/bin/seabed" query cli.sbd --at 1.5 --no-header)
  [ -f "$lib/libseabed_batch.so" ] || { echo "not installed: libseabed_batch.so beside the library"; exit 1; }
  if [ -f "$build/tools/cli/libseabed_grids.so" ]; then
    echo "== the installed tool writes and reads a raster through its installed raster module"
    [ -f "$lib/seabed/libseabed_grids.so" ] || { echo "not installed: seabed/libseabed_grids.so"; exit 1; }
    (cd "$run" && "$prefix/bin/seabed" create-test grid.sbd --3d >/dev/null &&
       "$prefix/bin/seabed" generate grid.sbd >/dev/null &&
       "$prefix/bin/seabed" export grid.sbd --grid grid.tif --cell 50 &&
       "$prefix/bin/seabed" import grid.tif cells.sbd --3d --spacing 10)
  fi
fi

echo "== Python package, pip-installed offline into a virtual environment"
cp -r python "$work/python-src"
"$prefix/bin/python" -m pip install -q --no-index --no-build-isolation "$work/python-src"
(cd "$run" && "$prefix/bin/python" - <<'PY'
import numpy as np
import seabed
lib = seabed.library()
assert str(lib.path).startswith(__import__("sys").prefix), lib.path
y = np.linspace(0.0, 90.0, 10)  # float64, rounded to float32 on writing
seabed.write_input_2d("round_trip.sbd", -20.0 - 0.1 * y, y)
seabed.generate("round_trip.sbd")
with seabed.load_2d("round_trip.sbd", "linear") as p:
    x, slope, _ = p.query([45.0])
    assert all(np.array_equal(a, b) for a, b in zip((x, slope, _), p.query_many([45.0])))  # the batch library
assert abs(x[0] + 24.5) < 1e-4 and abs(slope[0] + 0.1) < 1e-5, (x, slope)
print(f"python: seabed {seabed.__file__} with {lib.path}: elevation {x[0]:.4f} at y = 45")
PY
)
echo "install checks passed"
