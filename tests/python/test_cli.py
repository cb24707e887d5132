"""The command-line tool: every subcommand, its output, and its failures
(exit code, message on standard error, nothing written)."""

import shutil

import numpy as np
import pytest

import seabed
from seabed import status
from conftest import profile_grid

PNG = b"\x89PNG\r\n\x1a\n"


def _profile_csv(path, y=None, x=None):
    if y is None:
        x, y = profile_grid()
    lines = ["Y,depth"] + [f"{a!r},{-b!r}" for a, b in zip(y.tolist(), x.tolist())]
    path.write_text("\n".join(lines) + "\n")
    return path


@pytest.fixture
def generated_profile(run, tmp_path):
    _profile_csv(tmp_path / "line.csv")
    r = run("import", "line.csv", "p.sbd", "--2d", "--y", "Y", "--elevation", "depth", "--depth-positive-down")
    assert r.returncode == 0, r.stderr
    r = run("generate", "p.sbd")
    if r.returncode == 1 and "does not export" in r.stderr:
        pytest.skip(r.stderr.strip())
    assert r.returncode == 0, r.stderr
    return tmp_path / "p.sbd"


def test_codes_match_the_package_table(run):
    r = run("codes")
    assert r.returncode == 0
    rows = [line.split(",", 1) for line in r.stdout.splitlines()[1:]]
    assert [(int(c), m) for c, m in rows] == status.table()


def test_import_2d_names_columns_and_converts_depths(run, tmp_path):
    x, y = profile_grid()
    _profile_csv(tmp_path / "line.csv")
    r = run("import", "line.csv", "p.sbd", "--2d", "--y", "Y", "--elevation", "depth", "--depth-positive-down")
    assert r.returncode == 0, r.stderr
    assert f"{x.size} nodes" in r.stdout
    sf = seabed.read_file(tmp_path / "p.sbd")
    assert sf.kind == 1 and sf.n == x.size and not sf.generated
    assert np.array_equal(sf.nodes[:, 0], x) and np.array_equal(sf.nodes[:, 1], y)


@pytest.mark.parametrize("text, args, expected", [
    ("y,x\n0,1\n1,oops\n2,3\n", ["--2d"], "pts.csv:3: the elevation in column 2 is not a finite number: 'oops'"),
    ("y,x\n0,1\n1\n", ["--2d"], "pts.csv:3: the elevation column (2) is missing"),
    ("y,x\n0,1\n5,nan\n", ["--2d"], "pts.csv:3: the elevation in column 2 is not a finite number: 'nan'"),
    ("y,x\n0,1\n5,1e39\n", ["--2d"], "pts.csv:3: the elevation in column 2 is out of the range of 32-bit floats"),
    ("y,x\n0,1\n5,2\n5,3\n", ["--2d"], "pts.csv:4: Y 5 does not increase from line 3"),
    ("y,x\n0,1\n", ["--2d"], "needs at least 2 points, found 1"),
    ("a,b,c\n0,1,2\n1,2,3\n4,4,4\n", ["--3d", "--spacing", "1", "--z", "depth"], "no column named 'depth'"),
    ("y,z,x\n0,0,1\n1,0,1\n0,1,1\n", ["--3d"], "needs --spacing"),
])
def test_import_bad_rows_name_the_line_and_write_nothing(run, tmp_path, text, args, expected):
    (tmp_path / "pts.csv").write_text(text)
    r = run("import", "pts.csv", "out.sbd", *args)
    assert r.returncode in (1, 64) and expected in r.stderr, r.stderr
    assert r.stderr.startswith("seabed import: ")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["pts.csv"]


def test_generate_info_and_their_failures(run, tmp_path, generated_profile):
    r = run("info", "p.sbd")
    assert r.returncode == 0, r.stderr
    for text in ("2D profile", "stamp 1 8 4 2 7 2015", "status      0 (success)", "M = 1601",
                 "note 2      seabed import"):
        assert text in r.stdout
    r = run("generate", "missing.sbd")
    assert r.returncode == 3 and "status 2: Seabed file does not exist" in r.stderr and r.stdout == ""
    assert not (tmp_path / "missing.sbd").exists()
    (tmp_path / "junk.sbd").write_bytes(b"\1" * 400)
    r = run("info", "junk.sbd")
    assert r.returncode == 3 and "status 7: Invalid seabed file" in r.stderr
    assert run("info", "missing.sbd").returncode == 3
    seabed.write_input_2d(tmp_path / "flat.sbd", np.zeros(3, np.float32), np.array([0, 1, 1], np.float32))
    r = run("generate", "flat.sbd")
    assert r.returncode == 3 and "status 14: Y-values should be strictly increasing" in r.stderr
    r = run("info", "flat.sbd")
    assert "status      14: Y-values should be strictly increasing" in r.stdout


@pytest.mark.parametrize("method", ["linear", "bessel", "spline"])
def test_query_2d_equals_the_package(run, tmp_path, generated_profile, method):
    ys = np.array([-5.0, 0.0, 3.3, 100.125, 300.0, 1e5])
    (tmp_path / "q.csv").write_text("y\n" + "\n".join(map(repr, ys.tolist())) + "\n")
    r = run("query", "p.sbd", "--method", method, "--points", "q.csv")
    assert r.returncode == 0, r.stderr
    lines = r.stdout.splitlines()
    assert lines[0] == "y,elevation,slope,segment"
    got = np.array([[float(v) for v in line.split(",")] for line in lines[1:]])
    with seabed.load_2d(generated_profile, method) as p:
        x, slope, seg = p.query(ys, method)
    assert np.array_equal(got[:, 1], x) and np.array_equal(got[:, 3], seg)
    assert np.array_equal(np.isnan(got[:, 2]), np.isnan(slope))
    assert np.array_equal(got[~np.isnan(slope), 2], slope[~np.isnan(slope)])
    # The same points from arguments and from standard input.
    r2 = run("query", "p.sbd", "--method", method, "--no-header", *sum([["--at", repr(v)] for v in ys], []))
    r3 = run("query", "p.sbd", "--method", method, "--no-header", stdin="\n".join(map(repr, ys)))
    assert r2.stdout == r3.stdout == "\n".join(lines[1:]) + "\n"


def test_query_failures(run, tmp_path, generated_profile):
    r = run("query", "p.sbd", "--method", "cubic", "--at", "1")
    assert r.returncode == 64 and "linear, bessel or spline" in r.stderr
    r = run("query", "p.sbd", "--at", "x1")
    assert r.returncode == 1 and "'x1' is not a finite number" in r.stderr
    r = run("query", "p.sbd", "--at", "1", "-o", "nowhere/q.csv")
    assert r.returncode == 1 and "does not exist" in r.stderr
    seabed.write_input_2d(tmp_path / "raw.sbd", np.zeros(3, np.float32), np.arange(3, dtype=np.float32))
    r = run("query", "raw.sbd", "--at", "1")
    assert r.returncode == 1 and "holds no generated seabed" in r.stderr
    r = run("query", "gone.sbd", "--at", "1")
    assert r.returncode == 3


@pytest.mark.parametrize("suffix", ["vtk", "obj", "ply", "csv"])
def test_export_2d(run, tmp_path, generated_profile, suffix):
    n = seabed.read_file(generated_profile).n
    r = run("export", "p.sbd", "-o", f"p.{suffix}")
    assert r.returncode == 0, r.stderr
    text = (tmp_path / f"p.{suffix}").read_text()
    if suffix == "vtk":
        assert text.startswith("# vtk DataFile Version 3.0") and f"POINTS {n} float" in text and "LINES 1" in text
    elif suffix == "obj":
        assert text.count("\nv ") == n and "\nl 1 2 3" in text
    elif suffix == "ply":
        assert f"element vertex {n}\n" in text and f"element edge {n - 1}\n" in text
    else:
        assert text.startswith("y,elevation,spline_slope,bessel_slope\n") and text.count("\n") == n + 1
    r = run("export", "p.sbd", "-o", "s.csv", "--what", "spline")
    assert r.returncode == 0 and (tmp_path / "s.csv").read_text().count("\n") == 20 * n - 19 + 1


def test_export_failures_write_nothing(run, tmp_path, generated_profile):
    before = sorted(p.name for p in tmp_path.iterdir())
    for args, code, text in [
        (["export", "p.sbd", "-o", "p.stl"], 64, ".vtk, .obj, .ply or .csv"),
        (["export", "p.sbd", "-o", "p.vtk", "--what", "subnodes"], 64, "a 2D profile exports nodes"),
        (["export", "p.sbd", "-o", "nowhere/p.vtk"], 1, "does not exist"),
        (["export", "gone.sbd", "-o", "p.vtk"], 3, "Seabed file does not exist"),
        (["export", "line.csv", "-o", "p.vtk"], 3, "Invalid seabed file"),
    ]:
        r = run(*args)
        assert r.returncode == code and text in r.stderr, (args, r.stderr)
    assert sorted(p.name for p in tmp_path.iterdir()) == before


@pytest.mark.parametrize("suffix", ["png", "svg"])
def test_plot_2d(run, tmp_path, generated_profile, suffix):
    r = run("plot", "p.sbd", "-o", f"p.{suffix}")
    assert r.returncode == 0, r.stderr
    data = (tmp_path / f"p.{suffix}").read_bytes()
    assert data.startswith(PNG) if suffix == "png" else b"<svg" in data[:2000]


def test_plot_failures_write_nothing(run, tmp_path, generated_profile):
    before = sorted(p.name for p in tmp_path.iterdir())
    for args, code in [(["plot", "p.sbd", "-o", "p.jpg"], 64), (["plot", "gone.sbd", "-o", "p.png"], 3),
                       (["plot", "p.sbd", "-o", "nowhere/p.png"], 1),
                       (["plot", "p.sbd", "-o", "p.png", "--transect", "0,0,1,1"], 1)]:
        r = run(*args)
        assert r.returncode == code and r.stderr.startswith("seabed plot: "), (args, r.stderr)
    assert sorted(p.name for p in tmp_path.iterdir()) == before


def test_create_test_2d_and_a_missing_library(run, tmp_path, lib):
    r = run("--library", "nowhere/libseabed.so", "info", "x.sbd")
    assert r.returncode == 1 and "cannot load the seabed library nowhere/libseabed.so" in r.stderr
    r = run("create-test", "t.sbd", "--2d")
    if "does not export seabed_create_test_file" in r.stderr:
        pytest.skip(r.stderr.strip())
    assert r.returncode == 0 and "2D profile test input, 4 nodes" in r.stdout
    assert run("generate", "t.sbd").returncode == 0
    r = run("create-test", "t3.sbd", "--3d")
    assert r.returncode == 0 and "3D surface test input" in r.stdout
    sf = seabed.read_file(tmp_path / "t3.sbd")
    assert sf.kind == 2 and 3 <= sf.n <= 999 and sf.notes == ["User_Notes_User_Notes_User_Notes"] * 6
    r = run("create-test", "nowhere/t.sbd", "--3d")
    assert r.returncode == 1 and "does not exist" in r.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["t.sbd", "t3.sbd"]


def test_query_reads_points_as_written(run, tmp_path, surface_file):
    """Lines the fast reader takes and lines it leaves to the general one
    (quotes, decimal commas, odd blanks) give the numbers as written, in
    order; the tool echoes them first on each line."""
    shutil.copy(surface_file, tmp_path / "s.sbd")
    rng = np.random.default_rng(5)
    values = np.concatenate([rng.uniform(-1e3, 1e3, 40), [0.0, -0.0, 5e-300, 1e300, 1e-7, 123456789.0]])
    forms = [repr, lambda v: "%.17g" % v, lambda v: "%.3e" % v, lambda v: "%.4f" % v]
    pairs = [(values[i], values[(7 * i + 3) % values.size]) for i in range(values.size)]
    dialects = {
        ",": lambda a, b: f" {a} ,{b}\t",
        ";": lambda a, b: f"{a};  {b};extra",
        "\t": lambda a, b: f"{a}\t {b} ",
        " ": lambda a, b: f"  {a} \t {b}  tail",
    }
    for sep, line in dialects.items():
        header = {";": "y;z;note", " ": "y z note"}.get(sep, "y" + sep + "z")
        rows, want = ["# a comment", "", header], []
        for i, (a, b) in enumerate(pairs):
            ta, tb = forms[i % 4](float(a)), forms[(i + 1) % 4](float(b))
            if sep == ";" and i % 5 == 0:
                ta = ta.replace(".", ",")  # a decimal comma: the general reader's
            if sep == "," and i % 6 == 0:
                ta = f'"{ta}"'
            rows.append(line(ta, tb))
            want.append((float(ta.strip('"').replace(",", ".")), float(tb)))
        (tmp_path / "q.csv").write_bytes(("\r\n".join(rows) + "\r\n").encode())
        r = run("query", "s.sbd", "--no-header", "--raw", "--points", "q.csv")
        assert r.returncode == 0, (sep, r.stderr)
        got = [tuple(float(v) for v in out.split(",")[:2]) for out in r.stdout.splitlines()]
        assert got == want and all(np.signbit(g[0]) == np.signbit(w[0]) for g, w in zip(got, want)), sep
    for bad, message in [("1.5,2x", "'2x' is not a finite number"), ("1.5,inf", "'inf' is not a finite number"),
                         ("1.5,1e-310", "'1e-310' is not a finite number"), ("1.5", "expected Y,Z but found 1 value"),
                         ("1.5 2x", "'2x' is not a finite number")]:
        sep = " " if " " in bad else ","
        (tmp_path / "q.csv").write_text(f"1{sep}2\n3{sep}4\n" + bad + "\n")
        r = run("query", "s.sbd", "--points", "q.csv")
        assert r.returncode == 1 and "q.csv:3: " + message in r.stderr, (bad, r.stderr)


def test_3d_query_export_and_their_failures(run, tmp_path, surface_file):
    shutil.copy(surface_file, tmp_path / "s.sbd")
    ys, zs = np.array([500.0, -50.0]), np.array([300.0, -50.0])
    for method in ("linear", "cubic"):
        r = run("query", "s.sbd", "--method", method, "--no-header", "--at", "500,300", "--at", "-50,-50")
        assert r.returncode == 0 and "seabed query: 1 point lie outside" in r.stderr, r.stderr
        got = np.array([[float(v) for v in line.split(",")[:7]] for line in r.stdout.splitlines()])
        with seabed.load_3d(surface_file, method) as s:
            x, normal, st = s.query(ys, zs, method)
        # Each process walks from its own start node: the triangle's vertex
        # order, and with it the last bits of the cubic, may differ.
        assert np.allclose(got[:, 2], x, rtol=1e-12, equal_nan=True)
        assert np.allclose(got[:, 3:6], normal, rtol=1e-9, atol=1e-12)
        assert np.isnan(got[1, 2]) and got[:, 6].tolist() == st.tolist() == [0, 0]
    sf = seabed.read_file(surface_file)
    r = run("export", "s.sbd", "-o", "s.vtk")
    assert r.returncode == 0, r.stderr
    text = (tmp_path / "s.vtk").read_text()
    assert f"POINTS {sf.n} float" in text and f"POLYGONS {sf.counts['NT']} " in text
    for args, code, text in [(["query", "s.sbd", "--method", "spline", "--at", "1,1"], 64, "linear or cubic"),
                             (["export", "s.sbd", "-o", "b.vtk", "--what", "bessel"], 64, "")]:
        r = run(*args)
        assert r.returncode == code and text in r.stderr, (args, r.stderr)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["s.sbd", "s.vtk"]
