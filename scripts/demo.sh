#!/usr/bin/env bash
# Installs what is missing, builds DepExport, makes the sample register
# database with our own Jet writer and runs the three exports on it in batch
# mode, for the shop and the gastronomy edition. With DEMO_WINDOW=1 and a
# display it opens the window on the same database instead.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target DepExport make-register-db

# The window's default folder C:\VelmarFaktura lies on drive C:, which we
# map to a folder of the build.
sample=$(cd "$build" && pwd)/sample
export DEPEXPORT_DRIVE_C="$sample/drive_c"
database="$DEPEXPORT_DRIVE_C/VelmarFaktura/VelmarFaktura.mdb"
mkdir -p "$(dirname "$database")"
"$build/bench/make-register-db" 400 "$database" --password quillet --log-rows 250
echo "Sample database: $database (password quillet)"

if [ -n "${DEMO_WINDOW:-}" ] && [ -n "${DISPLAY:-}" ]; then
  exec "$build/app/DepExport"
fi

# The sample's sales run from 1 March 2017 over two years.
period=(--from 01.03.2017 --to 01.03.2019)
for edition in shop gastro; do
  variant=0
  [ "$edition" = gastro ] && variant=1
  LC_ALL=de_AT.UTF-8 LANG=de_AT.UTF-8 "$build/app/DepExport" --variant "$variant" "${period[@]}" --export dep131,dep7,log
  out="$sample/$edition"
  rm -rf "$out" && mkdir -p "$out"
  mv "$DEPEXPORT_DRIVE_C/VelmarFaktura/"{DEP_131.csv,LOG.csv,DEPExport*.json} "$out/"
done
echo
echo "Export files:"
ls -l "$sample/shop" "$sample/gastro"
