"""Decodes PNG files with Pillow the way Skalomi reads PNG files: the high
byte of 16-bit samples, alpha channels and tRNS dropped without compositing.

Usage: pil_png_reference.py INPUT OUTPUT [INPUT OUTPUT ...]
For each pair, writes width, height, mode and the RGB bytes (rows top to
bottom) as pil_decode.py does; writes no OUTPUT when Pillow cannot read the
INPUT. One run serves many files, so the tests start Python once."""
import sys

from PIL import Image

from pillow_common import read_with_pillow, rgb_record, run_pairs, write_file


def to_rgb(im):
    if im.mode in ("I", "I;16", "I;16B", "I;16L"):
        # 16-bit grey: Pillow keeps the whole sample; the program keeps its
        # high byte.
        grey = Image.new("L", im.size)
        grey.putdata([v >> 8 for v in im.getdata()])
        return grey.convert("RGB")
    if im.mode in ("RGBA", "LA"):
        return im.convert(im.mode[:-1]).convert("RGB")
    if im.mode in ("P", "PA"):
        # Through the palette alone: tRNS is ignored, and indices beyond the
        # palette read black, as in the program.
        palette = im.getpalette() or []
        table = [tuple(palette[3 * i:3 * i + 3]) for i in range(len(palette) // 3)]
        indices = im.getdata() if im.mode == "P" else im.getchannel(0).getdata()
        out = Image.new("RGB", im.size)
        out.putdata([table[i] if i < len(table) else (0, 0, 0) for i in indices])
        return out
    return im.convert("RGB")


def reference(im):
    im.load()
    return rgb_record(im.mode, to_rgb(im))


def convert(source, target):
    record = read_with_pillow(source, reference)
    if record is not None:
        write_file(target, record)


if __name__ == "__main__":
    sys.exit(run_pairs(convert, sys.argv[1:]))
