#!/usr/bin/env bash
# The menu entry and the software-centre metadata: valid by the
# freedesktop.org and AppStream validators, and offering every picture type
# the loader reads under the names the shared MIME database knows. The
# metadata names this release as the Debian changelog does, loses no text
# to CMake, and names a home page and screenshots only when the build is
# given a home page, the screenshots being the project's own.
#   desktop_entry_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
src=$1
build=$2
desktop=$src/packaging/org.skalomi.Skalomi.desktop
metainfo=$build/packaging/org.skalomi.Skalomi.metainfo.xml

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate refuses the entry: $out"
[[ -z $out ]] || fail "desktop-file-validate has remarks: $out"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli refuses the metadata: $out"

# The value of KEY ("Name", "Name[ja]") in the entry.
field() { awk -v key="$1" 'index($0, key "=") == 1 { print substr($0, length(key) + 2) }' "$desktop"; }
expect_equal "Exec" "$(field Exec)" "skalomi %f"
for key in Name 'Name[ja]' Comment 'Comment[ja]' GenericName 'GenericName[ja]'; do
    [[ -n $(field "$key") ]] || fail "the entry has no $key"
done
expect_contains "Categories" "$(field Categories)" "Graphics;"

# The loader's formats by their names in the shared MIME database; the old
# x- names some programs still send may come too, if the database knows them.
loader_types=(image/bmp image/jpeg image/gif image/png image/wmf image/emf)
offered=$(field MimeType | tr ';' '\n' | sed '/^$/d')
for type in "${loader_types[@]}"; do
    grep -qx "$type" <<<"$offered" || fail "the entry does not offer $type"
done
mime_db=/usr/share/mime
[[ -f $mime_db/aliases ]] || fail "no shared MIME database at $mime_db (shared-mime-info)"
while read -r type; do
    [[ -f $mime_db/$type.xml ]] || grep -q "^$type " "$mime_db/aliases" ||
        fail "$type is not a type the shared MIME database knows"
done <<<"$offered"

# The metadata names the same types, the same entry and the programs.
mediatypes=$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo")
expect_same_lines "media types in the metadata" "$mediatypes" "$(printf '%s\n' "${loader_types[@]}")"
metadata=$(cat "$metainfo")
expect_contains "metadata" "$metadata" "<id>$(basename "$desktop" .desktop)</id>"
expect_contains "metadata" "$metadata" "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>"
expect_contains "metadata" "$metadata" "<binary>skalomi</binary>"
expect_contains "metadata" "$metadata" "<binary>skalomi-cli</binary>"

# The release, as the Debian changelog's last entry has it.
changelog=$(head -1 "$src/packaging/debian/changelog")
version=$(sed -E 's/^[^(]*\(([^-)]*).*/\1/' <<<"$changelog")
day=$(date -u -d "$(grep -m1 -oP '^ -- .*>  \K.*' "$src/packaging/debian/changelog")" +%F)
expect_contains "metadata" "$metadata" "<release version=\"$version\" date=\"$day\"/>"

# configure_file takes every @NAME@ for a variable, one it does not know for
# an empty one: the template names only variables the build sets.
template=$src/packaging/org.skalomi.Skalomi.metainfo.xml.in
known=$(grep -ohE 'set\((SKALOMI|CPACK)_[A-Z_]+' "$src/packaging/CMakeLists.txt" | cut -c5- | sort -u)
while read -r name; do
    [[ -z $name || $name == PROJECT_VERSION ]] || grep -qx "$name" <<<"$known" ||
        fail "the template's @$name@ is no variable of the build: it would vanish"
done < <(grep -oE '@[A-Za-z0-9_./+-]+@' "$template" | tr -d @ | sort -u)

# No home page given: none named, and no screenshots, which would need one.
if grep -qE '<url|<screenshot' "$metainfo"; then
    fail "a home page or screenshots without a home page: $(grep -E '<url|<image' "$metainfo")"
fi
# With one, both, the images being those in packaging/screenshots.
make_temp
home=https://www.example.org/skalomi/
cmake -S "$src" -B "$scratch/web" -DSKALOMI_HOMEPAGE=$home -DSKALOMI_BUILD_TESTS=OFF >"$scratch/log" 2>&1 ||
    fail "configuring with a home page failed: $(cat "$scratch/log")"
web=$scratch/web/packaging/org.skalomi.Skalomi.metainfo.xml
out=$(appstreamcli validate --no-net "$web" 2>&1) || fail "appstreamcli refuses the metadata with a home page: $out"
expect_contains "metadata with a home page" "$(cat "$web")" "<url type=\"homepage\">$home</url>"
images=$(sed -n 's:.*<image>\(.*\)</image>.*:\1:p' "$web")
[[ -n $images ]] || fail "no screenshots with a home page"
while read -r image; do
    [[ $image == "${home}screenshots/"* && -f $src/packaging/screenshots/${image##*/} ]] ||
        fail "the screenshot $image is not one of packaging/screenshots"
done <<<"$images"
grep -q '<caption xml:lang="ja">' "$web" || fail "the screenshots have no Japanese captions"

# The icon the entry names is one we install.
icon=$(field Icon)
[[ -f $src/packaging/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no scalable icon named $icon"

finish
