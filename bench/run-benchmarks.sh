#!/usr/bin/env bash
# Times the three exports in batch mode on register databases of 10,000,
# 100,000 and 1,000,000 rows, beside mdbtools' own mdb-export dumping the
# same table to CSV, and prints a table:
#   rows  export  seconds  rows/s  peak MiB  mdb-export s  ratio
# ratio is our time over mdb-export's time of the export's table.
#
#   bash bench/run-benchmarks.sh            (builds first; SIZES="10000" for a quick run)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
sizes=${SIZES:-"10000 100000 1000000"}
if [ -z "${NO_BUILD:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target DepExport make-register-db >/dev/null
fi
depexport="$build/app/DepExport"
makedb="$build/bench/make-register-db"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wall seconds and peak resident KiB of a command, output thrown away
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
    echo "failed: $*" >&2; cat "$work/stderr" >&2; exit 1; }
  cat "$work/time"
}

printf '%-9s %-7s %9s %11s %9s %13s %6s\n' rows export seconds rows/s "peak MiB" "mdb-export s" ratio
for n in $sizes; do
  dir="$work/db$n"
  mkdir -p "$dir"
  # made-up signatures: real certificates would take the 1,000,000-row
  # tables beyond the 2 GB that Jet files hold
  "$makedb" "$n" "$dir/VelmarFaktura.mdb" --password quillet --unsigned
  read -r shop_s _ < <(measure mdb-export "$dir/VelmarFaktura.mdb" Barverkaeufe)
  read -r log_s _ < <(measure mdb-export "$dir/VelmarFaktura.mdb" Protokoll)
  for export in dep131 log dep7; do
    base=$shop_s
    [ "$export" = log ] && base=$log_s
    read -r secs kib < <(measure "$depexport" --variant 0 --folder "$dir" --password quillet \
      --from 2017-03-01 --to 2019-03-01 --export "$export" --quiet)
    awk -v n="$n" -v e="$export" -v s="$secs" -v k="$kib" -v b="$base" 'BEGIN {
      t = s > 0 ? s : 0.005; bb = b > 0 ? b : 0.005;
      printf "%-9d %-7s %9.2f %11.0f %9.1f %13.2f %6.2f\n", n, e, s, n / t, k / 1024, b, t / bb }'
  done
done
