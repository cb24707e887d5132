"""Maps that stay readable: nodes hidden on large surveys, a raster of
queries instead of triangles, minus signs on contour labels, a stated
vertical exaggeration on transects."""

import numpy as np
import pytest

from seabed import plotting


@pytest.mark.parametrize("large", [False, True])
def test_map_hides_nodes_and_rasters_large_surveys(monkeypatch, surface_file, large):
    if large:  # the test survey stands in for a large one
        monkeypatch.setattr(plotting, "NODES_SHOWN_UP_TO", 100)
        monkeypatch.setattr(plotting, "RASTER_ABOVE", 100)
    fig = plotting.plot_map(surface_file)
    ax = fig.axes[0]
    labels = [t.get_text() for t in ax.get_legend().get_texts()]
    assert any(label.startswith("nodes (") for label in labels) is not large
    assert bool(ax.images) is large
    texts = [t.get_text() for t in ax.texts]
    assert texts and all("-" not in t for t in texts) and any("\u2212" in t for t in texts)
    if large:
        # The raster's colours come from the library's answers: NaN outside is transparent.
        assert (ax.images[0].get_array()[..., 3] == 0).any()
    plotting._pyplot().close(fig)


def test_transect_states_its_exaggeration(surface_file):
    fig = plotting.plot_transect(surface_file, (0.0, 0.0), (1000.0, 600.0))
    ax = fig.axes[0]
    ve = float(ax.get_title().split("vertical exaggeration ")[1].rstrip("x"))
    assert ve >= 1 and ax.get_aspect() == pytest.approx(ve)
    plotting._pyplot().close(fig)
    with pytest.raises(ValueError, match="wholly outside"):
        plotting.plot_transect(surface_file, (-900.0, -900.0), (-800.0, -800.0))


def test_bathymetry_colours_run_dark_to_light():
    c = plotting.bathymetry_cmap()(np.linspace(0, 1, 5))[:, :3].sum(axis=1)
    assert (np.diff(c) > 0).all()
