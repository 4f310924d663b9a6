#!/usr/bin/python3
"""Benchmarks of Sonoquill against baselines measured in the same run.

Builds in Release, makes its corpora in a temporary folder, runs every
figure with its baseline (medians of several runs; ratios, never absolute
times alone) and prints one table. Asserts nothing about time.

    bench/run.py           the full run (lists of 100,000 and 1,000,000 entries)
    bench/run.py --quick   a small run that only shows the script still works
    bench/run.py --sound   only the rows measured at the audio sink (first
                           sound, gap between entries, idle and paused wakeups)
    bench/run.py --soak N  only the soak: a 500-entry list of 0.1 s files
                           played N times round (memory and descriptors per pass)
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
import sound  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MEDIA_EXT = [".mp3", ".mpg", ".mpeg", ".avi", ".wma", ".wmv"]


def sh(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def build(build_dir):
    sh(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
        "-DSONOQUILL_TESTS=OFF", "-DSONOQUILL_BENCH=ON"], stdout=subprocess.DEVNULL)
    sh(["cmake", "--build", build_dir, "-j2", "--target", "sonoquill", "bench_playlist",
        "bench_play", "baseline_window", "soak", "sonoquill_engine", "bench_midi"], stdout=subprocess.DEVNULL)


def make_list(path, n):
    with open(path, "w", encoding="utf-8", newline="") as f:
        for i in range(n):
            f.write(f"/home/user/Music/Artist {i % 997:03d}/Album {i % 31:02d}/"
                    f"{(i * 7919) % n:07d} Track Title.mp3\r\n")


def make_long_list(path, n):
    """Lines of 4096 bytes, the longest a list may hold: a long folder and name."""
    with open(path, "w", encoding="utf-8", newline="") as f:
        for i in range(n):
            folder = f"/home/user/Music/{i:06d} " + "very long folder name " * 100
            name = f"{i:06d} " + "long title " * 300
            line = (folder + "/" + name)[:4092] + ".mp3"
            f.write(line + "\r\n")


def make_tree(root, folders, per_folder):
    for d in range(folders):
        folder = os.path.join(root, f"artist{d // 10:03d}", f"album{d % 10}")
        os.makedirs(folder, exist_ok=True)
        for i in range(per_folder):
            ext = MEDIA_EXT[i % len(MEDIA_EXT)] if i % 10 else ".jpg"
            open(os.path.join(folder, f"track{i:03d}{ext.upper() if i % 3 == 0 else ext}"),
                 "w").close()


def timed(cmd, runs, **kw):
    """Median wall time of a command, in seconds."""
    times = []
    for _ in range(runs):
        t = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)
        times.append(time.perf_counter() - t)
    return statistics.median(times)


def cpu(cmd, runs):
    """Median user + system CPU time of a command, in seconds."""
    values = []
    for _ in range(runs):
        p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(p.pid, 0)
        values.append(usage.ru_utime + usage.ru_stime)
    return statistics.median(values)


def google_benchmarks(binary, corpus, small, big, runs):
    env = dict(os.environ, SONOQUILL_BENCH_SMALL=str(small), SONOQUILL_BENCH_BIG=str(big))
    results = {}
    names = [f"ReadPlaylist/{small}", f"ReadPlaylist/{big}", f"WritePlaylist/{small}",
             f"WritePlaylist/{big}", f"Sort/{small}", f"Sort/{big}", "FolderDrop",
             "SelectLastRow/100", f"SelectLastRow/{big}", "RepaintLongEntries"]
    for name in names:
        # One process a figure, so memory growth is the figure's own.
        out = subprocess.run(
            [binary, f"--corpus={corpus}", f"--benchmark_filter=^{name}/real_time$|^{name}$",
             f"--benchmark_repetitions={runs}", "--benchmark_format=json"],
            check=True, capture_output=True, text=True, env=env).stdout
        data = json.loads(out)
        rows = [b for b in data["benchmarks"] if b.get("run_type") == "iteration"]
        unit = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9}[rows[0]["time_unit"]]
        results[name] = {
            "seconds": statistics.median(r["real_time"] * unit for r in rows),
            "counters": {k: v for k, v in rows[0].items() if k in ("rss_growth_kib", "file_kib", "entries")},
        }
    return results


START_PROBE = r'''
import subprocess, sys, time
from Xlib import X, display
from Xlib.ext import damage
name, cmd = sys.argv[1], sys.argv[2:]
d = display.Display()
d.damage_query_version()
root = d.screen().root
root.change_attributes(event_mask=X.SubstructureNotifyMask)
d.sync()
t0 = time.perf_counter()
p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
mapped = painted = None
target = None
while painted is None and time.perf_counter() - t0 < 20:
    while d.pending_events():
        e = d.next_event()
        if e.type == X.CreateNotify:
            # Watch every new window for drawing; the one that maps with our
            # title is the one that counts.
            try:
                e.window.damage_create(damage.DamageReportNonEmpty)
            except Exception:
                pass
        elif e.type == X.MapNotify and mapped is None:
            try:
                title = e.window.get_wm_name()
            except Exception:
                title = None
            if title == name:
                mapped = time.perf_counter() - t0
                target = e.window.id
        elif e.type == d.extension_event.DamageNotify and target is not None \
                and e.drawable.id == target:
            painted = time.perf_counter() - t0
    time.sleep(0.0002)
time.sleep(0.3)
rss = 0
with open(f"/proc/{p.pid}/status") as f:
    for line in f:
        if line.startswith("VmRSS:"):
            rss = int(line.split()[1])
p.terminate()
p.wait()
print(mapped or -1, painted or -1, rss)
'''


def startup(binary, name, runs, display_env):
    probe = os.path.join(tempfile.gettempdir(), "sonoquill_start_probe.py")
    with open(probe, "w") as f:
        f.write(START_PROBE)
    samples = []
    for i in range(runs + 1):  # the first run warms the caches
        out = subprocess.run(["/usr/bin/python3", probe, name, binary], check=True,
                             capture_output=True, text=True, env=display_env).stdout.split()
        if i:
            samples.append([float(out[0]), float(out[1]), int(out[2])])
    return [statistics.median(s[k] for s in samples) for k in range(3)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--soak", type=int, metavar="PASSES",
                        help="only the soak: a 500-entry list played PASSES times round")
    parser.add_argument("--sound", action="store_true",
                        help="only the rows measured at the audio sink")
    args = parser.parse_args()
    if args.soak:
        build_dir = os.path.join(ROOT, "build-bench")
        build(build_dir)
        return subprocess.run([os.path.join(build_dir, "bench", "soak"), "500",
                               str(args.soak)]).returncode
    quick = args.quick
    runs = 3 if quick else 5
    small, big = (1000, 10000) if quick else (100000, 1000000)
    folders, per_folder = (50, 20) if quick else (1000, 100)
    seconds = 3 if quick else 30

    build_dir = os.path.join(ROOT, "build-bench")
    build(build_dir)
    exe = lambda n: os.path.join(build_dir, "bench" if n != "sonoquill" else "src", n)
    engine = os.path.join(build_dir, "src", "libsonoquill_engine.so")

    work = tempfile.mkdtemp(prefix="sonoquill-bench-")
    if args.sound:
        try:
            return print_table(sound.rows(exe("sonoquill"), engine, work, quick), runs)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    try:
        for n in (100, small, big):
            make_list(os.path.join(work, f"list_{n}.m3u"), n)
        make_long_list(os.path.join(work, "long.m3u"), 1000)
        make_tree(os.path.join(work, "tree"), folders, per_folder)
        paths = os.path.join(work, "paths.txt")
        shutil.copy(os.path.join(work, f"list_{big}.m3u"), paths)
        mp3 = os.path.join(work, "song.mp3")
        sh(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
            f"sine=frequency=440:duration={seconds}", "-c:a", "libmp3lame", mp3])
        app = os.path.join(work, "app")
        os.makedirs(app)
        shutil.copy(exe("sonoquill"), app)

        rows = []
        # Start-up, in a real X server.
        xvfb = subprocess.Popen(["Xvfb", ":97", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stderr=subprocess.DEVNULL)
        time.sleep(1)
        xenv = dict(os.environ, DISPLAY=":97", QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=work)
        try:
            ours = startup(os.path.join(app, "sonoquill"), "Sonoquill", runs, xenv)
            base = startup(exe("baseline_window"), "Baseline", runs, xenv)
        finally:
            xvfb.terminate()
            xvfb.wait()
        rows.append(("start to window mapped", ours[0], base[0], "<= 1.3x"))
        rows.append(("start to first paint", ours[1], base[1], "<= 1.3x"))
        rows.append(("RSS after start (MB)", ours[2] / 1024, base[2] / 1024, "<= 40 MB"))

        g = google_benchmarks(exe("bench_playlist"), work, small, big, runs)
        for n in (small, big):
            lst = os.path.join(work, f"list_{n}.m3u")
            cat = timed(["cat", lst], runs)
            conv = timed(["iconv", "-f", "UTF-8", "-t", "UTF-8", lst], runs)
            r = g[f"ReadPlaylist/{n}"]
            limit = "0.2 s" if n <= 100000 else "2 s"
            rows.append((f"ReadPlaylist {n:,} (vs iconv; cat {cat:.3f} s)", r["seconds"], conv,
                         f"<= {limit}"))
            growth = r["counters"].get("rss_growth_kib", 0) / max(1, r["counters"].get("file_kib", 1))
            rows.append((f"ReadPlaylist {n:,} RSS growth / file size", growth, None, "<= 2x"))
            rows.append((f"WritePlaylist {n:,} (vs iconv)", g[f"WritePlaylist/{n}"]["seconds"], conv,
                         "<= 2x"))
            sort_env = dict(os.environ)
            rows.append((f"Sort {n:,} (vs sort -f)", g[f"Sort/{n}"]["seconds"],
                         timed(["sort", "-f", lst], runs, env=sort_env), "<= 1x"))
        patterns = []
        for e in MEDIA_EXT:
            patterns += ["-o", "-iname", "*" + e]
        find = timed(["find", os.path.join(work, "tree"), "-type", "f", "("] + patterns[1:] + [")"],
                     runs)
        rows.append((f"Folder drop {folders * per_folder:,} files (vs find)",
                     g["FolderDrop"]["seconds"], find, "<= 1.5x"))
        rows.append((f"Select last of {big:,} rows (vs 100 rows)", g[f"SelectLastRow/{big}"]["seconds"],
                     g["SelectLastRow/100"]["seconds"], "<= 2x"))
        rows.append(("Grid repaint, 4 KB entries and one of 10 MB (s)",
                     g["RepaintLongEntries"]["seconds"], None, "<= 0.016 s"))
        # A process a figure: the soundfont is cold once per process.
        midi = [subprocess.run([exe("bench_midi")], check=True, capture_output=True,
                               text=True).stdout.split() for _ in range(runs)]
        cold, warm = (statistics.median(float(m[k]) / 1000 for m in midi) for k in (0, 1))
        rows.append(("MIDI open to first block, soundfont cold (vs warm)", cold, warm, "-"))
        ours_cpu = cpu([exe("bench_play"), mp3], runs)
        mpv_cpu = cpu(["mpv", "--no-config", "--really-quiet", "--vo=null", "--ao=null", mp3], runs)
        rows.append((f"CPU playing a {seconds} s MP3 (vs mpv)", ours_cpu, mpv_cpu, "<= 1.1x"))
        rows += sound.rows(exe("sonoquill"), engine, work, quick)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print_table(rows, runs)


def print_table(rows, runs):
    print(f"\n{'Benchmark':58} {'median':>10} {'baseline':>10} {'ratio':>7}  target")
    for name, value, baseline, target in rows:
        ratio = f"{value / baseline:6.2f}x" if baseline else "      -"
        b = f"{baseline:10.4f}" if baseline is not None else f"{'-':>10}"
        print(f"{name:58} {value:10.4f} {b} {ratio}  {target}")
    print("(times in seconds; medians of", runs, "runs)")


if __name__ == "__main__":
    sys.exit(main())
