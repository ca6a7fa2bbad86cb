"""Compares pictures turned upright by skalomi-cli with Pillow's own turning
of the same JPEG files (ImageOps.exif_transpose).

    pil_exif_upright.py JPEG PNG [JPEG PNG ...]

Prints one line for each pair: the JPEG's EXIF orientation, the two sizes
and the largest difference of a channel between the pictures (decoders may
round a level or two apart), or "sizes differ"."""
import sys

from PIL import Image, ImageChops, ImageOps


def main():
    args = sys.argv[1:]
    for jpeg, png in zip(args[0::2], args[1::2]):
        with Image.open(jpeg) as source:
            orientation = source.getexif().get(0x0112, 1)
            expected = ImageOps.exif_transpose(source).convert("RGB")
        with Image.open(png) as turned:
            ours = turned.convert("RGB")
        if expected.size != ours.size:
            print(orientation, expected.size, ours.size, "sizes differ")
            continue
        largest = max(high for _, high in ImageChops.difference(expected, ours).getextrema())
        print(orientation, "%dx%d" % ours.size, "differs by", largest)


if __name__ == "__main__":
    main()
