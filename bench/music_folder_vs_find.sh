#!/usr/bin/env bash
# Reads a music folder of 20,000 tagged files with the plug-in's reader, first with no cache and
# then again with nothing changed, against `find DIR -type f -printf '%s %T@\n'` over the same
# folder; prints the median of each over several runs and the ratio of the second start to find.
# Usage: music_folder_vs_find.sh BENCH_LIBRARY_READ_ONCE [runs]   (default 5)
set -euo pipefail
reader=$1
runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 200 albums of 100 files, copies of the tagged samples in tests/data/audio.
samples=("$here"/../tests/data/audio/full.*)
mkdir -p "$work/music/Album 0"
for t in $(seq 0 99); do
  s=${samples[$((t % ${#samples[@]}))]}
  cp "$s" "$work/music/Album 0/$t.${s##*.}"
done
for a in $(seq 1 199); do cp -r "$work/music/Album 0" "$work/music/Album $a"; done
mkdir -p "$work/support"
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
first=$(median "$reader" "$work/music")
"$reader" "$work/music" "$work/support"
second=$(median "$reader" "$work/music" "$work/support")
found=$(median find "$work/music" -type f -printf '%s %T@\n')
echo "first scan (no cache): $first s"
echo "second start (cache):  $second s, find $found s, ratio $(awk -v r="$second" -v s="$found" 'BEGIN { printf "%.2f", (s > 0 ? r / s : 0) }')"
