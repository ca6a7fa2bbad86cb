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

from PIL import Image


def convert(source, target):
    try:
        with Image.open(source) as im:
            im.seek(0)
            im.load()
            if im.mode not in ("P", "L"):
                raise ValueError(f"unexpected mode {im.mode}")
            box = getattr(im, "dispose_extent", (0, 0) + im.size)
            transparency = im.info.get("transparency", -1)
            if not isinstance(transparency, int):
                transparency = -1
            palette = (im.getpalette() or []) if im.mode == "P" else []
            indices = im.tobytes()
            size = im.size
    except Exception as exc:  # Pillow refuses the file
        print(f"pillow: {source}: {exc}", file=sys.stderr)
        return
    with open(target, "wb") as out:
        out.write(struct.pack("<ii", *size))
        out.write(struct.pack("<iiii", *box))
        out.write(struct.pack("<i", transparency))
        out.write(struct.pack("<i", len(palette) // 3))
        out.write(bytes(palette[: len(palette) // 3 * 3]))
        out.write(indices)


def main():
    args = sys.argv[1:]
    for i in range(0, len(args) - 1, 2):
        convert(args[i], args[i + 1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
