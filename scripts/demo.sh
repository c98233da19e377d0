#!/usr/bin/env bash
# Installs what is missing, builds DepExport, makes the sample register
# database with our own Jet writer (its receipts signed with a test CA made
# on the spot) and runs the three exports on it in batch mode, for the shop
# and the gastronomy edition, then the DEP 7 export of each register on its
# own, and checks those files with DepExport --verify and the registers' AES
# key. With DEMO_WINDOW=1 and a display it opens the window on the same
# database instead.
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
"$build/bench/make-register-db" 2000 "$database" --password quillet --log-rows 250
aes_key_file="${database%.mdb}-aes-key.txt"
ca_file="${database%.mdb}-test-ca.pem"
echo "Sample database: $database (password quillet)"
echo "AES key of its registers: $aes_key_file; test CA: $ca_file"

if [ -n "${DEMO_WINDOW:-}" ] && [ -n "${DISPLAY:-}" ]; then
  exec "$build/app/DepExport"
fi

# The sample's sales run from 1 March 2017 over two years.
period=(--from 01.03.2017 --to 01.03.2019)
for edition in shop gastro; do
  variant=0
  [ "$edition" = gastro ] && variant=1
  LC_ALL=de_AT.UTF-8 LANG=de_AT.UTF-8 "$build/app/DepExport" --variant "$variant" "${period[@]}" --export dep131,dep7,log
  # One DEP 7 file per register of company 1, its receipts in chain order.
  for kassa in 1 2 3; do
    LC_ALL=de_AT.UTF-8 LANG=de_AT.UTF-8 "$build/app/DepExport" --variant "$variant" "${period[@]}" --export dep7 --kassa "$kassa" --quiet
  done
  out="$sample/$edition"
  rm -rf "$out" && mkdir -p "$out"
  mv "$DEPEXPORT_DRIVE_C/VelmarFaktura/"{DEP_131.csv,LOG.csv,DEPExport*.json} "$out/"
done
echo
echo "Export files:"
ls -l "$sample/shop" "$sample/gastro"

# The check of the DEP 7 files: each register's file passes; the file of
# all registers shows why an auditor's verifier would reject it.
echo
for edition in shop gastro; do
  for file in "$sample/$edition"/DEPExport*_Kassa*.json; do
    echo "== $edition/$(basename "$file")"
    LC_ALL=de_AT.UTF-8 LANG=de_AT.UTF-8 "$build/app/DepExport" --verify "$file" \
      --aes-key "$(cat "$aes_key_file")" --trust "$ca_file"
  done
done
echo "== shop/DEPExport01.03.2017-01.03.2019.json (alle Kassen in einer Datei)"
LC_ALL=de_AT.UTF-8 LANG=de_AT.UTF-8 "$build/app/DepExport" --verify "$sample/shop/DEPExport01.03.2017-01.03.2019.json" \
  --aes-key "$(cat "$aes_key_file")" --trust "$ca_file" | tail -n 12 ||
  echo "(nicht bestanden: für die Prüfung je Kassa mit --kassa N exportieren)"
