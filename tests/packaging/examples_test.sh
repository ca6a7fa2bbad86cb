#!/usr/bin/env bash
# The examples a new user copies, run as written: those of both manual pages
# (as man shows them) and the README's first steps. Each runs in a fresh
# folder of pictures with the names the examples use; a command-line example
# must end with status 0 and write something (a dry run nothing), a window
# example must open its first file in the window.
#   examples_test.sh BUILD_DIR README SKALOMI SKALOMI_CLI SAMPLE_BMP
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
self=$(realpath "$0")

# ------------------------------------------------- on the virtual X server
# window_example FOLDER COMMAND: COMMAND opens the first file it names.
window_example() {
    local folder=$1 command=$2 first i
    first=$(cd "$folder" && eval "set -- ${command#skalomi }" && echo "$1")
    (cd "$folder" && exec bash -c "exec $command") 2>>"$scratch/stderr" &
    local pid=$!
    local title="Skalomi Ver.4.02 ： $first  元画像（"
    for ((i = 0; i < 100; i++)); do
        xwininfo -root -tree 2>/dev/null | grep -qF "\"$title" && break
        sleep 0.2
    done
    ((i < 100)) || fail "'$command' did not open $first; windows:"$'\n'"$(xwininfo -root -tree | grep '"')"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

if [[ ${1:-} == --on-x ]]; then
    scratch=$2
    while IFS= read -r command; do
        rm -rf "$scratch/run" && cp -r "$scratch/pictures" "$scratch/run"
        window_example "$scratch/run" "$command"
    done <"$scratch/window-examples"
    finish
fi

build=$1
readme=$2
make_temp
bin=$scratch/bin
mkdir -p "$bin"
ln -s "$3" "$bin/skalomi"
ln -s "$4" "$bin/skalomi-cli"
export PATH=$bin:$PATH

# The pictures the examples name: photo.jpg, scan.gif, BMP and PNG files
# here, and photos, a folder of JPEG files with more below it, enough for
# every share of the example that takes one of eight.
pictures=$scratch/pictures
mkdir -p "$pictures/photos/2024"
(
    cd "$pictures" || exit 1
    skalomi-cli -q -o photo.jpg "$5"
    skalomi-cli -q -p 50 -o scan.gif "$5"
    skalomi-cli -q -p 30 -o a.bmp "$5"
    skalomi-cli -q -p 40 -o b.bmp "$5"
    skalomi-cli -q -p 60 -o one.png "$5"
    skalomi-cli -q -p 70 -o two.png "$5"
    for percent in 51 52 53 54; do
        skalomi-cli -q -p $percent -o photos/p$percent.jpg "$5"
        skalomi-cli -q -p $percent -r right -o photos/2024/q$percent.jpg "$5"
    done
) >/dev/null || fail "the pictures could not be made"

# The lines of the EXAMPLES section that man shows as commands.
man_examples() {
    MANWIDTH=300 LC_ALL=C.UTF-8 man -l "$build/packaging/man/$1.1.gz" 2>/dev/null |
        awk '/^EXAMPLES/ { inside = 1; next } /^[A-Z]/ { inside = 0 }
             inside && /^       [^ ]/ { sub(/^ +/, ""); print }'
}
readme_examples=$(awk '/^## First steps/ { found = 1 }
                       found && /^```sh/ { inside = 1; next }
                       inside && /^```/ { exit }
                       inside { print }' "$readme")
examples=$(printf '%s\n' "$(man_examples skalomi-cli)" "$(man_examples skalomi)" "$readme_examples")
cli_examples=$(grep -E '(^|\| *)skalomi-cli ' <<<"$examples")
grep -E '^skalomi ' <<<"$examples" >"$scratch/window-examples"

(($(man_examples skalomi-cli | wc -l) >= 8)) || fail "skalomi-cli(1) shows fewer examples than it has"
expect_equal "skalomi(1) examples" "$(man_examples skalomi | wc -l)" 2
expect_equal "README first steps" "$(grep -c '^skalomi' <<<"$readme_examples")" 3

# ------------------------------------------------------------ command line
while IFS= read -r command; do
    rm -rf "$scratch/run" && cp -r "$pictures" "$scratch/run"
    before=$(cd "$scratch/run" && find . | sort)
    output=$(cd "$scratch/run" && bash -c "$command" 2>&1)
    status=$?
    expect_equal "status of '$command' ($output)" "$status" 0
    made=$(comm -13 <(echo "$before") <(cd "$scratch/run" && find . | sort))
    if [[ $command == *" -n "* ]]; then
        expect_equal "files made by the dry run '$command'" "$made" ""
    else
        [[ -n $made ]] || fail "'$command' wrote nothing: $output"
    fi
done <<<"$cli_examples"

# ----------------------------------------------------------------- window
command -v xwininfo >/dev/null || fail "xwininfo is missing (tools/install-deps test installs it)"
bash "$(dirname "$self")/../support/on_private_display.sh" -s '-screen 0 1024x768x24' \
    bash "$self" --on-x "$scratch" || fail "under Xvfb (above)"

finish
