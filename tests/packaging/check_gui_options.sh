#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# kwrecover-gui --help and --version print and exit, without a window (and
# without a display), as any program's do; a write error exits 1.
#   check_gui_options.sh KWRECOVER_GUI
set -euo pipefail
gui=$1
status=0
# No display at all: a wizard that opened would fail or hang, not print.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 20 "$gui" --help) || status=1
grep -q '^Usage: kwrecover-gui' <<<"$help" || { echo "kwrecover-gui --help printed: $help"; status=1; }
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 20 "$gui" --version) || status=1
grep -qE '^kwrecover-gui [0-9]+\.[0-9]+ \(build [0-9]+\)$' <<<"$version" ||
  { echo "kwrecover-gui --version printed: $version"; status=1; }
if timeout 20 "$gui" --help >/dev/full 2>/dev/null; then
  echo "kwrecover-gui --help >/dev/full exited 0"
  status=1
fi
[ $status -ne 0 ] || echo "kwrecover-gui --help and --version print and exit"
exit $status
