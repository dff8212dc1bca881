#!/usr/bin/env bash
# A day of the lively practice conference on virtual time, with the program
# logged on as admin and moderating it: prints the wall time and peak memory
# of a 1-hour and a 24-hour run (memory should not grow with the length of
# the run) and whether two 24-hour runs with the same seed wrote the same
# transcript byte for byte. Figures only; nothing here passes or fails.
#
#   bench/sim_24h.sh [path/to/gavelry] [seed]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
gavelry="${1:-$here/build/src/app/gavelry}"
seed="${2:-20260105}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

scenario() { # $1: how long the conference runs
  cat <<SCN
conference "CONFERENCE 1" admin "FrothyLantern" sysop "FrothyLantern"
simulate "CONFERENCE 1" seed $seed
start
click Form6.Log_On_Conf
wait 2s
click Form6.Log_On_Admin
wait $1
end
SCN
}

run() { # $1: name, $2: duration
  scenario "$2" > "$work/$1.scn"
  QT_QPA_PLATFORM=offscreen /usr/bin/time -v "$gavelry" --scenario "$work/$1.scn" \
    --transcript "$work/$1.txt" 2> "$work/$1.time" || true
  local wall rss lines
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/$1.time")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/$1.time")
  lines=$(wc -l < "$work/$1.txt")
  printf '%-10s virtual %-4s wall %-9s peak RSS %7s kB  transcript %6s lines\n' "$1" "$2" "$wall" "$rss" "$lines"
}

run one-hour 1h
run day-a 24h
run day-b 24h
if cmp -s "$work/day-a.txt" "$work/day-b.txt"; then
  echo "same seed, same transcript: identical ($(wc -c < "$work/day-a.txt") bytes, sha256 $(sha256sum < "$work/day-a.txt" | cut -c1-16))"
else
  echo "same seed, same transcript: DIFFERENT"
  cmp "$work/day-a.txt" "$work/day-b.txt" | head -1
fi
