"""The library beside its peers, measured in one run on the same inputs:
CPU seconds, medians of ROUNDS rounds, and the ratios.

    bash scripts/setup-bench.sh          # the peers: libcgal-dev, python3-scipy
    python3 bench/peers.py [--rounds 3] [--skip-fine]

Builds build/bench (the library, its timing program and the tool) and the CGAL peer
program, then measures
- Delaunay triangulation of 1e6 random points and of a 1000 x 1000 grid:
  the library (fast and reference forms) against CGAL's
  Delaunay_triangulation_2 (insert of points with info, spatially sorted)
  and scipy.spatial.Delaunay;
- whole 3D generation (seabed_generate) of 1e6 random nodes with ~1e6 and
  ~4e6 sub-nodes against scipy's Delaunay + CloughTocher2DInterpolator
  evaluated on the same sub-node grid;
- load_seabed_3d of the generated 1e6-node file against one read() of it;
- batch queries (query_many) on that seabed against scipy's interpolator,
  random points and the whole seabed in raster order, and `seabed query`
  (the command-line tool) on 1e6 random points;
- batch queries of a generated 1e6-point 2D profile (Profile2D.query_many),
  random and sorted points, against scipy's CubicSpline.
CPU time is what the machine's load disturbs least; the load average is
printed with the results. The run stays on one core (its children too).
"""

import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
BUILD = ROOT / "build" / "bench"
sys.path.insert(0, str(HERE))
import inputs  # noqa: E402


def build():
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=Release",
                    "-DSEABED_BUILD_BENCHMARKS=ON", "-DSEABED_BUILD_TESTS=OFF", "-DSEABED_BUILD_CLI=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(BUILD), "-j2", "--target", "seabed", "seabed_batch", "seabed_timing",
                    "seabed_cli"],
                   check=True,
                   stdout=subprocess.DEVNULL)
    source, program = HERE / "peers" / "cgal_delaunay.cpp", BUILD / "cgal_delaunay"
    if not program.exists() or program.stat().st_mtime < source.stat().st_mtime:
        subprocess.run(["g++", "-O2", "-DNDEBUG", "-o", str(program), str(source), "-lgmp", "-lmpfr"], check=True)
    os.environ["SEABED_LIBRARY"] = str(BUILD / "libseabed.so")


def median_of(rounds, measure):
    return statistics.median(measure() for _ in range(rounds))


def program_seconds(*command):
    out = subprocess.run([str(c) for c in command], check=True, capture_output=True, text=True).stdout
    return float(out.split()[0])


def cpu_seconds(work):
    t0 = time.process_time()
    work()
    return time.process_time() - t0


def row(work, seconds, peer, peer_seconds):
    print(f"  {work:<44} {seconds:8.3f} s   {peer:<34} {peer_seconds:8.3f} s   {seconds / peer_seconds:6.2f}x",
          flush=True)


def triangulation(rounds, folder):
    from scipy.spatial import Delaunay
    print("Delaunay triangulation (CPU s, median of %d)" % rounds)
    cases = {"1e6 random points": inputs.random_survey(1_000_000, 2),
             "1000 x 1000 grid": inputs.lattice_survey(1000)}
    for name, (_, y, z) in cases.items():
        path = Path(folder) / "points.f32"
        yz = np.stack([y, z], 1).astype(np.float32)
        yz.tofile(path)
        fast = median_of(rounds, lambda: program_seconds(BUILD / "bench" / "seabed_timing", "triangulate", path))
        plain = median_of(rounds, lambda: program_seconds(BUILD / "bench" / "seabed_timing", "triangulate", path,
                                                          "plain"))
        cgal = median_of(rounds, lambda: program_seconds(BUILD / "cgal_delaunay", path))
        scipy_s = median_of(rounds, lambda: cpu_seconds(lambda: Delaunay(yz.astype(np.float64))))
        row(name, fast, "CGAL", cgal)
        row(name + " (reference form)", plain, "CGAL", cgal)
        row(name, fast, "scipy Delaunay", scipy_s)


def scipy_pipeline(x, y, z, spacing):
    """What the generation does, with scipy: triangulate the nodes, build the
    C1 cubic, evaluate it on the sub-node grid over the nodes' box."""
    from scipy.interpolate import CloughTocher2DInterpolator
    from scipy.spatial import Delaunay
    tri = Delaunay(np.stack([y, z], 1).astype(np.float64))
    surface = CloughTocher2DInterpolator(tri, x.astype(np.float64))
    gy = np.arange(y.min(), y.max() + spacing / 2, spacing)
    gz = np.arange(z.min(), z.max() + spacing / 2, spacing)
    for row_z in gz:  # one row at a time keeps the memory of 4e6 points small
        surface(gy, np.full_like(gy, row_z))
    return gy.size * gz.size


def generation(rounds, folder, fine):
    from seabed.seabeds import generate
    print("Whole 3D generation, 1e6 random nodes (CPU s, median of %d)" % rounds)
    names = ["random-1e6"] + (["random-1e6-fine"] if fine else [])
    path = os.path.join(folder, "survey.sbd")
    for name in names:
        make, spacing = inputs.SURVEYS[name]
        x, y, z = make()

        def ours():
            inputs.write_survey(path, name)
            return cpu_seconds(lambda: generate(path))

        seconds = median_of(rounds, ours)
        ns = int(np.fromfile(path, np.int32, 2, offset=10 * 32)[1])
        peer = median_of(rounds, lambda: cpu_seconds(lambda: scipy_pipeline(x, y, z, spacing)))
        row(f"{ns / 1e6:.1f}e6 sub-nodes (spacing {spacing})", seconds, "scipy Delaunay+CloughTocher", peer)
    return path


def loading(rounds, path):
    """load_seabed_3d alone (the ctypes call, no numpy copies) against one
    read() of the whole file, both with the file in the page cache."""
    from ctypes import byref, c_int32, c_int64
    from seabed._lib import Desc1, Desc2, library
    lib = library()
    raw = str(path).encode()
    print("Loading the generated 1e6-node file (wall s, median of %d)" % rounds)

    buffer = bytearray(os.path.getsize(path))  # touched once: the floor is the copy, not page faults

    def read_once():
        t0 = time.perf_counter()
        with open(path, "rb", buffering=0) as f:
            f.readinto(buffer)
        return time.perf_counter() - t0

    for kind, code in (("cubic", 1), ("linear", 0)):
        def load():
            nodes, grad, iadj, istart = Desc2(), Desc2(), Desc1(), Desc1()
            n, nt, nadj, status, memory = c_int32(0), c_int32(0), c_int32(0), c_int32(-1), c_int64(0)
            t0 = time.perf_counter()
            lib.load_seabed_3d(byref(c_int32(len(raw))), raw, byref(c_int32(41)), byref(c_int32(code)), byref(n),
                               byref(nt), byref(nadj), byref(nodes), byref(grad), byref(iadj), byref(istart),
                               byref(memory), byref(status))
            seconds = time.perf_counter() - t0
            lib.free_seabed_3d(byref(nodes), byref(grad), byref(iadj), byref(istart))
            assert status.value == 0, status.value
            return seconds
        read_once()
        row(f"load_seabed_3d ({kind})", median_of(rounds, load), "read() of the whole file",
            median_of(rounds, read_once))


def rate(per_second):
    return f"{per_second / 1e6:8.2f} M/s" if per_second >= 1e5 else f"{per_second / 1e3:8.2f} k/s"


def child_cpu_seconds(command):
    """CPU seconds (user + system) of a child process run to its end."""
    import resource
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run([str(c) for c in command], check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime


def queries(rounds, path, folder):
    """Batch queries on the generated 1e6-node seabed: random points and the
    whole seabed in raster order, through query_many (one thread) against
    scipy's CloughTocher2DInterpolator over the same nodes and gradients-free
    (scipy estimates its own), the per-point exports for a sample, and the
    command-line tool on random points from a CSV file."""
    from scipy.interpolate import CloughTocher2DInterpolator
    from scipy.spatial import Delaunay
    from seabed.seabeds import Surface3D
    print("Batch 3D queries on the 1e6-node seabed (points per CPU second, median of %d)" % rounds)
    with Surface3D(path, "cubic") as s:
        y0, z0 = s.nodes[:, 1].min(), s.nodes[:, 2].min()
        y1, z1 = s.nodes[:, 1].max(), s.nodes[:, 2].max()
        rng = np.random.default_rng(3)
        scattered = rng.uniform(y0, y1, 1_000_000), rng.uniform(z0, z1, 1_000_000)
        g = np.linspace(y0, y1, 1000), np.linspace(z0, z1, 1000)
        raster = np.repeat(g[0], 1000), np.tile(g[1], 1000)
        # the first query_many prepares the seabed for batches (once per load)
        prepare = cpu_seconds(lambda: s.query_many(scattered[0][:1], scattered[1][:1], "cubic"))
        print(f"  {'query_many, first call (prepares the seabed)':<44} {prepare:8.3f} s", flush=True)
        peer = CloughTocher2DInterpolator(Delaunay(s.nodes[:, 1:].astype(np.float64)),
                                          s.nodes[:, 0].astype(np.float64))
        # scipy locates scattered points slowly (thousands a second): a sample of them
        for name, (y, z), sample in (("random points", scattered, 20_000),
                                     ("raster order, whole seabed", raster, None)):
            ours = median_of(rounds, lambda: cpu_seconds(lambda: s.query_many(y, z, "cubic")))
            ys, zs = (y[:sample], z[:sample]) if sample else (y, z)
            theirs = median_of(rounds, lambda: cpu_seconds(lambda: peer(ys, zs))) * y.size / ys.size
            print(f"  {'query_many, ' + name:<44} {rate(y.size / ours)}   scipy CloughTocher "
                  f"{rate(y.size / theirs)}   {theirs / ours:8.2f}x its speed", flush=True)
        k = 20_000
        one = median_of(rounds, lambda: cpu_seconds(lambda: s.query(scattered[0][:k], scattered[1][:k], "cubic")))
        print(f"  {'query (one export call a point), random':<44} {rate(k / one)}", flush=True)
        # The tool: the whole command (load, read the CSV, query, write the
        # CSV), and beyond the same command on one point (the load).
        points = Path(folder) / "points.csv"
        np.savetxt(points, np.stack(scattered, 1), delimiter=",", fmt="%.17g")
        single = Path(folder) / "point.csv"
        np.savetxt(single, np.stack(scattered, 1)[:1], delimiter=",", fmt="%.17g")
        tool = BUILD / "tools" / "cli" / "seabed"
        out = Path(folder) / "answers.csv"
        whole = median_of(rounds, lambda: child_cpu_seconds([tool, "query", path, "--points", points, "-o", out]))
        fixed = median_of(rounds, lambda: child_cpu_seconds([tool, "query", path, "--points", single, "-o", out]))
        n = scattered[0].size
        print(f"  {'seabed query, 1e6 random points, CSV in/out':<44} {rate(n / whole)}   "
              f"beyond loading the seabed ({fixed:.2f} s) {rate(n / (whole - fixed))}", flush=True)
        out.unlink()


def profile_queries(rounds, folder):
    """Batch queries on a generated 1e6-point 2D profile (spline slopes):
    Profile2D.query_many on random and on sorted points against scipy's
    CubicSpline evaluated at the same points."""
    from scipy.interpolate import CubicSpline
    from seabed.files import write_input_2d
    from seabed.seabeds import Profile2D, generate
    print("Batch 2D queries on a 1e6-point profile (points per CPU second, median of %d)" % rounds)
    rng = np.random.default_rng(5)
    y = np.cumsum(rng.uniform(0.5, 1.5, 1_000_000)).astype(np.float32)
    x = (-100.0 + np.cumsum(rng.uniform(-0.2, 0.2, 1_000_000))).astype(np.float32)
    path = os.path.join(folder, "profile.sbd")
    write_input_2d(path, x, y)
    generate(path)
    with Profile2D(path, "spline") as p:
        peer = CubicSpline(p.y.astype(np.float64), p.x.astype(np.float64), bc_type=((1, 0.0), (1, 0.0)))
        scattered = rng.uniform(float(p.y[0]), float(p.y[-1]), 1_000_000)
        for name, points in (("random points", scattered), ("sorted points", np.sort(scattered))):
            ours = median_of(rounds, lambda: cpu_seconds(lambda: p.query_many(points)))
            theirs = median_of(rounds, lambda: cpu_seconds(lambda: (peer(points), peer(points, 1))))
            print(f"  {'query_many, ' + name:<44} {rate(points.size / ours)}   scipy CubicSpline "
                  f"{rate(points.size / theirs)}   {theirs / ours:8.2f}x its speed", flush=True)
    os.remove(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--skip-fine", action="store_true", help="leave out the ~4e6 sub-node generation")
    parser.add_argument("--only", choices=("triangulation", "generation", "queries"),
                        help="one group of measurements (queries: on a seabed generated once, untimed)")
    args = parser.parse_args()
    build()
    # Everything measured here runs on one thread: on one core, so that the
    # figures are per core and no round pays for the scheduler moving it to
    # another core with cold caches (up to a quarter slower on this machine).
    core = max(os.sched_getaffinity(0))
    os.sched_setaffinity(0, {core})
    sys.path.insert(0, str(ROOT / "python"))
    print(f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores; measuring on core {core}", flush=True)
    with tempfile.TemporaryDirectory() as folder:
        if args.only in (None, "triangulation"):
            triangulation(args.rounds, folder)
        if args.only in (None, "generation"):
            path = generation(args.rounds, folder, not args.skip_fine)
            loading(args.rounds, path)
            queries(args.rounds, path, folder)
        if args.only == "queries":
            from seabed.seabeds import generate
            path = os.path.join(folder, "survey.sbd")
            inputs.write_survey(path, "random-1e6")
            generate(path)
            queries(args.rounds, path, folder)
        if args.only in (None, "queries"):
            profile_queries(args.rounds, folder)
    print(f"load average {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
