#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the web service on its default ports, makes
# a demo home with a generated library and the plug-in installed by the installer, and runs the
# player in it.
# Without a display the player runs headless from a script and writes a snapshot of the pane.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target Voxtrail Voxtrail_Installer vxplayer voxtrail-service voxtrail-genlibrary

demo="$top/demo-home"
rm -rf "$demo"
mkdir -p "$demo/Music/iTunes"
library="$demo/Music/iTunes/iTunes Music Library.xml"
build/bin/voxtrail-genlibrary --tracks 400 --out "$library"
# The plug-in goes in as a user's would: through the installer, here as one command.
HOME="$demo" build/Voxtrail_Installer.app/Contents/MacOS/Voxtrail_Installer --install

# The service on its default ports (8460, and 8461 for the IP-location page).
build/bin/voxtrail-service --catalog-from-library "$library" --log "$demo/service.log" &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  curl -s -o /dev/null "http://127.0.0.1:8460/current_version.php?VERSION=2.9&OS=MAC" && break
  sleep 0.1
done

export HOME="$demo"
pref="$demo/Library/Application Support/Voxtrail/VoxtrailPref"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/bin/vxplayer --library "$library"
else
  snapshot="$demo/snapshot.png"
  build/bin/vxplayer --headless --library "$library" <<SCRIPT
show 1024 700
wait-file $pref 60
sleep 500
snapshot $snapshot
quit
SCRIPT
  echo "No display: the player ran headless; its pane is in $snapshot"
fi
