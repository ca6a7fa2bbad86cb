#!/usr/bin/python3
"""Files per second of a batch job, skalomi-cli beside its peers in one run.

  /usr/bin/python3 bench/batch_bench.py [BUILD_DIR] [--files N] [--repeats R] [--threads 1,2]

BUILD_DIR holds a Release skalomi-cli (default build/bench):
  tools/install-deps bench
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSKALOMI_BUILD_GUI=OFF
  cmake --build build/bench --target skalomi-cli

The job: N pictures of 3000 x 2000 (default 200), JPEG quality 90 with 4:2:0
chroma, reduced to 50 % and written as JPEG quality 90, the pictures given as
a folder. For each number of threads T:
  - skalomi-cli -j T over the folder;
  - ImageMagick mogrify -filter box -resize 50% over the files, with
    MAGICK_THREAD_LIMIT=T (its threads work inside each picture);
  - a shell loop of `vips resize --kernel linear`, one picture after the
    other, with VIPS_CONCURRENCY=T;
and, for reference, each peer run as T single-threaded processes at once
(xargs -P T). Times are wall times of the whole job, so figures are only
meaningful on a machine with nothing else running.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

from PIL import Image, ImageDraw, ImageFilter

WIDTH, HEIGHT = 3000, 2000


def make_pictures(folder, count, grain_sigma=30, grain_share=0.35):
    """Photo-like pictures: smooth colour fields, grain and hard edges, each
    a different window of one larger picture so that no two files are the same."""
    margin_x, margin_y = 640, 480
    w, h = WIDTH + margin_x, HEIGHT + margin_y
    red = Image.linear_gradient("L").resize((w, h), Image.BILINEAR)
    green = Image.radial_gradient("L").resize((w, h), Image.BILINEAR)
    blue = Image.linear_gradient("L").rotate(90).resize((w, h), Image.BILINEAR)
    base = Image.merge("RGB", (red, green, blue))
    draw = ImageDraw.Draw(base)
    for i in range(60):
        x, y = (i * 977) % w, (i * 613) % h
        r = 40 + (i * 37) % 260
        fill = ((i * 53) % 256, (i * 91) % 256, (i * 29) % 256)
        (draw.ellipse if i % 2 else draw.rectangle)((x, y, x + r, y + r * 2 // 3), fill=fill)
    base = base.filter(ImageFilter.GaussianBlur(2))
    grain = Image.effect_noise((w, h), grain_sigma).convert("RGB")
    base = Image.blend(base, grain, grain_share)
    for i in range(count):
        x, y = (i * 37) % margin_x, (i * 53) % margin_y
        base.crop((x, y, x + WIDTH, y + HEIGHT)).save(
            os.path.join(folder, f"photo{i:04d}.jpg"), quality=90, subsampling="4:2:0")


def run_job(cmd, env, out, expected):
    """Wall and CPU seconds of one job; its outputs are checked and removed."""
    os.makedirs(out)
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{cmd[:3]} failed: {err.strip()[:400]}")
    made = len(os.listdir(out))
    shutil.rmtree(out)
    if made != expected:
        raise RuntimeError(f"{cmd[:3]} wrote {made} files, not {expected}")
    return wall, usage.ru_utime + usage.ru_stime


def peak_rss_mb(cmd, env, out):
    os.makedirs(out)
    res = subprocess.run(["/usr/bin/time", "-v"] + cmd, env=env, capture_output=True, text=True)
    shutil.rmtree(out)
    for line in res.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1]) / 1024
    return float("nan")


def jobs(cli, src, out, threads):
    """(label, command, environment) of every job at this thread count."""
    base = dict(os.environ)
    one = dict(base, VIPS_CONCURRENCY="1", MAGICK_THREAD_LIMIT="1", OMP_NUM_THREADS="1")
    many = dict(base, VIPS_CONCURRENCY=str(threads), MAGICK_THREAD_LIMIT=str(threads),
                OMP_NUM_THREADS=str(threads))
    # One picture by vips: $0 the file, $1 the output folder.
    vips_one = 'vips resize "$0" "$1/$(basename "$0" .jpg)_v.jpg[Q=90]" 0.5 --kernel linear'
    mogrify = 'mogrify -path "$1" -filter box -resize 50% -quality 90 -sampling-factor 2x2'
    return [
        (f"skalomi-cli -j {threads}", [cli, "-q", "-j", str(threads), "-p", "50", "-d", out, src],
         base, True),
        (f"mogrify, MAGICK_THREAD_LIMIT={threads}", ["sh", "-c", mogrify + ' "$0"/*.jpg', src, out],
         many, True),
        (f"vips resize loop, VIPS_CONCURRENCY={threads}",
         ["sh", "-c", 'for f in "$0"/*.jpg; do sh -c \'' + vips_one + '\' "$f" "$1" || exit 1; done',
          src, out], many, True),
        (f"vips resize, {threads} processes at once",
         ["sh", "-c", f'ls "$0"/*.jpg | xargs -P {threads} -I@ sh -c \'' + vips_one + '\' @ "$1"',
          src, out], one, False),
        (f"mogrify, {threads} processes at once",
         ["sh", "-c", f'ls "$0"/*.jpg | xargs -P {threads} -I@ ' + mogrify + ' @', src, out],
         one, False),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/bench")
    parser.add_argument("--files", type=int, default=200)
    parser.add_argument("--repeats", type=int, default=1)
    parser.add_argument("--threads", default="1,2")
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "skalomi-cli"))
    thread_counts = [int(t) for t in args.threads.split(",")]

    tmp = tempfile.mkdtemp(prefix="skalomi-batch-bench-")
    try:
        src = os.path.join(tmp, "in")
        os.makedirs(src)
        make_pictures(src, args.files)
        print(f"{args.files} pictures of {WIDTH} x {HEIGHT}, JPEG q90 4:2:0 in, 50 %, JPEG q90"
              f" out; wall time of the whole job, median of {args.repeats}; {os.cpu_count()}"
              " processors")
        print(f"  {'threads':>7}  {'job':<44} {'files/s':>8} {'CPU s':>7}   vs skalomi-cli")
        ours = {}
        for threads in thread_counts:
            for label, cmd, env, primary in jobs(cli, src, os.path.join(tmp, "out"), threads):
                samples = [run_job(cmd, env, os.path.join(tmp, "out"), args.files)
                           for _ in range(args.repeats)]
                wall = statistics.median(s[0] for s in samples)
                cpu = statistics.median(s[1] for s in samples)
                rate = args.files / wall
                if label.startswith("skalomi-cli"):
                    ours[threads] = rate
                ratio = rate / ours[threads]
                note = "" if primary else "   (for reference)"
                print(f"  {threads:>7}  {label:<44} {rate:8.2f} {cpu:7.1f}   {ratio:5.2f}{note}",
                      flush=True)
        if 1 in ours and 2 in ours:
            print(f"skalomi-cli from -j 1 to -j 2: {ours[2] / ours[1]:.2f} x the files per second"
                  " (goal at least 1.8 on two cores)")
        top = max(thread_counts)
        peak = peak_rss_mb([cli, "-q", "-j", str(top), "-p", "50", "-d",
                            os.path.join(tmp, "out"), src], dict(os.environ),
                           os.path.join(tmp, "out"))
        picture = WIDTH * HEIGHT * 3 / 2**20
        print(f"skalomi-cli -j {top} peak memory (/usr/bin/time -v): {peak:.0f} MB,"
              f" {peak / picture:.1f} x one decoded picture ({picture:.0f} MB)")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
