#!/usr/bin/env bash
# `cmake --install` puts every file where the Filesystem Hierarchy Standard
# and freedesktop.org expect it, under any prefix and into a staging folder
# (DESTDIR); the installed programs run, and their manual pages render and
# name every option their --help lists; the README's line that removes an
# install takes every file away again.
#   install_test.sh BUILD_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
build=$1
make_temp

# What an install holds, relative to the prefix.
expected_files() {
    printf '%s\n' bin/skalomi bin/skalomi-cli \
        share/applications/org.skalomi.Skalomi.desktop \
        share/metainfo/org.skalomi.Skalomi.metainfo.xml \
        share/icons/hicolor/scalable/apps/org.skalomi.Skalomi.svg \
        share/man/man1/skalomi.1.gz share/man/man1/skalomi-cli.1.gz \
        share/bash-completion/completions/skalomi-cli \
        share/doc/skalomi/copyright share/doc/skalomi/changelog.Debian.gz \
        share/lintian/overrides/skalomi
    for size in 16 22 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/org.skalomi.Skalomi.png"
    done
}

# check_tree WHAT ROOT: the files under ROOT, executables only in bin/.
check_tree() {
    local what=$1 root=$2
    expect_same_lines "$what: installed files" "$(cd "$root" && find . ! -type d | sed 's:^\./::')" \
        "$(expected_files)"
    local file
    while read -r file; do
        if [[ $file == bin/* ]]; then
            [[ -x $root/$file ]] || fail "$what: $file is not executable"
        else
            [[ ! -x $root/$file ]] || fail "$what: $file is executable"
        fi
    done < <(expected_files)
}

# A prefix with a space in it, and a staged install for a package.
prefix="$scratch/a prefix/opt/skalomi"
cmake --install "$build" --prefix "$prefix" >"$scratch/log" 2>&1 || fail "install into a prefix: $(cat "$scratch/log")"
check_tree "prefix" "$prefix"
DESTDIR="$scratch/stage" cmake --install "$build" --prefix /usr >"$scratch/log" 2>&1 ||
    fail "staged install: $(cat "$scratch/log")"
check_tree "staged" "$scratch/stage/usr"

# The installed programs answer without a display.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
version=$("${no_display[@]}" "$prefix/bin/skalomi" --version 2>&1) || fail "skalomi --version failed: $version"
expect_contains "skalomi --version" "$version" "Skalomi 4.02"
expect_equal "skalomi-cli --version" "$("$prefix/bin/skalomi-cli" --version 2>&1)" "$version"

# Each manual page renders without complaint, is this build's, has the
# sections a reader looks for and names every option --help lists.
for program in skalomi skalomi-cli; do
    page=$prefix/share/man/man1/$program.1.gz
    text=$(MANWIDTH=200 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>"$scratch/err") || fail "man -l $program.1.gz failed"
    [[ ! -s $scratch/err ]] || fail "man -l $program.1.gz complains: $(cat "$scratch/err")"
    expect_contains "$program(1)" "$text" "$program - "
    expect_contains "$program(1)" "$text" "$version"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS EXAMPLES FILES "SEE ALSO"; do
        grep -q "^$section" <<<"$text" || fail "$program(1) has no $section section"
    done
    grep -qiE "^ *exit +status" <<<"$text" || fail "$program(1) says nothing of the exit status"
    help=$("${no_display[@]}" "$prefix/bin/$program" --help)
    options=$(grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | grep -oE -- '--?[a-z][a-z-]*' | sort -u)
    [[ -n $options ]] || fail "no options found in $program --help"
    while read -r option; do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$text" || fail "$program(1) does not name $option"
    done <<<"$options"
done

# The README's removal, after an install into a home folder's ~/.local (one
# with a space in its name).
readme=$(dirname "$0")/../../README.md
removal=$(grep -m1 -E '^xargs .*rm < build/package/install_manifest.txt' "$readme")
[[ -n $removal ]] || fail "no removal line in the README"
local_prefix="$scratch/a home/.local"
cmake --install "$build" --prefix "$local_prefix" >"$scratch/log" 2>&1 || fail "install into ~/.local: $(cat "$scratch/log")"
(cd "$build" && bash -c "${removal//build\/package\//}") || fail "the README's removal failed"
expect_equal "files left after the removal" "$(find "$local_prefix" ! -type d)" ""

finish
