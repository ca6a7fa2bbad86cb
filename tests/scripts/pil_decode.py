"""Decodes pictures with Pillow for the tests.

    pil_decode.py SOURCE TARGET
    pil_decode.py --batch FOLDER SOURCE...

Each decoded picture is written as the record of pillow_common.rgb_record:
width, height, Pillow's mode name and the RGB bytes of the first frame. In
batch mode the n-th source goes to FOLDER/n.bin, and a source Pillow cannot
read gets no file. A single source that Pillow cannot read ends with exit
status 2."""
import sys

from pillow_common import read_with_pillow, rgb_record, write_file


def first_frame(im):
    im.seek(0)
    return rgb_record(im.mode, im.convert("RGB"))


def decode(source, target):
    record = read_with_pillow(source, first_frame)
    if record is None:
        return False
    write_file(target, record)
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
