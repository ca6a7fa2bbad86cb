"""Decodes a picture with Pillow for the tests: writes width, height, mode
and the RGB bytes of the first frame (rows top to bottom) to the output file.
Exit status 2 when Pillow cannot read the picture."""
import struct
import sys

from PIL import Image


def main():
    source, target = sys.argv[1], sys.argv[2]
    try:
        with Image.open(source) as im:
            im.seek(0)
            mode = im.mode
            rgb = im.convert("RGB")
            data = rgb.tobytes()
            w, h = rgb.size
    except Exception as exc:  # Pillow refuses the file
        print(f"pillow: {exc}", file=sys.stderr)
        return 2
    with open(target, "wb") as out:
        name = mode.encode("ascii")
        out.write(struct.pack("<iiI", w, h, len(name)))
        out.write(name)
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
