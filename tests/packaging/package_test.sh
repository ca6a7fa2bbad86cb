#!/usr/bin/env bash
# `cpack -G DEB` makes the Debian package from the finished build: its name,
# version, section, maintainer and description, the libraries it needs as
# dpkg-shlibdeps found them plus the interface's fonts, and exactly the files
# an install to /usr holds; lintian finds nothing to object to, not even a
# missing hardening, and the changelog names this version.
#   package_test.sh BUILD_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
build=$1
make_temp

if ! (cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/log" 2>&1; then
    fail "cpack -G DEB failed: $(cat "$scratch/log")"
    finish
fi
shopt -s nullglob
debs=("$scratch"/out/skalomi_4.02-*_"$(dpkg --print-architecture)".deb)
if ((${#debs[@]} != 1)); then
    fail "expected one skalomi_4.02-*_$(dpkg --print-architecture).deb, found: $(ls "$scratch/out")"
    finish
fi
deb=${debs[0]}

field() { dpkg-deb --field "$deb" "$1"; }
expect_equal "Package" "$(field Package)" "skalomi"
[[ $(field Version) =~ ^4\.02-[0-9]+$ ]] || fail "Version is $(field Version)"
expect_equal "Section" "$(field Section)" "graphics"
expect_equal "Architecture" "$(field Architecture)" "$(dpkg --print-architecture)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^\>]+@[^\>]+\>$ ]] || fail "Maintainer is '$(field Maintainer)'"
description=$(field Description)
[[ $(head -1 <<<"$description") == *pictures* ]] || fail "the Description's first line is '$(head -1 <<<"$description")'"
(($(wc -l <<<"$description") >= 3)) || fail "the Description has no long text"
[[ $(sed -n 2p <<<"$description" | sed 's/^ *//') != "$(head -1 <<<"$description")" ]] ||
    fail "the Description's long text repeats its first line"

# Depends: the libraries as dpkg-shlibdeps names them (with versions) and
# the fonts the window is drawn with.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for package in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo zlib1g libc6 fonts-ipafont-gothic; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done
[[ $(field Depends) == *"libqt6widgets6 (>= "* ]] || fail "no version on libqt6widgets6: the dependencies were not computed"

# The control data a package manager checks.
info=$(dpkg-deb --info "$deb") || fail "dpkg-deb --info failed"
expect_contains "dpkg-deb --info" "$info" "Installed-Size:"

# The files: those of an install to /usr, owned by root, nothing else.
contents=$(dpkg-deb --contents "$deb") || fail "dpkg-deb --contents failed"
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$contents" | sed 's:^\./::')
DESTDIR="$scratch/stage" cmake --install "$build" --prefix /usr >/dev/null 2>&1 || fail "staged install failed"
expect_same_lines "files in the package" "$files" "$(cd "$scratch/stage" && find . ! -type d | sed 's:^\./::')"
owners=$(awk '{ print $2 }' <<<"$contents" | sort -u)
expect_equal "owners" "$owners" "root/root"
# Stripped programs: no debugging sections in the package.
dpkg-deb --extract "$deb" "$scratch/root"
for program in skalomi skalomi-cli; do
    [[ -x $scratch/root/usr/bin/$program ]] || fail "no usr/bin/$program"
    ! readelf -S "$scratch/root/usr/bin/$program" | grep -q '\.debug_info' || fail "$program is not stripped"
done

# lintian as the archive runs it, its notes included.
if ! command -v lintian >/dev/null; then
    fail "lintian is missing (tools/install-deps test installs it)"
else
    remarks=$(lintian --display-info --tag-display-limit 0 "$deb" 2>&1)
    expect_equal "lintian's errors, warnings and hardening notes" \
        "$(grep -E '^(E|W): |hardening' <<<"$remarks")" ""
fi
changelog=$(zcat "$scratch/root/usr/share/doc/skalomi/changelog.Debian.gz" | head -1)
expect_equal "the changelog's last entry" "${changelog%%)*})" "skalomi ($(field Version))"

finish
