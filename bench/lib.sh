# Shared pieces of the benchmark scripts.  Sourced.

# The median of the numbers on stdin, one per line.
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Milliseconds of one run of a command.
time_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null
  t1=$(date +%s%N)
  awk -v d=$((t1 - t0)) 'BEGIN { printf "%.2f\n", d / 1e6 }'
}

# field NAME: the number after NAME= in the line on stdin.
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
