"""Reads the first frame of GIF files with Pillow and writes what the
program's reader must agree with.

Usage: pil_gif_first_frame.py INPUT OUTPUT [INPUT OUTPUT ...]
For each pair, OUTPUT gets: width and height of Pillow's picture, the first
frame's box (left, top, right, bottom), its transparent index (-1 for
none), the palette (count, then RGB triples) and the indices (rows top to
bottom), all integers 32-bit little-endian. No OUTPUT is written when
Pillow cannot read the INPUT."""
import struct
import sys

from pillow_common import read_with_pillow, run_pairs, write_file


def first_frame(im):
    im.seek(0)
    im.load()
    if im.mode not in ("P", "L"):
        raise ValueError(f"unexpected mode {im.mode}")
    box = getattr(im, "dispose_extent", (0, 0) + im.size)
    transparency = im.info.get("transparency", -1)
    if not isinstance(transparency, int):
        transparency = -1
    palette = (im.getpalette() or []) if im.mode == "P" else []
    colours = len(palette) // 3
    return (struct.pack("<ii", *im.size) + struct.pack("<iiii", *box) + struct.pack("<i", transparency) +
            struct.pack("<i", colours) + bytes(palette[: colours * 3]) + im.tobytes())


def convert(source, target):
    record = read_with_pillow(source, first_frame)
    if record is not None:
        write_file(target, record)


if __name__ == "__main__":
    sys.exit(run_pairs(convert, sys.argv[1:]))
