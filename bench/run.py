#!/usr/bin/python3
"""Times a Music Library build against its floor and against MPD.

Makes a music folder with make_corpus.py, then times in one run:
  - the TagLib floor (bench/taglib_floor: walk the tree, read every file's tags and length);
  - an initial `orvella-cli build` (text log on, cover art off), its peak memory;
  - an unchanged update, and an update after touching 1% of the files;
  - the initial build in the windowed program (offscreen, started with "Y"), until its log's
    footer appears, against the command line's time to the same footer;
  - with mpd installed, MPD's full database build of the same folder, its update of the
    unchanged folder and its rescan.
Every build starts from a fresh copy of the folder, since a build gives ID3v1-only files an ID3v2
tag. Prints each figure and the ratios.

usage: bench/run.py [--files N] [--work DIR] [--build DIR]
"""
import argparse, os, shutil, socket, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get("ORVELLA_CORPUS", os.path.join(HERE, "..", "..", "shared", "bench", "make_corpus.py"))
FOOTER = b"TOTAL ORPHANED RECORDS:"


def ensure_time():
    if os.path.exists("/usr/bin/time"):
        return
    subprocess.run(["apt-get", "install", "-y", "-qq", "time"], check=True)


def timed(args, **kw):
    """Wall seconds and peak memory (KB) of a command, from GNU time."""
    report = tempfile.NamedTemporaryFile(delete=False)
    report.close()
    start = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%e %M"] + args,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)
    wall = time.monotonic() - start
    with open(report.name) as fh:
        memory = int(fh.read().split()[-1])
    os.unlink(report.name)
    if done.returncode != 0:
        sys.exit(f"failed: {' '.join(args)}\n{done.stderr.decode()}")
    return wall, memory, done.stdout.decode().strip()


class Program:
    """A fresh program folder (a copy of the build's) over a fresh copy of the music folder."""

    def __init__(self, work, build, pristine, name):
        self.home = os.path.join(work, name + "-home")
        self.music = os.path.join(work, name + "-music")
        for path in (self.home, self.music):
            shutil.rmtree(path, ignore_errors=True)
        shutil.copytree(os.path.join(build, "Orvella"), self.home, symlinks=True)
        shutil.copytree(pristine, self.music, symlinks=True)
        subprocess.run(["sync"])
        for name, value in (("InitialUse", "False"), ("MusicPath", self.music + "/"), ("CreateLog", "True"),
                            ("DownloadCoverArt", "False"), ("AutoLaunch", "False"), ("WatchFolders", "False")):
            self.cli("settings", "set", name, value)

    def cli(self, *args):
        return subprocess.run([os.path.join(self.home, "orvella-cli"), "--home", self.home] + list(args),
                              check=True, stdout=subprocess.PIPE).stdout.decode()

    def build_args(self):
        return [os.path.join(self.home, "orvella-cli"), "--home", self.home, "build", "--log", "text"]

    def logs(self):
        return sorted(f for f in os.listdir(self.home) if f.startswith("MusicLibraryLog-"))

    def time_to_footer(self, args, env=None):
        """Seconds from the start of a program until a new log holds its footer, and from the log's
        first appearance (the run's start) until then; the program is then left to end (or killed,
        for the window)."""
        before = set(self.logs())
        start = time.monotonic()
        run_start = None
        process = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while True:
            for log in set(self.logs()) - before:
                run_start = run_start or time.monotonic()
                with open(os.path.join(self.home, log), "rb") as fh:
                    if FOOTER in fh.read():
                        now = time.monotonic()
                        return now - start, now - run_start, process
            if process.poll() is not None and not (set(self.logs()) - before):
                sys.exit("the program ended without a log")
            time.sleep(0.005)


def clear_previous_copies(work):
    """Removes what an earlier run left, and lets the removal settle before anything is timed.

    On an ext4 file system without a journal, a file created within a minute of a deletion in the
    same block group costs a scan of the recently deleted inodes; a library build that follows the
    deletion of a whole earlier copy by a second would pay for that copy's 10,000 files in every
    tag write. A real music folder is not one that was just deleted and copied again."""
    removed = False
    for name in ("cli-home", "cli-music", "plain-home", "plain-music", "window-home", "window-music", "mpd"):
        path = os.path.join(work, name)
        if os.path.exists(path):
            shutil.rmtree(path, ignore_errors=True)
            removed = True
    if removed:
        subprocess.run(["sync"])
        print("earlier copies removed; waiting a minute for the removal to settle", flush=True)
        time.sleep(61)


def touch_one_percent(music):
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk(music) for f in fs if f.endswith(".mp3"))
    later = time.time() + 60
    for path in files[::100]:
        os.utime(path, (later, later))
    return len(files[::100])


class Mpd:
    def __init__(self, work, music):
        self.dir = os.path.join(work, "mpd")
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        self.conf = os.path.join(self.dir, "mpd.conf")
        with open(self.conf, "w") as fh:
            fh.write(f'music_directory "{music}"\ndb_file "{self.dir}/db"\nlog_file "{self.dir}/log"\n'
                     f'pid_file "{self.dir}/pid"\nstate_file "{self.dir}/state"\n'
                     f'bind_to_address "127.0.0.1"\nport "{self.port}"\n'
                     'audio_output {\n type "null"\n name "null"\n}\n')

    def start(self):
        self.process = subprocess.Popen(["mpd", "--no-daemon", self.conf],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(500):
            try:
                self.sock = socket.create_connection(("127.0.0.1", self.port))
                break
            except OSError:
                time.sleep(0.01)
        self.io = self.sock.makefile("rwb")
        self.io.readline()

    def command(self, text):
        self.io.write((text + "\n").encode())
        self.io.flush()
        lines = []
        while True:
            line = self.io.readline().decode().strip()
            if line == "OK" or line.startswith("ACK"):
                return lines
            lines.append(line)

    def wait_idle(self):
        while any(l.startswith("updating_db") for l in self.command("status")):
            time.sleep(0.005)

    def timed_command(self, text):
        start = time.monotonic()
        self.command(text)
        self.wait_idle()
        return time.monotonic() - start

    def stop(self):
        self.process.terminate()
        self.process.wait()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "orvella-bench"))
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--skip-window", action="store_true")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    ensure_time()
    os.makedirs(a.work, exist_ok=True)
    pristine = os.path.join(a.work, f"corpus-{a.files}")
    if not os.path.isdir(pristine):
        subprocess.run(["/usr/bin/python3", CORPUS, pristine, "--files", str(a.files)], check=True)
    figures = {}
    clear_previous_copies(a.work)

    # The floor reads the build's own fresh copy, just written and so in the page cache as the
    # build finds it.
    cli = Program(a.work, build, pristine, "cli")
    floor, floor_memory, out = timed([os.path.join(build, "bench", "taglib_floor"), cli.music])
    figures["floor"] = floor
    print(f"TagLib floor: {floor:.2f} s ({out})")

    initial, memory, out = timed(cli.build_args())
    figures["initial"] = initial
    print(f"initial build (command line): {initial:.2f} s, peak memory {memory / 1024:.0f} MB  [{out}]")
    unchanged, _, out = timed(cli.build_args())
    print(f"unchanged update: {unchanged:.2f} s  [{out}]")
    touched = touch_one_percent(cli.music)
    update, _, out = timed(cli.build_args())
    print(f"update after touching {touched} files: {update:.2f} s  [{out}]")

    if not a.skip_window:
        plain = Program(a.work, build, pristine, "plain")
        footer_cli, run_cli, process = plain.time_to_footer(plain.build_args())
        process.wait()
        window = Program(a.work, build, pristine, "window")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        footer_window, run_window, process = window.time_to_footer(
            [os.path.join(window.home, "orvella-configurator"), "Y"], env=env)
        process.kill()
        process.wait()
        print(f"initial build to the log's footer: command line {footer_cli:.2f} s, window {footer_window:.2f} s "
              f"(from the program's start, the window's with its splash); from the run's start: command line "
              f"{run_cli:.2f} s, window {run_window:.2f} s")
        figures["window ratio"] = footer_window / footer_cli
        figures["window run ratio"] = run_window / run_cli

    if shutil.which("mpd"):
        mpd = Mpd(a.work, pristine)
        start = time.monotonic()
        mpd.start()
        mpd.wait_idle()
        full = time.monotonic() - start
        mpd_update = mpd.timed_command("update")
        mpd_rescan = mpd.timed_command("rescan")
        mpd.stop()
        print(f"MPD: full database build {full:.2f} s, update of the unchanged folder {mpd_update:.2f} s, "
              f"rescan {mpd_rescan:.2f} s")
        figures["mpd rescan"] = mpd_rescan
        figures["mpd update"] = mpd_update
    else:
        print("MPD: not installed, skipped")

    print("ratios:")
    print(f"  initial build / TagLib floor: {initial / floor:.2f}")
    if "mpd rescan" in figures:
        print(f"  unchanged update / MPD rescan: {unchanged / figures['mpd rescan']:.2f}")
        print(f"  unchanged update / MPD update: {unchanged / figures['mpd update']:.2f}")
    if "window ratio" in figures:
        print(f"  window build / command-line build: {figures['window ratio']:.2f} from the start, "
              f"{figures['window run ratio']:.2f} from the run's start")


if __name__ == "__main__":
    main()
