#!/bin/sh
# Runs a command on the X display under a window manager, as on a desktop: windows get frames,
# focus and activation follow the manager's rules. Started by xvfb-run.
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
# The manager announces itself on the root window once it manages the screen.
tries=0
while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    [ "$tries" -gt 100 ] && { echo "openbox did not start" >&2; kill "$manager"; exit 1; }
    sleep 0.1
done
"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit "$status"
