#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian package as a distribution would and checks it: a build
# folder of its own (build-package, or $BUILD_DIR) with Debian's build flags
# (all hardening on), `cpack -G DEB`, then lintian, desktop-file-validate and
# appstreamcli validate on what the package ships. Fails on any error or
# warning (lintian's informational tags may stay; packaging/lintian-overrides
# says where lintian is wrong about us). Installs its tools with apt when
# missing, as scripts/setup.sh does.
#   extra arguments go to CMake's configure step
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-package}"

packages=(g++ cmake ninja-build zlib1g-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools libgl-dev dpkg-dev file lintian desktop-file-utils appstream)
./scripts/install_missing.sh "${packages[@]}"

# The browser page goes into the package: built (or found built) in build-web.
./scripts/install_missing.sh emscripten
NODE_PATH=/usr/share/nodejs cmake --preset web > build-web.configure.log 2>&1 || { cat build-web.configure.log; exit 1; }
NODE_PATH=/usr/share/nodejs cmake --build --preset web

umask 022  # the package's files and folders get the permissions Debian wants
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DKW_BUILD_TESTS=OFF -DKW_BUILD_BENCH=OFF -DKW_WEB_PAGE="$PWD/build-web/web/kwrecover.html" "$@" >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build"
rm -f "$build"/kwrecover_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/kwrecover_*.deb)

status=0
echo "== lintian $deb"
findings=$(lintian --fail-on error,warning --display-info "$deb" 2>&1) || status=1
grep -v 'running with root privileges' <<<"$findings" || true

shipped="$build/package-contents"
rm -rf "$shipped"
dpkg-deb -x "$deb" "$shipped"
for desktop in "$shipped"/usr/share/applications/*.desktop; do
  echo "== desktop-file-validate ${desktop#"$shipped"/}"
  # Warnings do not change its exit status: any output at all is a failure.
  out=$(desktop-file-validate "$desktop" 2>&1) || status=1
  [ -z "$out" ] || { echo "$out"; status=1; }
done
for metainfo in "$shipped"/usr/share/metainfo/*.xml; do
  echo "== appstreamcli validate ${metainfo#"$shipped"/}"
  # --no-net: the screenshot and home page addresses are not fetched.
  appstreamcli validate --no-net --strict --pedantic "$metainfo" || status=1
done

if [ $status -ne 0 ]; then
  echo "package check: FAILED"
  exit 1
fi
echo "package check: $deb passes lintian, desktop-file-validate and appstreamcli"
