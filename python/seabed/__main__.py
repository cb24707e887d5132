"""python3 -m seabed: pictures and the demonstration survey (the `seabed plot`
command of the command-line tool runs this)."""

import argparse
import sys
from pathlib import Path

from ._lib import SeabedError


def _floats(text, count, what):
    parts = [p for p in text.replace(";", ",").split(",") if p.strip()]
    try:
        values = [float(p) for p in parts]
    except ValueError:
        values = []
    if len(values) != count:
        raise SystemExit(f"seabed plot: {what} must be {count} numbers separated by commas, got {text!r}")
    return values


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m seabed")
    sub = parser.add_subparsers(dest="command", required=True)
    plot = sub.add_parser("plot", help="draw a seabed file as PNG or SVG")
    plot.add_argument("file")
    plot.add_argument("-o", "--output", required=True, help="picture to write (.png or .svg)")
    plot.add_argument("--transect", metavar="Y0,Z0,Y1,Z1",
                      help="3D only: draw the elevation along this line instead of the map")
    plot.add_argument("--units", default="m", help="unit of the coordinates, for the labels (default m)")
    plot.add_argument("--title")
    survey = sub.add_parser("survey", help="write the synthetic demonstration survey as CSV")
    survey.add_argument("output")
    survey.add_argument("--2d", dest="line", action="store_true",
                        help="one survey line (Y, elevation) instead of scattered points")
    survey.add_argument("--count", type=int, default=3000)
    args = parser.parse_args(argv)

    try:
        if args.command == "plot":
            from . import plotting
            from .files import TYPE_2D, read_file

            out = Path(args.output)
            if out.suffix.lower() not in (".png", ".svg"):
                raise SystemExit(f"seabed plot: the picture must be a .png or .svg file, got {out.name}")
            if not out.parent.is_dir():
                raise SystemExit(f"seabed plot: cannot write {out}: folder {out.parent} does not exist")
            sf = read_file(args.file)
            if args.transect:
                y0, z0, y1, z1 = _floats(args.transect, 4, "--transect")
                fig = plotting.plot_transect(args.file, (y0, z0), (y1, z1), args.units, args.title)
            elif sf.kind == TYPE_2D:
                fig = plotting.plot_profile(args.file, args.units, args.title)
            else:
                fig = plotting.plot_map(args.file, args.units, args.title)
            plotting.save_figure(fig, out)
        elif args.command == "survey":
            from . import survey

            if args.line:
                x, y = survey.line_2d()
                survey.write_csv(args.output, (y, x), ("y", "elevation"))
            else:
                x, y, z = survey.points_3d(args.count)
                survey.write_csv(args.output, (y, z, x), ("y", "z", "elevation"))
    except SeabedError as e:
        # The tool's exit codes, not the library's status (the message names it).
        print(f"seabed {args.command}: {e}", file=sys.stderr)
        return 3 if e.code else 1
    except Exception as e:  # noqa: BLE001 - a damaged file must end in one line, not a traceback
        print(f"seabed {args.command}: {args.file if args.command == 'plot' else args.output}: "
              f"{e or type(e).__name__}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
