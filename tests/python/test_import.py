"""Survey text as it arrives: byte-order marks, delimiters, headers, gzip,
standard input, bad rows, no-data values, offsets and close points; and the
answers that come back out (NaN outside, column order, exit codes, hints)."""

import gzip

import numpy as np
import pytest

import seabed

GRID = [(y, z, -10.0 - 0.01 * y - 0.02 * z) for y in range(0, 500, 50) for z in range(0, 500, 50)]


def _rows(sep=",", decimal="."):
    return [sep.join(f"{v:g}".replace(".", decimal) for v in row) for row in GRID]


def _nodes(path):
    return seabed.read_file(path).nodes


@pytest.mark.parametrize("name, data, args, delimiter", [
    ("bom.csv", "\ufeffeasting,northing,depth\n" + "\n".join(_rows()), ["--y", "easting", "--z", "northing",
                                                                          "--elevation", "depth"], "comma"),
    ("semi.csv", "\n".join(_rows(";", ",")), [], "semicolon"),
    ("tab.dat", "\n".join(_rows("\t")), [], "tab"),
    ("blank.xyz.gz", "\n".join(_rows(" ")), [], "whitespace"),
])
def test_delimiters_headers_bom_and_gzip_read_every_row(run, tmp_path, name, data, args, delimiter):
    raw = data.encode()
    (tmp_path / name).write_bytes(gzip.compress(raw) if name.endswith(".gz") else raw)
    r = run("import", name, "s.sbd", "--3d", "--spacing", "20", *args)
    assert r.returncode == 0, r.stderr
    assert f"{len(GRID)} points ({delimiter} delimited" in r.stdout
    assert np.allclose(_nodes(tmp_path / "s.sbd"), [(x, y, z) for y, z, x in GRID])


def test_standard_input_and_query_points_with_a_bom(run, tmp_path, lib):
    r = run("import", "-", "s.sbd", "--3d", "--spacing", "20", stdin="\n".join(_rows()))
    assert r.returncode == 0 and f"{len(GRID)} points" in r.stdout, r.stderr
    assert run("generate", "s.sbd").returncode == 0
    r = run("query", "s.sbd", "--points", "-", "--no-header", "--raw", stdin="\ufeff100,100\n-50,-50\n")
    assert r.returncode == 0, r.stderr
    rows = [line.split(",") for line in r.stdout.splitlines()]
    assert float(rows[0][2]) == pytest.approx(-13.0) and float(rows[1][2]) == seabed.OUTSIDE


def test_bad_rows_and_no_data_are_skipped_and_counted(run, tmp_path):
    lines = _rows() + ["5,5,oops", "6,6,-32767", "7,7"]
    (tmp_path / "p.csv").write_text("\n".join(lines))
    r = run("import", "p.csv", "s.sbd", "--3d", "--spacing", "20")
    assert r.returncode == 1 and f"p.csv:{len(GRID) + 1}:" in r.stderr and "--skip-bad" in r.stderr
    assert not (tmp_path / "s.sbd").exists()
    r = run("import", "p.csv", "s.sbd", "--3d", "--spacing", "20", "--skip-bad", "--nodata", "-32767")
    assert r.returncode == 0, r.stderr
    assert f"skipped 2 bad rows (lines {len(GRID) + 1}, {len(GRID) + 3})" in r.stdout and "1 no-data row" in r.stdout
    assert seabed.read_file(tmp_path / "s.sbd").n == len(GRID)


def test_warnings_suggest_depths_offset_and_thinning(run, tmp_path):
    rows = [(500000 + y, 6700000 + z, -x) for y, z, x in GRID] + [(500100.005, 6700100, 99.0)]
    (tmp_path / "utm.csv").write_text("\n".join(",".join(repr(v) for v in r) for r in rows))
    r = run("import", "utm.csv", "s.sbd", "--3d", "--spacing", "20")
    assert r.returncode == 0, r.stderr
    assert "--depth-positive-down" in r.stderr and "steps of 0.5 m" in r.stderr and "--thin" in r.stderr
    r = run("import", "utm.csv", "s.sbd", "--3d", "--spacing", "20", "--depth-positive-down", "--offset", "auto",
            "--thin", "first")
    assert r.returncode == 0 and "warning" not in r.stderr, r.stderr
    sf = seabed.read_file(tmp_path / "s.sbd")
    assert sf.n == len(GRID) and "offset 500000 6700000" in sf.notes
    # The offset is undone on the way out: queries and exports speak UTM again.
    assert run("generate", "s.sbd").returncode == 0
    r = run("query", "s.sbd", "--at", "500100.5,6700100.25", "--method", "linear", "--no-header")
    assert r.stdout.startswith("500100.5,6700100.25,") and float(r.stdout.split(",")[2]) == pytest.approx(-13.01)
    assert run("export", "s.sbd", "-o", "n.csv").returncode == 0
    assert run("plot", "s.sbd", "-o", "t.png", "--transect=500010,6700010,500400,6700300").returncode == 0
    r = run("import", "n.csv", "back.sbd", "--3d", "--spacing", "20", "--offset", "500000,6700000")
    assert r.returncode == 0, r.stderr
    # Generation reorders the nodes: compare them as sets.
    assert sorted(map(tuple, _nodes(tmp_path / "back.sbd"))) == sorted(map(tuple, seabed.read_file(tmp_path / "s.sbd").nodes))


def test_a_numeric_first_line_is_data_unless_declared_a_header(run, tmp_path):
    (tmp_path / "p.txt").write_text("0 -1\n1 -2\n2 -3\n")
    assert "3 nodes" in run("import", "p.txt", "a.sbd", "--2d").stdout
    assert "2 nodes" in run("import", "p.txt", "b.sbd", "--2d", "--header").stdout


@pytest.mark.parametrize("rows, args, status, hint", [
    ([(t, 2 * t + 1e-3 * ((7 * t) % 1), -5 - t) for t in np.linspace(0, 100, 30)], ["--spacing", "1"], 40, "--2d"),
    (GRID, ["--spacing", "0.001"], 29, "--spacing"),
])
def test_library_failures_exit_3_with_a_hint(run, tmp_path, lib, rows, args, status, hint):
    (tmp_path / "p.csv").write_text("\n".join(",".join(map(str, r)) for r in rows))
    assert run("import", "p.csv", "s.sbd", "--3d", *args).returncode == 0
    r = run("generate", "s.sbd", "--force")  # past the tools' size guard, to the library's own refusal
    assert r.returncode == 3 and f"status {status}" in r.stderr and "hint:" in r.stderr and hint in r.stderr
    r = run("query", "s.sbd", "--at", "1,1")
    assert r.returncode == 1 and f"generation failed with status {status}" in r.stderr


def test_damaged_files_and_empty_transects_fail_in_one_line(run, tmp_path, surface_file):
    data = surface_file.read_bytes()
    (tmp_path / "cut.sbd").write_bytes(data[: len(data) // 2])
    (tmp_path / "s.sbd").write_bytes(data)
    for args in (["info", "cut.sbd"], ["plot", "cut.sbd", "-o", "c.png"],
                 ["plot", "s.sbd", "-o", "t.png", "--transect", "-900,-900,-800,-800"]):
        r = run(*args)
        assert r.returncode == 1 and "Traceback" not in r.stderr, r.stderr
    r = run("plot", "s.sbd", "-o", "t.png", "--transect=-100,50,700,600")
    assert r.returncode == 0, r.stderr


def test_binary_vtk_holds_the_text_vtk_values(run, tmp_path, surface_file):
    (tmp_path / "s.sbd").write_bytes(surface_file.read_bytes())
    assert run("export", "s.sbd", "-o", "t.vtk", "--what", "subnodes").returncode == 0
    assert run("export", "s.sbd", "-o", "b.vtk", "--what", "subnodes", "--binary").returncode == 0
    assert run("export", "s.sbd", "-o", "b.csv", "--binary").returncode == 64
    text = (tmp_path / "t.vtk").read_text().split("\n")
    n = int(text[4].split()[1])
    want = np.array([float(v) for line in text[5:5 + n] for v in line.split()])
    data = (tmp_path / "b.vtk").read_bytes()
    start = data.index(b"float\n") + 6
    assert b"BINARY" in data[:300] and np.array_equal(np.frombuffer(data, ">f4", 3 * n, start), want.astype(np.float32))
