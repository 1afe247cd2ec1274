#!/usr/bin/env bash
# The end-to-end suite N times in a row with two busy processes beside it at
# normal priority, as on a shared machine; prints each run's result and the
# count of green runs, and fails unless every run was green. Needs the build
# that scripts/test.sh makes (BUILD_DIR, default build/).
#   scripts/under-load.sh [N] [BUILD_DIR]
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
N=${1:-20}
BUILD=${2:-$ROOT/build}
LOG=$BUILD/under-load/debian-$(. /etc/os-release && echo "$VERSION_ID")
mkdir -p "$LOG"
busy=()
for _ in 1 2; do (while :; do :; done) & busy+=($!); done
trap 'kill "${busy[@]}" 2>/dev/null' EXIT
green=0
for i in $(seq "$N"); do
    if bash "$ROOT/tests/e2e/run.sh" "$BUILD" >"$LOG/$i.log" 2>&1; then
        green=$((green + 1))
        echo "run $i: green"
    else
        echo "run $i: red (see $LOG/$i.log and the records kept in $LOG/$i.records):"
        for r in "$BUILD"/win*/e2e/wine-*/records; do
            mkdir -p "$LOG/$i.records" && cp -r "$r" "$LOG/$i.records/$(basename "$(dirname "$r")")"
        done
        grep -E '^FAIL|^ +\[' "$LOG/$i.log" | head -20
    fi
done
echo "under load: $green of $N runs green"
[ "$green" -eq "$N" ]
