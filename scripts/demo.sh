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

# Two demo friends share shows next month, and the demo's preferences name them, so the Friend
# Shows tab has something to show. The demo user shares all its shows as "demo". The place is
# left open, so the plug-in locates it.
month=$(date -d "$(date +%Y-%m-15) +1 month" +%-m); year=$(date -d "$(date +%Y-%m-15) +1 month" +%Y)
service_get() { curl -s -o /dev/null "http://127.0.0.1:8460/sharing/sharing.php?$1"; }
for user in alex sam; do
  service_get "TODO=INITIALIZE_USER&USERNAME=$user&UUID=demo-$user&CITY=Boston&STATE=MA&FIRSTNAME=F&LASTNAME=L"
done
share() { # user day artist
  service_get "TODO=ADD_SHOW&USERNAME=$1&UUID=demo-$1&YEAR=$year&MONTH=$month&DAY=$2&TICKETSAVAILABLE=1&ARTIST=$3&VENUE=Paradise+Rock+Club&LOCATION=Boston,+MA&URL=http://example.com/$2&OTHERARTISTS="
}
share alex 6 "The+Copper+Pines"; share sam 6 "The+Copper+Pines"; share alex 14 "Rosa+Vance"; share sam 21 "Wild+Radios"
pref="$demo/Library/Application Support/Voxtrail/VoxtrailPref"
mkdir -p "$(dirname "$pref")"
printf '%s\n' "$library" 1 "$(date +%Y@@%-m@@%-d)" - "0@@1@@0@@0@@0@@1@@1@@1@@1@@0@@0" - "demo@@Dana@@Reyes@@" \
  "alex@@sam@@" "Import@@Extra tracks@@Original recording remastered@@Limited Edition@@Soundtrack@@Non-Active Artist@@" \
  > "$pref"

export HOME="$demo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/bin/vxplayer --library "$library"
else
  snapshot="$demo/snapshot.png"
  build/bin/vxplayer --headless --library "$library" <<SCRIPT
show 1024 700
wait-file $pref 60
sleep 500
snapshot $snapshot
move 180 92
click 180 92
move 1000 690
snapshot $demo/snapshot-releases.png
move 290 92
click 290 92
move 1000 690
snapshot $demo/snapshot-friends.png
quit
SCRIPT
  echo "No display: the player ran headless; its pane is in $snapshot (the other two tabs in"
  echo "snapshot-releases.png and snapshot-friends.png beside it)"
fi
