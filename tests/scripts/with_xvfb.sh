#!/bin/sh
# Runs a command on a virtual X server of its own (a free display number)
# with openbox as the window manager, as a user's desktop would run the
# program. Exits 77, which CTest counts as skipped, where either is missing.
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
    echo "xvfb-run or openbox is not installed (tools/install-deps test installs them)"
    exit 77
fi
# shellcheck disable=SC2016 # expanded by the inner shell
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    "$@"
    status=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit "$status"' sh "$@"
