#!/usr/bin/env bash
# Times `DepExport --verify` on a DEP 7 file of really signed receipts
# (default 1,000,000; RECEIPTS=20000 for a quick run) beside what OpenSSL
# itself verifies on all cores in the same minute, and prints:
#   receipts  seconds  receipts/s  cpu s  peak MiB  openssl verify/s  target/s  share
# openssl verify/s is `openssl speed -multi <cores> ecdsap256`; target/s is
# 80 % of it; share is our receipts/s over openssl's verify/s.
#
#   bash bench/run-verify-benchmark.sh            (builds first)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
receipts=${RECEIPTS:-1000000}
if [ -z "${NO_BUILD:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target DepExport make-dep7-file >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

file="$work/DEPExport-bench.json"
key=$("$build/bench/make-dep7-file" "$receipts" "$file")
cores=$(nproc)
openssl_verify=$(openssl speed -seconds 5 -multi "$cores" ecdsap256 2>/dev/null |
  awk '/nistp256/ { v = $NF } END { print v }')
/usr/bin/time -f "%e %U %S %M" -o "$work/time" \
  "$build/app/DepExport" --verify "$file" --aes-key "$key" --trust "$file.ca.pem" >"$work/out" ||
  { cat "$work/out"; exit 1; }
tail -n 1 "$work/out" | grep -q "Prüfung bestanden." || { cat "$work/out"; exit 1; }
read -r secs user sys kib <"$work/time"
printf '%-9s %8s %11s %7s %9s %17s %9s %6s\n' receipts seconds receipts/s "cpu s" "peak MiB" "openssl verify/s" target/s share
awk -v n="$receipts" -v s="$secs" -v u="$user" -v y="$sys" -v k="$kib" -v o="$openssl_verify" 'BEGIN {
  t = s > 0 ? s : 0.005; r = n / t;
  printf "%-9d %8.2f %11.0f %7.2f %9.1f %17.0f %9.0f %5.0f%%\n", n, s, r, u + y, k / 1024, o, 0.8 * o, 100 * r / o }'
