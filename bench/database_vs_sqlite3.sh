#!/usr/bin/env bash
# Reads generated player databases of 50,000 tracks (a Strawberry songs table and a beets items
# table) with the plug-in's reader and lists their artists and albums with the sqlite3 program,
# each as a whole process, and prints the median of each over several runs and their ratio.
# Usage: database_vs_sqlite3.sh BENCH_LIBRARY_READ_ONCE [runs]   (default 5)
set -euo pipefail
reader=$1
runs=${2:-5}
command -v sqlite3 >/dev/null || { echo "needs the sqlite3 program (apt-get install sqlite3)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 400 artists of ten albums each; one track in 97 gone from disk; ids as the players keep them.
sqlite3 "$work/strawberry.db" <<'SQL'
CREATE TABLE songs (title TEXT NOT NULL, album TEXT NOT NULL, artist TEXT NOT NULL,
  albumartist TEXT NOT NULL, track INTEGER, disc INTEGER, year INTEGER, genre TEXT, composer TEXT,
  url TEXT NOT NULL, filetype INTEGER, filesize INTEGER, mtime INTEGER, ctime INTEGER,
  unavailable INTEGER DEFAULT 0, playcount INTEGER NOT NULL DEFAULT 0, skipcount INTEGER,
  lastplayed INTEGER, rating REAL, musicbrainz_artist_id TEXT, musicbrainz_album_artist_id TEXT,
  musicbrainz_track_id TEXT);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 49999)
INSERT INTO songs SELECT 'Song ' || i, 'Album ' || (i / 400 % 10) || ' of Band ' || (i % 400),
  'Band ' || (i % 400), CASE WHEN i % 10 = 0 THEN 'Band ' || (i % 400) ELSE '' END, i % 12 + 1, 1,
  2001, 'Rock', '', 'file:///home/user/Music/Band%20' || (i % 400) || '/' || i || '.flac', 3,
  5783121, 1377103127, 1377103232, i % 97 = 0, i % 7, 0, 1733849123, 0.5,
  'f6f2326f-6b25-4170-b89d-e235b25508e8', '', '1d5e7d3a-4bd2-4e0b-a7f7-0b7e8c9b4a1b' FROM n;
SQL
sqlite3 "$work/library.db" <<'SQL'
CREATE TABLE items (id INTEGER PRIMARY KEY, path BLOB, album_id INTEGER, title TEXT, artist TEXT,
  artist_sort TEXT, albumartist TEXT, album TEXT, genre TEXT, year INTEGER, track INTEGER,
  mb_trackid TEXT, mb_albumid TEXT, mb_artistid TEXT, mb_albumartistid TEXT, format TEXT,
  bitrate INTEGER, length REAL, mtime REAL, added REAL);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 49999)
INSERT INTO items (path, album_id, title, artist, artist_sort, albumartist, album, genre, year,
  track, mb_trackid, mb_albumid, mb_artistid, mb_albumartistid, format, bitrate, length, mtime, added)
SELECT CAST('/home/user/Music/Band ' || (i % 400) || '/' || i || '.flac' AS BLOB), i / 12,
  'Song ' || i, 'Band ' || (i % 400), 'Band ' || (i % 400), 'Band ' || (i % 400),
  'Album ' || (i / 400 % 10) || ' of Band ' || (i % 400), 'Rock', 2001, i % 12 + 1,
  '1d5e7d3a-4bd2-4e0b-a7f7-0b7e8c9b4a1b', '5d5e7d3a-4bd2-4e0b-a7f7-0b7e8c9b4a1b',
  'f6f2326f-6b25-4170-b89d-e235b25508e8', 'f6f2326f-6b25-4170-b89d-e235b25508e8', 'FLAC', 900,
  241.5, 1377103127, 1377103232 FROM n;
SQL
ls -l "$work/strawberry.db" "$work/library.db"

# Wall time of one run in seconds, to the microsecond (a run takes a few hundredths of a second).
elapsed() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }'
}
median() {
  local times=()
  for _ in $(seq "$runs"); do
    times+=("$(elapsed "$@")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}
for pair in "strawberry.db songs" "library.db items"; do
  set -- $pair
  "$reader" "$work/$1"
  r=$(median "$reader" "$work/$1")
  s=$(median sqlite3 "$work/$1" "select artist, album from $2")
  echo "$1: reader $r s, sqlite3 $s s, ratio $(awk -v r="$r" -v s="$s" 'BEGIN { printf "%.2f", (s > 0 ? r / s : 0) }')"
done
