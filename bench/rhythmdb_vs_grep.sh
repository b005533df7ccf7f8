#!/usr/bin/env bash
# Reads a generated song database of 50,000 songs with the plug-in's reader and counts its songs
# with grep, each as a whole process, and prints the median of each over several runs and their
# ratio.
# Usage: rhythmdb_vs_grep.sh BENCH_LIBRARY_READ_ONCE [runs]   (default 5)
set -euo pipefail
reader=$1
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/rhythmdb.xml
# Songs as the player writes them: one field a line, 400 artists of ten albums each, a podcast
# post and a radio station among every hundred entries.
awk 'BEGIN {
  print "<?xml version=\"1.0\" standalone=\"yes\"?>"; print "<rhythmdb version=\"2.0\">"
  for (i = 0; i < 50000; i++) {
    a = i % 400; b = int(i / 400) % 10
    print "  <entry type=\"song\">"
    printf "    <title>Song %d &amp; more</title>\n", i
    print "    <genre>Rock</genre>"
    printf "    <artist>Band %d</artist>\n", a
    printf "    <album>Album %d of Band %d</album>\n", b, a
    printf "    <track-number>%d</track-number>\n", i % 12 + 1
    print "    <duration>241</duration>"
    print "    <file-size>5783121</file-size>"
    printf "    <location>file:///home/user/Music/Band%%20%d/Album%%20%d/%02d.ogg</location>\n", a, b, i % 12 + 1
    print "    <mtime>1377103127</mtime>"
    print "    <first-seen>1377103232</first-seen>"
    print "    <last-seen>1733849123</last-seen>"
    printf "    <play-count>%d</play-count>\n", i % 7
    print "    <bitrate>192</bitrate>"
    print "    <date>732677</date>"
    print "    <media-type>audio/x-vorbis</media-type>"
    print "    <mb-trackid>1d5e7d3a-4bd2-4e0b-a7f7-0b7e8c9b4a1b</mb-trackid>"
    print "    <mb-artistid>f6f2326f-6b25-4170-b89d-e235b25508e8</mb-artistid>"
    print "  </entry>"
    if (i % 100 == 0) {
      print "  <entry type=\"podcast-post\">"; print "    <title>Episode</title>"
      print "    <artist>A Podcast</artist>"; print "  </entry>"
      print "  <entry type=\"iradio\">"; print "    <title>Radio</title>"; print "  </entry>"
    }
  }
  print "</rhythmdb>"
}' >"$db"
ls -l "$db"
# Wall time of one run in seconds, to the microsecond (a run takes a few hundredths of a second).
# The output goes to a file: written to /dev/null, grep would stop at its first match.
elapsed() {
  local start=$EPOCHREALTIME
  "$@" >"$work/out"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }'
}
median() {
  local times=()
  for _ in $(seq "$runs"); do
    times+=("$(elapsed "$@")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}
"$reader" "$db"
r=$(median "$reader" "$db")
g=$(median grep -c '<entry type="song">' "$db")
echo "reader: $r s"
echo "grep:   $g s"
echo "ratio $(awk -v r="$r" -v g="$g" 'BEGIN { printf "%.2f", (g > 0 ? r / g : 0) }')"
