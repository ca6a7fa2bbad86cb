"""What the Pillow scripts of the tests share: reading a file with Pillow
so that a file it refuses is reported and skipped, not the end of the run;
the record of a decoded picture that tests/support reads; and the
INPUT OUTPUT pairs of a run over many files."""
import struct
import sys

from PIL import Image


def read_with_pillow(source, read):
    """Opens `source` and returns read(image), or None when Pillow (or
    `read`) refuses the file; the refusal is said on stderr."""
    try:
        with Image.open(source) as im:
            return read(im)
    except Exception as exc:  # Pillow refuses the file
        print(f"pillow: {source}: {exc}", file=sys.stderr)
        return None


def rgb_record(mode, rgb):
    """A decoded picture as the tests read it: width, height (int32), the
    length of Pillow's mode name (uint32), the mode name, and the RGB bytes
    of `rgb`, rows top to bottom."""
    name = mode.encode("ascii")
    return struct.pack("<iiI", rgb.size[0], rgb.size[1], len(name)) + name + rgb.tobytes()


def write_file(target, data):
    with open(target, "wb") as out:
        out.write(data)


def run_pairs(convert, args):
    """Calls convert(INPUT, OUTPUT) for each pair of `args`."""
    for i in range(0, len(args) - 1, 2):
        convert(args[i], args[i + 1])
    return 0
