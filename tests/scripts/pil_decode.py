"""Decodes pictures with Pillow for the tests.

    pil_decode.py SOURCE TARGET
    pil_decode.py --batch FOLDER SOURCE...

Each decoded picture is written as width, height (int32), the length of
Pillow's mode name (uint32), the mode name, and the RGB bytes of the first
frame, rows top to bottom. In batch mode the n-th source goes to FOLDER/n.bin,
and a source Pillow cannot read gets no file. A single source that Pillow
cannot read ends with exit status 2."""
import struct
import sys

from PIL import Image


def decode(source, target):
    try:
        with Image.open(source) as im:
            im.seek(0)
            mode = im.mode
            rgb = im.convert("RGB")
            data = rgb.tobytes()
            w, h = rgb.size
    except Exception as exc:  # Pillow refuses the file
        print(f"pillow: {source}: {exc}", file=sys.stderr)
        return False
    with open(target, "wb") as out:
        name = mode.encode("ascii")
        out.write(struct.pack("<iiI", w, h, len(name)))
        out.write(name)
        out.write(data)
    return True


def main():
    if sys.argv[1] == "--batch":
        folder = sys.argv[2]
        for index, source in enumerate(sys.argv[3:]):
            decode(source, f"{folder}/{index}.bin")
        return 0
    return 0 if decode(sys.argv[1], sys.argv[2]) else 2


if __name__ == "__main__":
    sys.exit(main())
