# shellcheck shell=bash
# Shared by the shell tests: failures are counted, reported with what was
# expected, and decide the exit status at the end (finish).

failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_contains WHAT TEXT PART
expect_contains() {
    [[ $2 == *"$3"* ]] || fail "$1: '$3' not found in:"$'\n'"$2"
}

# expect_equal WHAT ACTUAL EXPECTED
expect_equal() {
    [[ $2 == "$3" ]] || fail "$1:"$'\n'"  got:      $2"$'\n'"  expected: $3"
}

# expect_same_lines WHAT ACTUAL EXPECTED: the same lines, whatever the order.
expect_same_lines() {
    local diff
    diff=$(diff <(sort <<<"$2") <(sort <<<"$3")) || fail "$1 (< got, > expected):"$'\n'"$diff"
}

# A fresh folder removed when the script ends.
make_temp() {
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
}

# Ends the script: status 1 when a check failed.
finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
