#!/bin/sh
# The cost of coverage and profiling on the automatic run: user time (median of RUNS runs of
# 320 M steps) of the plain run, with --coverage, with --profile and --profile-folded, and with
# one breakpoint that is never hit (the checked loop alone), each relative to the plain run.
#
#   bench/cover_speed.sh BUILD_DIR [RUNS]
set -eu
build=${1:?usage: bench/cover_speed.sh BUILD_DIR [RUNS]}
runs=${2:-7}
src=$(cd "$(dirname "$0")/.." && pwd)
run=$build/tools/kv74-run/kv74-run
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf 'break 0x1FF0\ncontinue\n' > "$tmp/break.do"

median() {
  i=0
  while [ $i -lt "$runs" ]; do
    /usr/bin/time -f '%U' -o "$tmp/time" "$run" -q --input "$src/firmware/demo/auto-run.input" \
      --steps 320000000 --workdir "$tmp/w" "$@" > /dev/null
    cat "$tmp/time"
    i=$((i + 1))
  done | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

plain=$(median)
printf '%-10s %8s %8s\n' run "user s" "vs plain"
printf '%-10s %8s %8s\n' plain "$plain" 1.00
for w in coverage profile breakpoint; do
  case $w in
    coverage) t=$(median --coverage "$tmp/c.info") ;;
    profile) t=$(median --profile "$tmp/p.cg" --profile-folded "$tmp/p.folded") ;;
    breakpoint) t=$(median --do "$tmp/break.do") ;;
  esac
  printf '%-10s %8s %8s\n' $w "$t" "$(echo "$t / $plain" | bc -l | xargs printf '%.2f')"
done
