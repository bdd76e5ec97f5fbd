#!/usr/bin/python3
"""Times a Music Library build against its floor and against MPD.

Makes a music folder with make_corpus.py, then times in one run:
  - the TagLib floor (bench/taglib_floor: walk the tree, read every file's tags and length);
  - an initial `orvella-cli build` (text log on, cover art off), its peak memory;
  - an unchanged update (`--update-runs` times in a row, the median), and an update after touching
    1% of the files;
  - the durable replacement, as a build makes it, of the files a build gives an ID3v2 tag
    (bench/replace_floor), the floor of the initial build's tag writes;
  - the initial build in the windowed program (offscreen, started with "Y"), until its log's
    footer appears, against the command line's time to the same footer, in turns (medians);
  - with mpd installed, MPD's full database build of the same folder, its update of the
    unchanged folder (`--update-runs` times, the median) and its rescan.
Every build starts from a fresh copy of the folder, since a build gives ID3v1-only files an ID3v2
tag. Prints each figure as wall time next to processor time (user + system), and the ratios.

Several builds (each `--build [LABEL=]DIR`, e.g. the main branch's and a branch's) are timed side by
side in one run, each against the floor measured on its own fresh copy, so that they share the
machine's state of the moment; with `--rounds N` the command line's figures are taken N times, the
builds' order alternating, and their medians compared.

usage: bench/run.py [--files N | --corpus DIR] [--work DIR] [--build [LABEL=]DIR]... [--rounds N]
       [--skip-window] [--window-runs N] [--update-runs N] [--skip-mpd]
"""
import argparse, os, shutil, socket, statistics, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get("ORVELLA_CORPUS", os.path.join(HERE, "..", "..", "shared", "bench", "make_corpus.py"))
FOOTER = b"TOTAL ORPHANED RECORDS:"


def ensure_time():
    if os.path.exists("/usr/bin/time"):
        return
    subprocess.run(["apt-get", "install", "-y", "-qq", "time"], check=True)


class Figure:
    """What one timed command cost: wall seconds, user and system processor seconds, peak memory (KB)."""

    def __init__(self, wall, user, system, memory=0):
        self.wall, self.user, self.system, self.memory = wall, user, system, memory

    @property
    def cpu(self):
        return self.user + self.system

    def __lt__(self, other):
        return self.cpu < other.cpu

    def __str__(self):
        text = f"{self.wall:.2f} s wall, {self.cpu:.2f} s cpu ({self.user:.2f} user + {self.system:.2f} sys)"
        return text + (f", peak memory {self.memory / 1024:.0f} MB" if self.memory else "")


def median_run(runs, step):
    """`step` (a timed command: its figure and its output) `runs` times in a row: the run whose
    processor time is the median (the lower of the two middle ones for an even number), and every
    run's processor seconds, in order. An update of a tenth of a second moves by as much from one run
    to the next as the programs compared differ."""
    results = sorted((step() for _ in range(runs)), key=lambda result: result[0].cpu)
    return results[(runs - 1) // 2], " ".join(f"{result[0].cpu:.2f}" for result in results)


def ratio(a, b):
    return f"{a.wall / b.wall:.2f} wall, {a.cpu / b.cpu:.2f} cpu"


def timed(args, **kw):
    """The figure of a command, from GNU time, and its standard output."""
    report = tempfile.NamedTemporaryFile(delete=False)
    report.close()
    start = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%e %U %S %M"] + args,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)
    wall = time.monotonic() - start
    with open(report.name) as fh:
        _, user, system, memory = fh.read().split()[-4:]
    os.unlink(report.name)
    if done.returncode != 0:
        sys.exit(f"failed: {' '.join(args)}\n{done.stderr.decode()}")
    return Figure(wall, float(user), float(system), int(memory)), done.stdout.decode().strip()


class Program:
    """A fresh program folder (a copy of the build's) over a fresh copy of the music folder."""

    def __init__(self, work, build, pristine, name):
        self.build = build
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
        first appearance (the run's start) until then, and its processor seconds by then and from the
        run's start; the program is then left to end (or killed, for the window)."""
        before = set(self.logs())
        start = time.monotonic()
        run_start = None
        cpu_at_run_start = 0.0
        process = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Only what a log gained since the last look is read, so that the watch itself costs little.
        seen = {}
        while True:
            for log in set(self.logs()) - before:
                if run_start is None:
                    run_start = time.monotonic()
                    cpu_at_run_start = cpu_so_far(process)
                with open(os.path.join(self.home, log), "rb") as fh:
                    fh.seek(max(0, seen.get(log, 0) - len(FOOTER)))
                    gained = fh.read()
                    seen[log] = fh.tell()
                if FOOTER in gained:
                    now = time.monotonic()
                    cpu = cpu_so_far(process)
                    return now - start, now - run_start, cpu, cpu - cpu_at_run_start, process
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
    for name in os.listdir(work):
        if name == "mpd" or name.endswith("-home") or name.endswith("-music"):
            shutil.rmtree(os.path.join(work, name), ignore_errors=True)
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

    def cpu(self):
        """User and system seconds the daemon (its update thread included) has used so far."""
        with open(f"/proc/{self.process.pid}/stat") as fh:
            fields = fh.read().rsplit(")", 1)[1].split()
        tick = os.sysconf("SC_CLK_TCK")
        return int(fields[11]) / tick, int(fields[12]) / tick

    def timed(self, step):
        user, system = self.cpu()
        start = time.monotonic()
        step()
        self.wait_idle()
        wall = time.monotonic() - start
        user_after, system_after = self.cpu()
        return Figure(wall, user_after - user, system_after - system)

    def timed_command(self, text):
        return self.timed(lambda: self.command(text))

    def stop(self):
        self.process.terminate()
        self.process.wait()


def build_label(text):
    label, _, folder = text.rpartition("=")
    folder = os.path.abspath(folder)
    return label or os.path.basename(os.path.dirname(folder)) or "build", folder


def time_cli(a, label, build, pristine, round):
    """One round of the command line's initial build, unchanged update and 1% update, with the floor
    on the same copy."""
    figures = {}
    # The floor reads the build's own fresh copy, just written and so in the page cache as the
    # build finds it. Each round has copies of its own, since a copy made just after a removal is
    # slower to write.
    cli = Program(a.work, build, pristine, f"{label}-cli{round + 1}")
    tag = f"[{label}]" if a.rounds == 1 else f"[{label}, round {round + 1}]"
    figures["floor"], out = timed([os.path.join(build, "bench", "taglib_floor"), cli.music])
    print(f"{tag} TagLib floor: {figures['floor']}  ({out})", flush=True)
    figures["initial"], out = timed(cli.build_args())
    print(f"{tag} initial build (command line): {figures['initial']}  [{out}]", flush=True)
    (figures["unchanged"], out), each = median_run(a.update_runs, lambda: timed(cli.build_args()))
    print(f"{tag} unchanged update, median of {a.update_runs} (cpu {each}): {figures['unchanged']}  [{out}]",
          flush=True)
    touched = touch_one_percent(cli.music)
    figures["touched"], out = timed(cli.build_args())
    print(f"{tag} update after touching {touched} files: {figures['touched']}  [{out}]", flush=True)
    return figures


def median_figures(rounds):
    """Each figure as the round whose processor time is the median (the lower of the two middle ones
    for an even number) measured it: wall, user and system time from one and the same run."""
    return {name: statistics.median_low(r[name] for r in rounds) for name in rounds[0]}


def time_builds(a, builds, pristine):
    """The command line's figures of every build, `--rounds` times in rounds that alternate the
    builds' order, so that the machine's drift during the run does not favour one; with more than one
    round each figure is the median. Then, with the window, each build's window runs."""
    rounds = {label: [] for label, _ in builds}
    for round in range(a.rounds):
        for label, build in builds if round % 2 == 0 else builds[::-1]:
            rounds[label].append(time_cli(a, label, build, pristine, round))
    results = []
    for label, build in builds:
        figures = median_figures(rounds[label])
        if a.rounds > 1:
            print(f"[{label}] medians of {a.rounds} rounds: " +
                  "; ".join(f"{name} {figure}" for name, figure in figures.items()), flush=True)
        if not a.skip_window:
            time_window(a, label, build, pristine, figures)
        results.append((label, figures))
    return results


def cpu_so_far(process):
    """The processor seconds, user + system, that a running program has used so far, all its
    threads together."""
    with open(f"/proc/{process.pid}/stat") as fh:
        fields = fh.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def time_window(a, label, build, pristine, figures):
    """The windowed build to the log's footer against the command line's, `--window-runs` times
    in turns that alternate which goes first, each on fresh copies; the ratios are those of the medians."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    runs = {"cli": [], "window": []}
    for turn in range(a.window_runs):
        # Each side goes first in every other turn, so that neither is always timed on a warmer cache;
        # each turn has copies of its own, since a copy made just after a removal is slower to write.
        for side in ("cli", "window") if turn % 2 == 0 else ("window", "cli"):
            program = Program(a.work, build, pristine, f"{label}-{side}{turn + 1}")
            if side == "cli":
                footer, run, cpu, run_cpu, process = program.time_to_footer(program.build_args())
            else:
                footer, run, cpu, run_cpu, process = program.time_to_footer(
                    [os.path.join(program.home, "orvella-configurator"), "Y"], env=env)
                process.kill()
            # Both sides' processor time is taken at the footer: what the command line does after
            # it (the last commit, the count, the compaction check, the folder's signature) is not
            # in the window's, which is killed there. The window's start-up (its splash, the loading
            # of its form) is in its processor time from its start, not in that from the run's start.
            process.wait()
            runs[side].append((footer, run, cpu, run_cpu))
        print(f"[{label}] initial build to the log's footer, turn {turn + 1}: command line "
              f"{runs['cli'][-1][0]:.2f} s from its start, {runs['cli'][-1][1]:.2f} s from the run's start, "
              f"{runs['cli'][-1][2]:.2f} s cpu ({runs['cli'][-1][3]:.2f} from the run's start); window "
              f"{runs['window'][-1][0]:.2f} s from its start (with its splash), {runs['window'][-1][1]:.2f} s "
              f"from the run's start, {runs['window'][-1][2]:.2f} s cpu ({runs['window'][-1][3]:.2f} from the "
              f"run's start)",
              flush=True)
    median = {side: [statistics.median(column) for column in zip(*turns)] for side, turns in runs.items()}
    figures["window ratio"] = median["window"][0] / median["cli"][0]
    figures["window run ratio"] = median["window"][1] / median["cli"][1]
    figures["window cpu ratio"] = median["window"][2] / median["cli"][2]
    figures["window run cpu ratio"] = median["window"][3] / median["cli"][3]
    # Each turn's two builds share the machine's state of the moment: the median of their ratios is
    # less moved by a slow turn than the ratio of the medians.
    figures["window turn ratio"] = statistics.median(w[1] / c[1] for w, c in zip(runs["window"], runs["cli"]))


def time_mpd(a, pristine):
    mpd = Mpd(a.work, pristine)
    start = time.monotonic()
    mpd.start()
    mpd.wait_idle()
    full = Figure(time.monotonic() - start, *mpd.cpu())
    (update, _), each_update = median_run(a.update_runs, lambda: (mpd.timed_command("update"), ""))
    rescan = mpd.timed_command("rescan")
    mpd.stop()
    print(f"MPD full database build: {full}", flush=True)
    print(f"MPD update of the unchanged folder, median of {a.update_runs} (cpu {each_update}): {update}", flush=True)
    print(f"MPD rescan: {rescan}", flush=True)
    return {"mpd full": full, "mpd update": update, "mpd rescan": rescan}


def time_replacements(a, builds, pristine):
    """The floor of the initial build's tag writes: the files it gives an ID3v2 tag, replaced durably
    as it replaces them, on a copy of their own, after every build was timed (the replaced files'
    old inodes are freed, which would slow the writes of a build that followed)."""
    tool = next((os.path.join(build, "bench", "replace_floor") for _, build in builds
                 if os.path.exists(os.path.join(build, "bench", "replace_floor"))), None)
    if not tool:
        return None
    music = os.path.join(a.work, "replace-music")
    shutil.rmtree(music, ignore_errors=True)
    shutil.copytree(pristine, music, symlinks=True)
    subprocess.run(["sync"])
    figure, out = timed([tool, music])
    print(f"durable replacement of the files a build gives an ID3v2 tag: {figure}  ({out})", flush=True)
    return figure


def print_ratios(label, figures, mpd, replacements):
    print(f"[{label}] ratios:")
    print(f"  initial build / TagLib floor: {ratio(figures['initial'], figures['floor'])}")
    if replacements:
        both = Figure(figures["floor"].wall + replacements.wall, figures["floor"].user + replacements.user,
                      figures["floor"].system + replacements.system)
        print(f"  initial build / (TagLib floor + durable replacements): {ratio(figures['initial'], both)}")
    print(f"  1% touched / unchanged update: {ratio(figures['touched'], figures['unchanged'])}")
    if mpd:
        print(f"  unchanged update / MPD update: {ratio(figures['unchanged'], mpd['mpd update'])}")
        print(f"  unchanged update / MPD rescan: {ratio(figures['unchanged'], mpd['mpd rescan'])}")
    if "window ratio" in figures:
        print(f"  window build / command-line build (medians): {figures['window ratio']:.2f} from the start, "
              f"{figures['window run ratio']:.2f} from the run's start, {figures['window cpu ratio']:.2f} cpu "
              f"({figures['window run cpu ratio']:.2f} from the run's start); "
              f"median of the turns' ratios from the run's start {figures['window turn ratio']:.2f}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--corpus", help="a music folder made by make_corpus.py, used instead of making one")
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "orvella-bench"))
    ap.add_argument("--build", action="append", help="[LABEL=]DIR of a build tree; may be given more than once")
    ap.add_argument("--skip-window", action="store_true")
    ap.add_argument("--window-runs", type=int, default=3, help="turns of the window against the command line")
    ap.add_argument("--rounds", type=int, default=1,
                    help="rounds of the command line's figures, the builds' order alternating; medians")
    ap.add_argument("--update-runs", type=int, default=5, help="unchanged updates timed in a row; their median")
    ap.add_argument("--skip-mpd", action="store_true")
    a = ap.parse_args()
    builds = [build_label(text) for text in (a.build or [os.path.join(HERE, "..", "build")])]
    ensure_time()
    a.work = os.path.abspath(a.work)
    os.makedirs(a.work, exist_ok=True)
    pristine = os.path.abspath(a.corpus) if a.corpus else os.path.join(a.work, f"corpus-{a.files}")
    if not os.path.isdir(pristine):
        subprocess.run(["/usr/bin/python3", CORPUS, pristine, "--files", str(a.files)], check=True)
    load = open("/proc/loadavg").read().split()[:3]
    print(f"{time.strftime('%Y-%m-%d %H:%M %Z')}, {os.cpu_count()} cores, load average {' '.join(load)}, "
          f"music folder {pristine}", flush=True)
    clear_previous_copies(a.work)

    results = time_builds(a, builds, pristine)
    replacements = time_replacements(a, builds, pristine)
    mpd = {}
    if shutil.which("mpd") and not a.skip_mpd:
        mpd = time_mpd(a, pristine)
    else:
        print("MPD: not installed or skipped")
    for label, figures in results:
        print_ratios(label, figures, mpd, replacements)


if __name__ == "__main__":
    main()
