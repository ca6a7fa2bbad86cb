#!/usr/bin/env bash
# The committed PNG icons are the SVG rendered at the hicolor sizes: a
# changed drawing was rendered again (packaging/icons/render-icons), and no
# size is missing or left over.
#   icons_test.sh SOURCE_DIR
set -uo pipefail
# shellcheck source=testlib.sh
source "$(dirname "$0")/testlib.sh"
icons=$1/packaging/icons
make_temp

"$icons/render-icons" "$scratch/hicolor" || fail "render-icons failed"
expect_same_lines "icon files" \
    "$(cd "$icons/hicolor" && find . -type f -name '*.png')" \
    "$(cd "$scratch/hicolor" && find . -type f -name '*.png')"

# Pixels, not bytes: another zlib may pack the same picture differently.
for rendered in "$scratch"/hicolor/*/apps/*.png; do
    committed=$icons/hicolor/${rendered#"$scratch"/hicolor/}
    [[ -f $committed ]] || continue
    verdict=$(/usr/bin/python3 - "$rendered" "$committed" <<'PY'
import sys
from PIL import Image, ImageChops
a, b = (Image.open(p).convert("RGBA") for p in sys.argv[1:3])
if a.size != b.size:
    print(f"size {b.size} instead of {a.size}")
else:
    worst = max(high for _, high in ImageChops.difference(a, b).getextrema())
    print("same" if worst <= 2 else f"differs by up to {worst}")
PY
)
    expect_equal "${committed#"$icons"/}" "$verdict" "same"
done

finish
