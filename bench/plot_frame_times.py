#!/usr/bin/env python3
"""Frame times over a run of `velmora-render --bench --csv FILE`, stacked by stage.

usage: plot_frame_times.py FILE.csv OUT.png [--title TEXT]

Each frame's time is split into the stages on its critical path: the clear and
the pre-pass on the main thread, the faster band worker, the idle wait (the
slower band worker's extra time, while the faster one's processor idles), and
the rest (transform, thread fork and join). The median and p99 frame times are
marked. Needs Debian's python3-matplotlib.
"""
import csv
import sys

import matplotlib

matplotlib.use("Agg")  # files only, no display
import matplotlib.pyplot as plt  # noqa: E402

# The zoom swing: the picture is largest at frame 561 and smallest at frame
# 1473, then again every 1824 frames.
SWING = 1824
ZOOM_MARKS = [(561, "largest zoom"), (1473, "smallest zoom")]

COLUMNS = ["frame", "clear_ms", "prepass_ms", "top_band_ms", "bottom_band_ms", "frame_ms"]


def read_times(path):
    with open(path, newline="") as f:
        reader = csv.DictReader(f)
        missing = [c for c in COLUMNS if c not in (reader.fieldnames or [])]
        if missing:
            raise ValueError(f"{path}: missing columns {', '.join(missing)}")
        rows = [{c: float(row[c]) for c in COLUMNS} for row in reader]
    if not rows:
        raise ValueError(f"{path}: no frames")
    return rows


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * (len(ordered) - 1) + 0.5))]


def stages(rows):
    """The frame's time as stacked parts; they add up to the frame time."""
    clear = [r["clear_ms"] for r in rows]
    prepass = [r["prepass_ms"] for r in rows]
    faster = [min(r["top_band_ms"], r["bottom_band_ms"]) for r in rows]
    idle = [abs(r["top_band_ms"] - r["bottom_band_ms"]) for r in rows]
    rest = [max(0.0, r["frame_ms"] - c - p - f - i) for r, c, p, f, i in zip(rows, clear, prepass, faster, idle)]
    return [
        ("clear", clear, "#8c8c8c"),
        ("pre-pass (main thread)", prepass, "#d62728"),
        ("faster band worker", faster, "#1f77b4"),
        ("idle wait: slower worker's extra", idle, "#ff7f0e"),
        ("transform, fork and join", rest, "#bcbd22"),
    ]


def plot(rows, out, title):
    frames = [r["frame"] for r in rows]
    totals = [r["frame_ms"] for r in rows]
    median, p99 = percentile(totals, 0.5), percentile(totals, 0.99)
    fig, ax = plt.subplots(figsize=(10, 3.6), dpi=90)
    parts = stages(rows)
    ax.stackplot(frames, *[p[1] for p in parts], labels=[p[0] for p in parts], colors=[p[2] for p in parts],
                 linewidth=0)
    ax.axhline(median, color="black", linewidth=1, linestyle="--", label=f"median frame {median:.2f} ms")
    ax.axhline(p99, color="black", linewidth=1, linestyle=":", label=f"p99 frame {p99:.2f} ms")
    for first, label in ZOOM_MARKS:
        at = first + SWING * max(0, (int(frames[0]) - first + SWING - 1) // SWING)
        while at <= frames[-1]:
            ax.axvline(at, color="#555555", linewidth=0.6)
            ax.text(at, 1.0, " " + label, transform=ax.get_xaxis_transform(), fontsize=7, va="top", color="#555555")
            at += SWING
    ax.set_xlim(frames[0], frames[-1])
    # A few frames far above p99 (another process's burst) would flatten the
    # rest; the axis stops above p99 and says what it leaves out.
    top = max(p99 * 1.3, median * 2)
    above = [t for t in totals if t > top]
    if above:
        ax.text(0.99, 0.89, f"{len(above)} frame(s) above the top, the longest {max(above):.1f} ms",
                transform=ax.transAxes, fontsize=7, ha="right", va="top")
    else:
        top = max(totals) * 1.05
    ax.set_ylim(0, top)
    ax.set_xlabel("frame")
    ax.set_ylabel("ms")
    ax.set_title(title, fontsize=10)
    ax.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize=7, frameon=False)
    ax.grid(axis="y", linewidth=0.3)
    fig.tight_layout()
    fig.savefig(out)


def main(argv):
    args = argv[1:]
    title = "velmora-render --bench: frame time by stage"
    if "--title" in args:
        i = args.index("--title")
        if i + 1 >= len(args):
            print("plot_frame_times.py: --title needs a value", file=sys.stderr)
            return 2
        title = args[i + 1]
        del args[i:i + 2]
    if len(args) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        rows = read_times(args[0])
    except (OSError, ValueError) as e:
        print(f"plot_frame_times.py: {e}", file=sys.stderr)
        return 1
    plot(rows, args[1], title)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
