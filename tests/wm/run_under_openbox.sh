#!/usr/bin/env bash
# Runs a test program under a display of its own: Xvfb with the openbox window manager, so that
# windows get frames and late resize notices as on a desktop. Exit 77 (skipped) where Xvfb or
# openbox is missing, unless NOMISPOT_REQUIRE_NSD says every test must run (as on CI).
set -u
for tool in Xvfb openbox xdpyinfo; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (apt-get install xvfb openbox x11-utils)"
    [ -n "${NOMISPOT_REQUIRE_NSD:-}" ] && exit 1
    exit 77
  fi
done

wm=
xvfb=
wm_log=$(mktemp)
trap 'kill $wm $xvfb 2>/dev/null; wait 2>/dev/null; rm -f "$wm_log"' EXIT
wm_ready() { DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Starts Xvfb on a display number no other test holds (the first free one from 40), then openbox;
# false when either does not come up in time.
start_display() {
  display=
  for n in $(seq 40 99); do
    if ! [ -e "/tmp/.X$n-lock" ] && ! [ -e "/tmp/.X11-unix/X$n" ]; then
      display=:$n
      break
    fi
  done
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  # The window manager can only start once the display answers, which a busy machine may delay.
  for _ in $(seq 400); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.05
  done
  DISPLAY=$display openbox >"$wm_log" 2>&1 &
  wm=$!
  # openbox owns the screen once it has set its supporting window.
  for _ in $(seq 400); do
    wm_ready && return 0
    sleep 0.05
  done
  return 1
}

# A display that lost a race with another starting at the same time is given up for a new one.
for attempt in 1 2 3; do
  start_display && break
  kill $wm $xvfb 2>/dev/null
  wait $wm $xvfb 2>/dev/null
  wm= xvfb=
done
if [ -z "$wm" ]; then
  echo "openbox did not start:"
  cat "$wm_log"
  exit 1
fi
DISPLAY=$display QT_QPA_PLATFORM=xcb "$@"
