#!/usr/bin/env bash
# Times `DepExport --verify` on a DEP 7 file of really signed receipts
# (default 1,000,000; RECEIPTS=20000 for a quick run) beside OpenSSL's own
# ECDSA P-256 verify speed on this machine, and prints:
#   receipts  seconds  receipts/s  cpu s  receipts/cpu s  peak MiB  openssl/core  target/s  per core
# openssl/core is the verify/s of `openssl speed ecdsap256` (one core, CPU
# time); target/s is 80 % of it times the cores; per core is our receipts
# per CPU second over openssl/core. On a machine busy with other work the
# wall-clock rate falls short of the target while the per-core share,
# measured in CPU time on both sides, still holds.
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
openssl_verify=$(openssl speed -seconds 3 ecdsap256 2>/dev/null | awk '/nistp256/ { v = $NF } END { print v }')
/usr/bin/time -f "%e %U %S %M" -o "$work/time" \
  "$build/app/DepExport" --verify "$file" --aes-key "$key" --trust "$file.ca.pem" >"$work/out" ||
  { cat "$work/out"; exit 1; }
tail -n 1 "$work/out" | grep -q "Prüfung bestanden." || { cat "$work/out"; exit 1; }
read -r secs user sys kib <"$work/time"
printf '%-9s %8s %11s %7s %15s %9s %13s %9s %9s\n' receipts seconds receipts/s "cpu s" "receipts/cpu s" \
  "peak MiB" openssl/core target/s "per core"
awk -v n="$receipts" -v s="$secs" -v u="$user" -v y="$sys" -v k="$kib" -v o="$openssl_verify" -v c="$cores" 'BEGIN {
  t = s > 0 ? s : 0.005; cpu = u + y > 0 ? u + y : 0.005;
  printf "%-9d %8.2f %11.0f %7.2f %15.0f %9.1f %13.0f %9.0f %8.0f%%\n", n, s, n / t, u + y, n / cpu, k / 1024, o,
    0.8 * o * c, 100 * (n / cpu) / o }'
