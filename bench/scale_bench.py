#!/usr/bin/python3
"""Skalomi's scaling benchmarks with their peers, measured in one run.

  /usr/bin/python3 bench/scale_bench.py [BUILD_DIR]

BUILD_DIR is a Release build with the benchmarks (default build/bench):
  tools/install-deps bench
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSKALOMI_BUILD_BENCH=ON \
        -DSKALOMI_BUILD_GUI=OFF -DSKALOMI_BUILD_TESTS=OFF
  cmake --build build/bench --target scale_bench skalomi-cli Everything runs single-threaded; times are CPU time of the
whole process (the in-memory operations) or of the child process (the
command-line jobs), so that other work on the machine does not count.

  (a) reduction to 50 % in memory: Skalomi, Pillow reduce(2) and
      resize(BOX), libvips vips_resize(0.5, kernel=linear)
  (b) reduction to 37 %: Skalomi, libvips vips_reduce (default and linear)
  (c) enlargement of 1000 x 750 to 400 %: Skalomi, Pillow resize(BILINEAR)
  (d) the whole job, JPEG q90 in, 50 %, JPEG q90 4:2:0 out: skalomi-cli,
      `vips resize --kernel linear`, ImageMagick convert -filter box
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build/bench"
BENCH = os.path.join(BUILD, "bench", "scale_bench")
CLI = os.path.join(BUILD, "skalomi-cli")
SINGLE = dict(os.environ, VIPS_CONCURRENCY="1", MAGICK_THREAD_LIMIT="1", OMP_NUM_THREADS="1")


def engine_and_vips():
    out = subprocess.run([BENCH, "--benchmark_format=json"], check=True, capture_output=True,
                         text=True, env=SINGLE).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        name = b["name"].split("/")[0]
        times[name] = b["cpu_time"]  # ms, whole process
    return times


def pillow(fn, repeats=15):
    samples = []
    for _ in range(repeats):
        t = time.process_time()
        fn()
        samples.append((time.process_time() - t) * 1000)
    return statistics.median(samples)


def job(cmd, repeats=7):
    cpu, wall = [], []
    for _ in range(repeats):
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, env=SINGLE, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        _, status, usage = os.wait4(proc.pid, 0)
        err = proc.stderr.read().decode()
        proc.stderr.close()
        if os.waitstatus_to_exitcode(status) != 0:
            raise RuntimeError(f"{cmd[0]} failed: {err.strip()}")
        wall.append((time.perf_counter() - start) * 1000)
        cpu.append((usage.ru_utime + usage.ru_stime) * 1000)
    # The peak comes from /usr/bin/time: a child of this (large) process
    # would report this process's size from before its exec.
    return statistics.median(cpu), statistics.median(wall), peak_rss_time_v(cmd)


def peak_rss_time_v(cmd):
    """Maximum resident set size in kB as /usr/bin/time -v reports it."""
    res = subprocess.run(["/usr/bin/time", "-v"] + cmd, env=SINGLE, capture_output=True, text=True)
    for line in res.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1])
    return None


def row(label, ms, best):
    ratio = f"{ms / best:5.2f}" if best else "  -  "
    print(f"  {label:<46} {ms:8.1f} ms   ratio {ratio}")


def main():
    tmp = tempfile.mkdtemp(prefix="skalomi-bench-")
    try:
        run(tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def run(tmp):
    subprocess.run([BENCH, "--write-pictures", tmp], check=True)
    big = Image.open(os.path.join(tmp, "bench-6000x4000.ppm"))
    big.load()
    small = Image.open(os.path.join(tmp, "bench-1000x750.ppm"))
    small.load()

    t = engine_and_vips()
    pil_reduce = pillow(lambda: big.reduce(2))
    pil_box = pillow(lambda: big.resize((3000, 2000), Image.BOX))
    pil_bilinear = pillow(lambda: small.resize((4000, 3000), Image.BILINEAR))

    print("(a) 6000 x 4000 to 50 % in memory (CPU time, median)")
    peers = {"Pillow reduce(2)": pil_reduce, "Pillow resize(BOX)": pil_box,
             "libvips vips_resize(0.5, linear)": t.get("BM_Vips_Resize50_Linear")}
    best = min(v for v in peers.values() if v)
    row("Skalomi (result buffer reused)", t["BM_Skalomi_Reduce50"], best)
    row("Skalomi (new result buffer each time)", t["BM_Skalomi_Reduce50_FreshResult"], best)
    for k, v in peers.items():
        if v:
            row(k, v, best)

    print("(b) 6000 x 4000 to 37 % in memory")
    peers = {"libvips vips_reduce (default kernel)": t.get("BM_Vips_Reduce37"),
             "libvips vips_reduce (linear)": t.get("BM_Vips_Reduce37_Linear")}
    best = min(v for v in peers.values() if v)
    row("Skalomi", t["BM_Skalomi_Reduce37"], best)
    for k, v in peers.items():
        row(k, v, best)

    print("(c) 1000 x 750 to 400 % in memory")
    best = pil_bilinear
    row("Skalomi", t["BM_Skalomi_Enlarge400"], best)
    row("Pillow resize(BILINEAR)", pil_bilinear, best)
    if t.get("BM_Vips_Resize400_Linear"):
        row("libvips vips_resize(4, linear) (for reference)", t["BM_Vips_Resize400_Linear"], best)

    print("    other engine figures at 50 %: tone on", f"{t['BM_Skalomi_Reduce50_Tone']:.1f} ms,",
          "quarter turn", f"{t['BM_Skalomi_Reduce50_RotateRight']:.1f} ms,",
          "portable loops (no AVX2)", f"{t['BM_Skalomi_Reduce50_Portable']:.1f} ms")

    src = os.path.join(tmp, "in.jpg")
    big.save(src, quality=90, subsampling="4:2:0")
    ours = [CLI, "-q", "-j", "1", "-y", "-p", "50", "-o", os.path.join(tmp, "out-skalomi.jpg"), src]
    vips = ["vips", "resize", src, os.path.join(tmp, "out-vips.jpg[Q=90,subsample-mode=on]"),
            "0.5", "--kernel", "linear"]
    magick = ["/usr/bin/convert", src, "-filter", "box", "-resize", "50%", "-quality", "90",
              "-sampling-factor", "2x2", os.path.join(tmp, "out-magick.jpg")]
    print("(d) the whole job: JPEG q90 6000 x 4000 in, 50 %, JPEG q90 4:2:0 out (process CPU time;"
          " wall time and peak memory by /usr/bin/time -v in brackets)")
    try:
        results = {"skalomi-cli": job(ours)}
    except RuntimeError as e:
        print("  skalomi-cli could not run the job:", e)
        results = {}
    results["vips resize --kernel linear"] = job(vips)
    results["ImageMagick convert -filter box"] = job(magick)
    best = min(v[0] for k, v in results.items() if k != "skalomi-cli")
    for k, (cpu, wall, rss) in results.items():
        print(f"  {k:<46} {cpu:8.1f} ms   ratio {cpu / best:5.2f}   ({wall:.0f} ms wall,"
              f" peak {rss / 1024:.0f} MB)")
    if "skalomi-cli" in results:
        peak = results["skalomi-cli"][2]
        decoded = 6000 * 4000 * 3 / 1024 / 1024
        print(f"  skalomi-cli peak memory (/usr/bin/time -v): {peak / 1024:.0f} MB = "
              f"{peak / 1024 / decoded:.2f} x the decoded picture ({decoded:.0f} MB)")


if __name__ == "__main__":
    main()
