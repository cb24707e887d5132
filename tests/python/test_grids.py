"""Raster grids through GDAL: cells in as soundings, the surface out as a
georeferenced raster whose cells are the library's answers."""

import numpy as np
import pytest

import seabed

gdal = pytest.importorskip("osgeo.gdal")
gdal.UseExceptions()


def _write_raster(path, driver, values, nodata):
    ds = gdal.GetDriverByName("MEM").Create("", values.shape[1], values.shape[0], 1, gdal.GDT_Float32)
    ds.SetGeoTransform((1000.0, 25.0, 0.0, 2000.0, 0.0, -25.0))
    ds.GetRasterBand(1).SetNoDataValue(nodata)
    ds.GetRasterBand(1).WriteArray(values)
    gdal.GetDriverByName(driver).CreateCopy(str(path), ds)


@pytest.mark.parametrize("name, driver", [("g.tif", "GTiff"), ("g.nc", "netCDF")])
def test_raster_cells_become_soundings_without_the_no_data(run, tmp_path, name, driver):
    values = -(np.arange(48, dtype=np.float32).reshape(6, 8) + 10.0)
    values[2, 3] = -9999.0
    _write_raster(tmp_path / name, driver, values, -9999.0)
    r = run("import", name, "s.sbd", "--3d", "--spacing", "10", "--crs", "EPSG:32631")
    if "without GDAL" in r.stderr:
        pytest.skip(r.stderr)
    assert r.returncode == 0 and "1 no-data row" in r.stdout, r.stderr
    sf = seabed.read_file(tmp_path / "s.sbd")
    assert sf.n == 47 and "crs EPSG:32631" in sf.notes
    # Cell (row 0, column 1) has its centre at (1037.5, 1987.5).
    assert any(np.array_equal(row, [-11.0, 1037.5, 1987.5]) for row in sf.nodes)
    r = run("import", name, "d.sbd", "--3d", "--spacing", "10", "--decimate", "2")
    assert r.returncode == 0 and seabed.read_file(tmp_path / "d.sbd").n == 12


@pytest.mark.parametrize("suffix, method", [("tif", "cubic"), ("nc", "linear"), ("asc", "cubic")])
def test_exported_grid_cells_are_the_library_answers(run, tmp_path, lib, suffix, method):
    t = np.linspace(0.0, 1.0, 12)
    y, z = np.meshgrid(t, t)
    keep = (y + z <= 1.0).ravel()  # a triangle: half the raster lies outside the hull
    rows = np.column_stack([300 * y.ravel(), 300 * z.ravel(), -20 + 5 * np.sin(5 * y.ravel()) * z.ravel()])[keep]
    (tmp_path / "p.csv").write_text("\n".join(",".join(map(repr, r)) for r in rows.tolist()))
    assert run("import", "p.csv", "s.sbd", "--3d", "--spacing", "10", "--crs", "EPSG:32631").returncode == 0
    assert run("generate", "s.sbd").returncode == 0
    r = run("export", "s.sbd", "--grid", f"g.{suffix}", "--cell", "7", "--method", method)
    if "without GDAL" in r.stderr:
        pytest.skip(r.stderr)
    assert r.returncode == 0, r.stderr
    ds = gdal.Open(str(tmp_path / f"g.{suffix}"))
    assert ds.GetDriver().ShortName == {"tif": "GTiff", "nc": "netCDF", "asc": "AAIGrid"}[suffix]
    band = ds.GetRasterBand(1)
    got = band.ReadAsArray().astype(np.float64)
    if band.GetNoDataValue() is not None and not np.isnan(band.GetNoDataValue()):
        got[got == band.GetNoDataValue()] = np.nan
    left, cell, _, top, _, neg = ds.GetGeoTransform()
    assert cell == 7 and neg == -7 and "UTM zone 31N" in ds.GetSpatialRef().ExportToWkt()
    cy = left + (np.arange(got.shape[1]) + 0.5) * cell
    cz = top - (np.arange(got.shape[0]) + 0.5) * cell
    qy, qz = np.meshgrid(cy, cz)
    with seabed.load_3d(tmp_path / "s.sbd", "cubic") as s:
        want = s.query(qy.ravel(), qz.ravel(), method)[0].reshape(got.shape)
    assert np.isnan(want).any() and (~np.isnan(want)).any()
    # Arc/Info ASCII keeps decimal text: equal to its printed precision.
    assert np.allclose(got, want, rtol=0, atol=1e-9 if suffix != "asc" else 1e-6, equal_nan=True)


def test_a_raster_module_that_cannot_be_loaded_is_named(run, tmp_path, monkeypatch):
    monkeypatch.setenv("SEABED_GRIDS_LIBRARY", str(tmp_path / "gone.so"))
    r = run("import", "g.tif", "s.sbd", "--3d", "--spacing", "10")
    if "without GDAL" in r.stderr:
        pytest.skip(r.stderr)
    assert r.returncode == 1 and f"cannot load the raster module {tmp_path / 'gone.so'}: " in r.stderr, r.stderr
    assert not (tmp_path / "s.sbd").exists()
    # export names it before it samples: even for a seabed file it would refuse
    (tmp_path / "p.sbd").write_bytes(b"")
    r = run("export", "p.sbd", "--grid", "g.tif", "--cell", "5")
    assert r.returncode == 1 and "cannot load the raster module" in r.stderr, r.stderr
