#!/usr/bin/env bash
# The README's recipes for spreading a job over many machines, run on this
# machine: the GNU parallel block with local workers in place of the SSH
# hosts, and the Kubernetes Job's command once for each completion index.
# Either must write what one run writes, byte for byte, report each input
# once, and carry on an interrupted job without touching what is done.
#   parallel_recipe_test.sh README SKALOMI_CLI SAMPLE_BMP
set -uo pipefail
# shellcheck source=tests/packaging/testlib.sh
source "$(dirname "$0")/../packaging/testlib.sh"
readme=$1
cli=$2
sample=$3
make_temp
command -v parallel >/dev/null || {
    echo "GNU parallel is missing (tools/install-deps test installs it)" >&2
    exit 1
}
# skalomi-cli as the recipes name it; parallel keeps its settings in HOME.
bin=$scratch/bin
mkdir -p "$bin" "$scratch/home/.parallel"
ln -s "$cli" "$bin/skalomi-cli"
touch "$scratch/home/.parallel/will-cite"
export PATH=$bin:$PATH HOME=$scratch/home

# Pictures in a tree, a few larger than the recipe's long edge, one a
# phone's photo stored on its side.
original=$scratch/photos/original
mkdir -p "$original/2023/spring" "$original/2024"
rotations=(0 right 180 left)
i=0
for folder in "" 2023 2023/spring 2024; do
    for percent in 20 35 50 65 80 95; do
        i=$((i + 1))
        skalomi-cli -q -p "$percent" -r "${rotations[i % 4]}" -o "$original/$folder/p$i.jpg" "$sample"
    done
done >/dev/null
{
    skalomi-cli -q -p 500 -o "$original/2024/large.jpg" "$sample"
    skalomi-cli -q -p 450 -o "$original/2023/large.png" "$sample"
    skalomi-cli -q -p 130 -o "$original/sample.bmp" "$sample"
    skalomi-cli -q -p 400 -o "$scratch/side.jpg" "$sample"
} >/dev/null
# An APP1 segment with EXIF orientation 6 (turn a quarter clockwise) after
# the start-of-image marker.
{
    head -c 2 "$scratch/side.jpg"
    printf '\xff\xe1\x00\x22Exif\x00\x00II\x2a\x00\x08\x00\x00\x00\x01\x00'
    printf '\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00\x00'
    tail -c +3 "$scratch/side.jpg"
} >"$original/2024/phone.jpg"
inputs=$(find "$original" -type f | wc -l)
expect_equal "pictures made" "$inputs" 28

# One run, to compare with.
mkdir -p "$scratch/one"
skalomi-cli -q -R --auto-orient --long-edge 1600 --no-enlarge -d "$scratch/one" "$original" >/dev/null ||
    fail "the single run failed"
expect_equal "the phone's photo upright" "$(skalomi-cli -n --auto-orient -p 100 "$original/2024/phone.jpg")" \
    "$original/2024/phone.jpg -> $original/2024/phone_ks.jpg (1200x1600 -> 1200x1600)"

# ---------------------------------------------------------------- GNU parallel
recipe=$(awk '/GNU parallel over SSH/ { found = 1 }
              found && /^```sh/ { inside = 1; next }
              inside && /^```/ { exit }
              inside { print }' "$readme")
[[ $recipe == *"parallel --sshlogin"* ]] || fail "no GNU parallel block found in $readme"
recipe=$(sed -e 's|^hosts=.*|hosts=3/:|' -e "s|/srv/photos|$scratch/photos|g" <<<"$recipe")
bash -c "$recipe" >/dev/null || fail "the recipe failed"

small=$scratch/photos/small
diff -r --exclude='report-*.jsonl' "$small" "$scratch/one" >/dev/null ||
    fail "the shards wrote other files than one run: $(diff -rq --exclude='report-*.jsonl' "$small" "$scratch/one")"
expect_equal "report files" "$(find "$small" -name 'report-*.jsonl' | wc -l)" 24
expect_equal "report lines" "$(cat "$small"/report-*.jsonl | wc -l)" "$inputs"
expect_equal "inputs reported twice" \
    "$(cat "$small"/report-*.jsonl | grep -o '"input":"[^"]*"' | sort | uniq -d)" ""
expect_equal "statuses" "$(cat "$small"/report-*.jsonl | grep -o '"status":"[a-z]*"' | sort -u)" '"status":"ok"'

# An interrupted job: one output lost, the rest done. Running the recipe
# again writes that one and leaves the others as they are.
touch -d '2001-01-01' "$small/2024/large_ks.jpg"
rm "$small/2023/spring/p13_ks.jpg"
bash -c "$recipe" >/dev/null 2>&1 || fail "the rerun failed, though its outputs only existed"
cmp -s "$small/2023/spring/p13_ks.jpg" "$scratch/one/2023/spring/p13_ks.jpg" ||
    fail "the lost output was not written again"
expect_equal "a done output untouched" "$(date -r "$small/2024/large_ks.jpg" +%Y)" 2001
expect_equal "the rerun's written files" \
    "$(cat "$small"/report-*.jsonl | grep -c '"status":"ok"')" "$((inputs + 1))"

# ------------------------------------------------------------- Kubernetes Job
job=$(awk '/kind: Job/ { found = 1 }
           found && /- >-/ { inside = 1; next }
           inside && /volumeMounts:/ { exit }
           inside { sub(/^ +/, ""); printf "%s ", $0 }' "$readme")
# shellcheck disable=SC2016 # the text of the command, not its value
[[ $job == *'--shard $JOB_COMPLETION_INDEX/24'* ]] || fail "no Job command found in $readme: $job"
completions=$(awk '/completions:/ { print $2; exit }' "$readme")
expect_equal "completions" "$completions" 24
mkdir -p "$scratch/k8s"
cp -r "$original" "$scratch/k8s/original"
job=${job//\/photos/$scratch\/k8s}
for ((index = 0; index < completions; index++)); do
    JOB_COMPLETION_INDEX=$index sh -c "$job" >/dev/null || fail "the pod of index $index failed"
done
diff -r --exclude='report-*.jsonl' "$scratch/k8s/small" "$scratch/one" >/dev/null ||
    fail "the Job wrote other files than one run"
expect_equal "the Job's report lines" "$(cat "$scratch"/k8s/small/report-*.jsonl | wc -l)" "$inputs"
# Run again, the pods succeed on the outputs they find; a damaged input
# fails the one pod whose share it is in.
printf '\xff\xd8\xff\xe0damaged' >"$scratch/k8s/original/2024/damaged.jpg"
failed=0
for ((index = 0; index < completions; index++)); do
    JOB_COMPLETION_INDEX=$index sh -c "$job" >/dev/null 2>&1 || failed=$((failed + 1))
done
expect_equal "pods failed by a damaged input" "$failed" 1

finish
