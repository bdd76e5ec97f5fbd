#!/usr/bin/python3
"""Times `orvella-cli watch --follow`: how soon a song copied into a large folder is in the library,
and what the follower costs while nothing changes.

Makes a music folder with make_corpus.py and puts all its MP3 files into one folder (by default
10,000), builds the library once, then starts the follower and:
  - copies a song into that folder, --trials times, and takes the time from the end of the copy
    until its record can be read from the libraries database (the follower gathers changes for
    two seconds after the last one before it writes);
  - with nothing changing, reads the follower's processor time over --idle seconds.
Ends the follower with SIGTERM, as systemd does, and checks that it ended well.

usage: bench/follow.py [--files N] [--trials T] [--idle S] [--work DIR] [--build DIR]
"""
import argparse, os, shutil, signal, sqlite3, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get("ORVELLA_CORPUS", os.path.join(HERE, "..", "..", "shared", "bench", "make_corpus.py"))


def processor_seconds(pid):
    with open(f"/proc/{pid}/stat") as fh:
        fields = fh.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def in_library(database, path):
    with sqlite3.connect(f"file:{database}?mode=ro", uri=True, timeout=5) as db:
        return db.execute("SELECT count(*) FROM MusicLibrary1 WHERE FileName = ?", (path,)).fetchone()[0] > 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--files", type=int, default=10000)
    parser.add_argument("--trials", type=int, default=5)
    parser.add_argument("--idle", type=float, default=60)
    parser.add_argument("--work", default=tempfile.gettempdir())
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    args = parser.parse_args()

    work = os.path.join(args.work, "orvella-follow-bench")
    shutil.rmtree(work, ignore_errors=True)
    corpus, home, music = (os.path.join(work, name) for name in ("corpus", "home", "music"))
    folder = os.path.join(music, "All")
    subprocess.run([CORPUS, corpus, "--files", str(args.files)], check=True, stdout=subprocess.DEVNULL)
    os.makedirs(folder)
    songs = []
    for parent, _, names in os.walk(corpus):
        for name in names:
            if name.lower().endswith(".mp3"):
                target = os.path.join(folder, f"{len(songs):05d} {name}")
                os.rename(os.path.join(parent, name), target)
                songs.append(target)
    spare = os.path.join(work, "spare.mp3")
    shutil.copy(songs[0], spare)

    shutil.copytree(os.path.join(args.build, "Orvella"), home, symlinks=True)
    cli = [os.path.join(home, "orvella-cli"), "--home", home]
    for name, value in (("InitialUse", "False"), ("MusicPath", music + "/"), ("CreateLog", "False"),
                        ("DownloadCoverArt", "False"), ("AutoLaunch", "False")):
        subprocess.run(cli + ["settings", "set", name, value], check=True)
    subprocess.run(cli + ["build"], check=True, stdout=subprocess.DEVNULL)
    database = os.path.join(home, "OrvLibraries81.mdb")
    print(f"{len(songs)} files in one folder, library built")

    follower = subprocess.Popen(cli + ["watch", "--follow"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    latencies = []
    for trial in range(args.trials + 1):
        path = os.path.join(folder, f"copied {trial}.mp3")
        shutil.copy(spare, path)
        copied = time.monotonic()
        deadline = copied + 30
        while not in_library(database, path):
            if time.monotonic() > deadline or follower.poll() is not None:
                sys.exit(f"{path} did not reach the library")
            time.sleep(0.02)
        if trial > 0:  # the first one also waits for the follower's start over the whole folder
            latencies.append(time.monotonic() - copied)
    print("copied song in the library after: " + ", ".join(f"{s:.2f} s" for s in latencies) +
          f" (worst {max(latencies):.2f} s)")

    before, start = processor_seconds(follower.pid), time.monotonic()
    time.sleep(args.idle)
    used, spent = processor_seconds(follower.pid) - before, time.monotonic() - start
    print(f"idle: {used:.2f} s of processor time in {spent:.0f} s, {100 * used / spent:.3f}% of a core")

    follower.send_signal(signal.SIGTERM)
    out, err = follower.communicate(timeout=30)
    print(f"SIGTERM: status {follower.returncode}; {len(out.splitlines())} batch lines")
    if follower.returncode != 0 or err:
        sys.exit(err.decode())
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
