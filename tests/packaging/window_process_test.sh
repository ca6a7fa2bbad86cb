#!/usr/bin/env bash
# The window program started as a user starts it: --help and --version with
# no display at all, a mistake on the command line, and on a virtual X
# server a picture named on the command line opening in the window (the
# title names it) and an unreadable file bringing up the refusal.
#   window_process_test.sh SKALOMI PICTURE
# PICTURE is a 400 x 300 picture.
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
self=$(realpath "$0")
skalomi=$1
picture=$2

# ------------------------------------------------- on the virtual X server
# window_appears NAME: waits up to 20 s for a window called exactly NAME.
window_appears() {
    local i
    for ((i = 0; i < 100; i++)); do
        xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\": (" && return 0
        sleep 0.2
    done
    return 1
}

# starts WHAT WINDOW... -- ARGUMENTS...: skalomi started with ARGUMENTS shows
# every WINDOW and is still running; then it is ended.
starts() {
    local what=$1 windows=() window
    shift
    while [[ $1 != -- ]]; do
        windows+=("$1")
        shift
    done
    shift
    "$skalomi" "$@" 2>>"$scratch/stderr" &
    local pid=$!
    for window in "${windows[@]}"; do
        window_appears "$window" || fail "$what: no window \"$window\"; there are:"$'\n'"$(xwininfo -root -tree | grep '"')"
    done
    kill -0 "$pid" 2>/dev/null || fail "$what: skalomi ended by itself"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

if [[ ${3:-} == --on-x ]]; then
    scratch=$4
    cd "$scratch" || exit 1
    starts "a picture by a relative name" "Skalomi Ver.4.02 ： photo one.bmp  元画像（400×300）" -- "photo one.bmp"
    starts "a picture by its full path" "Skalomi Ver.4.02 ： photo one.bmp  元画像（400×300）" -- "$scratch/photo one.bmp"
    starts "the first of several" "Skalomi Ver.4.02 ： photo one.bmp  元画像（400×300）" -- "photo one.bmp" junk.bmp
    starts "an unreadable file" "File Open Error" "Skalomi Ver.4.02" -- junk.bmp
    starts "no file" "Skalomi Ver.4.02" --
    finish
fi

# ---------------------------------------------------------- no display
make_temp
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
help=$("${no_display[@]}" "$skalomi" --help 2>"$scratch/err")
expect_equal "--help exit status" "$?" 0
expect_contains "--help" "$help" "Usage: "
expect_contains "--help" "$help" "-v, --version"
expect_contains "--help" "$help" "[file...]"
version=$("${no_display[@]}" "$skalomi" -v 2>>"$scratch/err")
expect_equal "-v exit status" "$?" 0
expect_contains "-v" "$version" "Skalomi 4.02"
[[ ! -s $scratch/err ]] || fail "--help or --version wrote errors: $(cat "$scratch/err")"

# A mistake ends the program before any window opens.
mistake=$(QT_QPA_PLATFORM=offscreen timeout 30 "$skalomi" --bogus photo.bmp 2>&1)
expect_equal "exit status after an unknown option" "$?" 1
expect_contains "unknown option" "$mistake" "Unknown option 'bogus'"

# ----------------------------------------------------- with a display
command -v xwininfo >/dev/null || fail "xwininfo is missing (tools/install-deps test installs it)"
cp "$picture" "$scratch/photo one.bmp"
printf 'BM\0\1\2\3' >"$scratch/junk.bmp"
bash "$(dirname "$self")/../support/on_private_display.sh" -s '-screen 0 1024x768x24' \
    bash "$self" "$skalomi" "$picture" --on-x "$scratch" || fail "under Xvfb (above)"

finish
