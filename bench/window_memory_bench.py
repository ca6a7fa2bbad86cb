#!/usr/bin/python3
"""The window's memory with one large picture, measured through the real window.

  /usr/bin/python3 bench/window_memory_bench.py [BUILD_DIR ...] [--size 10000x10000]

Each BUILD_DIR holds a skalomi (default build/bench; see window_batch_bench.py
for how to build it); naming two compares them on the same picture.

The picture: a photo-like JPEG (quality 90, 4:2:0) of the given size, 100
megapixels by default. The window starts on a private Xvfb under openbox with
no picture; once its resident size has settled (idle), the peak is started
again from there and the picture is opened through the open dialog ("o", the
name typed, Enter), as a user would. When the title names the source, the
peak so far is "after opening"; then the size field is set to 100 and Enter
pressed, and when the title names the scaled picture the peak is "after
Enter". Each is given as the resident set above idle and as a multiple of
the decoded picture (3 bytes a pixel).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from window_batch_bench import Desktop, make_pictures, resident_mb, wait_for  # noqa: E402


def settle(pid):
    sizes = []
    wait_for("an idle window", lambda: sizes.append(resident_mb(pid)) or (
        len(sizes) > 20 and max(sizes[-20:]) - min(sizes[-20:]) < 0.5), 60, 0.05)
    return sizes[-1]


def measure(program, picture, width, height, home):
    desktop = Desktop(home)
    try:
        app = desktop.start(program, home)
        wait_for("the main window", lambda: desktop.active_title().startswith("Skalomi"), 30)
        idle = settle(app.pid)
        with open(f"/proc/{app.pid}/clear_refs", "w") as f:
            f.write("5")  # the peak resident size starts again from here
        desktop.xdotool("key", "o")
        wait_for("the open dialog", lambda: desktop.active_title() == "元画像を開く", 30)
        desktop.xdotool("type", "--delay", "4", picture)
        desktop.xdotool("key", "Return")
        size = f"（{width}×{height}）"
        wait_for("the source", lambda: ("元画像" + size) in desktop.active_title(), 300, 0.02)
        opened = resident_mb(app.pid, "VmHWM")
        desktop.xdotool("key", "--delay", "30", "h", "End", "BackSpace", "BackSpace",
                        "BackSpace", "BackSpace", "1", "0", "0", "Return")
        wait_for("the result", lambda: ("拡縮画像" + size) in desktop.active_title(), 300, 0.02)
        entered = resident_mb(app.pid, "VmHWM")
        return idle, opened, entered, resident_mb(app.pid)
    finally:
        desktop.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("builds", nargs="*", default=["build/bench"])
    parser.add_argument("--size", default="10000x10000")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    decoded = width * height * 3 / 2**20

    work = tempfile.mkdtemp(prefix="skalomi-memory-bench-")
    try:
        home = os.path.join(work, "home")
        os.makedirs(home)
        picture, = make_pictures(work, 1, width, height)
        print(f"JPEG of {width}x{height}, decoded {decoded:.0f} MiB; resident MiB above idle "
              "(and as a multiple of the decoded picture)")
        print()
        print("| build | idle | peak after opening | peak after Enter at 100 % | held after |")
        print("|---|---:|---:|---:|---:|")
        for build in args.builds:
            program = os.path.abspath(os.path.join(build, "skalomi"))
            idle, opened, entered, after = measure(program, picture, width, height, home)
            cells = [f"{v - idle:.0f} ({(v - idle) / decoded:.2f}×)"
                     for v in (opened, entered, after)]
            print(f"| {build} | {idle:.0f} | " + " | ".join(cells) + " |")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
