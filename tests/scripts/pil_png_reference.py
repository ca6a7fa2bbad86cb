"""Decodes a PNG with Pillow the way Skalomi reads PNG files: the high byte
of 16-bit samples, alpha channels and tRNS dropped without compositing.
Writes width, height, mode and the RGB bytes (rows top to bottom), as
pil_decode.py does. Exit status 2 when Pillow cannot read the file."""
import struct
import sys

from PIL import Image


def to_rgb(im):
    if im.mode in ("I", "I;16", "I;16B", "I;16L"):
        # 16-bit grey: Pillow keeps the whole sample; the program keeps its
        # high byte.
        grey = Image.new("L", im.size)
        grey.putdata([v >> 8 for v in im.getdata()])
        return grey.convert("RGB")
    if im.mode in ("RGBA", "LA", "PA"):
        return im.convert(im.mode[:-1] if im.mode != "PA" else "P").convert("RGB")
    if im.mode == "P":
        # Converting through RGB ignores tRNS; indices beyond the palette
        # read black, as in the program.
        palette = im.getpalette() or []
        table = [tuple(palette[3 * i:3 * i + 3]) for i in range(len(palette) // 3)]
        out = Image.new("RGB", im.size)
        out.putdata([table[i] if i < len(table) else (0, 0, 0) for i in im.getdata()])
        return out
    return im.convert("RGB")


def main():
    source, target = sys.argv[1], sys.argv[2]
    try:
        with Image.open(source) as im:
            im.load()
            mode = im.mode
            rgb = to_rgb(im)
    except Exception as exc:  # Pillow refuses the file
        print(f"pillow: {exc}", file=sys.stderr)
        return 2
    with open(target, "wb") as out:
        name = mode.encode("ascii")
        out.write(struct.pack("<iiI", rgb.size[0], rgb.size[1], len(name)))
        out.write(name)
        out.write(rgb.tobytes())
    return 0


if __name__ == "__main__":
    sys.exit(main())
