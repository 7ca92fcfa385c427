#!/bin/sh
# Steps per second (median of several runs) and host instructions per step (callgrind, the
# difference of a long and a short run, so start-up cost drops out) on three workloads:
#   busy   the tight loop with every peripheral ticking (data/make_placeholders.py --busy-loop)
#   mix    the core instruction mix (bench/mix_program.hpp, kv74-core-steps)
#   auto   the bundled firmware's automatic run, whole run headless (kv74-run)
# Then the run-control engine's loops on the mix: with nothing set, with one PC breakpoint and with
# one watchpoint (never hit), and as the debugger window sets it (history, calls, checkpoints), in
# host instructions per step and relative to the plain loop.
# Wall-clock figures depend on the load of the host; the instruction counts do not. The rates
# include start-up (image loading, panel set-up), which the instruction counts leave out.
#
#   bench/speed.sh BUILD_DIR [RUNS]
set -eu
build=${1:?usage: bench/speed.sh BUILD_DIR [RUNS]}
runs=${2:-5}
src=$(cd "$(dirname "$0")/.." && pwd)
run=$build/tools/kv74-run/kv74-run
mix=$build/bench/kv74-core-steps
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$src/data/make_placeholders.py" --busy-loop "$tmp/busy"
input=$src/firmware/demo/auto-run.input

# The command line of a workload for N steps.
cmd() {
  case $1 in
    busy) echo "$run --images $tmp/busy --steps $2 --workdir $tmp/w" ;;
    mix) echo "$mix $2" ;;
    engine) echo "$mix $2 e" ;;
    breakpoint) echo "$mix $2 b" ;;
    watchpoint) echo "$mix $2 w" ;;
    window) echo "$mix $2 d" ;;
    auto) echo "$run --input $input --steps $2 --workdir $tmp/w" ;;
  esac
}

# Median steps per second over $runs runs of N steps: by wall-clock time and by the processor
# time the run was given (user + system), which a busy host disturbs less.
rate() {
  i=0
  while [ $i -lt "$runs" ]; do
    s=$(date +%s.%N)
    /usr/bin/time -f '%U %S' -o "$tmp/time" $(cmd "$1" "$2") > /dev/null 2>&1
    e=$(date +%s.%N)
    echo "$2 / ($e - $s)" | bc -l >> "$tmp/wall"
    echo "$2 / ($(cut -d' ' -f1 "$tmp/time") + $(cut -d' ' -f2 "$tmp/time") + 0.001)" | bc -l >> "$tmp/cpu"
    i=$((i + 1))
  done
  for f in wall cpu; do
    sort -g "$tmp/$f" | awk '{ v[NR] = $1 } END { printf "%12.0f", v[int((NR + 1) / 2)] / 1e6 }'
    rm "$tmp/$f"
  done
}

# Host instructions executed by a run of N steps.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$tmp/cg" $(cmd "$1" "$2") > /dev/null 2> "$tmp/log"
  sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$tmp/log"
}

printf '%-6s %12s %12s %14s\n' workload "M steps/s" "(cpu time)" "instr/step"
for w in busy mix auto; do
  case $w in
    auto) long=30000000 short=10000000 ;;
    *) long=3000000 short=1000000 ;;
  esac
  [ $w = auto ] && n=30000000 || n=200000000
  r=$(rate $w $n)
  a=$(instructions $w $long)
  b=$(instructions $w $short)
  printf '%-6s %s %14s\n' $w "$r" "$(echo "($a - $b) / ($long - $short)" | bc -l | xargs printf '%.1f')"
done

per_step() {
  a=$(instructions "$1" 3000000)
  b=$(instructions "$1" 1000000)
  echo "($a - $b) / 2000000" | bc -l
}
plain=$(per_step mix)
printf '\n%-10s %14s %14s\n' loop instr/step "vs plain"
for w in engine breakpoint watchpoint window; do
  x=$(per_step $w)
  printf '%-10s %14s %14s\n' $w "$(printf '%.1f' "$x")" "$(echo "$x / $plain" | bc -l | xargs printf '%.2f')"
done
