#!/usr/bin/env bash
# bash completion of skalomi-cli: what a Tab offers after each kind of word,
# and after "-" every option --help lists, no more.
#   completion_test.sh COMPLETION_SCRIPT SKALOMI_CLI
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
script=$1
cli=$2
make_temp
# shellcheck disable=SC1090 # the script under test
source "$script"

cd "$scratch" || exit 1
mkdir folder "other folder"
touch photo.png 'a b.jpg' -- -odd.bmp

# What Tab offers with the cursor in the last of WORDS, sorted, joined by
# "|". The words are given as bash splits the line ("--type=j" is three).
complete_words() {
    COMP_WORDS=(skalomi-cli "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _skalomi_cli
    ((${#COMPREPLY[@]} == 0)) || printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|'
}

# offers NAME EXPECTED -- WORDS...
offers() {
    local name=$1 expected=$2
    shift 3
    expect_equal "$name" "$(complete_words "$@")" "$expected"
}

offers "a long option by its start"  "--type"             -- --ty
offers "the types"                   "bmp|gif|jpg|png"    -- --type ""
offers "a type by its start"         "png"                -- -t p
offers "the types after ="           "bmp|gif|jpg|png"    -- --type = ""
offers "a type after = by its start" "jpg"                -- --type = j
offers "the rotations"               "0|180|left|right"   -- --rotate ""
offers "a rotation by its start"     "right"              -- -q -r r
offers "folders after --dest"        "folder|other folder" -- -q --dest ""
offers "files after --output"        "photo.png"          -- --output p
offers "nothing for a number"        ""                   -- --percent ""
offers "nothing for a suffix"        ""                   -- -s ""
offers "a file name with a space"    "a b.jpg"            -- a
offers "files after the options"     "photo.png"          -- -q -t png p
offers "after -- a dash starts a name" "-odd.bmp"         -- -- -
offers "nothing for the jobs after ="  ""                  -- --jobs = ""
offers "nothing for an edge"         ""                   -- --long-edge ""
offers "nothing for a shard"         ""                   -- --shard ""
offers "files after --files-from"    "photo.png"          -- --files-from p
offers "files after --report="       "photo.png"          -- --report = p
offers "options by their start"      "--recursive|--report" -- --re

# After "-": exactly the options --help lists.
listed=$("$cli" --help | grep -oE '^ +(-[a-zA-Z0-9], )?--[a-z-]+' | tr -s ', ' '\n' | sed '/^$/d' | LC_ALL=C sort | paste -sd '|')
[[ -n $listed ]] || fail "no options found in skalomi-cli --help"
offers "every option --help lists" "$listed" -- -

finish
