#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the wizard's checks that the offscreen platform cannot make, on a real
# X server: Xvfb at 1366 x 768, the openbox window manager, and a D-Bus
# session with the accessibility bus (AT-SPI). All are Debian packages that
# scripts/setup.sh installs.
#   desktop_session.sh SESSION_TEST GUI
# SESSION_TEST is the Qt test run there (ui_desktop_session_test); GUI is
# kwrecover-gui, whose tree atspi_check.py reads as a screen reader does.
set -euo pipefail
if [ -z "${KW_IN_DBUS_SESSION:-}" ]; then
  exec env KW_IN_DBUS_SESSION=1 dbus-run-session -- "$0" "$@"
fi
session_test=$1
gui=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done

export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
status=0
"$session_test" || status=1
# Debian's own Python, which has pyatspi (not one a version manager put first).
/usr/bin/python3 "$here/atspi_check.py" "$gui" "$work" || status=1
exit $status
