#!/bin/sh
# Runs a command on the X display under a window manager, as on a desktop: windows get frames,
# focus and activation follow the manager's rules. Started by xvfb-run.
log=$(mktemp)
start_manager() {
    openbox --sm-disable >>"$log" 2>&1 &
    manager=$!
}
start_manager
# The manager announces itself on the root window once it manages the screen. On a loaded
# machine it may take a while, or give up early (it is started again, three times at most).
tries=0 starts=1
while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    if ! kill -0 "$manager" 2>/dev/null && [ "$starts" -lt 3 ]; then
        starts=$((starts + 1))
        start_manager
    fi
    if [ "$tries" -gt 300 ]; then
        echo "openbox did not start:" >&2
        cat "$log" >&2
        kill "$manager" 2>/dev/null
        rm -f "$log"
        exit 1
    fi
    sleep 0.1
done
"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
rm -f "$log"
exit "$status"
