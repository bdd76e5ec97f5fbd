#!/usr/bin/env bash
# Times `orvella-cli playlists` over a Music Library of 100,000 songs by 5,000 artists (each artist
# under two spellings that differ in letter case), in a fresh program folder on the disk.
#
#     bench/playlists.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build}/Orvella/orvella-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }

home=$(mktemp -d -p "${TMPDIR:-/var/tmp}" orvella-playlists.XXXXXX)
trap 'rm -rf "$home"' EXIT
"$cli" --home "$home" init >/dev/null

python3 - "$home/OrvLibraries81.mdb" <<'PY'
import sqlite3, sys
songs, artists = 100_000, 5_000
def row(i):
    artist = f"Artist {i % artists:04d} of the Band"
    if (i // artists) % 2:
        artist = artist.upper()
    return (artist, f"Song {songs - i:06d}", 120 + i % 300, f"/music/{artist}/Song {i:06d}.mp3")
db = sqlite3.connect(sys.argv[1])
db.executemany("INSERT INTO MusicLibrary1 (Artist, Title, Seconds, Filename) VALUES (?, ?, ?, ?)",
               (row(i) for i in range(songs)))
db.commit()
PY

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'); $(df -T "$home" | awk 'NR==2 {print $2}') disk"
echo "date: $(date -u)"
TIMEFORMAT='%R s'
run() {
    local label=$1
    shift
    printf '%-40s ' "$label"
    { time "$cli" --home "$home" playlists "$@" | tail -n 1 | tr '\n' ' '; } 2>&1
}
run "b4s, all new:" --format b4s
run "b4s, all present (kept):" --format b4s
run "b4s, overwriting:" --format b4s --overwrite
run "m3u, all new:" --format m3u
echo "files: $(find "$home/Playlists" -type f | wc -l)"
