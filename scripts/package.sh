#!/usr/bin/env bash
# Builds the Debian packages from a Release build of its own (build-release) and writes them to
# build/packages: voxtrail (the player, the plug-in and the installer) and voxtrail-service.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
out=build/packages
# Release with Debian's optimisation (-O2 -g, stripped into the packages): the same compiler flags
# as the RelWithDebInfo test build, so ccache serves most objects from it.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2 -g -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -g -DNDEBUG" \
      -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF -DVX_SANITIZE= \
      -DVX_SERVICE_DATA_DIR=/usr/share/voxtrail-service \
      -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" \
      -DCMAKE_MODULE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build build-release -j "$(nproc)"
# Packages of an older build would be taken for these ones.
rm -rf build-release/_CPack_Packages build-release/*.deb
(cd build-release && cpack -G DEB >/dev/null)
mkdir -p "$out"
rm -f "$out"/voxtrail_*.deb "$out"/voxtrail-service_*.deb
mv build-release/*.deb "$out"/
ls -1 "$out"/*.deb
