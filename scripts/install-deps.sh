#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config git curl
      qt6-base-dev qt6-tools-dev qt6-qpa-plugins libqt6uitools6 libqt6dbus6 dbus-daemon
      fonts-dejavu-core fonts-liberation2 fonts-wqy-microhei
      libical-dev khal python3-icalendar python3-vobject chromium chromium-driver python3-selenium calcurse vdirsyncer libsqlite3-dev libtag1-dev libutf8proc-dev libcpp-httplib-dev libcrypt-dev libssl-dev uuid-dev
      libpq-dev postgresql-15 apache2-utils
      libgtest-dev libgmock-dev googletest libbenchmark-dev
      clang libclang-rt-14-dev ccache
      libcurl4-openssl-dev nlohmann-json3-dev
      dpkg-dev file lintian desktop-file-utils appstream python3)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
