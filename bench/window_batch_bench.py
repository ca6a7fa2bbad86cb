#!/usr/bin/python3
"""The window's batch run beside skalomi-cli -j 1 and -j N, in one run.

  /usr/bin/python3 bench/window_batch_bench.py [BUILD_DIR] [--files 10] [--size 6000x4000]

BUILD_DIR holds skalomi and skalomi-cli (default build/bench):
  tools/install-deps bench
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release
  cmake --build build/bench --target skalomi skalomi-cli

The job: N pictures of 24 megapixels (JPEG quality 90, 4:2:0), reduced to
50 % and written as JPEG. skalomi-cli runs it with -j 1 and with -j N (N the
usable cores). The window runs it on a private Xvfb under openbox, driven by
keys only, as a user would: "h", the field set to 50, "m", Enter on the
settings, the file names typed into the open dialog, Enter on the destination
dialog (the source folder, suffix "_ks", JPEG) and on the final question.
The window's time runs from that last Enter until its title names the last
output. Meanwhile another X client pings the main window (_NET_WM_PING) and
covers and uncovers a strip of it, timing the answer and the repaint.

Memory is the resident set: for skalomi-cli its peak (GNU time); for the
window its size when idle before the run, its peak during the run (the
kernel's high-water mark, reset just before it) and its size afterwards,
when it holds the last picture and its scaled picture. The outputs of the
three runs are compared byte for byte. Figures mean something only on a
machine with nothing else running.
"""
import argparse
import ctypes
import ctypes.util
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time

from PIL import Image, ImageDraw, ImageFilter
from Xlib import X, display

def make_pictures(folder, count, width, height):
    """Photo-like pictures, each a different window of one larger picture."""
    margin = 256
    w, h = width + margin, height + margin
    base = Image.merge("RGB", (
        Image.linear_gradient("L").resize((w, h), Image.BILINEAR),
        Image.radial_gradient("L").resize((w, h), Image.BILINEAR),
        Image.linear_gradient("L").rotate(90).resize((w, h), Image.BILINEAR)))
    draw = ImageDraw.Draw(base)
    for i in range(80):
        x, y, r = (i * 977) % w, (i * 613) % h, 60 + (i * 37) % 500
        fill = ((i * 53) % 256, (i * 91) % 256, (i * 29) % 256)
        (draw.ellipse if i % 2 else draw.rectangle)((x, y, x + r, y + r * 2 // 3), fill=fill)
    base = base.filter(ImageFilter.GaussianBlur(2))
    base = Image.blend(base, Image.effect_noise((w, h), 30).convert("RGB"), 0.3)
    names = []
    for i in range(count):
        x, y = (i * 37) % margin, (i * 53) % margin
        name = os.path.join(folder, f"photo{i:02d}.jpg")
        base.crop((x, y, x + width, y + height)).save(name, quality=90, subsampling="4:2:0")
        names.append(name)
    return names


def usable_cores():
    return len(os.sched_getaffinity(0))


def run_cli(cli, jobs, files, out):
    os.makedirs(out)
    stats = os.path.join(out, "..", f"time-{jobs}.txt")
    start = time.monotonic()
    subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", stats, cli, "-q", "-j", str(jobs),
                    "-d", out, "-t", "jpg", "-p", "50"] + files, check=True,
                   stdout=subprocess.DEVNULL)
    wall = time.monotonic() - start
    with open(stats) as f:
        user, system, peak_kb = f.read().split()[-3:]
    return wall, float(user) + float(system), int(peak_kb) / 1024


def free_display():
    for n in range(60, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise RuntimeError("no free X display")


def wait_for(what, condition, limit=60.0, step=0.01):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(step)
    raise RuntimeError("waited in vain for " + what)


def cpu_seconds(pid):
    """User and system time of the process so far, all its threads."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_mb(pid, field="VmRSS"):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024
    return 0.0


class Desktop:
    """Xvfb with openbox, and the program on it."""

    def __init__(self, home):
        self.display = free_display()
        self.env = dict(os.environ, DISPLAY=self.display, HOME=home, QT_QPA_PLATFORM="xcb")
        self.procs = [subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1280x1024x24",
                                        "-nolisten", "tcp", "-noreset"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
        wait_for("the X server",
                 lambda: os.path.exists("/tmp/.X11-unix/X" + self.display[1:]), 10)
        self.x = wait_for("a connection", self._connect, 10, 0.05)
        self.procs.append(subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))
        self.wm_check = self.x.intern_atom("_NET_SUPPORTING_WM_CHECK")
        wait_for("openbox", lambda: self.x.screen().root.get_full_property(
            self.wm_check, X.AnyPropertyType) is not None, 10)

    def _connect(self):
        try:
            return display.Display(self.display)
        except Exception:
            return None

    def start(self, program, cwd):
        proc = subprocess.Popen([program], env=self.env, cwd=cwd, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        return proc

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, check=True,
                              capture_output=True, text=True).stdout.strip()

    def active_title(self):
        try:
            return self.xdotool("getactivewindow", "getwindowname")
        except subprocess.CalledProcessError:
            return ""

    def title_of(self, window):
        name = window.get_full_property(self.x.intern_atom("_NET_WM_NAME"), X.AnyPropertyType)
        return name.value.decode("utf-8", "replace") if name else ""

    def stop(self):
        for proc in reversed(self.procs):
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()


class Pinger:
    """The window manager's liveness ping, sent and timed through libX11 on a
    connection of its own; the answer is the same message sent to the root."""

    CLIENT_MESSAGE = 33
    EVENT_SIZE = 192  # sizeof(XEvent)

    def __init__(self, name, window):
        x = self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.c_void_p]
        for f in (x.XPending, x.XFlush, x.XCloseDisplay):
            f.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.d = x.XOpenDisplay(name.encode())
        x.XSelectInput(self.d, x.XDefaultRootWindow(self.d),
                       X.StructureNotifyMask | X.SubstructureNotifyMask)
        self.protocols = x.XInternAtom(self.d, b"WM_PROTOCOLS", 0)
        self.ping = x.XInternAtom(self.d, b"_NET_WM_PING", 0)
        self.window = window
        self.stamp = 1

    def __call__(self, limit=5.0):
        """Milliseconds to the answer, or None."""
        self.stamp += 1
        event = ctypes.create_string_buffer(self.EVENT_SIZE)
        struct.pack_into("i", event, 0, self.CLIENT_MESSAGE)
        struct.pack_into("QQi", event, 32, self.window, self.protocols, 32)
        struct.pack_into("qqqqq", event, 56, self.ping, self.stamp, self.window, 0, 0)
        sent = time.monotonic()
        self.x.XSendEvent(self.d, self.window, 0, X.NoEventMask, event)
        self.x.XFlush(self.d)
        answer = ctypes.create_string_buffer(self.EVENT_SIZE)
        while time.monotonic() - sent < limit:
            while self.x.XPending(self.d):
                self.x.XNextEvent(self.d, answer)
                kind, = struct.unpack_from("i", answer, 0)
                if kind == self.CLIENT_MESSAGE and struct.unpack_from("qq", answer, 56) == (
                        self.ping, self.stamp):
                    return (time.monotonic() - sent) * 1000
            time.sleep(0.0005)
        return None

    def close(self):
        self.x.XCloseDisplay(self.d)


class Observer(threading.Thread):
    """Another client: pings the window and covers a strip of it, over and over."""

    def __init__(self, name, window_id, area):
        super().__init__(daemon=True)
        self.x = display.Display(name)
        self.root = self.x.screen().root
        self.pinger = Pinger(name, window_id)
        self.area = area
        self.running = True
        self.pings, self.repaints = [], []
        self.unanswered = self.unrepainted = 0

    def run(self):
        while self.running:
            latency = self.pinger()
            if latency is None:
                self.unanswered += 1
            else:
                self.pings.append(latency)
            self._cover()
            time.sleep(0.02)  # a window manager's pace, not a load on the machine
        self.pinger.close()

    def _shows_cover(self):
        x, y, w, h = self.area
        data = self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        # 32-bit pixels, blue first
        return any(data[i:i + 3] == b"\xff\x00\xff" for i in range(0, len(data), 4))

    def _cover(self):
        x, y, w, h = self.area
        screen = self.x.screen()
        colour = screen.default_colormap.alloc_color(0xFFFF, 0, 0xFFFF).pixel
        cover = self.root.create_window(x, y, w, h, 0, screen.root_depth,
                                        background_pixel=colour, override_redirect=True)
        cover.map()
        self.x.sync()
        shown = self._until(self._shows_cover, 2.0)
        cover.destroy()
        self.x.sync()
        if shown is None:
            return
        uncovered = time.monotonic()
        if self._until(lambda: not self._shows_cover(), 5.0) is None:
            self.unrepainted += 1
        else:
            self.repaints.append((time.monotonic() - uncovered) * 1000)

    @staticmethod
    def _until(condition, limit):
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(0.002)
        return None


def run_window(program, files, home, observe):
    desktop = Desktop(home)
    try:
        app = desktop.start(program, home)
        wait_for("the main window", lambda: desktop.active_title().startswith("Skalomi"), 30)
        main_id = int(desktop.xdotool("getactivewindow"))
        main = desktop.x.create_resource_object("window", main_id)
        # Idle: once the resident size has settled.
        sizes = []
        wait_for("an idle window", lambda: sizes.append(resident_mb(app.pid)) or (
            len(sizes) > 20 and max(sizes[-20:]) - min(sizes[-20:]) < 0.5), 30, 0.05)
        idle = sizes[-1]

        def answer(title, *keys):
            wait_for(title, lambda: desktop.active_title() == title, 30)
            if keys:
                desktop.xdotool("key", "--delay", "30", *keys)

        desktop.xdotool("key", "--delay", "30", "h", "End", "BackSpace", "BackSpace",
                        "BackSpace", "5", "0", "m")
        answer("まとめて拡縮：拡縮設定確認", "Return")
        answer("まとめて拡縮：拡縮元ファイルを選択して下さい（複数選択可）")
        desktop.xdotool("type", "--delay", "4", " ".join(f'"{f}"' for f in files))
        desktop.xdotool("key", "Return")
        answer("まとめて拡縮  保存フォルダ選択 ＆ ファイル名拡張子設定", "Return")
        answer("まとめて拡縮：最終確認")

        geometry = main.get_geometry()
        origin = main.translate_coords(desktop.x.screen().root, 0, 0)
        strip = (-origin.x, -origin.y + 60, min(geometry.width, 400), 40)
        observer = Observer(desktop.display, main_id, strip) if observe else None
        with open(f"/proc/{app.pid}/clear_refs", "w") as f:
            f.write("5")  # the peak resident size starts again from here
        last = os.path.basename(files[-1])[:-4] + "_ks.jpg"
        start, cpu = time.monotonic(), cpu_seconds(app.pid)
        desktop.xdotool("key", "Return")
        if observer:
            observer.start()
        wait_for("the end of the run", lambda: last in desktop.title_of(main), 600, 0.005)
        wall = time.monotonic() - start
        peak = resident_mb(app.pid, "VmHWM")
        result = {"wall": wall, "cpu": cpu_seconds(app.pid) - cpu, "idle": idle, "peak": peak}
        if observer:
            observer.running = False
            observer.join(10)
            result.update(pings=observer.pings, repaints=observer.repaints,
                          unanswered=observer.unanswered, unrepainted=observer.unrepainted)
        result["after"] = resident_mb(app.pid)
        return result
    finally:
        desktop.stop()


def same_bytes(folder_a, folder_b, names):
    for name in names:
        with open(os.path.join(folder_a, name), "rb") as a, \
                open(os.path.join(folder_b, name), "rb") as b:
            if a.read() != b.read():
                return False
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build/bench")
    parser.add_argument("--files", type=int, default=10)
    parser.add_argument("--size", default="6000x4000")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    cli = os.path.abspath(os.path.join(args.build, "skalomi-cli"))
    program = os.path.abspath(os.path.join(args.build, "skalomi"))
    cores = usable_cores()

    work = tempfile.mkdtemp(prefix="skalomi-window-bench-")
    try:
        source = os.path.join(work, "src")
        home = os.path.join(work, "home")
        os.makedirs(source)
        os.makedirs(home)
        files = make_pictures(source, args.files, width, height)
        outputs = [os.path.basename(f)[:-4] + "_ks.jpg" for f in files]
        for f in files:  # in the page cache for every run alike
            with open(f, "rb") as stream:
                stream.read()

        load = os.getloadavg()[0]
        rows = []
        for jobs in (1, cores):
            wall, cpu, peak = run_cli(cli, jobs, files, os.path.join(work, f"cli{jobs}"))
            rows.append((f"skalomi-cli -j {jobs}", wall, cpu, peak))
        # Once alone, for its time and memory; once with another client
        # pinging it and uncovering a strip of it all the while.
        identical = True
        runs = []
        for observe in (False, True):
            runs.append(run_window(program, files, home, observe))
            identical = identical and all(
                same_bytes(source, os.path.join(work, f"cli{j}"), outputs) for j in (1, cores))
            for output in outputs:
                os.remove(os.path.join(source, output))
        window, watched = runs

        print(f"{args.files} JPEG files of {width}x{height} to 50 % JPEG, {cores} usable cores")
        print()
        print("| run | wall s | CPU s | peak RSS MB |")
        print("|---|---:|---:|---:|")
        for name, wall, cpu, peak in rows:
            print(f"| {name} | {wall:.2f} | {cpu:.2f} | {peak:.0f} |")
        for name, run in (("window (openbox)", window), ("window, pinged and uncovered", watched)):
            print(f"| {name} | {run['wall']:.2f} | {run['cpu']:.2f} | {run['peak']:.0f} |")
        print()
        print(f"window RSS: idle before {window['idle']:.0f} MB, peak during "
              f"{window['peak']:.0f} MB (+{window['peak'] - window['idle']:.0f}), after "
              f"{window['after']:.0f} MB")
        print(f"wall time, window / cli -j {cores}: {window['wall'] / rows[-1][1]:.2f}; "
              f"window / cli -j 1: {window['wall'] / rows[0][1]:.2f}")
        print(f"load average before the runs: {load:.1f}")
        pings, repaints = watched["pings"], watched["repaints"]
        print(f"pings answered {len(pings)}, max {max(pings, default=0):.0f} ms, "
              f"unanswered {watched['unanswered']}")
        print(f"repaints {len(repaints)}, max {max(repaints, default=0):.0f} ms, "
              f"not repainted {watched['unrepainted']}")
        print("outputs identical to skalomi-cli:", "yes" if identical else "NO")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
