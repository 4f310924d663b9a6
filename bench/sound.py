"""The rows measured at a real-time audio sink: first sound and the start-up
timeline, when the caption moves against the sound, resident memory, the gap
between list entries, and the wakeups of an idle or paused player.

A PulseAudio server of the bench's own with a null sink; a silent stream
keeps the sink running, so the recording of its monitor is a clock: sample
i arrived i / RATE seconds after the first. Every row runs its baseline in
the same session."""
import array
import os
import shutil
import statistics
import struct
import subprocess
import sys
import threading
import time

RATE = 44100
SILENT = 8  # |sample| at or under this is silence
CHUNK = 441 * 2  # 10 ms of mono 16-bit


class Session:
    """A PulseAudio server, an X server and a session bus, all the bench's own."""

    def __init__(self, work):
        self.work = work
        self.procs = []
        rt = os.path.join(work, "pulse")
        os.makedirs(rt, exist_ok=True)
        socket = os.path.join(rt, "native")
        self.env = dict(os.environ, PULSE_RUNTIME_PATH=rt, HOME=rt,
                        PULSE_SERVER="unix:" + socket, PULSE_SINK="bench",
                        QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=work)
        self.start(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                    "-L", "module-null-sink sink_name=bench rate=44100",
                    "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1"])
        # A display number no other server holds, told by the server itself.
        read, write = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                    "-nolisten", "tcp"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            self.env["DISPLAY"] = ":" + f.readline().strip()
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        for _ in range(100):
            if subprocess.run(["pactl", "info"], env=self.env, capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        time.sleep(0.5)
        self.start(["pacat", "--raw", "--format=s16le", "--channels=1", f"--rate={RATE}",
                    "--latency-msec=20", "/dev/zero"])

    def start(self, cmd, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        p = subprocess.Popen(cmd, env=self.env, stderr=subprocess.DEVNULL, **kw)
        self.procs.append(p)
        return p

    def close(self):
        for p in reversed(self.procs):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


class Recorder:
    """The sink's monitor, with the wall time at which each chunk arrived."""

    def __init__(self, session):
        self.proc = subprocess.Popen(
            ["parec", "-d", "bench.monitor", "--raw", "--format=s16le", "--channels=1",
             f"--rate={RATE}", "--latency-msec=10"],
            env=session.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.samples = array.array("h")
        self.arrivals = []  # (sample count so far, wall time)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        while not self.arrivals:
            time.sleep(0.01)

    def _read(self):
        while True:
            data = self.proc.stdout.read1(CHUNK) if hasattr(self.proc.stdout, "read1") \
                else self.proc.stdout.read(CHUNK)
            if not data:
                return
            now = time.perf_counter()
            self.samples.frombytes(data[: len(data) // 2 * 2])
            self.arrivals.append((len(self.samples), now))

    def stop(self):
        self.proc.terminate()
        self.proc.wait()
        self.thread.join()

    def time_of(self, index):
        """Wall time at which sample index was played (the stream is continuous)."""
        for count, when in self.arrivals:
            if count > index:
                return when - (count - index) / RATE
        return None

    def sound(self, start=0):
        """(first, last) sample index above silence from start, or None."""
        loud = [i for i in range(start, len(self.samples)) if abs(self.samples[i]) > SILENT]
        return (loud[0], loud[-1]) if loud else None

    def silence_between(self, first, last, min_run=RATE // 1000):
        """Total silence, in seconds, in runs of at least a millisecond."""
        total = run = 0
        for i in range(first, last + 1):
            if abs(self.samples[i]) <= SILENT:
                run += 1
            else:
                if run >= min_run:
                    total += run
                run = 0
        return total / RATE


def first_sound(session, cmd, timeout=10):
    """Seconds from process start to its first sample at the sink."""
    rec = Recorder(session)
    time.sleep(0.2)
    start_index = len(rec.samples)
    t0 = time.perf_counter()
    p = subprocess.Popen(cmd, env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    found = None
    while found is None and time.perf_counter() - t0 < timeout:
        time.sleep(0.05)
        found = rec.sound(start_index)
    time.sleep(0.1)
    p.terminate()
    p.wait()
    rec.stop()
    return rec.time_of(found[0]) - t0 if found else float("nan")


def timeline(session, cmd, timeout=10):
    """The program's own start-up timeline, up to its first sample heard."""
    env = dict(session.env, QT_LOGGING_RULES="sonoquill.timeline=true")
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True)
    lines = []
    t0 = time.perf_counter()
    for line in p.stderr:
        if "sonoquill.timeline" in line:
            lines.append(line.split(":", 1)[1].rstrip())
            if "first sample heard" in line or time.perf_counter() - t0 > timeout:
                break
    p.terminate()
    p.wait()
    return lines


def resident_after_sound(session, cmd, settle=3, timeout=10):
    """Resident and proportional memory, MB, once the file has sounded for a while."""
    rec = Recorder(session)
    start_index = len(rec.samples)
    p = subprocess.Popen(cmd, env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t0 = time.perf_counter()
    while rec.sound(start_index) is None and time.perf_counter() - t0 < timeout:
        time.sleep(0.05)
    time.sleep(settle)
    rss = pss = float("nan")
    try:
        with open(f"/proc/{p.pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Rss:"):
                    rss = int(line.split()[1]) / 1024
                elif line.startswith("Pss:"):
                    pss = int(line.split()[1]) / 1024
    finally:
        p.terminate()
        p.wait()
        rec.stop()
    return rss, pss


def list_gap(session, cmd, seconds, count, drive=None, timeout=30):
    """Added silence per join, in ms, of COUNT files of SECONDS played as a list."""
    rec = Recorder(session)
    start_index = len(rec.samples)
    p = subprocess.Popen(cmd, env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if drive:
        drive(session)
    t0 = time.perf_counter()
    span = None
    # The last file has ended once the sink has been silent for a second.
    while time.perf_counter() - t0 < timeout:
        time.sleep(0.25)
        span = rec.sound(start_index)
        if span and len(rec.samples) - span[1] > RATE and span[1] - span[0] > RATE * seconds:
            break
    p.terminate()
    p.wait()
    rec.stop()
    if not span:
        return float("nan")
    return 1000 * rec.silence_between(*span) / (count - 1)


def switch_heard(rec, start_index, timeout=15):
    """Wall time of the sink's change from a 440 Hz tone to an 880 Hz one."""
    t0 = time.perf_counter()
    window = RATE // 100
    while time.perf_counter() - t0 < timeout:
        time.sleep(0.1)
        span = rec.sound(start_index)
        if not span:
            continue
        s = rec.samples
        # Sign changes per 10 ms: 8.8 for 440 Hz, 17.6 for 880 Hz.
        for at in range(span[0], len(s) - window, window // 2):
            crossings = sum((s[i] > 0) != (s[i + 1] > 0) for i in range(at, at + window))
            if crossings >= 14:
                # The first sample of the new tone lies within this window.
                return rec.time_of(at)
    return None


def caption_offset(session, ours_cmd, mpv_cmd, files, timeout=15):
    """(ours, mpv) seconds from the heard change of entry to the caption's
    change (ours: the main window's title; mpv: its terminal's "Playing:"
    line); negative when the caption moves before the sound."""
    from Xlib import X, display
    second = os.path.basename(files[1])
    # Ours: the stored list of the two tones, started by Restore.
    rec = Recorder(session)
    start_index = len(rec.samples)
    p = subprocess.Popen(ours_cmd, env=session.env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    d = display.Display(session.env["DISPLAY"])
    titled = None
    try:
        main = subprocess.run(["xdotool", "search", "--sync", "--name", "^Sonoquill$"],
                              env=session.env, capture_output=True, text=True,
                              timeout=20).stdout.split()[0]
        window = d.create_resource_object("window", int(main))
        window.change_attributes(event_mask=X.PropertyChangeMask)
        d.sync()
        restore_list(session)
        t0 = time.perf_counter()
        while titled is None and time.perf_counter() - t0 < timeout:
            while d.pending_events():
                e = d.next_event()
                if e.type == X.PropertyNotify and window.get_wm_name() == second:
                    titled = time.perf_counter()
            time.sleep(0.0005)
        heard = switch_heard(rec, start_index)
    finally:
        p.terminate()
        p.wait()
        rec.stop()
        d.close()
    ours = titled - heard if titled and heard else float("nan")
    # The mpv command line, its files named.
    rec = Recorder(session)
    start_index = len(rec.samples)
    # Its terminal output is what it says; the bench's mpv is otherwise mute.
    says = [a for a in mpv_cmd if a != "--no-terminal"] + ["--msg-level=all=no,cplayer=info"]
    p = subprocess.Popen(says + files, env=session.env,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    said = None
    for line in p.stdout:
        if line.startswith("Playing:") and line.rstrip().endswith(second):
            said = time.perf_counter()
            break
    heard = switch_heard(rec, start_index)
    p.terminate()
    p.wait()
    rec.stop()
    theirs = said - heard if said and heard else float("nan")
    return ours, theirs


def schedstat_count(pid):
    counts = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                counts[tid] = int(f.read().split()[2])
        except OSError:
            pass
    return counts


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wakeups(session, cmd, seconds, settle=3, prepare=None):
    """(wakeups/s, CPU %) of a process over SECONDS, from the times its threads ran."""
    p = subprocess.Popen(cmd, env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(settle)
        if prepare:
            prepare(session)
            time.sleep(1)
        before, cpu0, t0 = schedstat_count(p.pid), cpu_seconds(p.pid), time.perf_counter()
        time.sleep(seconds)
        after, cpu1, t1 = schedstat_count(p.pid), cpu_seconds(p.pid), time.perf_counter()
    finally:
        p.terminate()
        p.wait()
    runs = sum(n - before.get(tid, 0) for tid, n in after.items())
    return runs / (t1 - t0), 100 * (cpu1 - cpu0) / (t1 - t0)


def mpris(session, method):
    subprocess.run(["gdbus", "call", "--session", "-d", "org.mpris.MediaPlayer2.sonoquill",
                    "-o", "/org/mpris/MediaPlayer2", "-m", "org.mpris.MediaPlayer2.Player." + method],
                   env=session.env, check=False, capture_output=True)


def restore_list(session):
    """F12, then "Restore" on the list window, as a person starts a stored list."""
    env = session.env
    x = lambda *a: subprocess.run(["xdotool", *a], env=env, capture_output=True, text=True,
                                  timeout=20).stdout.split()
    main = x("search", "--sync", "--name", "^Sonoquill$")[0]
    x("windowfocus", "--sync", main)
    x("key", "F12")
    lst = x("search", "--sync", "--name", "^List$")[0]
    geometry = subprocess.run(["xdotool", "getwindowgeometry", lst], env=env, capture_output=True,
                              text=True).stdout
    width = int(geometry.split("Geometry: ")[1].split("x")[0])
    # "Restore": 800 twips from the right edge, 2970 twips down, 15 twips a pixel.
    x("mousemove", "--window", lst, str((width * 15 - 800) // 15 + 20), str(2970 // 15 + 8),
      "click", "1")


def write_midi(path, seconds):
    """One note held for SECONDS at 120 beats a minute."""
    ticks = int(seconds * 2 * 480)
    var = [ticks & 0x7F]
    ticks >>= 7
    while ticks:
        var.insert(0, 0x80 | (ticks & 0x7F))
        ticks >>= 7
    track = bytes([0x00, 0xC0, 0x00, 0x00, 0x90, 60, 100]) + bytes(var) + \
        bytes([0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00])
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" +
                struct.pack(">I", len(track)) + track)


def tone(path, seconds, frequency, codec=()):
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    f"sine=frequency={frequency}:duration={seconds}", "-ac", "1", *codec, path],
                   check=True)


def attempt(measure, values=1):
    """A measurement that failed shows as nan in the table; the bench goes on."""
    try:
        return measure()
    except Exception as e:  # noqa: BLE001 - any failure of a tool is only a missing figure
        print(f"sound bench: {e!r}", file=sys.stderr)
        return float("nan") if values == 1 else (float("nan"),) * values


def rows(sonoquill, engine_library, work, quick):
    """The rows of the table, each with its baseline from the same session."""
    runs = 1 if quick else 5
    window = 5 if quick else 60
    tone_seconds = 1 if quick else 2
    media = os.path.join(work, "sound")
    os.makedirs(media)
    files = {"WAV": "first.wav", "MP3": "first.mp3", "MIDI": "first.mid"}
    tone(os.path.join(media, files["WAV"]), 3, 440)
    tone(os.path.join(media, files["MP3"]), 3, 440, ["-c:a", "libmp3lame"])
    write_midi(os.path.join(media, files["MIDI"]), 3)
    tone(os.path.join(media, "long.mp3"), window + 20, 440, ["-c:a", "libmp3lame"])
    # The program in a folder of its own, with a stored list of three tones.
    app = os.path.join(work, "sound-app")
    os.makedirs(app)
    shutil.copy(sonoquill, app)
    shutil.copy(engine_library, app)
    ours = os.path.join(app, "sonoquill")
    entries = []
    for i in range(3):
        entries.append(os.path.join(media, f"entry{i + 1}.wav"))
        tone(entries[-1], tone_seconds, 330 + 110 * i)
    with open(os.path.join(app, "Sonoquill.m3u"), "w", newline="") as f:
        f.write("".join(e + "\r\n" for e in entries))
    with open(os.path.join(app, "Sonoquill.ini"), "w", newline="") as f:
        f.write("[Set]\r\npin=1\r\n")
    mpv = ["mpv", "--no-config", "--no-terminal"]

    session = Session(work)
    out = []
    try:
        # The first run of each warms the caches and is left out.
        median = lambda f: statistics.median([attempt(f) for _ in range(runs + 1)][1:])
        first = {}
        for kind in ("WAV", "MP3", "MIDI"):
            path = os.path.join(media, files[kind])
            first[kind] = median(lambda: first_sound(session, [ours, path]))
            if kind != "MIDI":
                base = median(lambda: first_sound(session, mpv + [path]))
                out.append((f"First sound, {kind} (vs mpv command line)", first[kind], base,
                            "<= 1.0x"))
        out.append(("First sound, MIDI (vs our WAV)", first["MIDI"], first["WAV"], "<= 1.1x"))
        for kind in ("WAV", "MIDI"):
            print(f"Start-up timeline, {kind} named on the command line (ms since the process started):")
            for line in timeline(session, [ours, os.path.join(media, files[kind])]):
                print("   " + line)

        pair = [os.path.join(media, "low.wav"), os.path.join(media, "high.wav")]
        tone(pair[0], 1.5, 440)
        tone(pair[1], 1.5, 880)
        offset_app = os.path.join(work, "offset-app")
        shutil.copytree(app, offset_app)
        with open(os.path.join(offset_app, "Sonoquill.m3u"), "w", newline="") as f:
            f.write("".join(e + "\r\n" for e in pair))
        offsets = [attempt(lambda: caption_offset(session, [os.path.join(offset_app, "sonoquill")],
                                                  mpv, pair), 2) for _ in range(runs)]
        out.append(("Caption after the heard change, ms (vs mpv command line)",
                    1000 * statistics.median(o[0] for o in offsets),
                    1000 * statistics.median(o[1] for o in offsets), "0 to 50 ms"))

        long_file = os.path.join(media, "long.mp3")
        memory = resident_after_sound(session, [ours, long_file])
        base = resident_after_sound(session, mpv + [long_file])
        out.append(("RSS after one audio file, MB (vs mpv command line)", memory[0], base[0],
                    "<= 60 MB"))
        out.append(("PSS after one audio file, MB (vs mpv command line)", memory[1], base[1], "-"))

        gap = median(lambda: list_gap(session, [ours], tone_seconds, 3, restore_list))
        base = median(lambda: list_gap(session, mpv + entries, tone_seconds, 3))
        out.append(("Gap between list entries, ms (vs mpv command line)", gap, base, "0 ms"))

        long = os.path.join(media, "long.mp3")
        idle = attempt(lambda: wakeups(session, [ours], window), 2)
        idle_base = attempt(lambda: wakeups(session, mpv + ["--idle"], window), 2)
        paused = attempt(lambda: wakeups(session, [ours, long], window,
                                         prepare=lambda s: mpris(s, "Pause")), 2)
        paused_base = attempt(lambda: wakeups(session, mpv + ["--pause", long], window), 2)
        out.append((f"Idle wakeups/s over {window} s (vs mpv --idle)", idle[0], idle_base[0],
                    "<= 1/s"))
        out.append(("Idle CPU % (vs mpv --idle)", idle[1], idle_base[1], "-"))
        out.append((f"Paused wakeups/s over {window} s (vs mpv --pause)", paused[0],
                    paused_base[0], "<= 2/s"))
        out.append(("Paused CPU % (vs mpv --pause)", paused[1], paused_base[1], "-"))
    finally:
        session.close()
    return out
