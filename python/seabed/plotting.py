"""Pictures of seabeds with matplotlib: a 2D profile, a 3D map and a transect
across a 3D seabed. Each function draws into the axes it is given (or a new
figure) and returns the figure; save_figure writes PNG or SVG."""

from __future__ import annotations

import sys
from pathlib import Path
from typing import Any, Optional, Sequence

import numpy as np

from ._lib import PathLike
from .files import TYPE_2D, TYPE_3D, read_file
from .seabeds import Profile2D, Surface3D


def _pyplot():
    import matplotlib

    if matplotlib.get_backend().lower() not in ("agg", "svg", "pdf", "cairo"):
        matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    return plt


def hull_edges(triangles: np.ndarray) -> np.ndarray:
    """Edges that belong to one triangle only: the boundary of the triangulation
    (1-based node numbers in, pairs of 1-based numbers out)."""
    tri = np.asarray(triangles, dtype=np.int64)
    edges = np.sort(np.concatenate([tri[:, [0, 1]], tri[:, [1, 2]], tri[:, [2, 0]]]), axis=1)
    # One integer per edge: a 1D unique is many times faster than rows.
    base = int(edges.max()) + 1 if edges.size else 1
    uniq, counts = np.unique(edges[:, 0] * base + edges[:, 1], return_counts=True)
    once = uniq[counts == 1]
    return np.stack([once // base, once % base], axis=1)


def _offset(sf):
    """The (Y, Z) offset import took off the coordinates (a notes record
    "offset Y Z"), to be added back to everything shown."""
    for note in sf.notes:
        parts = note.split()
        if len(parts) == 3 and parts[0] == "offset":
            try:
                return float(parts[1]), float(parts[2])
            except ValueError:
                pass
    return 0.0, 0.0


def _show_offset(ax, sf):
    """Tick labels in the surveyed coordinates when the file stores them offset."""
    from matplotlib.ticker import FuncFormatter

    oy, oz = _offset(sf)
    if oy or oz:
        ax.xaxis.set_major_formatter(FuncFormatter(lambda v, _: f"{v + oy:.10g}"))
        ax.yaxis.set_major_formatter(FuncFormatter(lambda v, _: f"{v + oz:.10g}"))


def _generated(path, kind, what):
    """The file at path, refused unless it holds a generated seabed of kind."""
    sf = read_file(path)
    if sf.kind != kind:
        raise ValueError(f"{path} holds a {sf.kind_name}, not {what}")
    if not sf.generated:
        raise ValueError(f"{path} is not generated (status record: {sf.status}); run seabed generate first")
    return sf


def plot_profile(path: PathLike, units: str = "m", title: Optional[str] = None) -> Any:
    """A 2D seabed: the nodes, the profiles sampled with spline and with Bessel
    slopes (as stored in the file), and below them the slope dX/dY along the
    profile from the library's cubic queries, with the node slopes marked."""
    plt = _pyplot()
    sf = _generated(path, TYPE_2D, "a 2D profile")
    fig, (top, bottom, diff) = plt.subplots(3, 1, figsize=(10, 8), sharex=True,
                                            gridspec_kw={"height_ratios": [3, 2, 1.2]}, constrained_layout=True)
    x, y = sf.nodes[:, 0], sf.nodes[:, 1]
    top.plot(sf.spline_samples[:, 1], sf.spline_samples[:, 0], color="tab:blue", lw=1.4,
             label="spline slopes (stored samples)")
    top.plot(sf.bessel_samples[:, 1], sf.bessel_samples[:, 0], color="tab:orange", lw=1.0, ls="--",
             label="Bessel slopes (stored samples)")
    top.plot(y, x, "o", ms=3, color="black", label=f"nodes ({sf.n})")
    top.set_ylabel(f"elevation X ({units})")
    top.legend(loc="best", fontsize=8)
    top.grid(alpha=0.3)
    top.set_title(title or f"2D seabed profile: {Path(path).name}")

    yq = np.linspace(float(y[0]), float(y[-1]), 2000)
    for kind, colour, ls in (("spline", "tab:blue", "-"), ("bessel", "tab:orange", "--")):
        with Profile2D(path, kind) as p:
            _, slope, _ = p.query(yq)
            name = "Bessel" if kind == "bessel" else kind
            bottom.plot(yq, slope, color=colour, ls=ls, lw=1.0, label=f"dX/dY, cubic query with {name} slopes")
            bottom.plot(p.y, p.slopes, ".", ms=3, color=colour)
    bottom.axhline(0.0, color="grey", lw=0.6)
    # At the scale of the profile the two sampled curves coincide; their
    # difference shows where the slope rules disagree.
    diff.plot(sf.spline_samples[:, 1], sf.spline_samples[:, 0] - sf.bessel_samples[:, 0], color="tab:purple", lw=0.9)
    diff.axhline(0.0, color="grey", lw=0.6)
    diff.set_ylabel(f"spline − Bessel ({units})", fontsize=9)
    diff.grid(alpha=0.3)
    diff.set_xlabel(f"Y ({units})")
    bottom.set_ylabel("slope dX/dY")
    bottom.legend(loc="best", fontsize=8)
    bottom.grid(alpha=0.3)
    return fig


NODES_SHOWN_UP_TO = 3000  # above this, node dots and node triangles hide the surface
RASTER_ABOVE = 5000  # nodes: above this the map is a raster of queries, not triangles


def bathymetry_cmap():
    """Deep water dark blue, shoal water light: a ramp of matplotlib's named
    colours, so nothing is downloaded."""
    from matplotlib.colors import LinearSegmentedColormap

    return LinearSegmentedColormap.from_list(
        "seabed_bathymetry", ["#08113a", "navy", "#1f4e9c", "steelblue", "#5fa8d3", "skyblue", "#d6eef7"])


def _minus(value):
    """Contour label text with a real minus sign (the hyphen is lost on a line)."""
    return f"{value:g}".replace("-", "\u2212")


def _raster(path, sf, columns=None):
    """The cubic surface queried at the centres of a columns-wide raster over
    the nodes: (Y centres, Z centres, elevations with NaN outside)."""
    if columns is None:
        # A query's search grows with the survey: fewer, larger cells keep a
        # million-node map to seconds.
        columns = int(np.clip(600 * np.sqrt(1e5 / max(sf.n, 1)), 150, 600))
    nodes = sf.nodes
    ylo, yhi = float(nodes[:, 1].min()), float(nodes[:, 1].max())
    zlo, zhi = float(nodes[:, 2].min()), float(nodes[:, 2].max())
    cell = max(yhi - ylo, zhi - zlo) / columns
    ys = ylo + (np.arange(max(1, int(np.ceil((yhi - ylo) / cell)))) + 0.5) * cell
    zs = zlo + (np.arange(max(1, int(np.ceil((zhi - zlo) / cell)))) + 0.5) * cell
    elev = np.empty((zs.size, ys.size))
    # Row by row, so a terminal can be told how far the drawing has come.
    tell = sys.stderr.isatty()
    with Surface3D(path, "cubic") as s:
        for r, z in enumerate(zs):
            elev[r] = s.query(ys, np.full(ys.size, z))[0]
            if tell and r % 10 == 0:
                print(f"\rquerying the map raster: {r + 1}/{zs.size} rows", end="", file=sys.stderr, flush=True)
    if tell:
        print("\r\033[K", end="", file=sys.stderr, flush=True)
    return ys, zs, elev


def plot_map(path: PathLike, units: str = "m", title: Optional[str] = None, contours: int = 12,
             show_nodes: Optional[bool] = None) -> Any:
    """A 3D seabed seen from above: the surface in a bathymetric colour map
    with hill shading, labelled contours, the hull and (for small surveys)
    the node triangulation and the nodes; Y to the right, Z up. Large surveys
    are drawn as a raster of the library's cubic queries, so a million nodes
    take seconds, not a million triangles."""
    plt = _pyplot()
    from matplotlib.colors import LightSource, Normalize
    from matplotlib.tri import Triangulation

    sf = _generated(path, TYPE_3D, "a 3D surface")
    if show_nodes is None:
        show_nodes = sf.n <= NODES_SHOWN_UP_TO
    fig, ax = plt.subplots(figsize=(10, 6.8), constrained_layout=True)
    cmap = bathymetry_cmap()
    light = LightSource(azdeg=315, altdeg=45)
    nodes = sf.nodes
    if sf.n > RASTER_ABOVE:
        ys, zs, elev = _raster(path, sf)
        norm = Normalize(vmin=float(np.nanmin(elev)), vmax=float(np.nanmax(elev)))
        # Hill shading needs finite values; the outside goes transparent afterwards.
        filled = np.where(np.isnan(elev), np.nanmean(elev), elev)
        cell = float(ys[1] - ys[0]) if ys.size > 1 else 1.0
        rgb = light.shade(filled, cmap=cmap, norm=norm, blend_mode="soft", vert_exag=1.0, dx=cell, dy=cell)
        rgb[np.isnan(elev), 3] = 0.0
        ax.imshow(rgb, origin="lower", extent=(ys[0] - cell / 2, ys[-1] + cell / 2, zs[0] - cell / 2,
                                                 zs[-1] + cell / 2), interpolation="bilinear")
        cs = ax.contour(ys, zs, np.ma.masked_invalid(elev), levels=contours, colors="black", linewidths=0.6,
                        alpha=0.8, linestyles="solid")
        what = f"raster of cubic queries, cell {cell:.3g} {units}"
    else:
        sub = sf.subnodes
        subtri = Triangulation(sub[:, 1], sub[:, 2], sf.subtriangles - 1)
        norm = Normalize(vmin=float(sub[:, 0].min()), vmax=float(sub[:, 0].max()))
        # Shade from the stored unit normals, lit from the north-west.
        direction = np.array([0.8, -0.35, 0.35])
        direction /= np.linalg.norm(direction)
        shade = np.clip(sf.normals @ direction, 0.0, 1.0)
        face_shade = shade[sf.subtriangles - 1].mean(axis=1)
        face_elev = sub[:, 0][sf.subtriangles - 1].mean(axis=1)
        colours = cmap(norm(face_elev))
        colours[:, :3] *= (0.55 + 0.45 * face_shade)[:, None]
        coll = ax.tripcolor(subtri, facecolors=face_elev, cmap=cmap, norm=norm, edgecolors="none")
        coll.set_facecolor(colours)
        coll.set_rasterized(True)  # thousands of small triangles: an image inside an SVG, not polygons
        cs = ax.tricontour(subtri, sub[:, 0], levels=contours, colors="black", linewidths=0.6, alpha=0.8,
                           linestyles="solid")
        what = f"{sf.counts.get('NS', 0)} sub-nodes at spacing {sf.spacing:g} {units}"
    labels = ax.clabel(cs, fontsize=8, fmt=_minus, inline=True, inline_spacing=4)
    for label in labels:
        label.set_bbox(dict(facecolor="white", alpha=0.6, pad=0.4, edgecolor="none"))
    if show_nodes:
        ntri = Triangulation(nodes[:, 1], nodes[:, 2], sf.triangles - 1)
        ax.triplot(ntri, color="white", lw=0.25, alpha=0.45 if sf.n < 1000 else 0.3)
        ax.plot([], [], color="white", lw=0.8, label=f"node triangulation ({sf.counts.get('NT', 0)} triangles)")
        ax.plot(nodes[:, 1], nodes[:, 2], ".", ms=1.2, color="black", alpha=0.6, label=f"nodes ({sf.n})")
    hull = hull_edges(sf.triangles) - 1
    segments = np.stack([nodes[hull[:, 0]][:, 1:3], nodes[hull[:, 1]][:, 1:3]], axis=1)
    from matplotlib.collections import LineCollection

    ax.add_collection(LineCollection(segments, colors="crimson", linewidths=1.2, label="hull of the nodes"))
    sm = plt.cm.ScalarMappable(norm=norm, cmap=cmap)
    cbar = fig.colorbar(sm, ax=ax, shrink=0.8, aspect=30)
    cbar.set_label(f"elevation X ({units})")
    ax.set_aspect("equal")
    # A little room around the hull, so it is not hidden under the frame.
    ylo, yhi = float(nodes[:, 1].min()), float(nodes[:, 1].max())
    zlo, zhi = float(nodes[:, 2].min()), float(nodes[:, 2].max())
    pad = 0.02 * max(yhi - ylo, zhi - zlo)
    ax.set_xlim(ylo - pad, yhi + pad)
    ax.set_ylim(zlo - pad, zhi + pad)
    ax.set_xlabel(f"Y ({units})")
    ax.set_ylabel(f"Z ({units})")
    _show_offset(ax, sf)
    step = cs.levels[1] - cs.levels[0] if len(cs.levels) > 1 else 0
    ax.set_title(title or f"3D seabed {Path(path).name}: elevation of the smooth surface ({sf.n} nodes)\n"
                          f"{what}, contours every {step:g} {units}", fontsize=11)
    leg = ax.legend(loc="upper center", bbox_to_anchor=(0.5, -0.09), ncol=3, fontsize=8, framealpha=1.0)
    leg.get_frame().set_facecolor("lightgrey")
    return fig


def transect(path: PathLike, start: Sequence[float], end: Sequence[float], samples: int = 400) -> dict:
    """Distance along the line start -> end and the linear and cubic
    elevations there (NaN outside the seabed)."""
    (y0, z0), (y1, z1) = start, end
    t = np.linspace(0.0, 1.0, samples)
    y = y0 + t * (y1 - y0)
    z = z0 + t * (z1 - z0)
    distance = t * float(np.hypot(y1 - y0, z1 - z0))
    out = {"distance": distance, "y": y, "z": z}
    with Surface3D(path, "cubic") as s:
        for method in ("linear", "cubic"):
            x, normal, status = s.query(y, z, method)
            x = np.where(Surface3D.inside(x) & (status == 0), x, np.nan)
            out[method] = x
            out[method + "_normal"] = normal
    return out


def plot_transect(path: PathLike, start: Sequence[float], end: Sequence[float], units: str = "m",
                  title: Optional[str] = None, samples: int = 400) -> Any:
    """Elevation along a straight line across a 3D seabed, from the library's
    linear and cubic queries, with the line drawn on a small map."""
    plt = _pyplot()
    sf = read_file(path)
    if sf.kind != TYPE_3D:
        raise ValueError(f"{path} holds a {sf.kind_name}, not a 3D surface")
    # The line is given in surveyed coordinates; the file holds them offset.
    oy, oz = _offset(sf)
    tr = transect(path, (start[0] - oy, start[1] - oz), (end[0] - oy, end[1] - oz), samples)
    if np.isnan(tr["cubic"]).all():
        raise ValueError("the transect lies wholly outside the seabed: nothing to draw")
    fig, (ax, inset) = plt.subplots(1, 2, figsize=(12, 4.5), gridspec_kw={"width_ratios": [3, 1.2]},
                                    constrained_layout=True)
    ax.plot(tr["distance"], tr["linear"], color="tab:grey", lw=1.0, label="linear (node triangles)")
    ax.plot(tr["distance"], tr["cubic"], color="tab:blue", lw=1.5, label="cubic (smooth surface)")
    ax.set_xlabel(f"distance along the transect ({units})")
    ax.set_ylabel(f"elevation X ({units})")
    # A stated vertical exaggeration: the profile fills the axes' height, and
    # the title says by how much it is stretched.
    rise = float(np.nanmax(tr["cubic"]) - np.nanmin(tr["cubic"])) or 1.0
    length = float(tr["distance"][-1]) or 1.0
    wanted = 0.4 * length / rise
    exaggeration = max(1.0, float(np.round(wanted, 1 - int(np.floor(np.log10(wanted))))))
    ax.set_xlim(0.0, length)
    ax.set_aspect(exaggeration, adjustable="box")
    ax.grid(alpha=0.3)
    ax.legend(fontsize=8)
    (y0, z0), (y1, z1) = start, end
    ax.set_title(title or f"transect from (Y, Z) = ({y0:g}, {z0:g}) to ({y1:g}, {z1:g}) {units}, "
                          f"vertical exaggeration {exaggeration:g}x")
    nodes = sf.nodes
    if len(nodes) > 20000:  # the inset only shows where: a sample of the nodes draws the same picture
        nodes = nodes[np.random.default_rng(0).choice(len(nodes), 20000, replace=False)]
    inset.tricontourf(nodes[:, 1], nodes[:, 2], nodes[:, 0], levels=14, cmap=bathymetry_cmap())
    y0, z0, y1, z1 = y0 - oy, z0 - oz, y1 - oy, z1 - oz
    _show_offset(inset, sf)
    inset.plot([y0, y1], [z0, z1], color="crimson", lw=2)
    inset.plot([y0], [z0], "o", color="crimson")
    zmid = 0.5 * (float(nodes[:, 2].min()) + float(nodes[:, 2].max()))
    for label, (py, pz) in (("start", (y0, z0)), ("end", (y1, z1))):
        # Labels go towards the middle, clear of the frame and the title.
        inset.annotate(label, (py, pz), textcoords="offset points", xytext=(5, -11 if pz > zmid else 5), fontsize=8,
                       color="crimson", fontweight="bold")
    inset.set_aspect("equal")
    inset.set_xlabel(f"Y ({units})")
    inset.set_ylabel(f"Z ({units})")
    inset.set_title("where (node elevations)", fontsize=9)
    return fig


def save_figure(fig: Any, out: PathLike) -> None:
    """Writes the figure to a .png or .svg file (the suffix decides)."""
    out = Path(out)
    suffix = out.suffix.lower()
    if suffix not in (".png", ".svg"):
        raise ValueError(f"the picture must be a .png or .svg file, got {out.name}")
    import os
    import tempfile

    # Through a temporary file, so a failure leaves nothing half-written.
    fd, tmp = tempfile.mkstemp(prefix=f".{out.stem}.", suffix=suffix, dir=out.parent)
    os.close(fd)
    try:
        fig.savefig(tmp, dpi=150 if suffix == ".png" else None, format=suffix[1:])
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(tmp, 0o666 & ~umask)
        os.replace(tmp, out)
    except BaseException:
        if os.path.exists(tmp):
            os.unlink(tmp)
        raise
    finally:
        _pyplot().close(fig)
    return out
