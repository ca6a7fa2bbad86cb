#!/usr/bin/python3
"""skalomi-cli's streamed jobs beside libvips, measured in one run.

  /usr/bin/python3 bench/stream_bench.py [BUILD_DIR] [--quick]

BUILD_DIR is a Release build with the benchmarks (default build/bench):
  tools/install-deps bench
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSKALOMI_BUILD_BENCH=ON \\
        -DSKALOMI_BUILD_GUI=OFF -DSKALOMI_BUILD_TESTS=OFF
  cmake --build build/bench --target stream_bench skalomi-cli

Run it on a quiet machine: the whole-process figures are wall-clock times.

  (1) In one process: the streamed job against the whole-picture path for
      several sources, settings and output types (CPU time, one thread),
      and the streamed job's stages on their own.
  (2) The whole job, 6000 x 4000 JPEG q90 -> 50 % -> JPEG q90 4:2:0:
      skalomi-cli and `vips resize --kernel linear`, both held to one core
      (taskset, VIPS_CONCURRENCY=1), then both allowed two cores; medians of
      alternated runs; peak memory by /usr/bin/time -v.
  (3) The same job from 6 to 100 megapixels on one core: time per megapixel.
  (4) PNG and BMP sources, 6000 x 4000 -> 50 % -> PNG (level 6, no row
      filter, as skalomi writes): skalomi-cli, `vips resize --kernel linear`
      with the same PNG settings and Pillow (bilinear) when it is installed,
      on one core and on two.

  --sources runs (4) alone.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ARGS = [a for a in sys.argv[1:] if not a.startswith("--")]
QUICK = "--quick" in sys.argv
SOURCES_ONLY = "--sources" in sys.argv
BUILD = ARGS[0] if ARGS else "build/bench"
BENCH = os.path.join(BUILD, "bench", "stream_bench")
CLI = os.path.join(BUILD, "skalomi-cli")
REPEATS = 3 if QUICK else 9
ONE_CORE = ["taskset", "-c", "0"]


def env(threads):
    return dict(os.environ, VIPS_CONCURRENCY=str(threads), OMP_NUM_THREADS=str(threads))


def in_process():
    out = subprocess.run([BENCH, "--benchmark_format=json", "--benchmark_enable_random_interleaving=true",
                          "--benchmark_repetitions=" + ("2" if QUICK else "7"),
                          "--benchmark_min_time=" + ("0.2" if QUICK else "1.0")],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name = b["run_name"].replace("/process_time", "").replace("/real_time", "")
            times[name] = b["real_time"] if "TwoThreads" in name else b["cpu_time"]
    return times


def run_once(cmd, threads):
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, env=env(threads), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    err = proc.stderr.read().decode()
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{cmd} failed: {err.strip()}")
    return (time.perf_counter() - start) * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def peak_kb(cmd, threads):
    """Maximum resident set size as /usr/bin/time -v reports it."""
    res = subprocess.run(["/usr/bin/time", "-v"] + cmd, env=env(threads), capture_output=True, text=True)
    for line in res.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1])
    return 0


def side_by_side(commands, threads, repeats=REPEATS):
    """Medians of wall and CPU time, the commands alternated run by run."""
    walls = {k: [] for k in commands}
    cpus = {k: [] for k in commands}
    for k, cmd in commands.items():  # one run each to warm the file cache
        run_once(cmd, threads)
    for _ in range(repeats):
        for k, cmd in commands.items():
            wall, cpu = run_once(cmd, threads)
            walls[k].append(wall)
            cpus[k].append(cpu)
    return {k: (statistics.median(walls[k]), statistics.median(cpus[k]), peak_kb(commands[k], threads))
            for k in commands}


def commands(tmp, src, pinned):
    prefix = ONE_CORE if pinned else []
    return {
        "skalomi-cli": prefix + [CLI, "-q", "-y", "-j", "1", "-p", "50", "-o", os.path.join(tmp, "out-skalomi.jpg"), src],
        "vips resize --kernel linear": prefix + ["vips", "resize", src,
                                                 os.path.join(tmp, "out-vips.jpg[Q=90,subsample-mode=on]"),
                                                 "0.5", "--kernel", "linear"],
    }


PILLOW = ("import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
          "im.resize((im.width // 2, im.height // 2), Image.BILINEAR).save(sys.argv[2], compress_level=6)\n")


def have_pillow():
    return subprocess.run(["/usr/bin/python3", "-c", "import PIL"], capture_output=True).returncode == 0


def png_commands(tmp, src, pinned):
    prefix = ONE_CORE if pinned else []
    jobs = {
        "skalomi-cli": prefix + [CLI, "-q", "-y", "-j", "1", "-p", "50", "-o", os.path.join(tmp, "out-skalomi.png"), src],
        "vips resize --kernel linear": prefix + ["vips", "resize", src,
                                                 os.path.join(tmp, "out-vips.png[compression=6,filter=none]"),
                                                 "0.5", "--kernel", "linear"],
    }
    if have_pillow():
        jobs["Pillow (bilinear)"] = prefix + ["/usr/bin/python3", "-c", PILLOW, src, os.path.join(tmp, "out-pil.png")]
    return jobs


def sources(tmp):
    jpeg = os.path.join(tmp, "6000x4000.jpg")
    subprocess.run([BENCH, "--write-jpeg", "6000", "4000", jpeg], check=True)
    decoded = 6000 * 4000 * 3 / 1024 / 1024
    for kind in ("png", "bmp"):
        src = os.path.join(tmp, "6000x4000." + kind)
        subprocess.run([CLI, "-q", "-y", "-p", "100", "-o", src, jpeg], check=True)
        report(f"(4) 6000 x 4000 {kind.upper()} -> 50 % -> PNG, whole process, all on one core",
               side_by_side(png_commands(tmp, src, True), 1), decoded)
        report(f"    the same, all allowed two cores",
               side_by_side(png_commands(tmp, src, False), 2), decoded)
        os.remove(src)


def report(title, results, decoded_mb=None):
    print(title)
    base = results["vips resize --kernel linear"][0]
    for k, (wall, cpu, rss) in results.items():
        print(f"  {k:<30} {wall:8.1f} ms wall  ratio {wall / base:5.2f}   ({cpu:7.1f} ms CPU,"
              f" peak {rss / 1024:6.1f} MiB)")
    if decoded_mb:
        rss = results["skalomi-cli"][2] / 1024
        print(f"  skalomi-cli peak memory: {rss:.1f} MiB = {rss / decoded_mb:.2f} x the decoded picture"
              f" ({decoded_mb:.1f} MiB)")


def main():
    tmp = tempfile.mkdtemp(prefix="skalomi-stream-bench-")
    try:
        run(tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def run(tmp):
    if SOURCES_ONLY:
        sources(tmp)
        return
    print("(1) In one process, one thread (CPU time, medians): the streamed job against the whole picture")
    t = in_process()
    print("  stages of 6000 x 4000 JPEG -> 50 % -> JPEG:"
          f" decoding {t['BM_Stage_Decode']:.1f} ms, scaling {t['BM_Stage_Scale']:.1f} ms,"
          f" encoding {t['BM_Stage_Encode']:.1f} ms")
    worst = 0
    for name in sorted(k.split("/")[1] for k in t if k.startswith("BM_Whole/")):
        whole, streamed = t["BM_Whole/" + name], t["BM_Streamed/" + name]
        worst = max(worst, streamed / whole)
        flag = "  SLOWER BY MORE THAN 5 %" if streamed > 1.05 * whole else ""
        print(f"  {name:<18} whole {whole:8.1f} ms   streamed {streamed:8.1f} ms   ratio {streamed / whole:5.2f}{flag}")
    print(f"  worst streamed / whole: {worst:.2f};  two threads, Half_Jpeg:"
          f" {t['BM_Streamed_TwoThreads/Half_Jpeg']:.1f} ms wall")

    big = os.path.join(tmp, "6000x4000.jpg")
    subprocess.run([BENCH, "--write-jpeg", "6000", "4000", big], check=True)
    decoded = 6000 * 4000 * 3 / 1024 / 1024
    report("(2a) 6000 x 4000 JPEG q90 -> 50 % -> JPEG, whole process, both on one core",
           side_by_side(commands(tmp, big, True), 1), decoded)
    report("(2b) the same, both allowed two cores",
           side_by_side(commands(tmp, big, False), 2), decoded)

    print("(3) Cost per megapixel on one core, 50 % to JPEG (wall-clock medians)")
    sizes = [(3000, 2000), (6000, 4000), (8660, 5774), (12248, 8165)]
    if QUICK:
        sizes = sizes[:2]
    per_mp = {}
    for w, h in sizes:
        src = os.path.join(tmp, f"{w}x{h}.jpg")
        subprocess.run([BENCH, "--write-jpeg", str(w), str(h), src], check=True)
        r = side_by_side(commands(tmp, src, True), 1, repeats=max(3, REPEATS // 2))
        mp = w * h / 1e6
        ours, vips = r["skalomi-cli"], r["vips resize --kernel linear"]
        per_mp[mp] = ours[0] / mp
        print(f"  {mp:6.1f} MP: skalomi-cli {ours[0]:8.1f} ms ({ours[0] / mp:5.2f} ms/MP, peak"
              f" {ours[2] / 1024:6.1f} MiB)   vips {vips[0]:8.1f} ms ({vips[0] / mp:5.2f} ms/MP, peak"
              f" {vips[2] / 1024:6.1f} MiB)   ratio {ours[0] / vips[0]:5.2f}")
        os.remove(src)
    lo, hi = min(per_mp), max(per_mp)
    print(f"  skalomi-cli ms per megapixel at {hi:.0f} MP / at {lo:.0f} MP: {per_mp[hi] / per_mp[lo]:.2f}")
    sources(tmp)


if __name__ == "__main__":
    main()
