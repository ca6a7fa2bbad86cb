"""Reads the first frame of a GIF with Pillow and writes what the program's
reader must agree with: screen width and height, the frame's box (left,
top, right, bottom), its transparent index (-1 for none), the palette
(count, then RGB triples) and the frame's indices (rows top to bottom).
Exit status 2 when Pillow cannot read the file."""
import struct
import sys

from PIL import Image


def main():
    source, target = sys.argv[1], sys.argv[2]
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
        print(f"pillow: {exc}", file=sys.stderr)
        return 2
    with open(target, "wb") as out:
        out.write(struct.pack("<ii", *size))
        out.write(struct.pack("<iiii", *box))
        out.write(struct.pack("<i", transparency))
        out.write(struct.pack("<i", len(palette) // 3))
        out.write(bytes(palette[: len(palette) // 3 * 3]))
        out.write(indices)
    return 0


if __name__ == "__main__":
    sys.exit(main())
