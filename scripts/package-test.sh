#!/usr/bin/env bash
# Checks the Debian packages as Debian checks packages, then installs them into this machine:
# lintian (no error), desktop-file-validate, appstreamcli; an install over an older version that
# keeps the service's store; the player from PATH in fresh homes (the packaged plug-in loads and
# draws; a user's own copy of another version wins); the service through its unit, or where
# systemd does not run, its unit's ExecStart line as the service user; removal and a purge while
# the service runs; and no file of theirs left afterwards.
# Needs root (or sudo). Builds the packages first when build/packages has none. The whole run
# ends within VX_PACKAGE_TEST_TIMEOUT seconds (default 600), the build within 2400.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
if [ -z "${VX_PACKAGE_TEST_LIMITED:-}" ]; then
  if ! ls build/packages/voxtrail_*.deb build/packages/voxtrail-service_*.deb >/dev/null 2>&1; then
    timeout --kill-after=30 2400 bash scripts/package.sh
  fi
  export VX_PACKAGE_TEST_LIMITED=1
  exec timeout --kill-after=30 "${VX_PACKAGE_TEST_TIMEOUT:-600}" bash "$0" "$@"
fi

sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
start=$SECONDS
step() { echo "=== package test: $* [$((SECONDS - start)) s]"; }
fail() { echo "package test FAILED: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/vx-package-test-XXXXXX)
chmod 755 "$work" # apt's download user reads the packages from here
service_pid=""
cleanup() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null
  if dpkg-query -W voxtrail voxtrail-service >/dev/null 2>&1; then
    $sudo apt-get purge -y -qq voxtrail voxtrail-service >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

player_deb=$(ls build/packages/voxtrail_*_amd64.deb)
service_deb=$(ls build/packages/voxtrail-service_*_amd64.deb)
version=$(dpkg-deb -f "$player_deb" Version)
unit=/lib/systemd/system/voxtrail-service.service
systemd_runs=false; [ -d /run/systemd/system ] && systemd_runs=true

step "lintian"
cp "$player_deb" "$service_deb" "$work/"
chmod 644 "$work"/*.deb
new_player="$work/$(basename "$player_deb")"
new_service="$work/$(basename "$service_deb")"
# Lintian would rather not run as root.
as_nobody=()
[ "$(id -u)" -eq 0 ] && as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work")
"${as_nobody[@]}" lintian --tag-display-limit 0 "$new_player" "$new_service" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E: ' "$work/lintian.txt"; then fail "lintian reports errors"; fi
echo "lintian: $(grep -c '^W: ' "$work/lintian.txt" || true) warnings left"

step "desktop entry and AppStream files"
dpkg-deb -x "$player_deb" "$work/player-tree"
desktop="$work/player-tree/usr/share/applications/com.voxtrail.vxplayer.desktop"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$work"/player-tree/usr/share/metainfo/*.metainfo.xml

# What of theirs could be left: every file the packages hold, plus what their scripts make.
{ dpkg-deb -c "$player_deb"; dpkg-deb -c "$service_deb"; } | awk '{print substr($6, 2)}' |
  grep -v '/$' > "$work/package-files.txt"
theirs=(/usr/lib/voxtrail /usr/share/voxtrail-service /usr/share/doc/voxtrail /usr/share/doc/voxtrail-service
        /var/lib/voxtrail-service /etc/default/voxtrail-service
        /etc/systemd/system/multi-user.target.wants/voxtrail-service.service
        /var/lib/systemd/deb-systemd-helper-enabled/voxtrail-service.service.dsh-also
        /var/lib/systemd/deb-systemd-helper-enabled/multi-user.target.wants/voxtrail-service.service)
# Caches that programs outside the packages write on their own, which no package owns and a purge
# cannot remove: man-db's formatted pages (/var/cache/man/cat1/vxplayer.1.gz once anyone, or the
# unit check's `man`, reads a page).
not_theirs=(/var/cache/man)
named_like_theirs() {
  local prune=()
  for d in "${not_theirs[@]}"; do prune+=(-path "$d" -prune -o); done
  find /usr /etc /var /lib /opt /srv -xdev "${prune[@]}" \( -iname '*voxtrail*' -o -name 'vxplayer*' \) -print \
    2>/dev/null | sort
}
if dpkg-query -W voxtrail voxtrail-service >/dev/null 2>&1; then
  $sudo apt-get purge -y -qq voxtrail voxtrail-service >/dev/null
fi
named_like_theirs > "$work/named-before.txt"

# The older version: these packages with a lower Debian revision, so the upgrade runs the
# maintainer scripts' upgrade path over a store the older one wrote.
older() { # deb -> path of the same package as version "$version~old"
  local tree="$work/old-$(basename "$1" .deb)"
  dpkg-deb -R "$1" "$tree"
  sed -i "s/^Version: .*/Version: ${version}~old/" "$tree/DEBIAN/control"
  dpkg-deb --root-owner-group -b "$tree" "$work/" >/dev/null
  ls "$work/$(dpkg-deb -f "$1" Package)_${version}~old_"*.deb
}
old_player=$(older "$player_deb")
old_service=$(older "$service_deb")
chmod 644 "$work"/*.deb

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
iploc_port=$(free_port)
service_url="http://127.0.0.1:$port"

start_service() {
  if $systemd_runs; then
    $sudo systemctl start voxtrail-service
  else
    # As the unit would: its options file, its ExecStart line, its user (not its sandbox).
    local line
    line=$(sed -n 's/^ExecStart=//p' "$unit")
    # shellcheck disable=SC1091
    set -a; . /etc/default/voxtrail-service; set +a
    eval "set -- $line"
    (cd / && exec $sudo setpriv --reuid=voxtrail-service --regid=voxtrail-service --init-groups -- "$@") \
      >"$work/service.log" 2>&1 &
    service_pid=$!
  fi
  for _ in $(seq 100); do
    curl -sf -o /dev/null "$service_url/current_version.php?VERSION=2.9&OS=MAC" && return 0
    sleep 0.1
  done
  cat "$work/service.log" >&2 2>/dev/null || true
  fail "the service did not answer on port $port"
}
stop_service() {
  if $systemd_runs; then
    $sudo systemctl stop voxtrail-service
  else
    kill "$service_pid"
    wait "$service_pid" || true
    service_pid=""
  fi
}
# The service stopped as the package went: no unit running, no process left.
expect_service_gone() {
  if $systemd_runs; then
    ! systemctl is-active --quiet voxtrail-service || fail "the unit still runs after $1"
  else
    local state
    state=$(awk '{print $3}' "/proc/$service_pid/stat" 2>/dev/null || echo gone)
    [ "$state" = gone ] || [ "$state" = Z ] || fail "the service still runs after $1"
    wait "$service_pid" || true
    service_pid=""
  fi
}
account_known() {
  [ "$(curl -sf "$service_url/sharing/sharing.php?TODO=USER_EXISTS&USERNAME=pkgtest")" = "User found." ]
}

step "install the older version"
$sudo apt-get install -y -qq "$old_player" "$old_service" >/dev/null
getent passwd voxtrail-service >/dev/null || fail "no system user voxtrail-service"
[ "$(stat -c %U "/var/lib/voxtrail-service")" = voxtrail-service ] || fail "the store folder is not the user's"
[ ! -e /etc/systemd/system/multi-user.target.wants/voxtrail-service.service ] || fail "the unit was enabled"
# The unit's syntax and sandbox settings, where the tool is (it needs no running systemd).
if command -v systemd-analyze >/dev/null; then systemd-analyze verify "$unit"; fi
if $systemd_runs; then ! systemctl is-active --quiet voxtrail-service || fail "the unit was started"; fi
# The admin's own options: this test's ports, so it meets no other service on this machine.
$sudo sed -i "s/^VOXTRAIL_SERVICE_OPTS=.*/VOXTRAIL_SERVICE_OPTS=\"--port $port --iploc-port $iploc_port\"/" \
  /etc/default/voxtrail-service
start_service
curl -sf -o /dev/null \
  "$service_url/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=pkgtest&UUID=pkg-test&CITY=Boston&STATE=MA&FIRSTNAME=P&LASTNAME=T"
account_known || fail "the older service did not keep the account it was given"
stop_service

step "upgrade to $version"
$sudo apt-get install -y -qq "$new_player" "$new_service" >/dev/null
[ "$(dpkg-query -W -f='${Version}' voxtrail-service)" = "$version" ] || fail "voxtrail-service was not upgraded"
grep -q -- "--port $port" /etc/default/voxtrail-service || fail "the upgrade replaced the admin's options"
start_service
account_known || fail "the upgrade lost the service's store"

step "the player from PATH, from its menu entry's command"
[ "$(command -v vxplayer)" = /usr/bin/vxplayer ] || fail "vxplayer is not on PATH"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/com.voxtrail.vxplayer.desktop)
home="$work/home"
mkdir -p "$home/Library/Application Support/Voxtrail" "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" # else the toolkit makes one in /tmp
printf '127.0.0.1:%s\n127.0.0.1:%s\n' "$port" "$iploc_port" >"$home/Library/Application Support/Voxtrail/VoxtrailServices"
printf 'show 800 600\nidle 5\nsleep 1500\nidle 5\nsnapshot %s/pane.png\nquit\n' "$home" |
  (cd "$home" && HOME="$home" QT_QPA_PLATFORM=offscreen timeout 120 $exec_line --headless) >"$work/player.out"
cat "$work/player.out"
grep -qx "loaded: /usr/lib/voxtrail/plug-ins/Voxtrail.bundle Voxtrail ${version%-*}" "$work/player.out" ||
  fail "the player did not load the packaged plug-in"
# The pane shows the calendar: many colours, not one blank fill.
python3 - "$home/pane.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
pos, idat, width, height, kind = 8, b"", 0, 0, 0
while pos < len(data):
    length, tag = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if tag == b"IHDR":
        width, height, depth, kind = struct.unpack(">IIBB", body[:10])
    elif tag == b"IDAT":
        idat += body
    pos += 12 + length
channels = {2: 3, 6: 4}[kind]
raw, stride, prev, colours = zlib.decompress(idat), width * channels, bytearray(width * channels), set()
for y in range(height):
    f, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = row[i - channels] if i >= channels else 0
        b, c = prev[i], prev[i - channels] if i >= channels else 0
        p = a + b - c
        pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= min(abs(p - b), abs(p - c)) else (b if abs(p - b) <= abs(p - c) else c)][f]
        row[i] = (row[i] + pred) & 0xFF
    colours.update(bytes(row[i:i + channels]) for i in range(0, stride, channels))
    prev = row
print(f"pane {width}x{height}: {len(colours)} colours")
sys.exit(0 if len(colours) >= 16 else 1)
PY

step "a user's own install of another version wins"
home2="$work/home2"
mkdir -p "$home2"
HOME="$home2" QT_QPA_PLATFORM=offscreen \
  /usr/lib/voxtrail/Voxtrail_Installer.app/Contents/MacOS/Voxtrail_Installer --install >/dev/null
own="$home2/Library/iTunes/iTunes Plug-ins/Voxtrail.bundle"
sed -i '/CFBundleShortVersionString/{n;s/<string>.*<\/string>/<string>2.8.1<\/string>/}' "$own/Contents/Info.plist"
echo quit | (cd "$home2" && HOME="$home2" QT_QPA_PLATFORM=offscreen timeout 120 vxplayer --headless) \
  >"$work/player2.out" 2>"$work/player2.err"
cat "$work/player2.out" "$work/player2.err"
[ "$(grep -c '^loaded: ' "$work/player2.out")" = 1 ] || fail "not exactly one Voxtrail loaded"
grep -qxF "loaded: $own Voxtrail 2.8.1" "$work/player2.out" || fail "the user's own copy did not win"

step "remove while the service runs"
$sudo apt-get remove -y -qq voxtrail voxtrail-service >/dev/null
expect_service_gone "removal"
[ ! -e /usr/bin/vxplayer ] && [ ! -e /usr/bin/voxtrail-service ] || fail "programs left after removal"
[ -d /var/lib/voxtrail-service ] || fail "removal took the store"
$sudo apt-get install -y -qq "$new_player" "$new_service" >/dev/null
start_service
account_known || fail "the store did not survive removal and reinstall"

step "the manual pages, read as a user would"
# Reading them makes man-db cache the formatted pages where /var/cache/man/cat1 exists: a file no
# package owns, which the purge below must not count as left behind.
if command -v man >/dev/null; then
  for page in vxplayer voxtrail-service; do
    man "$page" >/dev/null 2>&1 || fail "man $page does not open"
  done
fi

step "purge while the service runs"
$sudo apt-get purge -y -qq voxtrail voxtrail-service >/dev/null
expect_service_gone "the purge"
# Prints what of theirs is still on the machine, one a line.
leftovers() {
  while read -r f; do
    if [ -e "$f" ] || [ -L "$f" ]; then echo "$f"; fi
  done < <(cat "$work/package-files.txt"; printf '%s\n' "${theirs[@]}")
  if getent passwd voxtrail-service >/dev/null; then echo "the user voxtrail-service"; fi
  if getent group voxtrail-service >/dev/null; then echo "the group voxtrail-service"; fi
  named_like_theirs > "$work/named-after.txt"
  comm -13 "$work/named-before.txt" "$work/named-after.txt"
}
left=$(leftovers)
[ -z "$left" ] || fail "left after the purge: $(echo $left)"
# The check itself: a file the packages' scripts could leave must still be caught.
$sudo mkdir -p /var/lib/voxtrail-service
$sudo touch /var/lib/voxtrail-service/accounts.sqlite
left=$(leftovers)
$sudo rm -rf /var/lib/voxtrail-service
[[ "$left" == */var/lib/voxtrail-service* ]] || fail "the leftover check missed a file in /var/lib/voxtrail-service"
step "passed (packages $version)"
