#!/usr/bin/env bash
# Runs a command on an X server of its own and ends the server with it.
# Xvfb takes a free display itself and says which (-displayfd), once it
# accepts connections, so tests that run side by side never race for a
# display number. The window manager tests start theirs the same way.
#   on_private_display.sh [-s "XVFB ARGUMENTS"] COMMAND [ARGUMENT...]
set -uo pipefail
server_arguments=(-screen 0 1280x1024x24)
if [[ ${1:-} == -s ]]; then
    read -ra server_arguments <<<"$2"
    shift 2
fi
if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is missing (tools/install-deps test installs it)" >&2
    exit 1
fi

scratch=$(mktemp -d)
mkfifo "$scratch/display"
# -noreset: by default the server starts afresh whenever its last client
# goes, and refuses the next one meanwhile.
Xvfb -displayfd 3 -nolisten tcp -noreset "${server_arguments[@]}" 3>"$scratch/display" \
    2>"$scratch/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$scratch"' EXIT

if ! read -r -t 30 number <"$scratch/display"; then
    echo "Xvfb did not start:" >&2
    cat "$scratch/log" >&2
    exit 1
fi
DISPLAY=:$number "$@"
