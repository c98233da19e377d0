#!/usr/bin/env bash
# Times the three exports of the command-line program depexport on register
# databases of two shapes, beside mdbtools' own mdb-export dumping the same table to CSV, and
# prints a table:
#   rows  shape  export  seconds  rows/s  peak MiB  mdb-export s  ratio  files
# - unsigned (SIZES, default 10,000, 100,000 and 1,000,000 rows): made-up
#   certificates and random signature bytes, small rows;
# - signed (SIGNED_SIZES, default 300,000 and 500,000 rows): a real
#   certificate and signature on every receipt, as a register's table holds
#   them; 500,000 rows is about the largest such file under the 2 GB a Jet
#   file holds.
# Either list may be empty (SIGNED_SIZES= for the unsigned series alone).
# ratio is our time over mdb-export's time of the export's table; each time
# is the median of REPEAT runs (default 3).
#
# Speed must never change a byte: every export is run once more by a
# reference build on the same database, and the SHA-256 sums of the files
# both write are compared ("files" says "same"); the script fails at the
# first difference. The reference build is the source of REFERENCE_REV
# (default main) built in ${BUILD_DIR}-reference; REFERENCE=path/to/DepExport
# takes a binary built before instead.
#
#   bash bench/run-benchmarks.sh            (builds first; SIZES="10000" SIGNED_SIZES="10000" for a quick run)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
sizes=${SIZES-"10000 100000 1000000"}
signed_sizes=${SIGNED_SIZES-"300000 500000"}
if [ -z "${NO_BUILD:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target depexport DepExport make-register-db >/dev/null
fi
depexport="$build/app/depexport"
windowed="$build/app/DepExport"
makedb="$build/bench/make-register-db"
reference=${REFERENCE:-}
if [ -z "$reference" ]; then
  rev=${REFERENCE_REV:-main}
  refdir="$build-reference"
  rm -rf "$refdir/src"
  mkdir -p "$refdir/src"
  git archive "$rev" | tar -x -C "$refdir/src"
  cmake -S "$refdir/src" -B "$refdir/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$refdir/build" -j"$(nproc)" --target DepExport >/dev/null
  reference="$refdir/build/app/DepExport"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wall seconds and peak resident KiB of a command, output thrown away:
# the median seconds of REPEAT runs (default 3) and the largest peak
measure() {
  local runs=${REPEAT:-3} i
  : >"$work/times"
  for ((i = 0; i < runs; i++)); do
    # what earlier runs wrote goes to the disk first, not into this run's time
    sync
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
      echo "failed: $*" >&2; cat "$work/stderr" >&2; exit 1; }
    cat "$work/time" >>"$work/times"
  done
  local peak
  peak=$(sort -n -k2 "$work/times" | tail -1 | cut -d' ' -f2)
  echo "$(sort -n -k1 "$work/times" | sed -n "$(( (runs + 1) / 2 ))p" | cut -d' ' -f1) $peak"
}

# Moves the files an export wrote in folder $1 to folder $2.
collect() {
  mkdir -p "$2"
  find "$1" -maxdepth 1 -type f \( -name '*.csv' -o -name '*.json' \) -exec mv -t "$2" {} +
}

# SHA-256 sums of the files in folder $1, by name.
checksums() {
  (cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort | xargs -r -d '\n' sha256sum)
}

printf '%-9s %-8s %-7s %9s %11s %9s %13s %6s %s\n' rows shape export seconds rows/s "peak MiB" "mdb-export s" ratio files

# Times the exports on a database of $1 rows per table of shape $2
# (signed or unsigned).
bench_database() {
  local n=$1 shape=$2 dir="$work/db$1-$2" export base secs kib same shop_s log_s
  mkdir -p "$dir/reference"
  if [ "$shape" = unsigned ]; then
    # made-up signatures: real certificates would take the 1,000,000-row
    # tables beyond the 2 GB that Jet files hold
    "$makedb" "$n" "$dir/VelmarFaktura.mdb" --password quillet --unsigned
  else
    "$makedb" "$n" "$dir/VelmarFaktura.mdb" --password quillet
  fi
  ln "$dir/VelmarFaktura.mdb" "$dir/reference/VelmarFaktura.mdb"
  read -r shop_s _ < <(measure mdb-export "$dir/VelmarFaktura.mdb" Barverkaeufe)
  read -r log_s _ < <(measure mdb-export "$dir/VelmarFaktura.mdb" Protokoll)
  for export in dep131 log dep7; do
    base=$shop_s
    [ "$export" = log ] && base=$log_s
    args=(--variant 0 --password quillet --from 2017-03-01 --to 2019-03-01 --export "$export" --quiet)
    read -r secs kib < <(measure "$depexport" --folder "$dir" "${args[@]}")
    collect "$dir" "$dir/new/$export"
    "$reference" --folder "$dir/reference" "${args[@]}" >/dev/null 2>&1 || true
    collect "$dir/reference" "$dir/old/$export"
    same=same
    if [ "$(checksums "$dir/new/$export")" != "$(checksums "$dir/old/$export")" ]; then
      same=DIFFERENT
    fi
    [ -n "$(checksums "$dir/new/$export")" ] || same=MISSING
    awk -v n="$n" -v sh="$shape" -v e="$export" -v s="$secs" -v k="$kib" -v b="$base" -v f="$same" 'BEGIN {
      t = s > 0 ? s : 0.005; bb = b > 0 ? b : 0.005;
      printf "%-9d %-8s %-7s %9.2f %11.0f %9.1f %13.2f %6.2f %s\n", n, sh, e, s, n / t, k / 1024, b, t / bb, f }'
    if [ "$same" != same ]; then
      echo "$export on $n $shape rows: the files differ from the reference build's:" >&2
      diff <(checksums "$dir/old/$export") <(checksums "$dir/new/$export") >&2 || true
      exit 1
    fi
    rm -rf "$dir/new/$export" "$dir/old/$export"
  done
  # the next database gets the disk space back
  rm -rf "$dir"
}

for n in $sizes; do
  bench_database "$n" unsigned
done
for n in $signed_sizes; do
  bench_database "$n" signed
done

# The start-up cost of a batch run: 50 runs of --version by depexport (Qt
# Core) and by DepExport (Qt Widgets and Gui loaded, minimal platform).
startup() {
  local start end
  start=$(date +%s%N)
  for _ in $(seq 50); do "$1" --version >/dev/null; done
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 50 / 1e6 }'
}
printf 'start-up of a batch run (--version, mean of 50): depexport %s ms, DepExport %s ms\n' \
  "$(startup "$depexport")" "$(startup "$windowed")"
